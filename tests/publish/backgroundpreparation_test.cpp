#include "audio/encodeprogress.h"
#include "audio/mp3cache.h"
#include "audio/mp3codec.h"
#include "eventually.h"
#include "preparationsupport.h"
#include "publish/backgroundpreparation.h"
#include "publish/mediapreparation.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace {

struct BackgroundFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    Mp3Cache cache{Mp3Cache::folderIn(home.path())};

    void SetUp() override
    {
        qunsetenv("PICTORELLE_MP3_LIBRARY");
        ASSERT_TRUE(loadMp3Codec()) << "the MP3 encoder library is needed";
    }
    void TearDown() override
    {
        unloadMp3Codec();
        qunsetenv("PICTORELLE_MP3_LIBRARY");
    }
    void hideCodec()
    {
        unloadMp3Codec();
        qputenv("PICTORELLE_MP3_LIBRARY", QFile::encodeName(home.file("nowhere/libmp3lame.so.0")));
    }
    bool isKept(const Slide& slide) const
    {
        const QByteArray key = Mp3Cache::keyOf(slide.narrationWavPath());
        return !key.isEmpty() && QFileInfo::exists(cache.fileFor(key));
    }
    // A take of other samples than narrationWave gives, of that many seconds.
    void recordOver(Slide& slide, int seconds, char salt)
    {
        QByteArray wave = narrationWave(seconds);
        for (qsizetype i = 44; i < wave.size(); i += 97)
            wave[i] = salt;
        home.write(QStringLiteral("temp/") + QFileInfo(slide.narrationWavPath()).fileName(), wave);
        slide.setHasNarration(true);
        slide.setNarrationLength(seconds);
        slide.takeReplaced();
    }
};

TEST_F(BackgroundFixture, GivenANarrationRecorded_WhenTheAuthorGoesOn_ThenItsMp3IsMadeAndPublishingNeedsNoEncoder)
{
    BackgroundPreparation background(story, 2, 10);
    Slide& slide = addPictureSlide(story, home, 0, QSize(120, 80));
    narrate(slide, home, 2);

    // No call: the story's signal alone starts it.
    ASSERT_EVENTUALLY(isKept(slide));
    EXPECT_EVENTUALLY(background.pendingCount() == 0);
    EXPECT_EQ(QDir(home.file("temp")).entryList({"*.mp3"}, QDir::Files), QStringList{})
        << "the working folder is left alone";
    EXPECT_FALSE(slide.isMp3Encoded()) << "the slide's own MP3 is made when publishing";

    hideCodec();
    QThreadPool pool;
    EncodeProgress progress;
    MediaPreparation preparation(story, pool, nullptr, progress);
    preparation.start();
    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_TRUE(slide.isMp3Encoded());
    EXPECT_EQ(TempFolder::read(slide.narrationMp3Path()),
              TempFolder::read(cache.fileFor(Mp3Cache::keyOf(slide.narrationWavPath()))));
    EXPECT_EQ(preparation.preparedSeconds(), 2);
}

TEST_F(BackgroundFixture, GivenATakeRecordedOver_WhenPrepared_ThenBothTakesAreKeptAndAnUndoFindsTheOldOne)
{
    BackgroundPreparation background(story, 2, 10);
    Slide& slide = addPictureSlide(story, home, 0, QSize(120, 80));
    narrate(slide, home, 1);
    ASSERT_EVENTUALLY(isKept(slide));
    const QByteArray first = Mp3Cache::keyOf(slide.narrationWavPath());

    recordOver(slide, 1, 'x'); // same length, same flag: only the take tells
    ASSERT_EVENTUALLY(isKept(slide));
    const QByteArray second = Mp3Cache::keyOf(slide.narrationWavPath());
    EXPECT_NE(first, second);
    EXPECT_TRUE(QFileInfo::exists(cache.fileFor(first)));
    // The file is in the cache before its job's result reaches the GUI thread.
    background.waitForDone();
    EXPECT_EQ(background.keptCount(), 1);
}

TEST_F(BackgroundFixture, GivenATakeBeingRecorded_WhenTheStoryIsLookedAt_ThenItWaitsUntilTheTakeStops)
{
    BackgroundPreparation background(story, 2, 10);
    Slide& slide = addPictureSlide(story, home, 0, QSize(120, 80));
    slide.setRecording(true);
    narrate(slide, home, 1);
    background.prepareNow();
    EXPECT_EQ(background.pendingCount(), 0);
    QTest::qWait(100);
    EXPECT_FALSE(isKept(slide));

    slide.setRecording(false);
    EXPECT_EVENTUALLY(isKept(slide));
}

TEST_F(BackgroundFixture, GivenAPausedPreparation_WhenNarrationsChange_ThenNothingRunsUntilItResumes)
{
    BackgroundPreparation background(story, 2, 10);
    background.pause();
    Slide& slide = addPictureSlide(story, home, 0, QSize(120, 80));
    narrate(slide, home, 1);
    QTest::qWait(100);
    EXPECT_EQ(background.pendingCount(), 0);
    EXPECT_FALSE(isKept(slide));

    background.resume();
    background.waitForDone();
    EXPECT_TRUE(isKept(slide));
}

TEST_F(BackgroundFixture, GivenLongNarrationsBeingEncoded_WhenThePreparationGoes_ThenItStopsThemAndKeepsNoPart)
{
    for (int i = 0; i < 4; ++i) {
        Slide& slide = addPictureSlide(story, home, i, QSize(60, 40));
        narrate(slide, home, 60);
        recordOver(slide, 60, char('a' + i));
    }
    {
        BackgroundPreparation background(story, 2, 10);
        background.prepareNow();
        EXPECT_EQ(background.pendingCount(), 4);
        EXPECT_EQ(background.threadCount(), 2);
    }
    // Gone: nothing runs any more, and only whole MP3s are in the cache.
    const QStringList names = QDir(cache.folder()).entryList(QDir::Files);
    EXPECT_TRUE(names.filter(".part").isEmpty()) << names.join(' ').toStdString();
    EXPECT_LT(names.size(), 4);
}

TEST_F(BackgroundFixture, GivenAStoryReplaced_WhenItsNarrationsAreLoaded_ThenTheyArePreparedAgainUnderTheNewIds)
{
    BackgroundPreparation background(story, 2, 10);
    Slide& slide = addPictureSlide(story, home, 0, QSize(120, 80));
    narrate(slide, home, 1);
    background.waitForDone();
    ASSERT_EVENTUALLY(background.keptCount() == 1);

    story.reset();
    EXPECT_EQ(background.keptCount(), 0);
    Slide& again = addPictureSlide(story, home, 1, QSize(120, 80));
    recordOver(again, 1, 'q');
    EXPECT_EVENTUALLY(isKept(again));
}

} // namespace
