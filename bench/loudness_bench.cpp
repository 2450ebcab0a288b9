// Measures and evens out the loudness of 50 narrations of 60 s each (speech at levels from
// -32 to -8 LUFS, the loud ones clipped as a take recorded too hot would be), then encodes the
// same 50 narrations to MP3 as they are and evened out, and reports: milliseconds per narration
// and in total for the measurement and for the evening out, the loudness and true peak that
// come out, and how much of the MP3 encoding time evening out adds.
//
// Usage: loudness_bench

#include "audio/loudness.h"
#include "audio/mp3codec.h"
#include "audio/mp3encoder.h"
#include "speechsignal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int rate = 22050;
constexpr int narrations = 50;
constexpr int seconds = 60;

const char* speech = "The narration of this slide tells how the old harbour was rebuilt after the storm, stone by "
                     "stone, over seven long summers. The fishermen carried the blocks down from the quarry, and "
                     "their children counted every one of them. When the last wall was closed, the whole village "
                     "came down to the water to watch the first boat sail in.";

// A minute of espeak-ng speech (repeated), or the speech-like test signal without it.
std::vector<double> minuteOfSpeech(const QString& folder, QString& source)
{
    const QString spoken = folder + "/spoken.wav";
    QProcess espeak;
    espeak.start("espeak-ng", {"-w", spoken, QString::fromLatin1(speech)});
    if (espeak.waitForFinished(120000) && espeak.exitCode() == 0) {
        QFile file(spoken);
        if (file.open(QIODevice::ReadOnly)) {
            const std::vector<std::int16_t> voice = speechsignal::waveSamples(file.readAll());
            if (!voice.empty()) {
                source = "espeak-ng speech, repeated";
                std::vector<double> minute(size_t(seconds * rate));
                for (size_t i = 0; i < minute.size(); ++i)
                    minute[i] = voice[i % voice.size()] / 32768.0;
                return minute;
            }
        }
    }
    source = "speech-like test signal (espeak-ng not found)";
    return speechsignal::speechLike(seconds, rate, 1);
}

// The speech brought to lufs by a gain found once at -23 LUFS, clipped where too hot.
std::vector<std::int16_t> atLevel(const std::vector<double>& minute, const std::vector<std::int16_t>& at23, double lufs)
{
    double peak = 0;
    size_t loudest = 0;
    for (size_t i = 0; i < minute.size(); ++i)
        if (std::abs(minute[i]) > peak) {
            peak = std::abs(minute[i]);
            loudest = i;
        }
    const double gainAt23 = double(at23[loudest]) / minute[loudest];
    const double gain = gainAt23 * std::pow(10.0, (lufs + 23.0) / 20.0);
    std::vector<std::int16_t> samples(minute.size());
    for (size_t i = 0; i < minute.size(); ++i)
        samples[i] = std::int16_t(std::clamp(std::lround(minute[i] * gain), -32768L, 32767L));
    return samples;
}

double elapsedSeconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    QString source;
    const std::vector<double> minute = minuteOfSpeech(folder.path(), source);
    const std::vector<std::int16_t> at23 = speechsignal::atLoudness(minute, -23.0, rate);
    std::vector<std::vector<std::int16_t>> takes;
    for (int i = 0; i < narrations; ++i)
        takes.push_back(atLevel(minute, at23, -32.0 + 24.0 * i / (narrations - 1)));
    std::printf("loudness_bench: %d narrations of %d s at %d Hz mono, %s\n", narrations, seconds, rate,
                source.toLocal8Bit().constData());

    QElapsedTimer timer;
    timer.start();
    for (const auto& take : takes)
        (void)loudness::measure(take, rate);
    const double measureSeconds = elapsedSeconds(timer);

    double lowest = HUGE_VAL;
    double highest = -HUGE_VAL;
    double loudestPeak = -HUGE_VAL;
    std::vector<std::vector<std::int16_t>> evened;
    timer.restart();
    for (const auto& take : takes)
        evened.push_back(loudness::normalised(take, rate));
    const double normaliseSeconds = elapsedSeconds(timer);
    for (const auto& take : evened) {
        const speechsignal::Meter m = speechsignal::meter(take, rate);
        lowest = std::min(lowest, m.lufs);
        highest = std::max(highest, m.lufs);
        loudestPeak = std::max(loudestPeak, m.truePeakDb);
    }

    std::printf("  measure:          %7.1f ms per narration, %7.0f ms in all\n", 1000 * measureSeconds / narrations,
                1000 * measureSeconds);
    std::printf("  measure + even:   %7.1f ms per narration, %7.0f ms in all\n", 1000 * normaliseSeconds / narrations,
                1000 * normaliseSeconds);
    std::printf("  result:           %.2f to %.2f LUFS (target %.0f), loudest true peak %.2f dBTP (ceiling %.0f)\n",
                lowest, highest, loudness::TargetLufs, loudestPeak, loudness::TruePeakCeilingDb);

    if (!loadMp3Codec()) {
        std::printf("  MP3 encoding:     skipped, libmp3lame.so.0 not found\n");
        return 0;
    }
    QStringList waves;
    for (int i = 0; i < narrations; ++i) {
        QFile file(folder.filePath(QStringLiteral("n%1.wav").arg(i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(speechsignal::waveFile(takes[size_t(i)], rate)) < 0) {
            std::printf("cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        waves.append(file.fileName());
    }
    const auto encodeAll = [&](bool even) {
        Mp3EncodeOptions options;
        options.evenLoudness = even;
        QElapsedTimer clock;
        clock.start();
        for (const QString& wave : waves)
            if (!encodeWaveToMp3(nullptr, wave, wave + ".mp3", options).ok())
                return -1.0;
        return elapsedSeconds(clock);
    };
    const double plain = encodeAll(false);
    const double even = encodeAll(true);
    unloadMp3Codec();
    if (plain <= 0 || even <= 0) {
        std::printf("  MP3 encoding failed\n");
        return 1;
    }
    std::printf("  MP3, as recorded: %7.1f ms per narration, %7.0f ms in all\n", 1000 * plain / narrations,
                1000 * plain);
    std::printf("  MP3, evened out:  %7.1f ms per narration, %7.0f ms in all: %+.0f %% of the encoding time\n",
                1000 * even / narrations, 1000 * even, 100 * (even - plain) / plain);
    return 0;
}
