// The export's job: formats by extension, frame sizes, and the copy taken from a story.
#include "export/exportjob.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(ExportFormat, TheOutputsExtensionChoosesTheFormatWhateverItsCase)
{
    EXPECT_EQ(exportFormatFor("/a/b/trip.mp4"), ExportFormat::Mp4);
    EXPECT_EQ(exportFormatFor("trip.MP4"), ExportFormat::Mp4);
    EXPECT_EQ(exportFormatFor("talk.m4a"), ExportFormat::M4a);
    EXPECT_EQ(exportFormatFor("talk.Mp3"), ExportFormat::Mp3);
    EXPECT_FALSE(exportFormatFor("trip.mov"));
    EXPECT_FALSE(exportFormatFor("trip"));
    EXPECT_FALSE(exportFormatFor("mp4"));
    EXPECT_FALSE(exportFormatFor("/videos.mp4/trip"));
    EXPECT_EQ(exportExtension(ExportFormat::M4a), ".m4a");
    EXPECT_FALSE(isAudioFormat(ExportFormat::Mp4));
    EXPECT_TRUE(isAudioFormat(ExportFormat::Mp3));
}

TEST(ExportFrameSize, EvenSizesUpTo4kInEitherOrientationAreAccepted)
{
    for (const QSize size : {QSize(1280, 720), QSize(3840, 2160), QSize(2160, 3840), QSize(32, 32), QSize(642, 362)})
        EXPECT_TRUE(frameSizeProblem(size).isEmpty()) << size.width() << "x" << size.height();
}

TEST(ExportFrameSize, OddTinyAndOversizedFramesAreRefusedWithTheSizeNamed)
{
    EXPECT_TRUE(frameSizeProblem(QSize(641, 360)).contains("even")) << frameSizeProblem(QSize(641, 360)).toStdString();
    EXPECT_TRUE(frameSizeProblem(QSize(641, 360)).contains("641×360"));
    EXPECT_TRUE(frameSizeProblem(QSize(640, 361)).contains("even"));
    EXPECT_FALSE(frameSizeProblem(QSize(3842, 2160)).isEmpty());
    EXPECT_FALSE(frameSizeProblem(QSize(3840, 2162)).isEmpty());
    EXPECT_FALSE(frameSizeProblem(QSize(3840, 3840)).isEmpty());
    EXPECT_FALSE(frameSizeProblem(QSize(30, 720)).isEmpty());
    EXPECT_FALSE(frameSizeProblem(QSize(0, 0)).isEmpty());
}

TEST(ExportFrameSize, SizesAreReadAsWidthByHeight)
{
    EXPECT_EQ(parseFrameSize("1280x720"), QSize(1280, 720));
    EXPECT_EQ(parseFrameSize(" 640X360 "), QSize(640, 360));
    EXPECT_EQ(parseFrameSize("1920×1080"), QSize(1920, 1080));
    EXPECT_FALSE(parseFrameSize("1280"));
    EXPECT_FALSE(parseFrameSize("1280x"));
    EXPECT_FALSE(parseFrameSize("-2x4"));
    EXPECT_FALSE(parseFrameSize("12.5x8"));
    EXPECT_FALSE(parseFrameSize("widexhigh"));
}

struct ExportJobFromStory : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};

    Slide& addSlide(const QString& picture, int kind = int(SlideKind::Picture))
    {
        auto slide = std::make_unique<Slide>(story);
        slide->setKind(SlideKind(kind));
        slide->setSourcePicturePath(picture);
        Slide& added = *slide;
        EXPECT_TRUE(story.add(std::move(slide)));
        return added;
    }

    static void touch(const QString& path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
};

TEST_F(ExportJobFromStory, EachSlideGivesItsPictureWithTheTurnsItLacksItsNarrationAndItsCaption)
{
    story.setTitle("Trip");
    // Imported and turned right once since: its slide JPEG is upright.
    Slide& first = addSlide(home.file("one.png"));
    touch(first.slideJpegPath());
    first.setJpegRotation(0);
    first.setRotation(1);
    first.setCaption("Sea\r\nand sun");
    first.setHasNarration(true);
    first.setNarrationLength(4);
    // Its slide JPEG was remade with one turn, and the slide turned twice more since.
    Slide& second = addSlide(home.file("two.png"));
    touch(second.slideJpegPath());
    second.setJpegRotation(1);
    second.setRotation(3);
    // Never imported: the source with the slide's own turns (a left turn is three right ones).
    Slide& third = addSlide(home.file("three.png"));
    third.setRotation(-1);
    // A narration file without the flag is no narration.
    touch(third.narrationWavPath());

    ExportOptions options;
    options.outputPath = home.file("out/trip.mp4");
    options.frameSize = QSize(640, 360);
    options.captions = true;
    options.evenLoudness = false;
    const ExportJob job = takeExportJob(story, options);

    EXPECT_EQ(job.format, ExportFormat::Mp4);
    EXPECT_FALSE(job.podcast);
    EXPECT_EQ(job.outputPath, home.file("out/trip.mp4"));
    EXPECT_EQ(job.title, "Trip");
    EXPECT_EQ(job.frameSize, QSize(640, 360));
    EXPECT_TRUE(job.captions);
    EXPECT_FALSE(job.evenLoudness);
    ASSERT_EQ(job.items.size(), 3u);
    EXPECT_EQ(job.items[0].number, 1);
    EXPECT_EQ(job.items[0].picturePath, first.slideJpegPath());
    EXPECT_EQ(job.items[0].quarterTurns, 1);
    EXPECT_EQ(job.items[0].narrationWavPath, first.narrationWavPath());
    EXPECT_EQ(job.items[0].caption, "Sea\nand sun");
    EXPECT_EQ(job.items[1].picturePath, second.slideJpegPath());
    EXPECT_EQ(job.items[1].quarterTurns, 2);
    EXPECT_TRUE(job.items[1].narrationWavPath.isEmpty());
    EXPECT_EQ(job.items[2].number, 3);
    EXPECT_EQ(job.items[2].picturePath, home.file("three.png"));
    EXPECT_EQ(job.items[2].quarterTurns, 3);
    EXPECT_TRUE(job.items[2].narrationWavPath.isEmpty());
}

TEST_F(ExportJobFromStory, ASlideJpegThatIsGoneFallsBackToTheSource)
{
    Slide& slide = addSlide(home.file("one.png"));
    slide.setJpegRotation(0);
    slide.setRotation(2);
    ExportOptions options;
    options.outputPath = home.file("trip.mp4");
    const ExportJob job = takeExportJob(story, options);
    ASSERT_EQ(job.items.size(), 1u);
    EXPECT_EQ(job.items[0].picturePath, home.file("one.png"));
    EXPECT_EQ(job.items[0].quarterTurns, 2);
}

TEST_F(ExportJobFromStory, APodcastGivesOnlyItsRecordedSegmentsNumberedByTheirPlace)
{
    story.setType(int(StoryType::Podcast));
    Slide& first = addSlide({}, int(SlideKind::Segment));
    first.setHasNarration(true);
    addSlide({}, int(SlideKind::Segment));
    Slide& third = addSlide({}, int(SlideKind::Segment));
    third.setHasNarration(true);
    ExportOptions options;
    options.outputPath = home.file("talk.MP3");
    const ExportJob job = takeExportJob(story, options);
    EXPECT_TRUE(job.podcast);
    EXPECT_EQ(job.format, ExportFormat::Mp3);
    ASSERT_EQ(job.items.size(), 2u);
    EXPECT_EQ(job.items[0].number, 1);
    EXPECT_EQ(job.items[0].narrationWavPath, first.narrationWavPath());
    EXPECT_TRUE(job.items[0].picturePath.isEmpty());
    EXPECT_EQ(job.items[1].number, 3);
    EXPECT_EQ(job.items[1].narrationWavPath, third.narrationWavPath());
}

TEST_F(ExportJobFromStory, TheJobIsACopyThatLaterEditsDoNotReach)
{
    Slide& slide = addSlide(home.file("one.png"));
    slide.setCaption("before");
    ExportOptions options;
    options.outputPath = home.file("trip.mp4");
    const ExportJob job = takeExportJob(story, options);
    slide.setCaption("after");
    slide.setRotation(1);
    story.setTitle("Renamed");
    EXPECT_EQ(job.items[0].caption, "before");
    EXPECT_EQ(job.items[0].quarterTurns, 0);
    EXPECT_TRUE(job.title.isEmpty());
}

} // namespace
