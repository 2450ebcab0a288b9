// Exports a 20-slide story of 60-second narrations (20 minutes) as a 1280 × 720 MP4 with the
// program's export, once with even loudness and once without, and makes a comparable slideshow
// from the same JPEGs and WAVs with the ffmpeg tool (concat demuxer; the same encoders and
// settings: libx264 veryfast, CRF 20, tuned for still pictures, 25 frames a second, a key frame
// every 5 s; AAC 128 kbit/s, 48 kHz mono; faststart) as a yardstick. Prints the seconds taken,
// the multiple of real time and the size of each file.
//
// Usage: video_export_bench [rounds]   (default 1)

#include "benchmedia.h"
#include "export/exportprogress.h"
#include "export/storyexport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int slideCount = 20;
constexpr int seconds = 60;

// Each slide's narration differs a little, as real takes do.
QByteArray narrationFor(const QByteArray& speech, int slide)
{
    QByteArray wave = speech;
    quint32 noise = 7919u * quint32(slide + 1);
    for (qsizetype at = 44; at + 1 < wave.size(); at += 2) {
        noise = noise * 1664525u + 1013904223u;
        const int value = qFromLittleEndian<qint16>(wave.constData() + at) + int((noise >> 24) & 7) - 3;
        qToLittleEndian<qint16>(qint16(std::clamp(value, -32768, 32767)), wave.data() + at);
    }
    return wave;
}

struct Figures
{
    double seconds = -1;
    qint64 bytes = 0;
};

void print(const char* name, const Figures& f)
{
    const double length = double(slideCount) * seconds;
    if (f.seconds < 0) {
        std::printf("  %-34s failed\n", name);
        return;
    }
    std::printf("  %-34s %7.2f s   %6.1f x real time   %7.2f MB (%5.0f kbit/s)\n", name, f.seconds, length / f.seconds,
                double(f.bytes) / 1e6, double(f.bytes) * 8 / length / 1000);
}

Figures exportWithProgram(const ExportJob& job)
{
    ExportProgress progress;
    QElapsedTimer clock;
    clock.start();
    const ExportResult result = runExport(job, progress);
    Figures f;
    if (!result.ok()) {
        std::fprintf(stderr, "video_export_bench: %s\n", qPrintable(result.message));
        return f;
    }
    f.seconds = double(clock.elapsed()) / 1000;
    f.bytes = result.bytes;
    return f;
}

Figures exportWithFfmpeg(const QString& ffmpeg, const QString& folder, const QStringList& pictures,
                         const QStringList& waves, const QString& output)
{
    // The concat demuxer's picture list: each picture with its narration's length; the last is
    // named twice so that its duration counts.
    QFile pictureList(folder + "/pictures.txt");
    QFile soundList(folder + "/sounds.txt");
    if (!pictureList.open(QIODevice::WriteOnly) || !soundList.open(QIODevice::WriteOnly))
        return {};
    for (int i = 0; i < pictures.size(); ++i) {
        pictureList.write(QStringLiteral("file '%1'\nduration %2\n").arg(pictures[i]).arg(seconds).toUtf8());
        soundList.write(QStringLiteral("file '%1'\n").arg(waves[i]).toUtf8());
    }
    pictureList.write(QStringLiteral("file '%1'\n").arg(pictures.last()).toUtf8());
    pictureList.close();
    soundList.close();
    QStringList args{"-v", "error", "-y"};
    args += QStringList{"-f", "concat", "-safe", "0", "-i", pictureList.fileName()};
    args += QStringList{"-f", "concat", "-safe", "0", "-i", soundList.fileName()};
    args += QStringList{"-map", "0:v", "-map", "1:a"};
    // Fitted into the frame keeping its aspect, on black.
    args += QStringList{
        "-vf", "scale=1280:720:force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2,format=yuv420p"};
    args += QStringList{"-r",    "25",         "-c:v", "libx264", "-preset", "veryfast",
                        "-tune", "stillimage", "-crf", "20",      "-g",      "125"};
    args += QStringList{"-c:a", "aac", "-b:a", "128k", "-ar", "48000", "-ac", "1"};
    args += QStringList{"-movflags", "+faststart", "-shortest", output};
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(ffmpeg, args);
    p.waitForFinished(-1);
    Figures f;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "video_export_bench: ffmpeg failed:\n%s\n", p.readAllStandardError().constData());
        return f;
    }
    f.seconds = double(clock.elapsed()) / 1000;
    f.bytes = QFileInfo(output).size();
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "video_export_bench: no temporary folder\n");
        return 1;
    }
    // Slide JPEGs as the program makes them (640 pixels on their longest side) and narrations
    // in the recording format.
    const QByteArray speech = benchSpeech(seconds);
    QStringList pictures;
    QStringList waves;
    ExportJob job;
    job.frameSize = QSize(1280, 720);
    for (int i = 0; i < slideCount; ++i) {
        pictures << benchPicture(folder.path(), i, i % 4 == 3 ? 480 : 640, i % 4 == 3 ? 640 : 480);
        const QString wave = folder.filePath(QStringLiteral("n%1.wav").arg(i));
        QFile file(wave);
        if (!file.open(QIODevice::WriteOnly) || file.write(narrationFor(speech, i)) < 0)
            return 1;
        file.close();
        waves << wave;
        ExportItem item;
        item.number = i + 1;
        item.picturePath = pictures.last();
        item.narrationWavPath = wave;
        job.items.push_back(item);
    }
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    std::printf("video_export_bench: %d slides of %d s (%d min) at 1280x720, %d round(s)\n", slideCount, seconds,
                slideCount * seconds / 60, rounds);
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d\n", round);
        job.evenLoudness = true;
        job.outputPath = folder.filePath("even.mp4");
        print("export, even loudness", exportWithProgram(job));
        job.evenLoudness = false;
        job.outputPath = folder.filePath("plain.mp4");
        print("export, loudness as recorded", exportWithProgram(job));
        if (ffmpeg.isEmpty())
            std::printf("  ffmpeg tool                        not installed\n");
        else
            print("ffmpeg tool (concat demuxer)",
                  exportWithFfmpeg(ffmpeg, folder.path(), pictures, waves, folder.filePath("ffmpeg.mp4")));
    }
    return 0;
}
