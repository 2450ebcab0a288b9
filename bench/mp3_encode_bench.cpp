// Encodes a 900-second spoken narration (the longest podcast) with the program's MP3 encoder
// and with the lame command-line tool doing the same conversion (22050 Hz mono, 24 kbit/s
// constant rate, no tag), and reports both as multiples of real time. Target: the program
// within 10 % of the tool's time.
//
// Usage: mp3_encode_bench [cache folder]

#include "audio/mp3codec.h"
#include "audio/mp3encoder.h"
#include "audio/wavefilesink.h"
#include "audio/waveinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include <sys/resource.h>

namespace {

constexpr int narrationSeconds900 = 900;
constexpr int bytesPerSecond = 44100;
constexpr int runs = 5;

const char* speech =
    "Welcome back to the harbour walk. This morning the fishing boats came in early, and the market "
    "filled with voices before the sun was over the hill. Look at the old lighthouse on the left: it "
    "was built in eighteen ninety, rebuilt after the storm of nineteen fifty three, and it still turns "
    "its lamp every night. Further along, the path climbs between stone walls covered in moss. Take "
    "your time here. Listen for the gulls, and for the bell of the chapel that rings on the hour. "
    "When we reach the top, you will see the whole bay, the islands, and on a clear day the mountains "
    "far to the north. That is where our next story begins.";

// A voice-like signal, used when no speech synthesizer is installed.
QByteArray synthesizedVoice(int seconds)
{
    QByteArray bytes(qsizetype(seconds) * bytesPerSecond, Qt::Uninitialized);
    auto* samples = reinterpret_cast<qint16*>(bytes.data());
    double phase = 0;
    for (qsizetype i = 0; i < qsizetype(seconds) * 22050; ++i) {
        const double t = double(i) / 22050;
        phase += 6.283185307 * (130 + 40 * std::sin(6.283185307 * 0.4 * t)) / 22050;
        const double envelope = std::pow(std::sin(6.283185307 * 2.3 * t), 2.0);
        samples[i] = qint16(8000 * envelope * (std::sin(phase) + 0.4 * std::sin(3 * phase)));
    }
    return bytes;
}

// A few dozen seconds of synthesized speech, or a voice-like signal without a synthesizer.
QByteArray speechSamples(const QString& folder, QString& source)
{
    const QString spoken = folder + "/spoken.wav";
    QProcess espeak;
    espeak.start("espeak-ng", {"-w", spoken, QString::fromLatin1(speech)});
    if (espeak.waitForFinished(120000) && espeak.exitCode() == 0) {
        const auto info = probeWaveFile(spoken);
        QFile file(spoken);
        if (info && isNarrationFormat(*info) && file.open(QIODevice::ReadOnly) && file.seek(info->dataOffset)) {
            source = "espeak-ng speech, repeated";
            return file.read(info->dataSize);
        }
    }
    source = "synthesized voice-like signal (espeak-ng not found)";
    return synthesizedVoice(60);
}

QString ensureNarration(const QString& folder, QString& source)
{
    const QString path = folder + "/narration900.wav";
    source = "cached narration";
    if (QFile::exists(path))
        return path;
    const QByteArray speechBytes = speechSamples(folder, source);
    WaveFileSink sink(path, 22050, 16, 1);
    qint64 left = qint64(narrationSeconds900) * bytesPerSecond;
    while (left > 0) {
        const qint64 piece = std::min<qint64>(left, speechBytes.size());
        sink.write(speechBytes.constData(), quint32(piece));
        left -= piece;
    }
    sink.close();
    return path;
}

struct Timing
{
    double wall = -1; // seconds; -1 not run or failed
    double cpu = -1;  // user + system seconds of whoever did the work
};

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Times one run and keeps the fastest wall and CPU times; a failed run fails the row.
void timeRun(Timing& best, bool& failed, int who, const std::function<bool()>& run)
{
    const double cpuBefore = cpuSeconds(who);
    QElapsedTimer timer;
    timer.start();
    if (!run()) {
        failed = true;
        return;
    }
    const double wall = double(timer.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds(who) - cpuBefore;
    best.wall = best.wall < 0 ? wall : std::min(best.wall, wall);
    best.cpu = best.cpu < 0 ? cpu : std::min(best.cpu, cpu);
}

bool runLame(const QStringList& extra, const QString& wav, const QString& mp3)
{
    QProcess lame;
    lame.start("lame", QStringList{"--quiet", "-b", "24", "--resample", "22.05", "-m", "m", "--cbr", "-t"} + extra +
                           QStringList{wav, mp3});
    return lame.waitForFinished(600000) && lame.exitStatus() == QProcess::NormalExit && lame.exitCode() == 0;
}

void report(const char* tool, const Timing& t, bool failed, qint64 bytes)
{
    if (failed || t.wall < 0)
        std::printf("  %-42s failed or not run\n", tool);
    else
        std::printf("  %-42s %6.3f s wall %6.1f x real time, %6.3f s CPU %6.1f x real time, %8lld bytes\n", tool,
                    t.wall, narrationSeconds900 / t.wall, t.cpu, narrationSeconds900 / t.cpu,
                    static_cast<long long>(bytes));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString cache = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PICTORELLE_BENCH_CACHE_DIR);
    QDir().mkpath(cache);
    QString source;
    const QString wav = ensureNarration(cache, source);
    QTemporaryDir out;
    std::printf("mp3_encode_bench: %d s narration (%s), best of %d runs\n", narrationSeconds900, qPrintable(source),
                runs);
    if (!loadMp3Codec()) {
        std::printf("  libmp3lame.so.0 not found: nothing to measure\n");
        return 1;
    }
    // Both read the source from the page cache.
    {
        QFile file(wav);
        if (file.open(QIODevice::ReadOnly))
            file.readAll();
    }

    const QString ours = out.filePath("ours.mp3");
    const QString theirs = out.filePath("lame.mp3");
    const QString theirsQuick = out.filePath("lame-norg.mp3");
    const bool haveLame = !QStandardPaths::findExecutable("lame").isEmpty();
    Timing oursTime, lameTime, quickTime;
    bool oursFailed = false, lameFailed = !haveLame, quickFailed = !haveLame;
    // Interleaved, so a busy moment of the machine does not fall on one side only.
    for (int i = 0; i < runs; ++i) {
        timeRun(oursTime, oursFailed, RUSAGE_SELF, [&] { return encodeToMp3(nullptr, wav, ours) == 1; });
        if (!haveLame)
            continue;
        timeRun(lameTime, lameFailed, RUSAGE_CHILDREN, [&] { return runLame({}, wav, theirs); });
        timeRun(quickTime, quickFailed, RUSAGE_CHILDREN, [&] { return runLame({"--noreplaygain"}, wav, theirsQuick); });
    }
    report("encodeToMp3", oursTime, oursFailed, QFile(ours).size());
    report("lame -b 24 --resample 22.05 -m m --cbr -t", lameTime, lameFailed, QFile(theirs).size());
    report("  same, --noreplaygain", quickTime, quickFailed, QFile(theirsQuick).size());
    unloadMp3Codec();

    if (oursFailed || lameFailed)
        return 1;
    const QByteArray oursBytes = [&] {
        QFile f(ours);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QByteArray lameBytes = [&] {
        QFile f(theirs);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    std::printf("  MP3 bytes identical to lame's: %s\n", oursBytes == lameBytes ? "yes" : "no");
    const double ratio = oursTime.wall / lameTime.wall;
    std::printf("  wall time / lame's: %.3f (target <= 1.10): %s; CPU time / lame's: %.3f\n", ratio,
                ratio <= 1.10 ? "met" : "MISSED", oursTime.cpu / lameTime.cpu);
    if (!quickFailed)
        std::printf("  against lame --noreplaygain: wall %.3f, CPU %.3f\n", oursTime.wall / quickTime.wall,
                    oursTime.cpu / quickTime.cpu);
    return 0;
}
