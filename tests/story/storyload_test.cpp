#include "fakeimporter.h"
#include "fixedclock.h"
#include "story/linereader.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storyload.h"
#include "tempfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace {

//! Reads a story file on a thread of its own, as the loading box does, and hands the value back.
LoadedStory readOnWorker(const QString& path, const QString& workingFolder, MediaLookup lookup = MediaLookup::AsNamed)
{
    LoadedStory loaded;
    bool onOtherThread = false;
    const QThread* caller = QThread::currentThread();
    std::thread worker([&] {
        onOtherThread = QThread::currentThread() != caller;
        loaded = readStoryForLoad(path, workingFolder, lookup);
    });
    worker.join();
    EXPECT_TRUE(onOtherThread);
    return loaded;
}

//! Every file directly in a folder with its bytes.
std::map<QString, QByteArray> filesIn(const QString& folder)
{
    std::map<QString, QByteArray> files;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names)
        files[name] = TempFolder::read(QDir(folder).filePath(name));
    return files;
}

//! What a user and the story's files depend on, with the working folder written as "W/".
QStringList describe(Story& story)
{
    const QString w = story.workingFolder();
    auto local = [&](QString path) { return path.replace(w, QStringLiteral("W/")); };
    QStringList d{story.title(),
                  story.description(),
                  story.tags(),
                  story.categoryName(),
                  story.owner(),
                  story.transcript(),
                  QString::number(story.transcriptPublish()),
                  QString::number(story.type()),
                  QString::number(story.categoryId()),
                  QString::number(story.uniqueId()),
                  story.storyFilePath(),
                  QString::number(story.isModified()),
                  QString::number(story.currentIndex()),
                  QString::number(story.count()),
                  QString::number(story.totalLength())};
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        d << QStringLiteral("slide %1: id %2 kind %3 |%4|%5|%6| narration %7 %8 ready %9")
                 .arg(i)
                 .arg(s.id())
                 .arg(int(s.kind()))
                 .arg(s.caption(), s.tags(), s.cueText())
                 .arg(s.hasNarration())
                 .arg(s.narrationLength())
                 .arg(s.isReady())
          << local(s.sourcePicturePath()) << local(s.chosenPicturePath()) << local(s.narrationWavPath())
          << local(s.slideJpegPath()) << local(s.thumbnailJpegPath());
    }
    return d;
}

//! The imports a load started: which slide, into which files, in which story epoch.
QStringList imports(const FakeImporter& importer, const Story& story)
{
    QStringList list;
    for (const FakeImporter::Started& s : importer.started) {
        QString job = QStringLiteral("%1 %2 %3 %4")
                          .arg(s.slideId)
                          .arg(s.job.sourcePath, s.job.slideJpegPath, s.job.workingCopyPath);
        list << job.replace(story.workingFolder(), QStringLiteral("W/")) +
                    (s.epoch == story.epoch() ? QString() : QStringLiteral(" (stale)"));
    }
    return list;
}

//! Folders beside the working folders that a load left behind.
QStringList stagingLeft(const QString& programFolder)
{
    return QDir(programFolder).entryList({QStringLiteral("*-load-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

struct StoryLoadFixture : ::testing::Test
{
    TempFolder home;
    FakeImporter authorImporter;
    FixedClock clock;

    //! A story saved the way the program saves it, from a story of its own (working folder "temp/").
    QString saveSample(bool podcast)
    {
        Story author(home.path(), &authorImporter);
        author.setTitle(podcast ? "Talk" : "Holiday");
        author.setDescription("Line one\r\nLine two");
        author.setTags("sea sun");
        author.setCategory("Travel", 2030400);
        author.setOwner("ann");
        author.setTranscript("first\r\nsecond");
        author.setTranscriptPublish(true);
        author.setUniqueId(77);
        const QList<int> narrations = podcast ? QList<int>{600, 5, 0} : QList<int>{12, 0, 60};
        for (int i = 0; i < narrations.size(); ++i) {
            Slide* s = nullptr;
            if (podcast) {
                auto segment = std::make_unique<Slide>(author);
                segment->setKind(SlideKind::Segment);
                s = segment.get();
                EXPECT_TRUE(author.add(std::move(segment)));
            } else {
                s = &addFakePicture(author, authorImporter, home, QString("p%1.jpg").arg(i),
                                    "JPEG " + QByteArray::number(i));
            }
            s->setCaption(QString("Caption %1\r\nsecond line").arg(i));
            s->setCueText(QString("cue %1").arg(i));
            s->setTags(QString("tag%1").arg(i));
            if (narrations[i] > 0) {
                home.write(QString("temp/%1.wav").arg(s->id()), "RIFF narration " + QByteArray::number(i));
                s->setNarrationLength(narrations[i]);
                s->setHasNarration(true);
            }
        }
        author.setType(int(podcast ? StoryType::Podcast : StoryType::Picture));
        const SaveResult saved = saveStory(author, clock);
        EXPECT_TRUE(saved.ok) << saved.error.toStdString();
        return saved.storyFile;
    }

    //! A story being edited when the load comes: one slide of its own, unsaved changes.
    static void fillBefore(Story& story, FakeImporter& importer, TempFolder& home)
    {
        story.setTitle("Before");
        addFakePicture(story, importer, home, "before.jpg", "JPEG before");
        story.setModified(true);
    }

    //! Loads the sample at once into one story and by the two steps (the read on a worker) into
    //! another; both must end the same, also in the file a save writes afterwards.
    void expectSameLoad(bool podcast)
    {
        const QString file = saveSample(podcast);
        ASSERT_FALSE(file.isEmpty());
        const QByteArray original = TempFolder::read(file);
        const QString folder = QFileInfo(file).absolutePath();

        FakeImporter importerA;
        FakeImporter importerB;
        Story atOnce(home.path(), &importerA, nullptr, home.path() + "temp-a/");
        Story inSteps(home.path(), &importerB, nullptr, home.path() + "temp-b/");
        fillBefore(atOnce, importerA, home);
        fillBefore(inSteps, importerB, home);
        int resetsA = 0;
        int resetsB = 0;
        QObject::connect(&atOnce, &Story::storyReset, [&] { ++resetsA; });
        QObject::connect(&inSteps, &Story::storyReset, [&] { ++resetsB; });

        const LoadReport reportA = loadStory(file, atOnce);

        const QStringList storyBefore = describe(inSteps);
        const auto workingBefore = filesIn(inSteps.workingFolder());
        LoadedStory loaded = readOnWorker(file, inSteps.workingFolder());
        // The read touched neither the story nor its working folder.
        EXPECT_EQ(describe(inSteps), storyBefore);
        EXPECT_EQ(filesIn(inSteps.workingFolder()), workingBefore);
        EXPECT_EQ(resetsB, 0);
        const LoadReport reportB = applyLoadedStory(inSteps, std::move(loaded));

        EXPECT_TRUE(reportB.opened);
        EXPECT_EQ(reportB.slidesRead, 3);
        EXPECT_EQ(reportB.slidesAdded, 3);
        EXPECT_EQ(reportB.warnings, reportA.warnings);
        EXPECT_TRUE(reportB.warnings.isEmpty()) << reportB.warnings.join("; ").toStdString();
        EXPECT_EQ(resetsA, 1);
        EXPECT_EQ(resetsB, 1);
        EXPECT_EQ(describe(inSteps), describe(atOnce));
        EXPECT_EQ(inSteps.title(), podcast ? "Talk" : "Holiday");
        EXPECT_EQ(inSteps.slideAt(0)->id(), 1);
        EXPECT_FALSE(inSteps.isModified());
        EXPECT_EQ(imports(importerB, inSteps), imports(importerA, atOnce));
        EXPECT_EQ(int(importerB.started.size()), podcast ? 1 : 4); // the slide before, then the loaded pictures
        EXPECT_EQ(filesIn(inSteps.workingFolder()), filesIn(atOnce.workingFolder()));
        EXPECT_EQ(TempFolder::read(inSteps.slideAt(0)->narrationWavPath()), "RIFF narration 0");
        EXPECT_EQ(stagingLeft(home.path()), QStringList());

        importerA.finishAll();
        importerB.finishAll();
        EXPECT_EQ(describe(inSteps), describe(atOnce));
        ASSERT_TRUE(saveStory(atOnce, clock).ok);
        const QByteArray savedA = TempFolder::read(file);
        const auto mediaA = filesIn(folder);
        ASSERT_TRUE(saveStory(inSteps, clock).ok);
        EXPECT_EQ(TempFolder::read(file), savedA);
        EXPECT_EQ(filesIn(folder), mediaA);
        EXPECT_EQ(fromUtf16Le(savedA), fromUtf16Le(original)); // saved again, the file is as it was
    }
};

TEST_F(StoryLoadFixture,
       GIVEN_ASavedPictureStory_WHEN_ReadOnAWorkerAndApplied_THEN_TheStoryAndItsSaveAreThoseOfALoadAtOnce)
{
    expectSameLoad(false);
}

TEST_F(StoryLoadFixture,
       GIVEN_ASavedPodcastWithNarrations_WHEN_ReadOnAWorkerAndApplied_THEN_TheStoryAndItsSaveAreThoseOfALoadAtOnce)
{
    expectSameLoad(true);
}

TEST_F(StoryLoadFixture,
       GIVEN_AFileThatCannotBeRead_WHEN_ItIsReadAndApplied_THEN_TheReportIsAsBeforeAndTheStoryIsUntouched)
{
    FakeImporter importer;
    Story story(home.path(), &importer);
    fillBefore(story, importer, home);
    const QStringList before = describe(story);
    const auto working = filesIn(story.workingFolder());

    QFile large(home.file("large.sld"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(64 * 1024 * 1024 + 1));
    large.close();
    QDir().mkpath(home.file("folder.sld"));
    struct Case
    {
        QString path;
        QStringList warnings;
    };
    const QList<Case> cases{
        {home.file("missing.sld"), {}},
        {home.file("folder.sld"), {}},
        {home.file("large.sld"),
         {"The story file " + QDir::toNativeSeparators(home.file("large.sld")) + " is too large to be a story."}},
    };
    for (const Case& c : cases) {
        LoadedStory loaded = readOnWorker(c.path, story.workingFolder());
        EXPECT_FALSE(loaded.report.opened) << c.path.toStdString();
        EXPECT_EQ(loaded.report.warnings, c.warnings);
        EXPECT_TRUE(loaded.slides.empty());
        EXPECT_FALSE(loaded.staging);
        const LoadReport applied = applyLoadedStory(story, std::move(loaded));
        EXPECT_FALSE(applied.opened);
        EXPECT_EQ(applied.warnings, c.warnings);
        EXPECT_EQ(describe(story), before) << c.path.toStdString();

        const LoadReport atOnce = loadStory(c.path, story);
        EXPECT_FALSE(atOnce.opened);
        EXPECT_EQ(atOnce.warnings, c.warnings);
        EXPECT_EQ(describe(story), before) << c.path.toStdString();
    }
    EXPECT_EQ(filesIn(story.workingFolder()), working);
    EXPECT_EQ(importer.started.size(), 1u); // only the story's own slide was ever imported
}

TEST_F(StoryLoadFixture, GIVEN_ADamagedFile_WHEN_ReadAndApplied_THEN_TheWarningsComeInFileOrderAsFromALoadAtOnce)
{
    // Fifty-two segments, the fifty-first with a damaged length, then a block without its end.
    QString text = "SC_TITLE=damaged\nSC_TRANSCRIPT=-5\nSC_FINISHED\n";
    for (int i = 0; i < 52; ++i)
        text += QString("S%1_TYPE=1\nS%1_DURATION=%2\nS%1_AUDIO_PATH=\nS_FINISHED\n").arg(i).arg(i == 50 ? 99999 : 0);
    text += "S52_CAPTION=cut\nS52_DURATION=5000\n";
    const QString file = home.write("save/d/d.sld", toUtf16Le(text));
    const QStringList expected{"The transcript length -5 is invalid; no transcript was read.",
                               "Slide 51: the narration length 99999 s is damaged; 900 s is used.",
                               "Slide 51 was not added: a story holds at most 50 slides.",
                               "Slide 52 was not added: a story holds at most 50 slides.",
                               "Slide 53: the narration length 5000 s is damaged; 900 s is used.",
                               "The last slide block is incomplete and was not loaded."};

    FakeImporter importer;
    Story inSteps(home.path(), &importer, nullptr, home.path() + "temp-b/");
    LoadedStory loaded = readOnWorker(file, inSteps.workingFolder());
    EXPECT_TRUE(loaded.report.opened);
    EXPECT_EQ(loaded.report.slidesRead, 52);
    EXPECT_EQ(loaded.slides.size(), 52u);
    const LoadReport report = applyLoadedStory(inSteps, std::move(loaded));
    EXPECT_EQ(report.warnings, expected);
    EXPECT_EQ(report.slidesAdded, 50);
    EXPECT_EQ(inSteps.count(), 50);
    EXPECT_EQ(inSteps.title(), "damaged");

    Story atOnce(home.path(), &importer, nullptr, home.path() + "temp-a/");
    EXPECT_EQ(loadStory(file, atOnce).warnings, expected);
    EXPECT_EQ(describe(atOnce), describe(inSteps));
    EXPECT_EQ(stagingLeft(home.path()), QStringList());
}

TEST_F(StoryLoadFixture, GIVEN_AFileNamingMediaInTheWorkingFolder_WHEN_ReadThenApplied_THEN_TheResetDoesNotLoseThem)
{
    // A recovery copy names its media where they lie in the working folder, which the apply's
    // reset empties: what the read took from there must be kept aside.
    FakeImporter importer;
    Story story(home.path(), &importer);
    const QString picture = home.write("temp/7.jpg", "JPEG seven");
    const QString narration = home.write("temp/7.wav", "RIFF seven");
    const QString file = home.write("elsewhere/r.sld", toUtf16Le(QString("SC_TITLE=kept\nSC_FINISHED\nS0_DURATION=4\n"
                                                                         "S0_TYPE=0\nS0_IMAGE_PATH=%1\n"
                                                                         "S0_AUDIO_PATH=%2\nS_FINISHED\n")
                                                                     .arg(picture, narration)));

    LoadedStory loaded = readOnWorker(file, story.workingFolder());
    ASSERT_TRUE(loaded.staging);
    EXPECT_FALSE(loaded.staging->path().startsWith(story.workingFolder()));
    const LoadReport report = applyLoadedStory(story, std::move(loaded));
    EXPECT_TRUE(report.warnings.isEmpty()) << report.warnings.join("; ").toStdString();
    ASSERT_EQ(story.count(), 1);
    EXPECT_EQ(TempFolder::read(story.workingFolder() + "1.jpg"), "JPEG seven");
    EXPECT_TRUE(story.slideAt(0)->hasNarration());
    EXPECT_EQ(story.slideAt(0)->narrationLength(), 4);
    EXPECT_EQ(TempFolder::read(story.slideAt(0)->narrationWavPath()), "RIFF seven");
    EXPECT_FALSE(QFileInfo::exists(picture)); // the reset emptied the working folder all the same
    EXPECT_EQ(stagingLeft(home.path()), QStringList());
}

TEST_F(StoryLoadFixture, GIVEN_AReadThatIsNeverApplied_WHEN_ItsValueGoes_THEN_ItsCopiesGoWithIt)
{
    const QString file = saveSample(false);
    FakeImporter importer;
    Story story(home.path(), &importer, nullptr, home.path() + "temp-b/");
    {
        const LoadedStory loaded = readOnWorker(file, story.workingFolder());
        EXPECT_EQ(loaded.slides.size(), 3u);
        EXPECT_EQ(stagingLeft(home.path()).size(), 1);
    }
    EXPECT_EQ(stagingLeft(home.path()), QStringList());
    EXPECT_EQ(story.count(), 0);
}

} // namespace
