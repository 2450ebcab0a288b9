#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

//! Speech-like test signals and an EBU R128 meter of their own (libebur128 used directly, not
//! through the program's loudness code).
namespace speechsignal {

//! Voiced syllables (a wandering pitch with formant-shaped harmonics), fricative noise and
//! pauses between words, with peaks standing about as far above the loudness as in speech;
//! the same for the same seed. Peaks at 1.0.
std::vector<double> speechLike(double seconds, int rate = 22050, unsigned seed = 1);

//! The signal as 16-bit samples scaled to measure lufs, clipped at full scale where that
//! level needs it (a take recorded far too hot). channels > 1: the same signal in each.
std::vector<std::int16_t> atLoudness(const std::vector<double>& signal, double lufs, int rate = 22050,
                                     int channels = 1);

//! Integrated loudness in LUFS (-HUGE_VAL when undefined) and the loudest true peak in dBTP.
struct Meter
{
    double lufs = 0;
    double truePeakDb = 0;
};
Meter meter(std::span<const std::int16_t> samples, int rate = 22050, int channels = 1);

//! Little-endian 16-bit sample bytes and back.
std::vector<std::int16_t> fromBytes(const char* data, std::size_t size);
std::vector<char> toBytes(std::span<const std::int16_t> samples);

//! A 16-bit PCM wave file of the samples behind a 44-byte header.
QByteArray waveFile(std::span<const std::int16_t> samples, int rate = 22050, int channels = 1);
//! The samples of a wave file with a 44-byte header.
std::vector<std::int16_t> waveSamples(const QByteArray& wave);

//! The MP3 at path decoded by the ffmpeg tool to 16-bit mono at rate; empty when it cannot be.
std::vector<std::int16_t> decodeMp3(const QString& path, int rate = 22050);

} // namespace speechsignal
