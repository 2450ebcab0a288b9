// pictorelle-cli export: a story as a video, a podcast as sound, and the refusals. The files
// made are read back with ffprobe and ffmpeg.
#include "clirunner.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

namespace {

//! A narration (22050 Hz, 16-bit, mono) of a tone of the given peak (0 to 1).
QByteArray toneWave(double seconds, double peak)
{
    const int frames = int(std::lround(seconds * 22050));
    QByteArray wave = waveBytes(quint32(frames) * 2);
    for (int i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(std::lround(peak * 32767 * std::sin(2 * M_PI * 440 * i / 22050.0))),
                                wave.data() + 44 + 2 * i);
    return wave;
}

QByteArray runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

//! ffprobe's "key=value" lines for the file's streams and format.
QString probed(const QString& path)
{
    return QString::fromUtf8(
        runTool("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height:format=duration", "-of",
                            "default=noprint_wrappers=1", path}));
}

double probedDuration(const QString& path)
{
    const auto match = QRegularExpression("duration=([0-9.]+)").match(probed(path));
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

//! Pixels brighter than the pictures (caption text) at the bottom of a 640 × 360 frame.
int brightPixelsAtTheBottom(const QString& path, double seconds)
{
    const QByteArray gray = runTool("ffmpeg", {"-v", "error", "-ss", QString::number(seconds), "-i", path, "-frames:v",
                                               "1", "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    if (gray.size() != 640 * 360)
        return -1;
    int bright = 0;
    for (int y = 320; y < 360; ++y) {
        for (int x = 200; x < 440; ++x)
            bright += quint8(gray[y * 640 + x]) > 225;
    }
    return bright;
}

//! RMS of the file's first seconds of sound, decoded to 16-bit mono.
double soundRms(const QString& path, double seconds)
{
    const QByteArray pcm =
        runTool("ffmpeg", {"-v", "error", "-i", path, "-t", QString::number(seconds), "-ac", "1", "-f", "s16le", "-"});
    double sum = 0;
    const qsizetype count = pcm.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        const double v = qFromLittleEndian<qint16>(pcm.constData() + 2 * i);
        sum += v * v;
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0;
}

struct ExportCli : CliTest
{
    //! A quiet 2-second narration with a caption, then a silent slide: 5 seconds.
    QString makeStory()
    {
        const CliRun made = cli({"new", "--title", "Trip", "--slide", writePicture(input, "a.jpg", 400, 300),
                                 "--narration", input.write("a.wav", toneWave(2.0, 0.02)), "--caption", "Hello there",
                                 "--slide", writePicture(input, "b.png", 300, 400)});
        EXPECT_EQ(made.code, 0) << made.err.toStdString();
        return made.lastLine();
    }

    QStringList outputs() const { return QDir(input.path()).entryList({"*.mp4", "*.m4a", "*.mp3", "*.part"}); }
};

TEST_F(ExportCli, AStoryBecomesAnMp4AtTheSizeAskedForWithItsProgressOnStderr)
{
    const QString sld = makeStory();
    const QString out = input.file("trip.mp4");
    const CliRun r = cli({"export", sld, out, "--size", "640x360"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.lastLine(), QStringLiteral("%1 (%2 bytes, 5.0 s)").arg(out).arg(QFileInfo(out).size()));
    EXPECT_TRUE(r.err.contains("Exporting [")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("100%"));
    const QString probe = probed(out);
    EXPECT_TRUE(probe.contains("codec_name=h264")) << probe.toStdString();
    EXPECT_TRUE(probe.contains("codec_name=aac"));
    EXPECT_TRUE(probe.contains("width=640"));
    EXPECT_TRUE(probe.contains("height=360"));
    EXPECT_NEAR(probedDuration(out), 5.0, 0.05);
    EXPECT_EQ(outputs(), QStringList{"trip.mp4"});
}

TEST_F(ExportCli, CaptionsAreBurnedInOnlyWhenAskedFor)
{
    const QString sld = makeStory();
    ASSERT_EQ(cli({"export", sld, input.file("plain.mp4"), "--size", "640x360"}).code, 0);
    const CliRun captioned = cli({"export", sld, input.file("captions.mp4"), "--size", "640x360", "--captions"});
    ASSERT_EQ(captioned.code, 0) << captioned.err.toStdString();
    EXPECT_EQ(brightPixelsAtTheBottom(input.file("plain.mp4"), 1.0), 0);
    EXPECT_GT(brightPixelsAtTheBottom(input.file("captions.mp4"), 1.0), 40);
    // The second slide has no caption.
    EXPECT_EQ(brightPixelsAtTheBottom(input.file("captions.mp4"), 3.5), 0);
}

TEST_F(ExportCli, NarrationsAreBroughtToOneLoudnessUnlessSwitchedOff)
{
    const QString sld = makeStory();
    ASSERT_EQ(cli({"export", sld, input.file("even.mp4"), "--size", "320x180"}).code, 0);
    ASSERT_EQ(cli({"export", sld, input.file("plain.mp4"), "--size", "320x180", "--no-even-loudness"}).code, 0);
    const double even = soundRms(input.file("even.mp4"), 1.9);
    const double plain = soundRms(input.file("plain.mp4"), 1.9);
    // As recorded: a tone of 0.02 of full scale has an RMS of about 463.
    EXPECT_NEAR(plain, 463, 40);
    // Brought up to -16 LUFS: about twenty decibels louder.
    EXPECT_GT(even, 6 * plain);
}

TEST_F(ExportCli, APodcastBecomesAnM4aOrAnMp3ButNoVideo)
{
    const CliRun made =
        cli({"new", "--podcast", "--title", "Talk", "--segment", input.write("one.wav", toneWave(1.0, 0.1)),
             "--segment", input.write("two.wav", toneWave(1.5, 0.1))});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    for (const auto& [name, codec] :
         {std::pair{"talk.m4a", "codec_name=aac"}, std::pair{"talk.mp3", "codec_name=mp3"}}) {
        const CliRun r = cli({"export", made.lastLine(), input.file(name)});
        ASSERT_EQ(r.code, 0) << name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.lastLine().endsWith(", 2.5 s)")) << r.lastLine().toStdString();
        const QString probe = probed(input.file(name));
        EXPECT_TRUE(probe.contains(codec)) << probe.toStdString();
        EXPECT_FALSE(probe.contains("width="));
        EXPECT_NEAR(probedDuration(input.file(name)), 2.5, 0.06);
    }
    const CliRun video = cli({"export", made.lastLine(), input.file("talk.mp4")});
    EXPECT_EQ(video.code, 1);
    EXPECT_TRUE(video.err.contains("A podcast has no pictures")) << video.err.toStdString();
    const CliRun sized = cli({"export", made.lastLine(), input.file("again.m4a"), "--captions"});
    EXPECT_EQ(sized.code, 0);
    EXPECT_TRUE(sized.err.contains("--size and --captions do not apply")) << sized.err.toStdString();
    EXPECT_EQ(outputs(), (QStringList{"again.m4a", "talk.m4a", "talk.mp3"}));
}

TEST_F(ExportCli, BadSizesAndOutputNamesAreUsageErrors)
{
    const QString sld = makeStory();
    const QString out = input.file("trip.mp4");
    const struct
    {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"export", sld, out, "--size", "641x360"}, "even"},
        {{"export", sld, out, "--size", "7680x4320"}, "3840"},
        {{"export", sld, out, "--size", "large"}, "WIDTHxHEIGHT"},
        {{"export", sld, out, "--size"}, "--size needs a value"},
        {{"export", sld, input.file("trip.avi")}, ".mp4"},
        {{"export", sld}, "name one story file"},
        {{"export", sld, out, "--fast"}, "unknown option"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("pictorelle-cli export: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    }
    EXPECT_TRUE(outputs().isEmpty());
}

TEST_F(ExportCli, AnUnreadableStoryOrAnUnwritableOutputFailsWithAClearMessage)
{
    const CliRun missing = cli({"export", input.file("none.sld"), input.file("trip.mp4")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("cannot open")) << missing.err.toStdString();
    const QString sld = makeStory();
    const CliRun nowhere = cli({"export", sld, input.file("no/such/folder/trip.mp4")});
    EXPECT_EQ(nowhere.code, 1);
    EXPECT_TRUE(nowhere.err.contains("does not exist")) << nowhere.err.toStdString();
    EXPECT_TRUE(outputs().isEmpty());
}

TEST_F(ExportCli, AnInterruptedExportLeavesNoPartialFile)
{
    const CliRun made = cli({"new", "--slide", writePicture(input, "a.jpg", 400, 300), "--narration",
                             input.write("a.wav", toneWave(60.0, 0.1)), "--slide", writePicture(input, "b.jpg", 64, 64),
                             "--narration", input.write("b.wav", toneWave(60.0, 0.1))});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    QProcess p;
    p.setProgram(QStringLiteral(PICTORELLE_CLI));
    p.setArguments({"--home", home.path(), "export", made.lastLine(), input.file("long.mp4")});
    p.start();
    ASSERT_TRUE(p.waitForStarted());
    // Interrupted once the export has written part of its file.
    const auto partial = [this] {
        const QStringList parts = QDir(input.path()).entryList({".long.mp4.*.part"}, QDir::Files | QDir::Hidden);
        return !parts.isEmpty() && QFileInfo(input.file(parts.first())).size() > 0;
    };
    while (p.state() == QProcess::Running && !partial())
        p.waitForFinished(5);
    ASSERT_EQ(p.state(), QProcess::Running) << "the export ended before it could be interrupted";
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("The export was cancelled."));
    EXPECT_TRUE(QDir(input.path()).entryList({"*.mp4", "*.part"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ExportCli, TheHelpNamesTheCommand)
{
    const CliRun r = cli({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("export STORY.sld OUT.mp4 [--size 1280x720] [--captions] [--no-even-loudness]"))
        << r.out.toStdString();
}

} // namespace
