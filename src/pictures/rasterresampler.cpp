#include "pictures/rasterresampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double filterSupport = 2.0; // both cubic filters reach two pixels at full scale

// Mitchell–Netravali cubic with parameters B and C.
double cubicBC(double x, double b, double c)
{
    x = std::fabs(x);
    if (x < 1.0)
        return ((12.0 - 9.0 * b - 6.0 * c) * x * x * x + (-18.0 + 12.0 * b + 6.0 * c) * x * x + (6.0 - 2.0 * b)) / 6.0;
    if (x < 2.0)
        return ((-b - 6.0 * c) * x * x * x + (6.0 * b + 30.0 * c) * x * x + (-12.0 * b - 48.0 * c) * x +
                (8.0 * b + 24.0 * c)) /
               6.0;
    return 0.0;
}

double weightOf(ResampleFilter filter, double x)
{
    return filter == ResampleFilter::Spline ? cubicBC(x, 1.0, 0.0) : cubicBC(x, 0.0, 0.5);
}

// For each output pixel along one axis: the first source pixel and a fixed number of
// weights (zero past the last source pixel it uses).
struct Taps
{
    int count = 0;
    std::vector<int> first;
    std::vector<float> weights; // count per output pixel
};

Taps tapsFor(int from, int to, ResampleFilter filter)
{
    const double factor = double(to) / double(from);
    const double widening = std::max(1.0 / factor, 1.0);
    const double support = widening * filterSupport;
    const double scale = 1.0 / widening;
    // ImageMagick's window of source pixels for each output pixel.
    std::vector<int> starts(static_cast<size_t>(to)), stops(static_cast<size_t>(to));
    Taps taps;
    for (int x = 0; x < to; ++x) {
        const double centre = (double(x) + 0.5) / factor;
        starts[size_t(x)] = int(std::max(centre - support + 0.5, 0.0));
        stops[size_t(x)] = std::max(int(std::min(centre + support + 0.5, double(from))), starts[size_t(x)] + 1);
        taps.count = std::max(taps.count, stops[size_t(x)] - starts[size_t(x)]);
    }
    taps.count = std::min(taps.count, from);
    taps.first.resize(size_t(to));
    taps.weights.assign(size_t(to) * size_t(taps.count), 0.0f);
    std::vector<double> weights(size_t(taps.count));
    for (int x = 0; x < to; ++x) {
        const double centre = (double(x) + 0.5) / factor;
        const int start = starts[size_t(x)];
        const int stop = std::min(stops[size_t(x)], start + taps.count);
        double density = 0.0;
        for (int j = start; j < stop; ++j) {
            weights[size_t(j - start)] = weightOf(filter, scale * (double(j) - centre + 0.5));
            density += weights[size_t(j - start)];
        }
        const double normal = density != 0.0 ? 1.0 / density : 1.0;
        // Keeps every tap inside the source: a window cut by an edge starts earlier.
        const int first = std::max(0, std::min(start, from - taps.count));
        taps.first[size_t(x)] = first;
        float* out = &taps.weights[size_t(x) * size_t(taps.count)];
        for (int j = start; j < stop; ++j)
            out[j - first] = float(weights[size_t(j - start)] * normal);
    }
    return taps;
}

// A pass's result: a float in the 0–255 range of ImageMagick's clamped intermediate picture,
// or the rounded byte of the final one (min and max rather than std::clamp, which would not
// turn into vector instructions).
inline void store(float value, float& out)
{
    out = std::min(std::max(value, 0.0f), 255.0f);
}

inline void store(float value, uint8_t& out)
{
    out = uint8_t(int(std::min(std::max(value, 0.0f), 255.0f) + 0.5f));
}

// One row of inWidth pixels resampled to outWidth pixels.
template <int Channels, typename Out>
void resampleRow(const float* __restrict in, const Taps& taps, int outWidth, Out* __restrict out)
{
    for (int x = 0; x < outWidth; ++x) {
        const float* p = in + taps.first[size_t(x)] * Channels;
        const float* w = &taps.weights[size_t(x) * size_t(taps.count)];
        float sum[Channels] = {};
        for (int k = 0; k < taps.count; ++k, p += Channels) {
            for (int c = 0; c < Channels; ++c)
                sum[c] += w[k] * p[c];
        }
        for (int c = 0; c < Channels; ++c)
            store(sum[c], out[x * Channels + c]);
    }
}

// RGB pixels a whole pixel per vector step; the row holds one spare float at its end for the
// fourth lane, whose sum is dropped.
using Float4 = float __attribute__((vector_size(16)));

template <typename Out>
void resampleRgbRow(const float* __restrict in, const Taps& taps, int outWidth, Out* __restrict out)
{
    for (int x = 0; x < outWidth; ++x) {
        const float* p = in + taps.first[size_t(x)] * 3;
        const float* w = &taps.weights[size_t(x) * size_t(taps.count)];
        Float4 sum = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int k = 0; k < taps.count; ++k, p += 3) {
            Float4 pixel;
            std::memcpy(&pixel, p, sizeof pixel);
            sum += w[k] * pixel;
        }
        for (int c = 0; c < 3; ++c)
            store(sum[c], out[x * 3 + c]);
    }
}

template <>
void resampleRow<3, float>(const float* __restrict in, const Taps& taps, int outWidth, float* __restrict out)
{
    resampleRgbRow(in, taps, outWidth, out);
}

template <>
void resampleRow<3, uint8_t>(const float* __restrict in, const Taps& taps, int outWidth, uint8_t* __restrict out)
{
    resampleRgbRow(in, taps, outWidth, out);
}

// Output row y of a vertical pass: the weighted sum of whole rows, on vector instructions.
template <typename In, typename Out, typename RowOf>
void resampleColumns(const RowOf& rowOf, int rowLength, const Taps& taps, int y, float* __restrict sum,
                     Out* __restrict out)
{
    std::fill(sum, sum + rowLength, 0.0f);
    const float* w = &taps.weights[size_t(y) * size_t(taps.count)];
    for (int k = 0; k < taps.count; ++k) {
        if (w[k] == 0.0f)
            continue;
        const In* __restrict row = rowOf(taps.first[size_t(y)] + k);
        const float weight = w[k];
        for (int i = 0; i < rowLength; ++i)
            sum[i] += weight * float(row[i]);
    }
    for (int i = 0; i < rowLength; ++i)
        store(sum[i], out[i]);
}

// Row by row, holding only the few rows one output row needs.
template <int Channels>
void resampleInto(const RasterPicture& picture, RasterPicture& result, ResampleFilter filter)
{
    const int inW = picture.width(), inH = picture.height();
    const int outW = result.width(), outH = result.height();
    const Taps across = tapsFor(inW, outW, filter);
    const Taps down = tapsFor(inH, outH, filter);
    // ImageMagick's order: first along the axis that shrinks less.
    if (double(outW) / double(inW) > double(outH) / double(inH)) {
        // Source rows resampled across, kept while the window of rows moves down.
        const int rowLength = outW * Channels;
        std::vector<float> ring(size_t(down.count) * size_t(rowLength));
        std::vector<int> held(size_t(down.count), -1);
        std::vector<float> sum(static_cast<size_t>(rowLength));
        std::vector<float> source(size_t(inW) * Channels + 1, 0.0f); // one spare float, see resampleRow
        const auto rowOf = [&](int r) {
            float* row = &ring[size_t(r % down.count) * size_t(rowLength)];
            if (held[size_t(r % down.count)] != r) {
                // Converted once, so that the taps below run on floats alone.
                std::copy_n(picture.constScanLine(r), size_t(inW) * Channels, source.begin());
                resampleRow<Channels>(source.data(), across, outW, row);
                held[size_t(r % down.count)] = r;
            }
            return static_cast<const float*>(row);
        };
        for (int y = 0; y < outH; ++y)
            resampleColumns<float>(rowOf, rowLength, down, y, sum.data(), result.scanLine(y));
    } else {
        std::vector<float> column(size_t(inW) * Channels + 1, 0.0f); // one spare float, see resampleRow
        std::vector<float> sum(column.size());
        const auto rowOf = [&](int r) { return picture.constScanLine(r); };
        for (int y = 0; y < outH; ++y) {
            resampleColumns<uint8_t>(rowOf, inW * Channels, down, y, sum.data(), column.data());
            resampleRow<Channels>(column.data(), across, outW, result.scanLine(y));
        }
    }
}

} // namespace

RasterPicture resampled(const RasterPicture& picture, const QSize& size, ResampleFilter filter)
{
    if (picture.isNull() || size.isEmpty())
        return {};
    RasterPicture result(size.width(), size.height(), picture.channels());
    if (picture.channels() == 1)
        resampleInto<1>(picture, result, filter);
    else
        resampleInto<3>(picture, result, filter);
    return result;
}
