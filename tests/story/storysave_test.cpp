#include "fakeimporter.h"
#include "fixedclock.h"
#include "foldersnapshot.h"
#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storysave.h"
#include "tempfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace {

const QDateTime kFirst(QDate(2026, 12, 6), QTime(18, 29, 33));
const QDateTime kSecond(QDate(2026, 12, 7), QTime(9, 5, 10));

//! Writes a save on a thread of its own, as the publication does, and hands the result back.
SaveResult writeOnAnotherThread(const StorySave& save, bool& onAnotherThread)
{
    SaveResult result;
    const QThread* storyThread = QThread::currentThread();
    std::thread worker([&] {
        onAnotherThread = QThread::currentThread() != storyThread;
        result = writeStorySave(save);
    });
    worker.join();
    return result;
}

//! One home with its story: the same story is built in two of them, saved at once in one and
//! split across threads in the other.
struct Home
{
    TempFolder folder;
    FakeImporter importer;
    Story story{folder.path(), &importer};

    Home()
    {
        story.setTitle("Harbour");
        story.setDescription("Boats\r\nand gulls");
        story.setTranscript("Morning at the pier");
        Slide& a = addFakePicture(story, importer, folder, "a.jpg", "JPEG a");
        a.setCaption("The pier");
        a.setCueText("Point at the lighthouse");
        narrate(a, "RIFF a narration");
        addFakePicture(story, importer, folder, "b.jpg", "JPEG b").setCaption("Gulls");
        narrate(addFakePicture(story, importer, folder, "c.jpg", "JPEG c"), "RIFF c narration");
    }

    static void narrate(Slide& slide, const QByteArray& bytes)
    {
        slide.setNarrationLength(4);
        slide.setHasNarration(true);
        QFile wav(slide.narrationWavPath());
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly) && wav.write(bytes) == bytes.size());
    }

    //! The story file's text with this home's path taken out, for comparing two homes.
    QString storyFileText(const QString& storyFile) const
    {
        return fromUtf16Le(TempFolder::read(storyFile)).replace(folder.path(), "<home>/");
    }

    //! The saved folder's files; the story file as text without the home's path.
    std::map<QString, QByteArray> saved(const QString& storyFile) const
    {
        std::map<QString, QByteArray> files = folderSnapshot(QFileInfo(storyFile).absolutePath());
        files[QFileInfo(storyFile).fileName()] = storyFileText(storyFile).toUtf8();
        return files;
    }
};

TEST(StorySaveTest, GivenASaveWrittenOnAnotherThreadThenItsFolderAndStoryFileAreThoseOfASaveAtOnce)
{
    Home atOnce;
    Home split;

    // GIVEN the first save of each, WHEN one is written on another thread
    const SaveResult expected = saveStory(atOnce.story, FixedClock(kFirst), SavedPictures::AlreadyRemade);
    ASSERT_TRUE(expected.ok) << expected.error.toStdString();
    const StorySave first = takeStoryForSave(split.story, kFirst);
    bool onAnotherThread = false;
    const SaveResult written = writeOnAnotherThread(first, onAnotherThread);
    EXPECT_TRUE(onAnotherThread);
    ASSERT_TRUE(written.ok) << written.error.toStdString();
    // The story learns of its file only when the save is handed over.
    EXPECT_EQ(split.story.storyFilePath(), "");
    applyStorySave(split.story, written);

    // THEN both saves wrote the same files, and the story file is UTF-16LE without a mark
    EXPECT_EQ(written.storyFile, split.folder.path() + "save/Dec.06.2026_06.29PM-33/Dec.06.2026_06.29PM-33.sld");
    EXPECT_EQ(split.story.storyFilePath(), written.storyFile);
    EXPECT_EQ(written.time, kFirst);
    EXPECT_EQ(QDir(split.folder.path() + "save").entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{"Dec.06.2026_06.29PM-33"});
    EXPECT_EQ(split.saved(written.storyFile), atOnce.saved(expected.storyFile));
    EXPECT_EQ(QDir(QFileInfo(written.storyFile).absolutePath()).entryList(QDir::Files),
              (QStringList{"0.jpg", "0.wav", "1.jpg", "2.jpg", "2.wav", "Dec.06.2026_06.29PM-33.sld"}));
    EXPECT_EQ(TempFolder::read(QFileInfo(written.storyFile).absolutePath() + "/2.wav"), "RIFF c narration");
    EXPECT_EQ(TempFolder::read(written.storyFile).left(4), QByteArray("S\0C\0", 4));
    EXPECT_TRUE(split.storyFileText(written.storyFile)
                    .contains("S2_IMAGE_PATH=<home>/save/Dec.06.2026_06.29PM-33/2.jpg\n"
                              "S2_AUDIO_PATH=<home>/save/Dec.06.2026_06.29PM-33/2.wav\n"));

    // GIVEN changes, a new id and a slide whose picture is gone, WHEN saved again the same ways
    for (Home* home : {&atOnce, &split}) {
        home->story.setUniqueId(4711);
        home->story.slideAt(0)->setCaption("The old pier");
        Home::narrate(*home->story.slideAt(0), "RIFF a, once more");
        ASSERT_TRUE(QFile::remove(home->story.slideAt(1)->slideJpegPath()));
    }
    const SaveResult again = saveStory(atOnce.story, FixedClock(kSecond), SavedPictures::AlreadyRemade);
    ASSERT_TRUE(again.ok) << again.error.toStdString();
    const SaveResult writtenAgain = writeOnAnotherThread(takeStoryForSave(split.story, kSecond), onAnotherThread);
    ASSERT_TRUE(writtenAgain.ok) << writtenAgain.error.toStdString();
    applyStorySave(split.story, writtenAgain);

    // THEN the same file is rewritten, the earlier picture of the slide without one is gone,
    // and nothing is left half done
    EXPECT_EQ(writtenAgain.storyFile, written.storyFile);
    EXPECT_EQ(split.story.storyFilePath(), written.storyFile);
    EXPECT_EQ(split.saved(writtenAgain.storyFile), atOnce.saved(again.storyFile));
    EXPECT_EQ(QDir(QFileInfo(written.storyFile).absolutePath()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"0.jpg", "0.wav", "2.jpg", "2.wav", "Dec.06.2026_06.29PM-33.sld"}));
    EXPECT_EQ(TempFolder::read(QFileInfo(written.storyFile).absolutePath() + "/0.wav"), "RIFF a, once more");
    const QString text = split.storyFileText(written.storyFile);
    EXPECT_TRUE(text.contains(QString("SC_DATE=%1\n").arg(kSecond.toSecsSinceEpoch()))) << text.toStdString();
    EXPECT_TRUE(text.contains("SC_UNIQUE_ID=4711\n"));
    EXPECT_TRUE(text.contains("S0_CAPTION=The old pier\n"));

    // AND the split save loads as the story it was
    Story reloaded(split.folder.path());
    ASSERT_TRUE(loadStory(written.storyFile, reloaded).opened);
    EXPECT_EQ(reloaded.uniqueId(), 4711);
    EXPECT_EQ(reloaded.count(), 3);
    EXPECT_EQ(reloaded.description(), "Boats\r\nand gulls");
    EXPECT_EQ(reloaded.slideAt(0)->cueText(), "Point at the lighthouse");
}

TEST(StorySaveTest, GivenAFirstSaveTakenButNotWrittenThenNothingIsOnDiskAndTheStoryHasNoFile)
{
    Home home;
    const StorySave save = takeStoryForSave(home.story, kFirst);
    EXPECT_TRUE(save.firstSave);
    EXPECT_EQ(save.folder, home.folder.path() + "save/Dec.06.2026_06.29PM-33");
    EXPECT_FALSE(QFileInfo::exists(home.folder.path() + "save"));
    EXPECT_EQ(home.story.storyFilePath(), "");
    // Picture then narration, slide by slide; a slide without narration names no WAV.
    ASSERT_EQ(save.media.size(), 5u);
    EXPECT_EQ(save.media[2].from, home.story.slideAt(1)->slideJpegPath());
    EXPECT_EQ(save.media[2].to, save.folder + "/1.jpg");
    EXPECT_EQ(save.media[4].from, home.story.slideAt(2)->narrationWavPath());
    EXPECT_EQ(save.media[4].to, save.folder + "/2.wav");
}

TEST(StorySaveTest, GivenTheFolderOfAFirstSaveMadeMeanwhileByAnotherSaveThenTheSaveFailsAndLeavesThatFolderAlone)
{
    Home home;
    const StorySave save = takeStoryForSave(home.story, kFirst);
    // Another program saved a story of its own in that folder since.
    const QString theirs = home.folder.write("save/Dec.06.2026_06.29PM-33/Dec.06.2026_06.29PM-33.sld", "theirs");
    const auto before = folderSnapshot(save.folder);

    bool onAnotherThread = false;
    const SaveResult result = writeOnAnotherThread(save, onAnotherThread);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.storyFile, "");
    EXPECT_TRUE(result.error.startsWith("The Pictorelle could not be saved. The folder " +
                                        QDir::toNativeSeparators(save.folder) + " could not be created: "))
        << result.error.toStdString();
    EXPECT_EQ(folderSnapshot(save.folder), before);
    EXPECT_EQ(TempFolder::read(theirs), "theirs");
    applyStorySave(home.story, result);
    EXPECT_EQ(home.story.storyFilePath(), "");

    // The next save takes a folder of its own.
    const SaveResult next = saveStory(home.story, FixedClock(kFirst), SavedPictures::AlreadyRemade);
    ASSERT_TRUE(next.ok) << next.error.toStdString();
    EXPECT_EQ(QFileInfo(next.storyFile).absolutePath(), save.folder + "-2");
}

TEST(StorySaveTest, GivenAnotherSaveOfTheFolderRunningThenTheWriteWaitsForItAndThenGoesThrough)
{
    Home home;
    const SaveResult first = saveStory(home.story, FixedClock(kFirst), SavedPictures::AlreadyRemade);
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    home.story.setUniqueId(77);
    const StorySave save = takeStoryForSave(home.story, kSecond);
    EXPECT_FALSE(save.firstSave);

    SaveResult result;
    std::thread worker;
    {
        // A save of the same folder holds its lock: the worker's save cannot begin meanwhile.
        SaveTransaction running(first.storyFile);
        worker = std::thread([&] { result = writeStorySave(save); });
        EXPECT_TRUE(running.commit(TempFolder::read(first.storyFile)));
    }
    worker.join();
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(fromUtf16Le(TempFolder::read(first.storyFile)).contains("SC_UNIQUE_ID=77\n"));
    EXPECT_EQ(QDir(QFileInfo(first.storyFile).absolutePath()).entryList({"*.part", "*.gone", "*.next"}, QDir::Files),
              QStringList{});
}

} // namespace
