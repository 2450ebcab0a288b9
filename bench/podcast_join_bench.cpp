// Joins fifty 60-second narrations (132 MB of samples) the way the podcast assembly does and
// reports the time and the process's peak memory. Target: peak memory under twice the joined
// size. For comparison it also joins them clip by clip with WaveClip::concatenate, the
// straightforward way, and checks that both files are identical.
//
// Usage: podcast_join_bench [cache folder]

#include "audio/waveclip.h"
#include "audio/wavefilesink.h"
#include "audio/wavejoin.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int narrationCount = 50;
constexpr int narrationSeconds = 60;
constexpr int bytesPerSecond = 44100;

// Kibibytes from a "Vm…:" line of /proc/self/status; -1 when unreadable.
qint64 statusKiB(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Lets VmHWM start again from the current resident size.
void resetPeak()
{
    QFile refs("/proc/self/clear_refs");
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

QStringList ensureNarrations(const QString& folder)
{
    QDir().mkpath(folder);
    QStringList paths;
    QByteArray second(bytesPerSecond, Qt::Uninitialized);
    auto* samples = reinterpret_cast<qint16*>(second.data());
    for (int n = 0; n < narrationCount; ++n) {
        const QString path = QString("%1/%2.wav").arg(folder).arg(n);
        paths.append(path);
        if (QFile(path).size() == 44 + qint64(narrationSeconds) * bytesPerSecond)
            continue;
        WaveFileSink sink(path, 22050, 16, 1);
        for (int s = 0; s < narrationSeconds; ++s) {
            for (int i = 0; i < 22050; ++i)
                samples[i] = qint16(6000 * std::sin(0.03 * (i + 22050 * s) * (1 + n % 7)));
            sink.write(second.constData(), quint32(second.size()));
        }
        sink.close();
    }
    return paths;
}

void warm(const QStringList& paths)
{
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            while (!file.read(1 << 20).isEmpty()) {}
    }
}

struct Measure
{
    double seconds = -1;
    qint64 peakKiB = -1;
    qint64 baseKiB = -1;
};

Measure measure(const std::function<bool()>& run)
{
    Measure m;
    resetPeak();
    m.baseKiB = statusKiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    if (!run())
        return m;
    m.seconds = double(timer.nsecsElapsed()) / 1e9;
    m.peakKiB = statusKiB("VmHWM:");
    return m;
}

bool chainClips(const QStringList& inputs, const QString& output)
{
    try {
        WaveClip joined(inputs.first());
        for (int i = 1; i < inputs.size(); ++i)
            joined = joined.concatenate(WaveClip(inputs[i]));
        joined.setFileName(output);
        return joined.save();
    } catch (const std::exception&) {
        return false;
    }
}

bool sameFiles(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd())
        if (fa.read(1 << 20) != fb.read(1 << 20))
            return false;
    return true;
}

void report(const char* how, const Measure& m, qint64 joinedBytes)
{
    std::printf("  %-34s %7.3f s  peak %7.1f MiB (%+7.1f MiB over the %5.1f MiB before)  peak / joined %.2f\n", how,
                m.seconds, m.peakKiB / 1024.0, (m.peakKiB - m.baseKiB) / 1024.0, m.baseKiB / 1024.0,
                m.peakKiB * 1024.0 / double(joinedBytes));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString cache = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PICTORELLE_BENCH_CACHE_DIR);
    const QStringList inputs = ensureNarrations(cache + "/join");
    QTemporaryDir out;
    const QString streamed = out.filePath("streamed.wav");
    const QString chained = out.filePath("chained.wav");
    const qint64 joinedBytes = 44 + qint64(narrationCount) * narrationSeconds * bytesPerSecond;
    std::printf("podcast_join_bench: %d narrations of %d s, joined file %lld bytes (%.1f MiB)\n", narrationCount,
                narrationSeconds, static_cast<long long>(joinedBytes), joinedBytes / 1048576.0);
    warm(inputs);

    Measure best;
    for (int run = 0; run < 3; ++run) {
        const Measure m = measure([&] { return joinNarrationWaves(inputs, streamed).ok(); });
        if (m.seconds < 0) {
            std::printf("  joinNarrationWaves failed\n");
            return 1;
        }
        if (best.seconds < 0 || m.seconds < best.seconds)
            best.seconds = m.seconds;
        best.peakKiB = std::max(best.peakKiB, m.peakKiB);
        best.baseKiB = m.baseKiB;
    }
    report("joinNarrationWaves (best of 3)", best, joinedBytes);
    const Measure clip = measure([&] { return chainClips(inputs, chained); });
    report("WaveClip::concatenate one by one", clip, joinedBytes);
    std::printf("  files identical: %s\n", sameFiles(streamed, chained) ? "yes" : "no");
    const bool met = best.peakKiB >= 0 && best.peakKiB * 1024 < 2 * joinedBytes;
    std::printf("  peak memory under twice the joined size: %s\n", met ? "met" : "MISSED");
    return 0;
}
