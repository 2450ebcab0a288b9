#include "fakeimporter.h"
#include "fixedclock.h"
#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storylibrary.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

//! A story saved once ("first": two pictures, slide 0 narrated), and the files a second save
//! ("second", other bytes) stages before it is cut short; the states are made by hand the way
//! the save makes them, so each moment of an interrupted save is examined on its own.
struct InterruptedSaveFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter importer;
    Story story{home.path(), &importer};
    QString storyFile;
    QString folder;

    void SetUp() override
    {
        story.setTitle("first");
        for (const char* name : {"a", "b"}) {
            auto s = std::make_unique<Slide>(story);
            s->setSourcePicturePath(home.write(QString("pictures/%1.jpg").arg(name), QByteArray("first ") + name));
            ASSERT_TRUE(story.add(std::move(s)));
        }
        importer.finishAll();
        Slide& a = *story.slideAt(0);
        a.setNarrationLength(2);
        a.setHasNarration(true);
        home.write("temp/" + QString::number(a.id()) + ".wav", "first narration");
        const SaveResult r = saveStory(story, FixedClock());
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        storyFile = r.storyFile;
        folder = QFileInfo(storyFile).absolutePath();
    }

    //! The story file the second save writes as ".next".
    void writeNext()
    {
        story.setTitle("second");
        const std::vector<SlideMedia> media{{folder + "/0.jpg", folder + "/0.wav"}, {folder + "/1.jpg", {}}};
        home.write(QDir(home.path()).relativeFilePath(storyFile + ".next"), toUtf16Le(storyFileText(story, 1, media)));
    }

    void writeInFolder(const QString& name, const QByteArray& bytes)
    {
        home.write(QDir(home.path()).relativeFilePath(folder + "/" + name), bytes);
    }

    QStringList folderFiles() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    //! Loads the story file into a fresh story: its title and slide 0's picture and narration.
    QStringList loaded()
    {
        Story fresh(home.path() + "reader/", &importer);
        loadStory(storyFile, fresh);
        importer.finishAll();
        if (fresh.count() == 0)
            return {fresh.title()};
        return {fresh.title(), QString::fromLatin1(TempFolder::read(fresh.workingFolder() + "1.jpg")),
                QString::fromLatin1(TempFolder::read(fresh.slideAt(0)->narrationWavPath()))};
    }

    QString sld() const { return QFileInfo(storyFile).fileName(); }
};

TEST_F(InterruptedSaveFixture,
       GivenASaveCutShortBeforeItsStoryFileWhenLoadedThenTheEarlierSaveLoadsAndTheNextSaveClearsTheParts)
{
    writeInFolder("0.jpg.part", "second a, half");
    writeInFolder("0.wav.part", "second narr");
    EXPECT_EQ(loaded(), (QStringList{"first", "first a", "first narration"}));

    story.setTitle("third");
    const SaveResult r = saveStory(story, FixedClock());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", "1.jpg", sld()}));
    EXPECT_EQ(loaded(), (QStringList{"third", "first a", "first narration"}));
}

TEST_F(InterruptedSaveFixture, GivenASaveCutShortAfterItsStoryFileWhenLoadedThenTheSaveIsFinishedFirst)
{
    writeInFolder("0.jpg.part", "second a");
    writeInFolder("0.wav.part", "second narration");
    writeInFolder("1.jpg.gone", "");
    writeNext();
    const QByteArray next = TempFolder::read(storyFile + ".next");

    EXPECT_EQ(loaded(), (QStringList{"second", "second a", "second narration"}));
    EXPECT_EQ(TempFolder::read(storyFile), next);
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", sld()})); // 1.jpg was marked for removal
}

TEST_F(InterruptedSaveFixture, GivenASaveCutShortWhileItsPartsWereMovedWhenTheLibraryScansThenItListsTheFinishedSave)
{
    writeInFolder("0.jpg", "second a"); // already moved in place
    writeInFolder("0.wav.part", "second narration");
    writeNext();

    StoryLibrary::SortSwitches switches;
    StoryLibrary library(home.path() + "save/", switches);
    library.open();
    ASSERT_EQ(library.rowCount(), 1);
    EXPECT_EQ(library.rows().at(0).title, "second");
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", "1.jpg", sld()}));
    EXPECT_EQ(loaded(), (QStringList{"second", "second a", "second narration"}));
}

TEST_F(InterruptedSaveFixture, GivenAFirstSaveCutShortAfterItsStoryFileWhenTheLibraryScansThenTheStoryIsListed)
{
    ASSERT_TRUE(QFile::rename(storyFile, storyFile + ".next"));
    writeInFolder("1.jpg.part", "first b, again");
    StoryLibrary::SortSwitches switches;
    StoryLibrary library(home.path() + "save/", switches);
    library.open();
    ASSERT_EQ(library.rowCount(), 1);
    EXPECT_EQ(library.rows().at(0).path, folder + "/" + sld());
    EXPECT_EQ(TempFolder::read(folder + "/1.jpg"), "first b, again");
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", "1.jpg", sld()}));
}

TEST_F(InterruptedSaveFixture, GivenOtherFilesInTheFolderWhenASaveClearsLeftoversThenOnlyItsOwnPartsGo)
{
    writeInFolder("notes.part", "the author's own file");
    writeInFolder("x1.jpg.part", "not a save's part");
    writeInFolder("3.jpg.part", "a leftover");
    writeInFolder("4.wav.gone", "");
    SaveTransaction{storyFile}; // a save that starts and stages nothing
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", "1.jpg", sld(), "notes.part", "x1.jpg.part"}));
}

TEST_F(InterruptedSaveFixture, GivenASaveRunningInTheFolderWhenALoadLooksThenTheRunningSaveIsLeftItsOwnWork)
{
    {
        SaveTransaction running(storyFile); // holds the folder's lock, as a save in another program would
        writeInFolder("0.jpg.part", "second a");
        writeNext();
        EXPECT_TRUE(SaveTransaction::finishInterrupted(storyFile));
        EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.jpg.part", "0.wav", "1.jpg", sld(), sld() + ".next"}));
    }
    // Once that save has ended (here: without finishing), the next look finishes it.
    EXPECT_EQ(loaded(), (QStringList{"second", "second a", "first narration"}));
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", "1.jpg", sld()}));
}

TEST_F(InterruptedSaveFixture, GivenATransactionThatIsNotCommittedWhenItEndsThenItsPartsAndMarksAreGone)
{
    {
        SaveTransaction save(storyFile);
        ASSERT_TRUE(save.stageCopy(home.path() + "pictures/b.jpg", folder + "/0.jpg"));
        ASSERT_TRUE(save.stageRemoval(folder + "/1.jpg"));
        EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.jpg.part", "0.wav", "1.jpg", "1.jpg.gone", sld()}));
        EXPECT_FALSE(save.stageCopy(home.path() + "pictures/missing.jpg", folder + "/1.wav"));
        EXPECT_TRUE(save.error().startsWith("Could not read ")) << save.error().toStdString();
    }
    EXPECT_EQ(folderFiles(), (QStringList{"0.jpg", "0.wav", "1.jpg", sld()}));
    EXPECT_EQ(loaded(), (QStringList{"first", "first a", "first narration"}));
}

} // namespace
