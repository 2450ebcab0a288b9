#include "audio/narrationencoding.h"
#include "mp3testsupport.h"
#include "story/slide.h"
#include "story/story.h"
#include "wavebytes.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

using namespace wavebytes;

namespace {

// A podcast story in the fixture's folder with one segment per narration given; an empty
// narration leaves that segment unrecorded.
class Podcast
{
public:
    Podcast(const TempFolder& folder, const std::vector<QByteArray>& narrations) : story(folder.path())
    {
        story.setType(int(StoryType::Podcast));
        for (const QByteArray& samples : narrations) {
            auto segment = std::make_unique<Slide>(story);
            segment->setKind(SlideKind::Segment);
            Slide& added = *segment;
            story.add(std::move(segment));
            if (!samples.isEmpty())
                folder.write("temp/" + QFileInfo(added.narrationWavPath()).fileName(), pcmWave(samples));
        }
    }

    QByteArray podcastWav() const { return TempFolder::read(story.podcastWavPath()); }

    Story story;
};

} // namespace

TEST_F(Mp3Fixture, GivenARecordedSlide_WhenItsNarrationIsEncoded_ThenTheSlideRecordsTheMp3)
{
    Podcast podcast(folder, {voiceSamples(3)});
    Slide& slide = *podcast.story.slideAt(0);

    EXPECT_TRUE(encodeSlideNarration(slide, nullptr));

    EXPECT_TRUE(slide.isMp3Encoded());
    EXPECT_FALSE(slide.isMp3Busy());
    ASSERT_TRUE(QFile::exists(slide.narrationMp3Path()));
    EXPECT_EQ(slide.mp3Size(), QFileInfo(slide.narrationMp3Path()).size());
    EXPECT_GE(slide.mp3Size(), 9000);
}

TEST_F(Mp3Fixture, GivenASlideThatCannotBeEncoded_WhenEncoded_ThenItIsNotEncodedAndHasNoSize)
{
    Podcast podcast(folder, {voiceSamples(2), {}});
    Slide& recorded = *podcast.story.slideAt(0);
    Slide& silent = *podcast.story.slideAt(1);
    ASSERT_TRUE(encodeSlideNarration(recorded, nullptr));
    ASSERT_TRUE(recorded.isMp3Encoded());

    EXPECT_TRUE(encodeSlideNarration(silent, nullptr)) << "the operation itself always succeeds";
    EXPECT_FALSE(silent.isMp3Encoded());
    EXPECT_EQ(silent.mp3Size(), 0);

    hideCodec();
    RecordingMessenger messenger;
    bool busyWhileEncoding = false;
    messenger.whileShowing = [&] { busyWhileEncoding = recorded.isMp3Busy(); };
    EXPECT_TRUE(encodeSlideNarration(recorded, &messenger));
    EXPECT_TRUE(busyWhileEncoding);
    EXPECT_FALSE(recorded.isMp3Busy());
    EXPECT_FALSE(recorded.isMp3Encoded());
    EXPECT_EQ(recorded.mp3Size(), 0) << "the earlier MP3 is gone, so is its size";
    EXPECT_FALSE(QFile::exists(recorded.narrationMp3Path()));
}

TEST_F(Mp3Fixture, GivenAOneSegmentPodcast_WhenAssembled_ThenThePodcastWavIsACopyAndItsMp3IsMeasured)
{
    Podcast podcast(folder, {voiceSamples(4)});
    const QByteArray segment = TempFolder::read(podcast.story.slideAt(0)->narrationWavPath());

    const PodcastResult result = assemblePodcast(podcast.story, nullptr);

    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_TRUE(result.error.isEmpty());
    EXPECT_EQ(podcast.podcastWav(), segment);
    EXPECT_EQ(podcast.story.podcastMp3Size(), QFileInfo(podcast.story.podcastMp3Path()).size());
    EXPECT_EQ(result.mp3Size, podcast.story.podcastMp3Size());
    EXPECT_GE(podcast.story.podcastMp3Size(), 12000);
    EXPECT_EQ(podcast.story.mp3Position(), -1);
}

TEST_F(Mp3Fixture, GivenSegmentsOf10And20And5Seconds_WhenAssembled_ThenThePodcastHolds35SecondsInOrder)
{
    const QByteArray a = ramp(441000, 1), b = ramp(882000, 2), c = ramp(220500, 3);
    Podcast podcast(folder, {a, b, c});

    const PodcastResult result = assemblePodcast(podcast.story, nullptr);

    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    const QByteArray wav = podcast.podcastWav();
    EXPECT_EQ(field32(wav, 40), 1543500u);
    EXPECT_EQ(field32(wav, 4), 1543500u + 36);
    EXPECT_EQ(wav.size(), 44 + 1543500);
    EXPECT_TRUE(wav.mid(44) == a + b + c);
    EXPECT_NEAR(double(podcast.story.podcastMp3Size()), 35 * 3000.0 + 150, 150.0);
}

TEST_F(Mp3Fixture, GivenNoEncoderLibrary_WhenAPodcastIsAssembled_ThenItHasNoMp3AndThePositionReturnsToIdle)
{
    Podcast podcast(folder, {voiceSamples(1), voiceSamples(2)});
    const QString earlier = folder.write("temp/podcast.mp3", "the podcast published last week");
    podcast.story.setPodcastMp3Size(31);
    hideCodec();
    RecordingMessenger messenger;
    bool earlierGoneBeforeEncoding = false;
    int positionWhileEncoding = -2;
    messenger.whileShowing = [&] {
        earlierGoneBeforeEncoding = !QFile::exists(earlier);
        positionWhileEncoding = podcast.story.mp3Position();
    };

    const PodcastResult result = assemblePodcast(podcast.story, &messenger);

    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, "MP3 encoder didn't load.\nPlease re-install Pictorelle.");
    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0].caption, "Pictorelle - MP3 encoding error");
    EXPECT_TRUE(earlierGoneBeforeEncoding);
    EXPECT_EQ(positionWhileEncoding, 0);
    EXPECT_EQ(podcast.story.podcastMp3Size(), 0);
    EXPECT_EQ(podcast.story.mp3Position(), -1);
    EXPECT_FALSE(QFile::exists(earlier));
    EXPECT_EQ(field32(podcast.podcastWav(), 40), 3u * 44100) << "the join itself succeeded";
}

TEST_F(Mp3Fixture, GivenASegmentWithoutNarration_WhenAPodcastIsAssembled_ThenItStopsWithANamedErrorAndNoPodcast)
{
    Podcast podcast(folder, {voiceSamples(1), voiceSamples(1), {}, voiceSamples(1)});
    const QString missing = podcast.story.slideAt(2)->narrationWavPath();
    folder.write("temp/podcast.wav", "an earlier podcast");
    folder.write("temp/podcast.mp3", "an earlier podcast");
    podcast.story.setPodcastMp3Size(18);
    RecordingMessenger messenger;

    const PodcastResult result = assemblePodcast(podcast.story, &messenger);

    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.join.error, WaveJoinError::InputMissing);
    EXPECT_EQ(result.error, "Segment 3 has no recorded narration (" + missing + " is missing).");
    EXPECT_FALSE(QFile::exists(podcast.story.podcastWavPath()));
    EXPECT_FALSE(QFile::exists(podcast.story.podcastMp3Path()));
    EXPECT_EQ(podcast.story.podcastMp3Size(), 0);
    EXPECT_EQ(podcast.story.mp3Position(), -1);
    EXPECT_TRUE(messenger.messages.empty()) << "the caller shows the error";
}

TEST_F(Mp3Fixture, GivenAJobTakenBeforehand_WhenTheStoryChangesAfterwards_ThenTheJobKeepsItsSegments)
{
    Podcast podcast(folder, {ramp(4410, 1), ramp(4410, 2)});
    const PodcastJob job = podcastJob(podcast.story);
    podcast.story.move(1, 0);

    const PodcastResult result = assemblePodcast(podcast.story, job, nullptr);

    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_TRUE(podcast.podcastWav().mid(44) == ramp(4410, 1) + ramp(4410, 2));
    EXPECT_EQ(job.podcastMp3Path, folder.path() + "temp/podcast.mp3");
}
