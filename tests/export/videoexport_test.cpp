// Exports end to end: the files made are read back with ffprobe and ffmpeg and measured with
// libebur128.
#include "export/exportprogress.h"
#include "export/exportrun.h"
#include "export/storyexport.h"
#include "exportchecks.h"
#include "tempfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>

namespace {

using namespace exportchecks;

const QColor red(220, 30, 30);
const QColor green(30, 200, 60);
const QColor blue(40, 60, 210);
const QColor yellow(230, 220, 40);

//! A frame's time in seconds at 25 frames a second.
constexpr double Frame = 0.04;

//! Three slides: a quiet 2.0 s narration on a 4:3 picture, a loud 3.5 s one on a wide picture,
//! and a silent slide (3 s) whose upright picture (blue over yellow) is turned right once.
ExportJob threeSlides(const TempFolder& media, const QString& output)
{
    ExportJob job;
    job.outputPath = output;
    job.title = "Trip";
    ExportItem first;
    first.number = 1;
    first.picturePath = writePicture(media, "red.jpg", QSize(640, 480), red);
    first.narrationWavPath = media.write("quiet.wav", toneWave(2.0, 440, 0.02));
    first.caption = "Sea and sun";
    ExportItem second;
    second.number = 2;
    second.picturePath = writePicture(media, "green.jpg", QSize(640, 200), green);
    second.narrationWavPath = media.write("loud.wav", toneWave(3.5, 330, 0.6));
    ExportItem third;
    third.number = 3;
    third.picturePath = writePicture(media, "halves.jpg", QSize(300, 600), blue, yellow);
    third.quarterTurns = 1;
    job.items = {first, second, third};
    return job;
}

mode_t umaskValue()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

double number(const QJsonObject& object, const char* key)
{
    return object.value(key).toString().toDouble();
}

//! One export of the three slides at the default size with even loudness, shared by the checks.
class ExportedVideo : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        media = new TempFolder;
        output = new TempFolder;
        ExportProgress progress;
        result = new ExportResult(runExport(threeSlides(*media, output->file("trip.mp4")), progress));
        fraction = progress.fraction();
    }
    static void TearDownTestSuite()
    {
        delete result;
        delete output;
        delete media;
    }

    static QString file() { return output->file("trip.mp4"); }

    static TempFolder* media;
    static TempFolder* output;
    static ExportResult* result;
    static double fraction;
};

TempFolder* ExportedVideo::media = nullptr;
TempFolder* ExportedVideo::output = nullptr;
ExportResult* ExportedVideo::result = nullptr;
double ExportedVideo::fraction = 0;

TEST_F(ExportedVideo, TheRunReportsTheFileItsSizeAndLengthAndLeavesNothingElse)
{
    ASSERT_TRUE(result->ok()) << result->message.toStdString();
    EXPECT_TRUE(result->message.isEmpty());
    EXPECT_EQ(result->outputPath, file());
    EXPECT_EQ(result->bytes, QFileInfo(file()).size());
    EXPECT_GT(result->bytes, 1000);
    EXPECT_NEAR(result->seconds, 8.5, 0.001);
    EXPECT_EQ(fraction, 1.0);
    EXPECT_EQ(filesIn(output->path()), QStringList{"trip.mp4"});
}

TEST_F(ExportedVideo, ItHoldsH264Yuv420pAt1280x720AndMonoAacAt48kHz)
{
    const QJsonObject probed = probe(file());
    EXPECT_EQ(streamCount(probed), 2);
    const QJsonObject video = streamOf(probed, "video");
    EXPECT_EQ(video.value("codec_name").toString(), "h264");
    EXPECT_EQ(video.value("pix_fmt").toString(), "yuv420p");
    EXPECT_EQ(video.value("width").toInt(), 1280);
    EXPECT_EQ(video.value("height").toInt(), 720);
    EXPECT_EQ(video.value("avg_frame_rate").toString(), "25/1");
    const QJsonObject audio = streamOf(probed, "audio");
    EXPECT_EQ(audio.value("codec_name").toString(), "aac");
    EXPECT_EQ(audio.value("sample_rate").toString(), "48000");
    EXPECT_EQ(audio.value("channels").toInt(), 1);
    EXPECT_EQ(probed.value("format").toObject().value("tags").toObject().value("title").toString(), "Trip");
}

TEST_F(ExportedVideo, ItsIndexComesBeforeItsMedia)
{
    const QStringList boxes = topLevelBoxes(file());
    ASSERT_TRUE(boxes.contains("moov")) << boxes.join(' ').toStdString();
    ASSERT_TRUE(boxes.contains("mdat"));
    EXPECT_EQ(boxes.first(), "ftyp");
    EXPECT_LT(boxes.indexOf("moov"), boxes.indexOf("mdat"));
}

TEST_F(ExportedVideo, ItLastsAsLongAsTheNarrationsAndTheSilentSlide)
{
    const QJsonObject probed = probe(file());
    // 2.0 + 3.5 + 3 s: the sound to the sample, the pictures to the frame.
    EXPECT_NEAR(number(streamOf(probed, "audio"), "duration"), 8.5, 0.025);
    EXPECT_NEAR(number(streamOf(probed, "video"), "duration"), 8.5, Frame);
    EXPECT_NEAR(number(probed.value("format").toObject(), "duration"), 8.5, Frame);
    const std::vector<std::int16_t> sound = decodedSound(file());
    EXPECT_NEAR(double(sound.size()) / 48000, 8.5, 0.025);
}

TEST_F(ExportedVideo, EachSlideShowsItsPictureForExactlyItsNarration)
{
    const struct
    {
        double seconds;
        QColor colour;
    } shown[] = {{1.0, red},    {2.0 - 1.5 * Frame, red},   {2.0 + 1.5 * Frame, green},
                 {3.75, green}, {5.5 - 1.5 * Frame, green}, {5.5 + 1.5 * Frame, yellow},
                 {8.4, yellow}};
    std::vector<double> times;
    for (const auto& s : shown)
        times.push_back(s.seconds);
    const std::vector<QImage> frames = framesAt(file(), times);
    for (size_t i = 0; i < times.size(); ++i) {
        ASSERT_FALSE(frames[i].isNull()) << times[i];
        // Left of the middle: the third slide's picture is turned, its yellow half on the left.
        EXPECT_LE(colourDistance(meanColour(frames[i], QRect(500, 340, 40, 40)), shown[i].colour), 12)
            << times[i] << " s";
    }
}

TEST_F(ExportedVideo, PicturesKeepTheirAspectOnBlackAndTurnAsTheSlideIs)
{
    const std::vector<QImage> frames = framesAt(file(), {1.0, 3.75, 7.0});
    const QImage& first = frames[0];
    ASSERT_FALSE(first.isNull());
    EXPECT_LE(colourDistance(meanColour(first, QRect(0, 0, 150, 720)), Qt::black), 6);
    EXPECT_LE(colourDistance(meanColour(first, QRect(1130, 0, 150, 720)), Qt::black), 6);
    EXPECT_LE(colourDistance(meanColour(first, QRect(180, 20, 920, 680)), red), 12);
    const QImage& second = frames[1];
    EXPECT_LE(colourDistance(meanColour(second, QRect(0, 0, 1280, 150)), Qt::black), 6);
    EXPECT_LE(colourDistance(meanColour(second, QRect(0, 570, 1280, 150)), Qt::black), 6);
    EXPECT_LE(colourDistance(meanColour(second, QRect(20, 180, 1240, 360)), green), 12);
    // 300 × 600 turned right is 600 × 300: 1280 × 640 between two 40-pixel bars, its top half
    // (blue) now on the right.
    const QImage& third = frames[2];
    EXPECT_LE(colourDistance(meanColour(third, QRect(0, 0, 1280, 36)), Qt::black), 6);
    EXPECT_LE(colourDistance(meanColour(third, QRect(660, 60, 600, 600)), blue), 12);
    EXPECT_LE(colourDistance(meanColour(third, QRect(20, 60, 600, 600)), yellow), 12);
}

TEST_F(ExportedVideo, QuietAndLoudNarrationsBothMeasureTheTargetLoudness)
{
    const std::vector<std::int16_t> sound = decodedSound(file());
    EXPECT_NEAR(integratedLoudness(sound, 48000), -16.0, 1.5);
    EXPECT_NEAR(integratedLoudness(sound, 48000, 0.0, 2.0), -16.0, 1.5);
    EXPECT_NEAR(integratedLoudness(sound, 48000, 2.0, 5.5), -16.0, 1.5);
    // The silent slide is silent.
    int loudest = 0;
    for (size_t i = size_t(5.6 * 48000); i < sound.size(); ++i)
        loudest = std::max(loudest, std::abs(int(sound[i])));
    EXPECT_LT(loudest, 40);
}

TEST_F(ExportedVideo, WithoutCaptionsTheBandShowsThePicture)
{
    const QImage first = frameAt(file(), 1.0);
    EXPECT_LE(colourDistance(meanColour(first, QRect(180, 650, 920, 60)), red), 12);
}

// ---- Choices of the export -------------------------------------------------------------------

struct Export : ::testing::Test
{
    TempFolder media;
    TempFolder output;

    ExportResult run(const ExportJob& job)
    {
        ExportProgress progress;
        return runExport(job, progress);
    }
};

TEST_F(Export, WithoutEvenLoudnessNarrationsKeepTheirLevels)
{
    ExportJob job = threeSlides(media, output.file("plain.mp4"));
    job.frameSize = QSize(320, 180);
    job.evenLoudness = false;
    const ExportResult result = run(job);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    const std::vector<std::int16_t> sound = decodedSound(job.outputPath);
    const double quiet = integratedLoudness(sound, 48000, 0.0, 2.0);
    const double loud = integratedLoudness(sound, 48000, 2.0, 5.5);
    // 0.02 against 0.6 of full scale: 29.5 dB apart, as recorded.
    EXPECT_NEAR(loud - quiet, 29.5, 1.5);
    EXPECT_LT(quiet, -30);
}

TEST_F(Export, CaptionsChangeOnlyTheBandOfTheSlidesThatHaveOne)
{
    ExportJob job = threeSlides(media, output.file("plain.mp4"));
    job.frameSize = QSize(640, 360);
    ASSERT_TRUE(run(job).ok());
    job.captions = true;
    job.outputPath = output.file("captions.mp4");
    const ExportResult captioned = run(job);
    ASSERT_TRUE(captioned.ok()) << captioned.message.toStdString();

    const std::vector<QImage> plainFrames = framesAt(output.file("plain.mp4"), {1.0, 3.75});
    const std::vector<QImage> captionFrames = framesAt(output.file("captions.mp4"), {1.0, 3.75});
    const QImage& plain = plainFrames[0];
    const QImage& withCaption = captionFrames[0];
    ASSERT_FALSE(plain.isNull());
    ASSERT_FALSE(withCaption.isNull());
    const QRect top(100, 20, 440, 200);
    EXPECT_LE(colourDistance(meanColour(plain, top), meanColour(withCaption, top)), 3);
    // The band's ends are the picture darkened; its middle holds white text.
    const QColor end = meanColour(withCaption, QRect(90, 335, 20, 20));
    EXPECT_LT(end.red(), 130);
    EXPECT_LE(colourDistance(meanColour(plain, QRect(90, 335, 20, 20)), red), 12);
    const auto brightPixels = [](const QImage& image) {
        int bright = 0;
        for (int y = 300; y < 360; ++y) {
            for (int x = 200; x < 440; ++x)
                bright += qGray(image.pixel(x, y)) > 170;
        }
        return bright;
    };
    EXPECT_GT(brightPixels(withCaption), 60);
    EXPECT_EQ(brightPixels(plain), 0);
    // The second slide has no caption: its frames are the same either way.
    const QRect band(0, 300, 640, 60);
    EXPECT_LE(colourDistance(meanColour(plainFrames[1], band), meanColour(captionFrames[1], band)), 3);
}

TEST_F(Export, TheFrameSizeAskedForIsTheVideos)
{
    ExportJob job = threeSlides(media, output.file("small.mp4"));
    job.frameSize = QSize(640, 360);
    ASSERT_TRUE(run(job).ok());
    const QJsonObject video = streamOf(probe(job.outputPath), "video");
    EXPECT_EQ(video.value("width").toInt(), 640);
    EXPECT_EQ(video.value("height").toInt(), 360);
    job.frameSize = QSize(360, 640);
    job.outputPath = output.file("upright.mp4");
    ASSERT_TRUE(run(job).ok());
    const QJsonObject upright = streamOf(probe(job.outputPath), "video");
    EXPECT_EQ(upright.value("width").toInt(), 360);
    EXPECT_EQ(upright.value("height").toInt(), 640);
}

TEST_F(Export, OddAndOversizedFramesAreRefusedBeforeAnythingIsWritten)
{
    for (const QSize size : {QSize(641, 360), QSize(640, 359), QSize(4096, 2160), QSize(16, 16)}) {
        ExportJob job = threeSlides(media, output.file("bad.mp4"));
        job.frameSize = size;
        const ExportResult result = run(job);
        EXPECT_EQ(result.error, ExportError::BadSize) << size.width() << "x" << size.height();
        EXPECT_FALSE(result.message.isEmpty());
    }
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

TEST_F(Export, AStereoNarrationOfAnotherRateIsMixedToMonoAndKeepsItsLength)
{
    ExportJob job;
    job.outputPath = output.file("stereo.mp4");
    job.frameSize = QSize(320, 180);
    ExportItem item;
    item.number = 1;
    item.picturePath = writePicture(media, "red.jpg", QSize(64, 48), red);
    item.narrationWavPath = media.write("stereo.wav", toneWave(1.5, 500, 0.3, 44100, 2));
    job.items = {item};
    const ExportResult result = run(job);
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_NEAR(result.seconds, 1.5, 0.001);
    const QJsonObject probed = probe(job.outputPath);
    EXPECT_EQ(streamOf(probed, "audio").value("channels").toInt(), 1);
    EXPECT_NEAR(number(streamOf(probed, "audio"), "duration"), 1.5, 0.025);
    EXPECT_NEAR(number(streamOf(probed, "video"), "duration"), 1.5, Frame);
}

TEST_F(Export, APodcastBecomesAnM4aOrAnMp3OfItsSegmentsInTurn)
{
    ExportJob job;
    job.podcast = true;
    job.title = "Talk";
    ExportItem first;
    first.number = 1;
    first.narrationWavPath = media.write("one.wav", toneWave(2.0, 440, 0.05));
    ExportItem second;
    second.number = 2;
    second.narrationWavPath = media.write("two.wav", toneWave(1.5, 300, 0.4));
    job.items = {first, second};
    for (const auto& [name, format, codec] :
         {std::tuple{"talk.m4a", ExportFormat::M4a, "aac"}, std::tuple{"talk.mp3", ExportFormat::Mp3, "mp3"}}) {
        job.format = format;
        job.outputPath = output.file(name);
        const ExportResult result = run(job);
        ASSERT_TRUE(result.ok()) << name << ": " << result.message.toStdString();
        EXPECT_NEAR(result.seconds, 3.5, 0.001);
        const QJsonObject probed = probe(job.outputPath);
        EXPECT_EQ(streamCount(probed), 1) << name;
        EXPECT_EQ(streamOf(probed, "audio").value("codec_name").toString(), codec);
        // MP3 players also hold the encoder's start-up delay, a few dozen milliseconds.
        EXPECT_NEAR(number(probed.value("format").toObject(), "duration"), 3.5, 0.06) << name;
        const std::vector<std::int16_t> sound = decodedSound(job.outputPath);
        EXPECT_NEAR(integratedLoudness(sound, 48000, 0.0, 2.0), -16.0, 1.5) << name;
        EXPECT_NEAR(integratedLoudness(sound, 48000, 2.1, 3.5), -16.0, 1.5) << name;
    }
    EXPECT_EQ(topLevelBoxes(output.file("talk.m4a")).indexOf("moov"), 1);
    EXPECT_EQ(filesIn(output.path()), (QStringList{"talk.m4a", "talk.mp3"}));
}

// ---- What stops an export --------------------------------------------------------------------

TEST_F(Export, AMissingPictureIsNamedBeforeAnythingIsWritten)
{
    ExportJob job = threeSlides(media, output.file("trip.mp4"));
    QFile::remove(job.items[1].picturePath);
    const ExportResult result = run(job);
    EXPECT_EQ(result.error, ExportError::PictureMissing);
    EXPECT_TRUE(result.message.contains("Slide 2")) << result.message.toStdString();
    EXPECT_TRUE(result.message.contains("green.jpg"));
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

TEST_F(Export, APictureThatDoesNotDecodeStopsTheExportAndLeavesNoFile)
{
    ExportJob job = threeSlides(media, output.file("trip.mp4"));
    job.frameSize = QSize(320, 180);
    job.items[2].picturePath = media.write("broken.jpg", "this is no JPEG");
    const ExportResult result = run(job);
    EXPECT_EQ(result.error, ExportError::PictureMissing);
    EXPECT_TRUE(result.message.contains("Slide 3")) << result.message.toStdString();
    EXPECT_TRUE(result.message.contains("cannot be read"));
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

TEST_F(Export, AnUnreadableNarrationIsNamed)
{
    ExportJob job = threeSlides(media, output.file("trip.mp4"));
    job.items[0].narrationWavPath = media.write("noise.wav", "RIFF but nothing after it");
    const ExportResult result = run(job);
    EXPECT_EQ(result.error, ExportError::NarrationUnreadable);
    EXPECT_TRUE(result.message.contains("Slide 1")) << result.message.toStdString();
    EXPECT_TRUE(result.message.contains("noise.wav"));
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

TEST_F(Export, AnOutputFolderThatIsNotThereOrNotAFolderIsSaidSo)
{
    ExportJob job = threeSlides(media, output.file("missing/trip.mp4"));
    ExportResult result = run(job);
    EXPECT_EQ(result.error, ExportError::FolderMissing);
    EXPECT_TRUE(result.message.contains("does not exist")) << result.message.toStdString();
    job.outputPath = output.write("plain", "a file") + "/trip.mp4";
    result = run(job);
    EXPECT_EQ(result.error, ExportError::FolderMissing);
    EXPECT_TRUE(result.message.contains("is not a folder")) << result.message.toStdString();
    job.outputPath = output.file("folder.mp4");
    QDir().mkpath(job.outputPath);
    result = run(job);
    EXPECT_EQ(result.error, ExportError::Unwritable);
    EXPECT_TRUE(result.message.contains("is a folder")) << result.message.toStdString();
}

TEST_F(Export, FormatsThatDoNotFitTheStoryAreRefused)
{
    ExportJob job = threeSlides(media, output.file("trip.m4a"));
    job.format = ExportFormat::M4a;
    EXPECT_EQ(run(job).error, ExportError::WrongFormat);
    job.format = ExportFormat::Mp4;
    job.podcast = true;
    job.outputPath = output.file("talk.mp4");
    EXPECT_EQ(run(job).error, ExportError::WrongFormat);
    job.podcast = false;
    job.outputPath = output.file("trip.avi");
    const ExportResult result = run(job);
    EXPECT_EQ(result.error, ExportError::WrongFormat);
    EXPECT_TRUE(result.message.contains(".mp4")) << result.message.toStdString();
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

TEST_F(Export, NothingToExportIsSaidSo)
{
    ExportJob job;
    job.outputPath = output.file("trip.mp4");
    EXPECT_EQ(run(job).error, ExportError::NothingToExport);
    EXPECT_EQ(checkExportJob(job).error, ExportError::NothingToExport);
    job.podcast = true;
    job.format = ExportFormat::Mp3;
    job.outputPath = output.file("talk.mp3");
    EXPECT_TRUE(checkExportJob(job).message.contains("segment"));
}

// ---- Cancel and replacing ------------------------------------------------------------------

//! A minute of narration on one picture: long enough to cancel while it runs.
ExportJob longExport(const TempFolder& media, const QString& output)
{
    ExportJob job;
    job.outputPath = output;
    job.frameSize = QSize(1280, 720);
    ExportItem item;
    item.number = 1;
    item.picturePath = writePicture(media, "red.jpg", QSize(640, 480), red);
    item.narrationWavPath = media.write("minute.wav", toneWave(60, 440, 0.2));
    job.items = {item, item};
    job.items[1].number = 2;
    return job;
}

//! Runs the event loop until the run has written part of its file, or has ended.
void waitForPartialFile(const ExportRun& run, const QString& folder)
{
    QElapsedTimer clock;
    clock.start();
    while (!run.isFinished() && clock.elapsed() < 60000) {
        const QStringList files = filesIn(folder);
        if (std::any_of(
                files.begin(), files.end(),
                [&](const QString& name) { return name.endsWith(".part") && QFileInfo(folder + name).size() > 0; }) &&
            run.fraction() > 0.02)
            return;
        QThread::msleep(5);
    }
}

TEST_F(Export, CancelledMidwayItLeavesNoFileAndAnEarlierOneUntouched)
{
    const QString target = output.write("trip.mp4", "the earlier export");
    ExportRun run(longExport(media, target));
    run.start();
    waitForPartialFile(run, output.path());
    ASSERT_FALSE(run.isFinished()) << "the export ended before it could be cancelled";
    run.cancel();
    const ExportResult result = run.result();
    EXPECT_EQ(result.error, ExportError::Cancelled);
    EXPECT_TRUE(run.isFinished());
    EXPECT_EQ(filesIn(output.path()), QStringList{"trip.mp4"});
    EXPECT_EQ(TempFolder::read(target), "the earlier export");
}

TEST_F(Export, ARunThatGoesWhileExportingStopsAndLeavesNoFile)
{
    {
        ExportRun run(longExport(media, output.file("trip.mp4")));
        run.start();
        waitForPartialFile(run, output.path());
        ASSERT_FALSE(run.isFinished());
    }
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

TEST_F(Export, ACancelBeforeTheStartWritesNothing)
{
    ExportProgress progress;
    progress.requestCancel();
    EXPECT_EQ(runExport(threeSlides(media, output.file("trip.mp4")), progress).error, ExportError::Cancelled);
    ExportRun never(threeSlides(media, output.file("trip.mp4")));
    EXPECT_EQ(never.result().error, ExportError::Cancelled);
    EXPECT_TRUE(filesIn(output.path()).isEmpty());
}

//! Files this process writes are cut at limit bytes while it lives: a write beyond fails as it
//! does on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_old;
        lower.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = nullptr;
};

TEST_F(Export, AFileThatCannotBeWrittenWholeStopsTheExportWithTheReasonAndLeavesNothing)
{
    const QString target = output.write("trip.mp4", "the earlier export");
    ExportJob job = longExport(media, target);
    job.frameSize = QSize(320, 180);
    ExportResult result;
    {
        const FileSizeLimit limit(200 * 1024);
        ExportProgress progress;
        result = runExport(job, progress);
    }
    EXPECT_EQ(result.error, ExportError::WriteFailed);
    EXPECT_TRUE(result.message.contains("File too large")) << result.message.toStdString();
    // Named as the author named it, not by the temporary name it had.
    EXPECT_TRUE(result.message.contains(target)) << result.message.toStdString();
    EXPECT_FALSE(result.message.contains(".part"));
    EXPECT_EQ(filesIn(output.path()), QStringList{"trip.mp4"});
    EXPECT_EQ(TempFolder::read(target), "the earlier export");
}

TEST_F(Export, AFinishedExportReplacesAnEarlierFile)
{
    const QString target = output.write("trip.mp4", "the earlier export");
    ExportJob job = threeSlides(media, target);
    job.frameSize = QSize(320, 180);
    ExportRun run(job);
    run.start();
    const ExportResult result = run.result();
    ASSERT_TRUE(result.ok()) << result.message.toStdString();
    EXPECT_EQ(run.fraction(), 1.0);
    EXPECT_EQ(streamOf(probe(target), "video").value("codec_name").toString(), "h264");
    EXPECT_EQ(filesIn(output.path()), QStringList{"trip.mp4"});
    // A new file gets the permissions new files get, not a temporary file's.
    EXPECT_TRUE(QFileInfo(target).permission(QFileDevice::ReadOther) || (umaskValue() & 004));
}

} // namespace
