#include "audio/encodeprogress.h"
#include "audio/loudness.h"
#include "audio/mp3cache.h"
#include "audio/mp3codec.h"
#include "audio/narrationencoding.h"
#include "eventually.h"
#include "preparationsupport.h"
#include "publish/backgroundpreparation.h"
#include "publish/mediapreparation.h"
#include "speechsignal.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace {

struct EvenLoudnessFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    Mp3Cache cache{Mp3Cache::folderIn(home.path())};
    QThreadPool pool;
    EncodeProgress progress;

    void SetUp() override
    {
        qunsetenv("PICTORELLE_MP3_LIBRARY");
        ASSERT_TRUE(loadMp3Codec()) << "the MP3 encoder library is needed";
        pool.setMaxThreadCount(2);
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
    QByteArray narrateAt(Slide& slide, double lufs, int seconds) { return narrateSpeech(slide, home, lufs, seconds); }
    Slide& addSegment()
    {
        story.setType(int(StoryType::Podcast));
        auto segment = std::make_unique<Slide>(story);
        segment->setKind(SlideKind::Segment);
        Slide& added = *segment;
        story.add(std::move(segment));
        return added;
    }
    bool isKept(const QByteArray& key) const { return !key.isEmpty() && QFileInfo::exists(cache.fileFor(key)); }
};

TEST_F(EvenLoudnessFixture,
       GivenNarrationsAtDifferentLevels_WhenPreparedForPublishing_ThenTheirMp3sSoundAlikeAndNoTakeChanges)
{
    const std::vector<double> levels = {-30, -23, -9};
    std::vector<QByteArray> takes;
    for (size_t i = 0; i < levels.size(); ++i) {
        Slide& slide = addPictureSlide(story, home, int(i), QSize(80, 60));
        takes.push_back(narrateAt(slide, levels[i], 4));
    }
    {
        MediaPreparation preparation(story, pool, nullptr, progress, true);
        preparation.start();
        ASSERT_EVENTUALLY(preparation.isFinished());
    }
    for (size_t i = 0; i < levels.size(); ++i) {
        SCOPED_TRACE(i);
        const Slide& slide = *story.slideAt(int(i));
        ASSERT_TRUE(slide.isMp3Encoded());
        EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), takes[i]) << "the take is byte for byte as recorded";
        const std::vector<std::int16_t> decoded = speechsignal::decodeMp3(slide.narrationMp3Path());
        ASSERT_FALSE(decoded.empty()) << "the ffmpeg tool is needed";
        EXPECT_NEAR(speechsignal::meter(decoded).lufs, loudness::TargetLufs, 1.5);
    }

    // Switched off, each MP3 is the plain encoding of its take, as it always was.
    for (int i = 0; i < story.count(); ++i)
        story.slideAt(i)->setMp3Encoded(false);
    {
        // The first preparation cancelled its progress as it went.
        EncodeProgress again;
        MediaPreparation preparation(story, pool, nullptr, again, false);
        preparation.start();
        ASSERT_EVENTUALLY(preparation.isFinished());
    }
    for (size_t i = 0; i < levels.size(); ++i) {
        SCOPED_TRACE(i);
        const Slide& slide = *story.slideAt(int(i));
        ASSERT_TRUE(slide.isMp3Encoded());
        const QString reference = home.file(QStringLiteral("reference%1.mp3").arg(i));
        ASSERT_TRUE(encodeWaveToMp3(nullptr, slide.narrationWavPath(), reference).ok());
        EXPECT_EQ(TempFolder::read(slide.narrationMp3Path()), TempFolder::read(reference));
        EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), takes[i]);
    }
}

TEST_F(EvenLoudnessFixture, GivenTheSwitchFlippedWhileTheAuthorWorks_WhenPublishing_ThenTheMp3sOfTheNewSettingAreReady)
{
    BackgroundPreparation background(story, 2, 10);
    background.setEvenLoudness(true);
    Slide& slide = addPictureSlide(story, home, 0, QSize(80, 60));
    narrateAt(slide, -27, 3);
    ASSERT_EVENTUALLY(isKept(Mp3Cache::keyOf(slide.narrationWavPath(), true)));
    EXPECT_FALSE(isKept(Mp3Cache::keyOf(slide.narrationWavPath(), false)));
    slide.setMp3Encoded(true); // as after a publication with the switch on

    background.setEvenLoudness(false);
    EXPECT_FALSE(slide.isMp3Encoded()) << "its MP3 was made for the other setting";
    ASSERT_EVENTUALLY(isKept(Mp3Cache::keyOf(slide.narrationWavPath(), false)));
    background.waitForDone();

    // Publishing needs no encoder: the MP3 is the plain one, from the cache.
    hideCodec();
    MediaPreparation preparation(story, pool, nullptr, progress, false);
    preparation.start();
    ASSERT_EVENTUALLY(preparation.isFinished());
    ASSERT_TRUE(slide.isMp3Encoded());
    EXPECT_EQ(TempFolder::read(slide.narrationMp3Path()),
              TempFolder::read(cache.fileFor(Mp3Cache::keyOf(slide.narrationWavPath(), false))));
}

TEST_F(EvenLoudnessFixture, GivenAPodcastRecorded_WhenTheAuthorGoesOn_ThenItsOneEvenedMp3IsReadyBeforePublishing)
{
    BackgroundPreparation background(story, 2, 10);
    background.setEvenLoudness(true);
    Slide& first = addSegment();
    Slide& second = addSegment();
    narrateAt(first, -30, 3);
    background.prepareNow();
    background.waitForDone();
    EXPECT_EQ(QDir(cache.folder()).entryList({"*.mp3"}, QDir::Files), QStringList{})
        << "nothing while a segment is unrecorded, and no MP3 per segment";

    narrateAt(second, -12, 3);
    const QStringList segments = {first.narrationWavPath(), second.narrationWavPath()};
    ASSERT_EVENTUALLY(isKept(Mp3Cache::keyOf(segments, true)));
    // The file is in the cache before its job's result reaches the GUI thread.
    background.waitForDone();
    EXPECT_EQ(background.keptCount(), 1);

    // The segments moved: the podcast is made again in its new order.
    story.move(1, 0);
    const QStringList moved = {second.narrationWavPath(), first.narrationWavPath()};
    ASSERT_EVENTUALLY(isKept(Mp3Cache::keyOf(moved, true)));
    background.waitForDone();

    hideCodec();
    const PodcastResult result = assemblePodcastFiles(podcastJob(story, true), nullptr);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(TempFolder::read(story.podcastMp3Path()), TempFolder::read(cache.fileFor(Mp3Cache::keyOf(moved, true))));
    const std::vector<std::int16_t> decoded = speechsignal::decodeMp3(story.podcastMp3Path());
    ASSERT_GT(decoded.size(), size_t(22050 * 5));
    for (const size_t from : {size_t(22050 / 4), size_t(22050 * 13 / 4)})
        EXPECT_NEAR(speechsignal::meter(std::span(decoded.data() + from, size_t(22050 * 5 / 2))).lufs,
                    loudness::TargetLufs, 1.5);
}

} // namespace
