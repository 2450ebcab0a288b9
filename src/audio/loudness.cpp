#include "audio/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <memory>
#include <numbers>

namespace loudness {

namespace {

// Loudness blocks under this gate do not count (BS.1770); a take with none above it is silence.
constexpr double AbsoluteGateLufs = -70.0;
// 16-bit full scale, as libebur128 scales 16-bit samples.
constexpr double FullScale = 32768.0;

// The limiter's true-peak detector: a Hann-windowed sinc interpolator at four times the rate,
// as BS.1770 asks for, with 16 taps per phase.
constexpr int Oversampling = 4;
constexpr int TapsPerPhase = 16;
constexpr int HalfTaps = TapsPerPhase / 2;
// Frames per block for the skip test: only blocks whose samples come near enough to the
// ceiling for an interpolated value to pass it are interpolated.
constexpr int SkipBlock = 16;
static_assert(HalfTaps < SkipBlock, "a segment's interpolation must stay within the neighbouring blocks");
// Frames kept on either side of a peak for a meter's interpolator (libebur128's reaches a dozen).
constexpr int PeakRoom = 64;

// The gain falls over the look-ahead before a peak and recovers after it with this time
// constant; the fall and the start of the recovery are smoothed by three moving averages.
constexpr double LookAheadSeconds = 0.005;
constexpr double ReleaseSeconds = 0.08;
constexpr int SmoothingStages = 3;
// A gain this close to unity counts as unity.
constexpr double UnityGainSlack = 1e-6;

// The limiter aims this far under the ceiling, for the small differences between its detector
// and the meter's and for the rounding to 16 bits; a result the meter still finds over the
// ceiling is made again with the overshoot (and a little more) added to the margin.
constexpr double FirstMarginDb = 0.2;
constexpr double RetryExtraMarginDb = 0.05;
// Peaks the detector puts this far under the ceiling need no check by the meter; closer to it,
// the meter checks them.
constexpr double UncheckedMarginDb = 1.0;
// Limiting lowers the loudness a little; a result further than this from the target is made
// again with the gain corrected.
constexpr double LoudnessToleranceLu = 0.2;
// How much of a gain step the loudness of a limited take is first taken to follow: limiting
// enough to lose loudness also makes the loudness follow the gain only in part.
constexpr double FirstSlopeGuess = 0.5;
// At most this much gain beyond what the measurement asks for. Further on the limiter would
// be squashing the take rather than catching its peaks, so such a take (one with peaks far
// above its loudness) stays a little under the target instead.
constexpr double MostMakeUpDb = 6.0;
constexpr int MostPasses = 6;
constexpr int MostScaleDowns = 4;

struct StateDeleter
{
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using MeterState = std::unique_ptr<ebur128_state, StateDeleter>;

double gainOf(double db)
{
    return std::pow(10.0, db / 20.0);
}

double decibelsOf(double gain)
{
    return gain > 0 ? 20.0 * std::log10(gain) : -HUGE_VAL;
}

// Rates and channel counts libebur128 accepts, with whole frames only.
bool isMeasurable(std::span<const std::int16_t> samples, int sampleRate, int channels)
{
    return sampleRate >= 16 && sampleRate <= 2822400 && channels >= 1 && channels <= 64 &&
           samples.size() % size_t(channels) == 0;
}

//! libebur128's measurement, with the true peak only when asked for (it costs four times the
//! rest).
Measurement meter(std::span<const std::int16_t> samples, int sampleRate, int channels, bool truePeak)
{
    Measurement m;
    m.integratedLufs = -HUGE_VAL;
    m.truePeakDb = -HUGE_VAL;
    m.silent = true;
    if (!isMeasurable(samples, sampleRate, channels) || samples.empty())
        return m;
    const int mode = EBUR128_MODE_I | (truePeak ? EBUR128_MODE_TRUE_PEAK : 0);
    const MeterState state(ebur128_init(unsigned(channels), static_cast<unsigned long>(sampleRate), mode));
    if (!state)
        return m;
    if (ebur128_add_frames_short(state.get(), samples.data(), samples.size() / size_t(channels)) != EBUR128_SUCCESS)
        return m;
    double lufs = -HUGE_VAL;
    if (ebur128_loudness_global(state.get(), &lufs) == EBUR128_SUCCESS)
        m.integratedLufs = lufs;
    if (truePeak) {
        double peak = 0;
        for (int c = 0; c < channels; ++c) {
            double channelPeak = 0;
            if (ebur128_true_peak(state.get(), unsigned(c), &channelPeak) == EBUR128_SUCCESS)
                peak = std::max(peak, channelPeak);
        }
        m.truePeakDb = decibelsOf(peak);
    }
    m.silent = !(std::isfinite(m.integratedLufs) && m.integratedLufs > AbsoluteGateLufs);
    return m;
}

//! Rounded half away from zero, as lround does, and kept within 16 bits: never wrapped around.
std::int16_t toSample(double value)
{
    const double clamped = std::clamp(value, -32768.0, 32767.0);
    return std::int16_t(clamped + (clamped < 0 ? -0.5 : 0.5));
}

std::vector<std::int16_t> scaled(std::span<const std::int16_t> samples, double gain)
{
    std::vector<std::int16_t> out(samples.size());
    std::transform(samples.begin(), samples.end(), out.begin(),
                   [gain](std::int16_t sample) { return toSample(sample * gain); });
    return out;
}

//! A moving average over the last length values, starting from unity.
class MovingAverage
{
public:
    explicit MovingAverage(size_t length) : m_values(length, 1.0), m_sum(double(length)), m_scale(1.0 / double(length))
    {}

    double add(double value)
    {
        m_sum += value - m_values[m_at];
        m_values[m_at] = value;
        if (++m_at == m_values.size())
            m_at = 0;
        return m_sum * m_scale;
    }

    //! Back to unity throughout, as it is once it has averaged nothing but unity for its length.
    void reset()
    {
        std::fill(m_values.begin(), m_values.end(), 1.0);
        m_sum = double(m_values.size());
    }

private:
    std::vector<double> m_values;
    double m_sum;
    double m_scale;
    size_t m_at = 0;
};

//! The oversampled true-peak detector and a look-ahead limiter built on it, for one rate and
//! channel count.
//!
//! Frame by frame, each frame's limit is the ceiling over the loudest sample or oversampled
//! value on either side of it (1 when under the ceiling). The gain of frame t is held at the
//! least limit of the frames from t - HalfTaps to t + look-ahead + HalfTaps, recovers after it
//! with a one-pole release, and is smoothed by moving averages that reach back no further than
//! the look-ahead. So wherever an oversampled peak is over the ceiling, the gain within the
//! interpolator's reach of it is at most ceiling / peak, falling smoothly before it and rising
//! smoothly after it. One pass over the samples with memory for the look-ahead only, whatever
//! the length.
class PeakLimiter
{
public:
    PeakLimiter(int sampleRate, int channels)
        : m_channels(channels),
          m_lookAhead(std::max(1, int(std::lround(LookAheadSeconds * sampleRate)))),
          m_release(std::exp(-1.0 / (ReleaseSeconds * sampleRate)))
    {
        for (int phase = 1; phase < Oversampling; ++phase) {
            std::array<float, TapsPerPhase>& taps = m_phases[size_t(phase - 1)];
            double sum = 0;
            for (int j = 0; j < TapsPerPhase; ++j) {
                // From the output point (phase / Oversampling after frame i) to input i + j - HalfTaps + 1.
                const double d = double(phase) / Oversampling - (j - HalfTaps + 1);
                const double sinc = std::sin(std::numbers::pi * d) / (std::numbers::pi * d);
                const double window = 0.5 * (1.0 + std::cos(std::numbers::pi * d / HalfTaps));
                taps[size_t(j)] = float(sinc * window);
                sum += sinc * window;
            }
            // Unity gain at DC.
            double reach = 0;
            for (float& tap : taps) {
                tap = float(tap / sum);
                reach += std::abs(tap);
            }
            m_reach = std::max(m_reach, reach);
        }
    }

    //! The largest sample or oversampled value, in 16-bit units.
    double truePeak(std::span<const std::int16_t> samples) const
    {
        const Pass pass(*this, samples, 1.0, 0.0);
        return pass.truePeak();
    }

    //! The stretches of the samples around every sample or oversampled value over threshold
    //! (16-bit units), with room for a meter's interpolator on either side, one after another
    //! with silence between: what a meter must see to find every true peak over threshold.
    std::vector<std::int16_t> nearPeaks(std::span<const std::int16_t> samples, double threshold) const
    {
        const Pass pass(*this, samples, 1.0, threshold);
        return pass.nearPeaks();
    }

    //! The samples times gain with every oversampled peak brought to ceiling (in 16-bit units).
    std::vector<std::int16_t> apply(std::span<const std::int16_t> samples, double gain, double ceiling) const
    {
        Pass pass(*this, samples, gain, ceiling);
        return pass.limit();
    }

private:
    class Pass
    {
    public:
        Pass(const PeakLimiter& limiter, std::span<const std::int16_t> samples, double gain, double ceiling)
            : m_limiter(limiter),
              m_samples(samples),
              m_channels(size_t(limiter.m_channels)),
              m_frames(std::ptrdiff_t(samples.size() / m_channels)),
              m_gain(gain),
              m_ceiling(ceiling)
        {
            m_blockPeaks.assign(size_t((m_frames + SkipBlock - 1) / SkipBlock), 0);
            for (size_t i = 0; i < samples.size(); ++i) {
                int& peak = m_blockPeaks[i / m_channels / SkipBlock];
                peak = std::max(peak, std::abs(int(samples[i])));
            }
        }

        double truePeak() const
        {
            double peak = 0;
            for (const int blockPeak : m_blockPeaks)
                peak = std::max(peak, double(blockPeak));
            // Only where the samples come near enough for an oversampled value to beat the peak so far.
            for (std::ptrdiff_t i = -1; i < m_frames; ++i)
                if (nearbyPeak(i) * m_limiter.m_reach > peak)
                    peak = std::max(peak, segmentPeak(i));
            return peak;
        }

        std::vector<std::int16_t> nearPeaks() const
        {
            std::vector<std::int16_t> stretches;
            const auto append = [&](std::ptrdiff_t from, std::ptrdiff_t to) {
                from = std::max<std::ptrdiff_t>(from, 0);
                to = std::min(to, m_frames);
                stretches.insert(stretches.end(), m_samples.begin() + from * std::ptrdiff_t(m_channels),
                                 m_samples.begin() + to * std::ptrdiff_t(m_channels));
                stretches.insert(stretches.end(), size_t(PeakRoom) * m_channels, 0);
            };
            std::ptrdiff_t from = 0;
            std::ptrdiff_t to = -1; // the stretch being gathered ends before frame to; none yet
            for (std::ptrdiff_t i = -1; i < m_frames; ++i) {
                if (nearbyPeak(i) * m_limiter.m_reach <= m_ceiling)
                    continue;
                double peak = segmentPeak(i);
                if (i >= 0)
                    for (size_t c = 0; c < m_channels; ++c)
                        peak = std::max(peak, double(std::abs(int(m_samples[size_t(i) * m_channels + c]))));
                if (peak <= m_ceiling)
                    continue;
                if (to >= 0 && i - PeakRoom > to + PeakRoom) {
                    append(from, to);
                    to = -1;
                }
                if (to < 0)
                    from = i - PeakRoom;
                to = i + 1 + PeakRoom;
            }
            if (to >= 0)
                append(from, to);
            return stretches;
        }

        std::vector<std::int16_t> limit()
        {
            const std::ptrdiff_t attack = m_limiter.m_lookAhead;
            const size_t length = size_t(std::max<std::ptrdiff_t>(1, (attack + SmoothingStages - 1) / SmoothingStages));
            std::array<MovingAverage, SmoothingStages> smoothing{MovingAverage(length), MovingAverage(length),
                                                                 MovingAverage(length)};
            std::vector<std::int16_t> out(m_samples.size());
            double gain = 1.0;
            // Frames in a row at unity gain; past the smoothing's reach the averages hold unity.
            size_t unityRun = 0;
            const size_t smoothingReach = SmoothingStages * length;
            // Frames before the first get a gain too, so the smoothing has a past to look back on.
            for (std::ptrdiff_t t = -(attack - 1); t < m_frames; ++t) {
                const double released = 1.0 - (1.0 - gain) * m_limiter.m_release;
                gain = std::min(windowLimit(t), released);
                if (1.0 - gain < UnityGainSlack)
                    gain = 1.0;
                unityRun = gain == 1.0 ? unityRun + 1 : 0;
                double smooth = gain;
                if (unityRun < smoothingReach) {
                    for (MovingAverage& stage : smoothing)
                        smooth = stage.add(smooth);
                } else if (unityRun == smoothingReach) {
                    for (MovingAverage& stage : smoothing)
                        stage.reset();
                }
                if (t < 0)
                    continue;
                const size_t at = size_t(t) * m_channels;
                for (size_t c = 0; c < m_channels; ++c)
                    out[at + c] = toSample(m_samples[at + c] * m_gain * std::min(smooth, 1.0));
            }
            return out;
        }

    private:
        //! The least frame limit of frames t - HalfTaps to t + look-ahead - 1 + HalfTaps.
        double windowLimit(std::ptrdiff_t t)
        {
            const std::ptrdiff_t newest = t + m_limiter.m_lookAhead - 1 + HalfTaps;
            if (m_next == std::numeric_limits<std::ptrdiff_t>::min())
                m_next = t - HalfTaps;
            // Only limits under unity are queued: a window without one is at unity.
            for (; m_next <= newest; ++m_next) {
                const float limit = frameLimit(m_next);
                if (limit >= 1.0f)
                    continue;
                while (!m_window.empty() && m_window.back().second >= limit)
                    m_window.pop_back();
                m_window.emplace_back(m_next, limit);
            }
            while (!m_window.empty() && m_window.front().first < t - HalfTaps)
                m_window.pop_front();
            return m_window.empty() ? 1.0 : m_window.front().second;
        }

        //! Called for frames in order: the most gain frame i may have.
        float frameLimit(std::ptrdiff_t i)
        {
            if (i < 0 || i >= m_frames)
                return 1.0f;
            if (i == 0)
                m_segmentBefore = scaledSegmentPeak(-1);
            const double segmentAfter = scaledSegmentPeak(i);
            double peak = std::max(m_segmentBefore, segmentAfter);
            m_segmentBefore = segmentAfter;
            for (size_t c = 0; c < m_channels; ++c)
                peak = std::max(peak, std::abs(m_samples[size_t(i) * m_channels + c] * m_gain));
            return peak > m_ceiling ? float(m_ceiling / peak) : 1.0f;
        }

        //! The loudest sample near segment i: in its block or the ones beside it, which hold
        //! every input of its interpolation (i - HalfTaps + 1 to i + HalfTaps).
        int nearbyPeak(std::ptrdiff_t i) const
        {
            if (m_blockPeaks.empty())
                return 0;
            const std::ptrdiff_t block = std::max<std::ptrdiff_t>(i, 0) / SkipBlock;
            int near = m_blockPeaks[size_t(block)];
            if (block > 0)
                near = std::max(near, m_blockPeaks[size_t(block - 1)]);
            if (size_t(block + 1) < m_blockPeaks.size())
                near = std::max(near, m_blockPeaks[size_t(block + 1)]);
            return near;
        }

        //! segmentPeak times the gain; 0 where no oversampled value can pass the ceiling.
        double scaledSegmentPeak(std::ptrdiff_t i) const
        {
            if (nearbyPeak(i) * m_gain * m_limiter.m_reach <= m_ceiling)
                return 0;
            return segmentPeak(i) * m_gain;
        }

        //! The largest oversampled value between frame i and frame i + 1, over all channels.
        double segmentPeak(std::ptrdiff_t i) const
        {
            const std::ptrdiff_t first = i - HalfTaps + 1;
            const bool inside = first >= 0 && first + TapsPerPhase <= m_frames;
            std::array<float, TapsPerPhase> inputs{};
            float peak = 0;
            for (size_t c = 0; c < m_channels; ++c) {
                if (inside) {
                    const std::int16_t* in = m_samples.data() + size_t(first) * m_channels + c;
                    for (size_t j = 0; j < TapsPerPhase; ++j)
                        inputs[j] = float(in[j * m_channels]);
                } else {
                    for (std::ptrdiff_t j = 0; j < TapsPerPhase; ++j) {
                        const std::ptrdiff_t frame = first + j;
                        inputs[size_t(j)] =
                            frame < 0 || frame >= m_frames ? 0.0f : float(m_samples[size_t(frame) * m_channels + c]);
                    }
                }
                for (const std::array<float, TapsPerPhase>& taps : m_limiter.m_phases) {
                    float value = 0;
                    for (size_t j = 0; j < TapsPerPhase; ++j)
                        value += taps[j] * inputs[j];
                    peak = std::max(peak, std::abs(value));
                }
            }
            return peak;
        }

        const PeakLimiter& m_limiter;
        std::span<const std::int16_t> m_samples;
        size_t m_channels;
        std::ptrdiff_t m_frames;
        double m_gain;
        double m_ceiling;
        std::vector<int> m_blockPeaks;                                      //!< largest magnitude of each block
        std::deque<std::pair<std::ptrdiff_t, float>> m_window;              //!< frame limits under unity, rising
        std::ptrdiff_t m_next = std::numeric_limits<std::ptrdiff_t>::min(); //!< next frame to limit
        double m_segmentBefore = 0;
    };

    int m_channels;
    int m_lookAhead;  //!< frames
    double m_release; //!< per-frame factor of the remaining gain reduction
    std::array<std::array<float, TapsPerPhase>, Oversampling - 1> m_phases{};
    double m_reach = 1.0; //!< the most an oversampled value can exceed the samples it comes from
};

} // namespace

Measurement measure(std::span<const std::int16_t> samples, int sampleRate, int channels)
{
    return meter(samples, sampleRate, channels, true);
}

double gainToTarget(const Measurement& m)
{
    if (m.silent || !std::isfinite(m.integratedLufs))
        return 0;
    return std::min(TargetLufs - m.integratedLufs, MaxGainDb);
}

std::vector<std::int16_t> normalised(std::span<const std::int16_t> samples, int sampleRate, int channels)
{
    const Measurement before = meter(samples, sampleRate, channels, false);
    if (before.silent)
        return {samples.begin(), samples.end()};
    double gainDb = gainToTarget(before);
    const PeakLimiter limiter(sampleRate, channels);
    const double peakDb = decibelsOf(limiter.truePeak(samples) / FullScale);

    // A plain gain where it leaves every true peak under the ceiling, checked by the meter when
    // the detector puts one close to it.
    if (peakDb + gainDb <= TruePeakCeilingDb - UncheckedMarginDb)
        return scaled(samples, gainOf(gainDb));
    // The meter's true peak of a result, looked for where the detector finds a peak anywhere near
    // the ceiling (elsewhere its peaks are far enough under it).
    const auto checkedPeakDb = [&](std::span<const std::int16_t> result) {
        const double threshold = FullScale * gainOf(TruePeakCeilingDb - UncheckedMarginDb);
        return meter(limiter.nearPeaks(result, threshold), sampleRate, channels, true).truePeakDb;
    };
    if (peakDb + gainDb <= TruePeakCeilingDb - FirstMarginDb) {
        std::vector<std::int16_t> plain = scaled(samples, gainOf(gainDb));
        if (checkedPeakDb(plain) <= TruePeakCeilingDb)
            return plain;
    }

    const double mostGainDb = std::min(gainDb + MostMakeUpDb, MaxGainDb);
    double marginDb = FirstMarginDb;
    std::vector<std::int16_t> best;
    std::vector<std::int16_t> last;
    Measurement lastMeasured;
    double previousGainDb = 0;
    double previousLufs = -HUGE_VAL;
    for (int pass = 0; pass < MostPasses; ++pass) {
        last = limiter.apply(samples, gainOf(gainDb), FullScale * gainOf(TruePeakCeilingDb - marginDb));
        // The loudness first, the dearer true peak only of a result that is kept.
        lastMeasured = meter(last, sampleRate, channels, false);
        const double shortBy = TargetLufs - lastMeasured.integratedLufs;
        const bool canRise = gainDb < mostGainDb;
        if (!lastMeasured.silent && std::abs(shortBy) > LoudnessToleranceLu && (shortBy < 0 || canRise)) {
            // Loudness grows ever more slowly with the gain as more is limited: the next gain
            // follows the slope of the last two passes, or a first guess at it.
            double slope = FirstSlopeGuess;
            if (std::isfinite(previousLufs) && gainDb != previousGainDb)
                slope = std::clamp((lastMeasured.integratedLufs - previousLufs) / (gainDb - previousGainDb), 0.1, 1.0);
            previousGainDb = gainDb;
            previousLufs = lastMeasured.integratedLufs;
            gainDb = std::min(gainDb + shortBy / slope, mostGainDb);
            continue;
        }
        lastMeasured.truePeakDb = checkedPeakDb(last);
        if (lastMeasured.truePeakDb <= TruePeakCeilingDb) {
            best = std::move(last);
            break;
        }
        marginDb += lastMeasured.truePeakDb - TruePeakCeilingDb + RetryExtraMarginDb;
    }
    if (!best.empty())
        return best;
    // The passes ran out (not seen in practice): a plain gain reduction of the last result,
    // which lowers its true peak by as much, settles it.
    double lastPeakDb = meter(last, sampleRate, channels, true).truePeakDb;
    for (int i = 0; i < MostScaleDowns && lastPeakDb > TruePeakCeilingDb; ++i) {
        last = scaled(last, gainOf(TruePeakCeilingDb - lastPeakDb - RetryExtraMarginDb));
        lastPeakDb = meter(last, sampleRate, channels, true).truePeakDb;
    }
    return last;
}

} // namespace loudness
