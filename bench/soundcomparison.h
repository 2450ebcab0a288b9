#pragma once

// How close a decoded sound stays to its source, for the MP3 benchmarks. Signals are mono
// 22050 Hz samples in 16-bit units.

#include <cstddef>
#include <optional>
#include <vector>

using Signal = std::vector<double>;

//! Samples per second of every signal here.
constexpr int comparisonRate = 22050;
//! Source frames quieter than this RMS (-50 dBFS, in 16-bit units) are pauses.
constexpr double pauseRms = 32768 * 0.0031623;
//! The segmental SNR's range for one frame, in dB.
constexpr double lowestSegmentDb = -10;
constexpr double highestSegmentDb = 35;

//! The decoded signal's delay in samples: the peak of the normalized cross-correlation with 3 s of
//! the source from its second second, within 3000 samples either way. Null when either is too short.
std::optional<int> findLag(const Signal& source, const Signal& decoded);

//! The decoded samples moved back by lag, length samples long; zeros past the decoded end.
Signal align(const Signal& decoded, int lag, size_t length);

//! A linear-phase lowpass: Blackman-windowed sinc, 401 taps (about 150 Hz either side of cutoffHz).
Signal lowpassTaps(double cutoffHz);
//! x filtered without delay (the taps are centred); samples beyond the ends count as silence.
Signal lowpass(const Signal& x, const Signal& taps);

struct Fidelity
{
    double gain = 0;      // applied to the decoded signal
    double snr = 0;       // dB
    double segmental = 0; // dB, mean over the frames that are not pauses, each clamped
    int segments = 0;
};

//! Both the same length and aligned; segments are 20 ms. LAME scales its input at low rates
//! (by 0.95 at 24 kbit/s): a least-squares gain on the decoded signal keeps that level change
//! from counting as noise.
Fidelity compare(const Signal& source, const Signal& decoded);
