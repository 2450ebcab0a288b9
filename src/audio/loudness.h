#pragma once

#include <cstdint>
#include <span>
#include <vector>

//! Even loudness for published and exported narrations: each take is measured (EBU R128
//! integrated loudness and true peak) and brought to the target with one gain, limited so that
//! no true peak exceeds the ceiling. The recorded takes are never changed; only the copies that
//! are encoded for the web or exported are.
namespace loudness {

constexpr double TargetLufs = -16.0;
constexpr double TruePeakCeilingDb = -1.0;
//! The most gain a take is given. A take far under the target is mostly room noise and hum
//! (or a microphone turned right down): bringing it all the way up would make the noise as loud
//! as speech, so it is raised by this much and stays quieter than the rest.
constexpr double MaxGainDb = 30.0;

struct Measurement
{
    double integratedLufs = 0; //!< -HUGE_VAL (or below -70) for silence
    double truePeakDb = 0;     //!< dBTP of the loudest true peak; -HUGE_VAL for silence
    bool silent = true;        //!< nothing above the absolute gate: left as it is
};

//! Measures 16-bit mono (or interleaved, channels > 1) samples at sampleRate: integrated
//! loudness (BS.1770 gating) and true peak (four times oversampled), by libebur128. Too short
//! for one 400 ms block, nothing over the absolute gate, no whole frames, or a rate or channel
//! count the meter refuses: silent. Any thread.
Measurement measure(std::span<const std::int16_t> samples, int sampleRate, int channels = 1);

//! The gain in dB that brings measured loudness to TargetLufs, at most MaxGainDb; 0 for silence.
double gainToTarget(const Measurement& m);

//! The samples with the gain applied and a true-peak limiter that keeps every true peak at or
//! under TruePeakCeilingDb (as measure finds it, after the rounding to 16 bits); silence comes
//! back unchanged. Same count as the input; nothing is clipped or wrapped around. When the
//! limiter costs the take some loudness, the gain is raised a little (up to a few dB) to make
//! it up. Any thread; for a take that needs limiting it takes about three times as long as
//! measure, for one that does not less than measure.
std::vector<std::int16_t> normalised(std::span<const std::int16_t> samples, int sampleRate, int channels = 1);

} // namespace loudness
