#include "pictures/picturework.h"
#include "pictures/rasterpicture.h"
#include "pictures/rasterresampler.h"

#include <Magick++.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// Fine noise over gradients and hard edges: every weight of the filter shows in the result.
RasterPicture detailedPicture(int w, int h, int channels)
{
    RasterPicture picture(w, h, channels);
    for (int y = 0; y < h; ++y) {
        uint8_t* line = picture.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const unsigned hash = (unsigned(x) * 374761393u + unsigned(y) * 668265263u) ^ 0x5bd1e995u;
            const bool edge = (x / 37 + y / 23) % 2 == 0;
            for (int c = 0; c < channels; ++c) {
                const int base = edge ? 40 + 60 * c : 200 - 50 * c;
                line[x * channels + c] =
                    uint8_t(std::clamp(base + int((hash >> (8 * c)) & 63) - 32 + x * 20 / w, 0, 255));
            }
        }
    }
    return picture;
}

// ImageMagick's resize of the same pixels with the same filter.
RasterPicture magickResized(const RasterPicture& picture, const QSize& size, Magick::FilterTypes filter)
{
    initializePictureLibrary();
    const char* map = picture.channels() == 1 ? "R" : "RGB";
    Magick::Image image;
    if (picture.channels() == 1) {
        // Gray pixels in all three channels, as ImageMagick keeps a gray picture.
        std::vector<uint8_t> rgb(size_t(picture.width()) * size_t(picture.height()) * 3);
        for (size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = picture.constBits()[i / 3];
        image.read(size_t(picture.width()), size_t(picture.height()), "RGB", Magick::CharPixel, rgb.data());
    } else {
        image.read(size_t(picture.width()), size_t(picture.height()), map, Magick::CharPixel, picture.constBits());
    }
    image.filterType(filter);
    Magick::Geometry geometry(size_t(size.width()), size_t(size.height()));
    geometry.aspect(true);
    image.resize(geometry);
    RasterPicture result(int(image.columns()), int(image.rows()), picture.channels());
    image.write(0, 0, image.columns(), image.rows(), map, Magick::CharPixel, result.bits());
    return result;
}

int largestDifference(const RasterPicture& a, const RasterPicture& b)
{
    int largest = 0;
    const size_t bytes = size_t(a.stride()) * size_t(a.height());
    for (size_t i = 0; i < bytes; ++i)
        largest = std::max(largest, std::abs(int(a.constBits()[i]) - int(b.constBits()[i])));
    return largest;
}

} // namespace

TEST(RasterResampler, GivesImageMagicksResultForTheSameFilter)
{
    struct Case
    {
        QSize from, to;
        int channels;
        ResampleFilter filter;
        Magick::FilterTypes magick;
    };
    const Case cases[] = {
        // a 24 MP photo decoded at 1/8, and a 3000 × 2000 one cut just above the slide size
        {{750, 500}, {640, 426}, 3, ResampleFilter::Spline, Magick::SplineFilter},
        {{641, 321}, {640, 320}, 3, ResampleFilter::Spline, Magick::SplineFilter},
        // a portrait gray picture
        {{525, 675}, {497, 640}, 1, ResampleFilter::Spline, Magick::SplineFilter},
        // thumbnails: the square of a slide, and a thin picture's square enlarged
        {{426, 426}, {75, 75}, 3, ResampleFilter::CatmullRom, Magick::CatromFilter},
        {{50, 50}, {75, 75}, 3, ResampleFilter::CatmullRom, Magick::CatromFilter},
        // a picture two pixels high shrunk to one
        {{2000, 2}, {640, 1}, 3, ResampleFilter::Spline, Magick::SplineFilter},
    };
    for (const Case& c : cases) {
        // GIVEN a detailed picture
        const RasterPicture picture = detailedPicture(c.from.width(), c.from.height(), c.channels);
        // WHEN it is resampled
        const RasterPicture ours = resampled(picture, c.to, c.filter);
        // THEN every pixel is within one level of ImageMagick's resize with the same filter
        const RasterPicture reference = magickResized(picture, c.to, c.magick);
        ASSERT_EQ(ours.size(), c.to);
        ASSERT_EQ(ours.channels(), c.channels);
        ASSERT_EQ(reference.size(), c.to);
        EXPECT_LE(largestDifference(ours, reference), 1) << c.from.width() << "x" << c.from.height();
    }
    // GIVEN no picture or no size  THEN nothing comes out
    EXPECT_TRUE(resampled(RasterPicture(), QSize(10, 10), ResampleFilter::Spline).isNull());
    EXPECT_TRUE(resampled(detailedPicture(4, 4, 3), QSize(0, 3), ResampleFilter::Spline).isNull());
}

TEST(RasterPicture, TurnsAndCopiesPixelsExactly)
{
    // GIVEN a 3 × 2 gray picture numbered row by row: 1 2 3 / 4 5 6
    RasterPicture picture(3, 2, 1);
    for (int i = 0; i < 6; ++i)
        picture.bits()[i] = uint8_t(i + 1);
    auto pixels = [](const RasterPicture& p) {
        return std::vector<int>(p.constBits(), p.constBits() + p.stride() * p.height());
    };
    // WHEN it is turned  THEN the pixels land where a quarter, half or three-quarter turn puts them
    const std::pair<int, std::vector<int>> turns[] = {
        {1, {4, 1, 5, 2, 6, 3}},  {-3, {4, 1, 5, 2, 6, 3}}, {2, {6, 5, 4, 3, 2, 1}},
        {-1, {3, 6, 2, 5, 1, 4}}, {4, {1, 2, 3, 4, 5, 6}},
    };
    for (const auto& [quarterTurns, expected] : turns) {
        const RasterPicture turned = picture.turned(quarterTurns);
        EXPECT_EQ(turned.size(), quarterTurns % 2 != 0 ? QSize(2, 3) : QSize(3, 2)) << quarterTurns;
        EXPECT_EQ(pixels(turned), expected) << quarterTurns;
    }
    // WHEN a part is copied  THEN it holds exactly that part, clipped to the picture
    EXPECT_EQ(pixels(picture.copied(QRect(1, 0, 2, 2))), (std::vector<int>{2, 3, 5, 6}));
    EXPECT_EQ(pixels(picture.copied(QRect(2, 1, 5, 5))), (std::vector<int>{6}));
    EXPECT_TRUE(picture.copied(QRect(5, 5, 2, 2)).isNull());
}
