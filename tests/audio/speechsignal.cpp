#include "speechsignal.h"

#include <QProcess>
#include <QtEndian>

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <stdexcept>

namespace speechsignal {

namespace {

// Formant centres and widths of an average vowel, in Hz.
constexpr double formants[3][2] = {{650, 120}, {1400, 180}, {2600, 260}};

double formantGain(double frequency, double shift)
{
    double gain = 0.05;
    for (const auto& formant : formants) {
        const double centre = formant[0] * shift;
        const double x = (frequency - centre) / formant[1];
        gain += 1.0 / (1.0 + x * x);
    }
    return gain;
}

} // namespace

std::vector<double> speechLike(double seconds, int rate, unsigned seed)
{
    const auto frames = size_t(std::lround(seconds * rate));
    std::vector<double> out(frames, 0.0);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> noise(0.0, 1.0);
    const double twoPi = 2.0 * std::numbers::pi;

    size_t at = size_t(0.1 * rate);
    int syllable = 0;
    double phase = 0;
    while (at < frames) {
        const auto length = size_t((0.12 + 0.2 * unit(random)) * rate);
        const double loudness = 0.4 + 0.6 * unit(random);
        const double shift = 0.8 + 0.4 * unit(random);
        const double basePitch = 100 + 90 * unit(random);
        const bool fricative = unit(random) < 0.35;
        // The vocal tract's resonances scatter the harmonics' phases.
        double phases[41];
        for (double& harmonicPhase : phases)
            harmonicPhase = twoPi * unit(random);
        const auto hiss = fricative ? size_t(0.06 * rate) : 0;
        double previousNoise = 0;
        for (size_t i = 0; i < hiss && at + i < frames; ++i) {
            const double white = noise(random);
            // A first difference: noise tilted towards the high frequencies, like "s" and "f".
            out[at + i] += 0.08 * loudness * (white - previousNoise);
            previousNoise = white;
        }
        const size_t voicedStart = at + hiss;
        for (size_t i = 0; i < length && voicedStart + i < frames; ++i) {
            const double t = double(i) / double(length);
            const double pitch = basePitch * (1.0 + 0.15 * std::sin(twoPi * 1.3 * t) - 0.1 * t);
            phase += twoPi * pitch / rate;
            if (phase > twoPi)
                phase -= twoPi;
            const double envelope = loudness * std::pow(std::sin(std::numbers::pi * t), 0.6);
            double voiced = 0;
            for (int k = 1; k * pitch < 0.45 * rate && k <= 40; ++k)
                voiced += formantGain(k * pitch, shift) / std::sqrt(double(k)) * std::cos(k * phase + phases[k]);
            out[voicedStart + i] += envelope * voiced;
        }
        at = voicedStart + length;
        // Short gaps inside a word, longer ones between words.
        at += size_t((++syllable % 3 == 0 ? 0.25 + 0.3 * unit(random) : 0.02 + 0.04 * unit(random)) * rate);
    }
    double peak = 0;
    for (const double value : out)
        peak = std::max(peak, std::abs(value));
    if (peak > 0)
        for (double& value : out)
            value /= peak;
    return out;
}

Meter meter(std::span<const std::int16_t> samples, int rate, int channels)
{
    ebur128_state* state =
        ebur128_init(unsigned(channels), static_cast<unsigned long>(rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!state)
        throw std::runtime_error("libebur128 refused the format");
    ebur128_add_frames_short(state, samples.data(), samples.size() / size_t(channels));
    Meter m;
    ebur128_loudness_global(state, &m.lufs);
    double peak = 0;
    for (int c = 0; c < channels; ++c) {
        double channelPeak = 0;
        ebur128_true_peak(state, unsigned(c), &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    m.truePeakDb = peak > 0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
    ebur128_destroy(&state);
    return m;
}

std::vector<std::int16_t> atLoudness(const std::vector<double>& signal, double lufs, int rate, int channels)
{
    std::vector<std::int16_t> samples(signal.size() * size_t(channels));
    const auto render = [&](double gain) {
        for (size_t i = 0; i < signal.size(); ++i) {
            const auto value = std::int16_t(std::clamp(std::lround(signal[i] * gain), -32768L, 32767L));
            for (int c = 0; c < channels; ++c)
                samples[i * size_t(channels) + size_t(c)] = value;
        }
    };
    double gainDb = 20.0 * std::log10(32767.0);
    for (int round = 0; round < 60; ++round) {
        render(std::pow(10.0, gainDb / 20.0));
        const double off = lufs - meter(samples, rate, channels).lufs;
        if (std::abs(off) < 0.02)
            return samples;
        gainDb += off;
    }
    throw std::runtime_error("the signal cannot be brought to that loudness");
}

std::vector<std::int16_t> fromBytes(const char* data, std::size_t size)
{
    std::vector<std::int16_t> samples(size / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            std::int16_t(std::uint16_t(std::uint8_t(data[2 * i])) | std::uint16_t(std::uint8_t(data[2 * i + 1])) << 8);
    return samples;
}

std::vector<char> toBytes(std::span<const std::int16_t> samples)
{
    std::vector<char> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto value = std::uint16_t(samples[i]);
        bytes[2 * i] = char(value & 0xFF);
        bytes[2 * i + 1] = char(value >> 8);
    }
    return bytes;
}

QByteArray waveFile(std::span<const std::int16_t> samples, int rate, int channels)
{
    const auto dataSize = quint32(samples.size() * 2);
    QByteArray wave(44, '\0');
    char* h = wave.data();
    std::memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + dataSize, h + 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20);
    qToLittleEndian<quint16>(quint16(channels), h + 22);
    qToLittleEndian<quint32>(quint32(rate), h + 24);
    qToLittleEndian<quint32>(quint32(rate * channels * 2), h + 28);
    qToLittleEndian<quint16>(quint16(channels * 2), h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    std::memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(dataSize, h + 40);
    const std::vector<char> bytes = toBytes(samples);
    wave.append(bytes.data(), qsizetype(bytes.size()));
    return wave;
}

std::vector<std::int16_t> waveSamples(const QByteArray& wave)
{
    if (wave.size() < 44)
        return {};
    return fromBytes(wave.constData() + 44, size_t(wave.size() - 44));
}

std::vector<std::int16_t> decodeMp3(const QString& path, int rate)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path, QStringLiteral("-f"),
                  QStringLiteral("s16le"), QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-ar"),
                  QString::number(rate), QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
        return {};
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    return fromBytes(raw.constData(), size_t(raw.size()));
}

} // namespace speechsignal
