#include "soundcomparison.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <numbers>

std::optional<int> findLag(const Signal& source, const Signal& decoded)
{
    constexpr qsizetype reach = 3000;
    constexpr qsizetype from = 2 * comparisonRate;
    constexpr qsizetype length = 3 * comparisonRate;
    constexpr qsizetype lags = 2 * reach + 1;
    if (qsizetype(source.size()) < from + length || qsizetype(decoded.size()) < from + length + reach)
        return std::nullopt;
    Signal correlation(lags, 0.0);
    for (qsizetype i = from; i < from + length; ++i) {
        const double x = source[size_t(i)];
        const double* y = decoded.data() + (i - reach);
        for (qsizetype k = 0; k < lags; ++k)
            correlation[size_t(k)] += x * y[k];
    }
    Signal energy(size_t(lags + length) + 1, 0.0);
    for (qsizetype i = 0; i < lags + length; ++i)
        energy[size_t(i + 1)] =
            energy[size_t(i)] + decoded[size_t(from - reach + i)] * decoded[size_t(from - reach + i)];
    qsizetype best = 0;
    double bestScore = -1e300;
    for (qsizetype k = 0; k < lags; ++k) {
        const double e = energy[size_t(k + length)] - energy[size_t(k)];
        const double score = e > 0 ? correlation[size_t(k)] / std::sqrt(e) : -1e300;
        if (score > bestScore) {
            bestScore = score;
            best = k;
        }
    }
    return int(best - reach);
}

Signal align(const Signal& decoded, int lag, size_t length)
{
    Signal aligned(length, 0.0);
    for (size_t i = 0; i < length; ++i) {
        const qsizetype j = qsizetype(i) + lag;
        if (j >= 0 && j < qsizetype(decoded.size()))
            aligned[i] = decoded[size_t(j)];
    }
    return aligned;
}

Signal lowpassTaps(double cutoffHz)
{
    constexpr int taps = 401;
    const double cutoff = cutoffHz / comparisonRate;
    const int middle = taps / 2;
    Signal h(taps);
    double sum = 0;
    for (int k = 0; k < taps; ++k) {
        const double t = k - middle;
        const double sinc = t == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * t) / (std::numbers::pi * t);
        const double window = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * k / (taps - 1)) +
                              0.08 * std::cos(4 * std::numbers::pi * k / (taps - 1));
        h[size_t(k)] = sinc * window;
        sum += h[size_t(k)];
    }
    for (double& tap : h)
        tap /= sum;
    return h;
}

Signal lowpass(const Signal& x, const Signal& h)
{
    const qsizetype n = qsizetype(x.size());
    const qsizetype middle = qsizetype(h.size()) / 2;
    Signal y(x.size(), 0.0);
    for (qsizetype k = 0; k < qsizetype(h.size()); ++k) {
        const qsizetype shift = k - middle;
        const double c = h[size_t(k)];
        for (qsizetype i = std::max<qsizetype>(0, -shift); i < std::min(n, n - shift); ++i)
            y[size_t(i)] += c * x[size_t(i + shift)];
    }
    return y;
}

namespace {

// 20 ms frames for the segmental SNR.
constexpr qsizetype segmentSamples = comparisonRate / 50;

double decibels(double signal, double noise)
{
    return noise > 0 ? 10 * std::log10(signal / noise) : 200.0;
}

} // namespace

Fidelity compare(const Signal& source, const Signal& decoded)
{
    double sourceDecoded = 0, decodedEnergy = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        sourceDecoded += source[i] * decoded[i];
        decodedEnergy += decoded[i] * decoded[i];
    }
    Fidelity result;
    result.gain = decodedEnergy > 0 ? sourceDecoded / decodedEnergy : 0;
    double signalTotal = 0, noiseTotal = 0, segmentalSum = 0;
    for (size_t start = 0; start + size_t(segmentSamples) <= source.size(); start += size_t(segmentSamples)) {
        double signal = 0, noise = 0;
        for (size_t i = start; i < start + size_t(segmentSamples); ++i) {
            const double error = source[i] - result.gain * decoded[i];
            signal += source[i] * source[i];
            noise += error * error;
        }
        signalTotal += signal;
        noiseTotal += noise;
        if (std::sqrt(signal / double(segmentSamples)) < pauseRms)
            continue;
        segmentalSum += std::clamp(decibels(signal, noise), lowestSegmentDb, highestSegmentDb);
        ++result.segments;
    }
    result.snr = decibels(signalTotal, noiseTotal);
    result.segmental = result.segments > 0 ? segmentalSum / result.segments : 0;
    return result;
}
