#include "audiofixtures.h"

#include "audio/waveinfo.h"

#include <QFile>
#include <QProcess>

#include <cmath>

namespace audiofixtures {

namespace {

const qint16* samplesOf(const QByteArray& bytes)
{
    return reinterpret_cast<const qint16*>(bytes.constData());
}

} // namespace

QString makeWithFfmpeg(const QString& path, const QStringList& args, QString* error)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-y", "-nostdin", "-v", "error"} + args + QStringList{path});
    const bool finished = ffmpeg.waitForFinished(60000);
    if (!finished || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0 || !QFile::exists(path)) {
        if (error)
            *error = QString::fromUtf8(ffmpeg.readAllStandardError()) + ffmpeg.errorString();
        return {};
    }
    return path;
}

QStringList sineInput(int frequency, int rate, double seconds)
{
    return {"-f", "lavfi", "-i", QStringLiteral("sine=f=%1:r=%2:d=%3").arg(frequency).arg(rate).arg(seconds)};
}

QString truncatedCopy(const QString& path, const QString& to, double keptShare)
{
    QFile in(path);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return {};
    out.write(in.read(qint64(double(in.size()) * keptShare)));
    return to;
}

QByteArray narrationSamples(const QString& wavePath)
{
    const auto info = probeWaveFile(wavePath);
    QFile file(wavePath);
    if (!info || !isNarrationFormat(*info) || !file.open(QIODevice::ReadOnly) || !file.seek(info->dataOffset))
        return {};
    return file.read(info->dataSize);
}

double rms(const QByteArray& samples)
{
    const qsizetype count = samples.size() / 2;
    if (count == 0)
        return 0;
    double sum = 0;
    for (qsizetype i = 0; i < count; ++i)
        sum += double(samplesOf(samples)[i]) * samplesOf(samples)[i];
    return std::sqrt(sum / double(count));
}

double toneFrequency(const QByteArray& samples, qsizetype first, qsizetype last)
{
    const qint16* s = samplesOf(samples);
    last = std::min(last, samples.size() / 2 - 1);
    double firstCrossing = -1;
    double lastCrossing = -1;
    int crossings = 0;
    for (qsizetype i = std::max<qsizetype>(first, 0); i < last; ++i) {
        if ((s[i] < 0) == (s[i + 1] < 0))
            continue;
        // Where the straight line between the two samples meets zero.
        const double at = double(i) + double(s[i]) / (double(s[i]) - double(s[i + 1]));
        if (firstCrossing < 0)
            firstCrossing = at;
        lastCrossing = at;
        ++crossings;
    }
    if (crossings < 3)
        return 0;
    return (crossings - 1) / 2.0 / ((lastCrossing - firstCrossing) / 22050.0);
}

double powerAt(const QByteArray& samples, double frequency)
{
    const qint16* s = samplesOf(samples);
    const qsizetype count = samples.size() / 2;
    const double coefficient = 2 * std::cos(2 * M_PI * frequency / 22050.0);
    double previous = 0;
    double beforePrevious = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double next = s[i] + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = next;
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return count > 0 ? power / double(count) / double(count) : 0;
}

int railRuns(const QByteArray& samples)
{
    const qint16* s = samplesOf(samples);
    const auto onRail = [](qint16 v) { return v >= 32767 || v <= -32768; };
    int runs = 0;
    for (qsizetype i = 1; i < samples.size() / 2; ++i)
        if (onRail(s[i]) && onRail(s[i - 1]))
            ++runs;
    return runs;
}

} // namespace audiofixtures
