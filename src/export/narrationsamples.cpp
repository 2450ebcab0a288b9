#include "export/narrationsamples.h"

#include "audio/waveerrors.h"
#include "audio/wavefilesource.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <memory>

namespace {

struct OpenedWave
{
    std::unique_ptr<WaveFileSource> source;
    NarrationShape shape;
};

void say(QString* problem, const QString& text)
{
    if (problem)
        *problem = text;
}

std::optional<OpenedWave> openWave(const QString& path, QString* problem)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        say(problem, QStringLiteral("%1 is missing.").arg(shown));
        return std::nullopt;
    }
    OpenedWave opened;
    try {
        opened.source = std::make_unique<WaveFileSource>(path);
    } catch (const WaveErrors::FileOperation&) {
        say(problem, QStringLiteral("%1 cannot be opened.").arg(shown));
        return std::nullopt;
    } catch (...) {
        // The RIFF, WAVE, fmt and data checks.
        say(problem, QStringLiteral("%1 is not a readable WAV file.").arg(shown));
        return std::nullopt;
    }
    quint32 rate = 0;
    quint16 bits = 0;
    quint16 channels = 0;
    opened.source->getFormat(rate, bits, channels);
    if (opened.source->formatTag() != 1 || bits != 16 || channels < 1 || channels > 8 || rate < 8000 || rate > 192000) {
        say(problem, QStringLiteral("%1 is not 16-bit PCM sound (format %2, %3 Hz, %4-bit, %5 channels).")
                         .arg(shown)
                         .arg(opened.source->formatTag())
                         .arg(rate)
                         .arg(bits)
                         .arg(channels));
        return std::nullopt;
    }
    // A take cut short holds fewer samples than its header states: only those are there.
    const qint64 present = std::max<qint64>(0, QFileInfo(path).size() - opened.source->dataStart());
    const qint64 bytes = std::min<qint64>(opened.source->dataSize(), present);
    opened.shape = {int(rate), int(channels), bytes / (2 * qint64(channels))};
    return opened;
}

} // namespace

std::optional<NarrationShape> probeNarration(const QString& path, QString* problem)
{
    const std::optional<OpenedWave> opened = openWave(path, problem);
    if (!opened)
        return std::nullopt;
    return opened->shape;
}

std::optional<NarrationSamples> readNarration(const QString& path, QString* problem)
{
    std::optional<OpenedWave> opened = openWave(path, problem);
    if (!opened)
        return std::nullopt;
    NarrationSamples sound;
    sound.sampleRate = opened->shape.sampleRate;
    sound.channels = opened->shape.channels;
    const size_t count = size_t(opened->shape.frames) * size_t(sound.channels);
    sound.samples.resize(count);
    size_t done = 0;
    std::vector<char> buffer(64 * 1024);
    while (done < count) {
        quint32 length = quint32(std::min(buffer.size(), (count - done) * 2));
        opened->source->read(buffer.data(), length);
        if (length < 2)
            break;
        const size_t samples = length / 2;
        for (size_t i = 0; i < samples; ++i)
            sound.samples[done + i] = qFromLittleEndian<qint16>(buffer.data() + 2 * i);
        done += samples;
    }
    // The file shrank since it was measured: what was read is the narration.
    sound.samples.resize(done - done % size_t(sound.channels));
    return sound;
}
