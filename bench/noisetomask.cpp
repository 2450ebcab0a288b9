#include "noisetomask.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr int maskFrame = 512;
constexpr int maskHop = 256;

double bark(double hz)
{
    return 13 * std::atan(0.00076 * hz) + 3.5 * std::atan((hz / 7500) * (hz / 7500));
}

} // namespace

MaskModel makeMaskModel(double bandHz)
{
    MaskModel model;
    model.window.resize(maskFrame);
    for (int i = 0; i < maskFrame; ++i)
        model.window[size_t(i)] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / maskFrame);
    // Parseval for a sine through the Hann window, over the positive frequencies.
    model.fullScale = 3.0 * 32768.0 * 32768.0 * maskFrame * maskFrame / 32;
    model.bandOfBin.assign(maskFrame / 2 + 1, -1);
    std::vector<double> quietDb;
    for (int k = 1; k <= maskFrame / 2; ++k) {
        const double hz = double(k) * comparisonRate / maskFrame;
        if (hz >= bandHz)
            break;
        const int band = int(bark(hz));
        model.bandOfBin[size_t(k)] = band;
        model.bands = std::max(model.bands, band + 1);
        const double khz = hz / 1000;
        const double threshold =
            3.64 * std::pow(khz, -0.8) - 6.5 * std::exp(-0.6 * (khz - 3.3) * (khz - 3.3)) + 1e-3 * std::pow(khz, 4);
        quietDb.resize(size_t(model.bands), 1e9);
        quietDb[size_t(band)] = std::min(quietDb[size_t(band)], threshold - 96);
    }
    model.spreading.resize(size_t(model.bands * model.bands));
    model.offset.resize(size_t(model.bands));
    model.quiet.resize(size_t(model.bands));
    for (int from = 0; from < model.bands; ++from)
        for (int to = 0; to < model.bands; ++to) {
            const double dz = to - from + 0.474;
            const double db = 15.81 + 7.5 * dz - 17.5 * std::sqrt(1 + dz * dz);
            model.spreading[size_t(from * model.bands + to)] = std::pow(10.0, db / 10);
        }
    for (int band = 0; band < model.bands; ++band) {
        const double tonality = 0.5;
        const double offsetDb = tonality * (14.5 + band + 1) + (1 - tonality) * 5.5;
        model.offset[size_t(band)] = std::pow(10.0, -offsetDb / 10);
        model.quiet[size_t(band)] = std::pow(10.0, quietDb[size_t(band)] / 10);
    }
    return model;
}

namespace {

// In place, radix 2; the size is a power of two.
void fourier(std::vector<std::complex<double>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2 * std::numbers::pi / double(length);
        for (size_t start = 0; start < n; start += length)
            for (size_t k = 0; k < length / 2; ++k) {
                const double c = std::cos(angle * double(k)), s = std::sin(angle * double(k));
                const std::complex<double> v = a[start + k + length / 2];
                const std::complex<double> turned(v.real() * c - v.imag() * s, v.real() * s + v.imag() * c);
                a[start + k + length / 2] = a[start + k] - turned;
                a[start + k] += turned;
            }
    }
}

} // namespace

Spectra spectra(const MaskModel& model, const Signal& x)
{
    Spectra result;
    std::vector<std::complex<double>> frame(maskFrame);
    for (size_t start = 0; start + maskFrame <= x.size(); start += maskHop) {
        double energy = 0;
        for (size_t i = 0; i < size_t(maskFrame); ++i) {
            frame[i] = x[start + i] * model.window[i];
            energy += x[start + i] * x[start + i];
        }
        fourier(frame);
        Signal bands(size_t(model.bands), 0.0);
        for (size_t k = 0; k < model.bandOfBin.size(); ++k)
            if (model.bandOfBin[k] >= 0)
                bands[size_t(model.bandOfBin[k])] += std::norm(frame[k]) / model.fullScale;
        result.bands.push_back(std::move(bands));
        result.sounding.push_back(std::sqrt(energy / maskFrame) >= pauseRms);
    }
    return result;
}

std::vector<Signal> maskOf(const MaskModel& model, const Spectra& source)
{
    std::vector<Signal> masks;
    for (const Signal& bands : source.bands) {
        Signal mask(size_t(model.bands), 0.0);
        for (int from = 0; from < model.bands; ++from)
            for (int to = 0; to < model.bands; ++to)
                mask[size_t(to)] += bands[size_t(from)] * model.spreading[size_t(from * model.bands + to)];
        for (int band = 0; band < model.bands; ++band)
            mask[size_t(band)] = std::max(mask[size_t(band)] * model.offset[size_t(band)], model.quiet[size_t(band)]);
        masks.push_back(std::move(mask));
    }
    return masks;
}

NoiseToMask noiseToMask(const MaskModel& model, const Spectra& source, const std::vector<Signal>& masks,
                        const Signal& error)
{
    const Spectra noise = spectra(model, error);
    NoiseToMask result;
    int frames = 0, above = 0;
    for (size_t f = 0; f < masks.size() && f < noise.bands.size(); ++f) {
        if (!source.sounding[f])
            continue;
        double ratio = 0;
        for (int band = 0; band < model.bands; ++band)
            ratio += noise.bands[f][size_t(band)] / masks[f][size_t(band)];
        const double db = 10 * std::log10(ratio / model.bands + 1e-30);
        result.meanDb += db;
        above += db > 0;
        ++frames;
    }
    if (frames > 0) {
        result.meanDb /= frames;
        result.abovePercent = 100.0 * above / frames;
    }
    return result;
}
