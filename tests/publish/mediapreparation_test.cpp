#include "audio/encodeprogress.h"
#include "audio/mp3codec.h"
#include "eventually.h"
#include "preparationsupport.h"
#include "publish/mediapreparation.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace {

struct PreparationFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    QThreadPool pool;
    EncodeProgress progress;

    void SetUp() override
    {
        ASSERT_TRUE(loadMp3Codec()) << "the MP3 encoder library is needed";
        pool.setMaxThreadCount(2);
    }
    void TearDown() override { unloadMp3Codec(); }
};

TEST_F(PreparationFixture, GivenAPictureStory_WhenPrepared_ThenOnlyStaleNarrationsAreEncodedAndEveryPictureIsMadeAgain)
{
    for (int i = 0; i < 3; ++i)
        addPictureSlide(story, home, i, QSize(120, 80));
    Slide& narrated = *story.slideAt(1);
    narrate(narrated, home, 1);
    story.slideAt(2)->setHasNarration(true); // already current: not encoded again
    story.slideAt(2)->setMp3Encoded(true);
    story.slideAt(0)->setRotation(1);
    MediaPreparation preparation(story, pool, nullptr, progress);

    preparation.start();

    EXPECT_EQ(story.mp3Position(), 0) << "busy from the start, set on the story's thread";
    EXPECT_TRUE(narrated.isMp3Busy());
    EXPECT_FALSE(story.slideAt(2)->isMp3Busy());
    EXPECT_EQ(story.picturesBeingProcessed(), 3);
    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_EQ(story.picturesBeingProcessed(), 0);
    EXPECT_FALSE(narrated.isMp3Busy());
    EXPECT_TRUE(narrated.isMp3Encoded());
    EXPECT_EQ(narrated.mp3Size(), QFileInfo(narrated.narrationMp3Path()).size());
    EXPECT_GT(narrated.mp3Size(), 0);
    EXPECT_FALSE(QFileInfo::exists(story.slideAt(0)->narrationMp3Path()));
    EXPECT_FALSE(QFileInfo::exists(story.slideAt(2)->narrationMp3Path()));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(story.slideAt(i)->isPictureLoaded()) << i;
        EXPECT_TRUE(QFileInfo::exists(story.slideAt(i)->thumbnailJpegPath())) << i;
    }
    EXPECT_EQ(QImage(story.slideAt(0)->slideJpegPath()).size(), QSize(80, 120)); // turned a quarter
    EXPECT_EQ(QImage(story.slideAt(1)->slideJpegPath()).size(), QSize(120, 80));
    EXPECT_EQ(story.slideAt(0)->picture().size(), QSize(80, 120)) << "the result reached its own slide";
}

TEST_F(PreparationFixture,
       GivenASlideRemovedWhileItsMediaArePrepared_WhenTheResultsArrive_ThenItIsSkippedAndTheOthersGetTheirOwn)
{
    addPictureSlide(story, home, 0, QSize(120, 80));
    addPictureSlide(story, home, 1, QSize(100, 100));
    Slide& last = addPictureSlide(story, home, 2, QSize(90, 60));
    narrate(last, home, 2);
    MediaPreparation preparation(story, pool, nullptr, progress);
    preparation.start();

    // Taken away before any result is handed back: the workers still work on its copies.
    ASSERT_TRUE(story.remove(1));
    ASSERT_EQ(story.count(), 2);

    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_EQ(story.picturesBeingProcessed(), 0) << "the removed slide's count is given back too";
    EXPECT_EQ(story.slideAt(0)->picture().size(), QSize(120, 80));
    EXPECT_EQ(story.slideAt(1)->picture().size(), QSize(90, 60)) << "not the removed slide's square picture";
    EXPECT_TRUE(last.isMp3Encoded());
    EXPECT_GT(last.mp3Size(), 0);
    EXPECT_FALSE(last.isMp3Busy());
}

TEST_F(PreparationFixture,
       GivenASlideMarkedForEncoding_WhenTheUserTriesToRemoveIt_ThenTheStoryRefusesUntilItsMp3IsApplied)
{
    Slide& slide = addPictureSlide(story, home, 0, QSize(120, 80));
    narrate(slide, home, 1);
    MediaPreparation preparation(story, pool, nullptr, progress);
    preparation.start();

    EXPECT_FALSE(story.remove(0)) << "its WAV is being read";

    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_TRUE(story.remove(0));
}

TEST_F(PreparationFixture, GivenItsProgressCancelled_WhenAPreparationIsUnderWay_ThenItStopsAndTheStoryIsIdleAgain)
{
    for (int i = 0; i < 3; ++i)
        narrate(addPictureSlide(story, home, i, QSize(120, 80)), home, 60);
    progress.requestCancel(); // before anything began: nothing is encoded, nothing is made
    MediaPreparation preparation(story, pool, nullptr, progress);
    preparation.start();

    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_EQ(story.mp3Position(), -1);
    EXPECT_EQ(story.picturesBeingProcessed(), 0);
    for (int i = 0; i < 3; ++i) {
        const Slide& s = *story.slideAt(i);
        EXPECT_FALSE(s.isMp3Busy()) << i;
        EXPECT_FALSE(s.isMp3Encoded()) << i;
        EXPECT_FALSE(QFileInfo::exists(s.narrationMp3Path())) << i;
        EXPECT_FALSE(s.isPictureLoaded()) << i;
    }
}

TEST_F(PreparationFixture, GivenSlideJpegsThatCarryTheirRotation_WhenPrepared_ThenOnlyTheRotatedOneIsMadeAgain)
{
    for (int i = 0; i < 3; ++i) {
        Slide& s = addPictureSlide(story, home, i, QSize(120, 80));
        QImage(QSize(120, 80), QImage::Format_RGB32).save(s.slideJpegPath(), "JPEG");
        QImage(QSize(75, 75), QImage::Format_RGB32).save(s.thumbnailJpegPath(), "JPEG");
        s.setJpegRotation(0); // as an import leaves it
    }
    story.slideAt(1)->setRotation(1);
    story.slideAt(2)->setRotation(4); // a whole turn: upright again
    MediaPreparation preparation(story, pool, nullptr, progress);

    preparation.start();

    EXPECT_EQ(story.picturesBeingProcessed(), 1);
    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_EQ(QImage(story.slideAt(1)->slideJpegPath()).size(), QSize(80, 120));
    EXPECT_TRUE(story.slideAt(1)->isJpegCurrent());
    EXPECT_FALSE(story.slideAt(0)->isPictureLoaded()) << "not made again";
    EXPECT_FALSE(story.slideAt(2)->isPictureLoaded()) << "not made again";

    // A slide JPEG gone from the folder is made again, whatever the slide says.
    QFile::remove(story.slideAt(0)->slideJpegPath());
    MediaPreparation again(story, pool, nullptr, progress);
    again.start();
    EXPECT_EQ(story.picturesBeingProcessed(), 1);
    ASSERT_EVENTUALLY(again.isFinished());
    EXPECT_TRUE(QFileInfo::exists(story.slideAt(0)->slideJpegPath()));
}

TEST_F(PreparationFixture, GivenManyNarrations_WhenPreparedSideBySide_ThenEachGetsItsOwnMp3AndTheProgressEndsWhole)
{
    pool.setMaxThreadCount(2);
    int total = 0;
    for (int i = 0; i < 5; ++i) {
        Slide& s = addPictureSlide(story, home, i, QSize(60, 40));
        narrate(s, home, 3 + i);
        total += 3 + i;
    }
    MediaPreparation preparation(story, pool, nullptr, progress);
    preparation.start();
    EXPECT_LE(preparation.preparedSeconds(), total);
    ASSERT_EVENTUALLY(preparation.isFinished());
    EXPECT_EQ(preparation.preparedSeconds(), total);
    for (int i = 0; i < 5; ++i) {
        const Slide& s = *story.slideAt(i);
        EXPECT_TRUE(s.isMp3Encoded()) << i;
        // 3000 bytes per second, give or take the encoder's padding frames.
        EXPECT_NEAR(double(s.mp3Size()), 3000.0 * (3 + i), 400.0) << i;
        EXPECT_EQ(s.mp3Size(), QFileInfo(s.narrationMp3Path()).size()) << i;
    }
}

} // namespace
