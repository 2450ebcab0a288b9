#include "pictures/rasterpicture.h"

#include <cstring>

namespace {

// Where the source pixel of output (0, 0) is and how it moves per output column and row.
struct Walk
{
    bool swapsSides;
    bool startsRight;  // output (0, 0) comes from the source's last column
    bool startsBottom; // ... from its last row
};

// EXIF orientation n says how the stored rows must be turned or mirrored to be upright.
constexpr Walk walks[9] = {
    {false, false, false}, // unused
    {false, false, false}, // 1: upright
    {false, true, false},  // 2: mirrored left to right
    {false, true, true},   // 3: upside down
    {false, false, true},  // 4: mirrored top to bottom
    {true, false, false},  // 5: transposed
    {true, false, true},   // 6: turn right to view
    {true, true, true},    // 7: transverse
    {true, true, false},   // 8: turn left to view
};

template <int Channels>
void walkPixels(RasterPicture& to, const uint8_t* start, ptrdiff_t column, ptrdiff_t row)
{
    for (int y = 0; y < to.height(); ++y) {
        const uint8_t* in = start + row * y;
        uint8_t* out = to.scanLine(y);
        for (int x = 0; x < to.width(); ++x, in += column, out += Channels)
            std::memcpy(out, in, Channels);
    }
}

} // namespace

RasterPicture::RasterPicture(int width, int height, int channels)
    : m_width(width),
      m_height(height),
      m_channels(channels),
      m_pixels(width > 0 && height > 0
                   ? std::make_unique_for_overwrite<uint8_t[]>(size_t(width) * size_t(height) * size_t(channels))
                   : nullptr)
{}

RasterPicture RasterPicture::oriented(int exifOrientation) const
{
    if (isNull())
        return {};
    const Walk walk = walks[exifOrientation >= 1 && exifOrientation <= 8 ? exifOrientation : 1];
    RasterPicture result(walk.swapsSides ? m_height : m_width, walk.swapsSides ? m_width : m_height, m_channels);
    const ptrdiff_t pixel = m_channels;
    const ptrdiff_t line = stride();
    // Steps through the source for one output column and one output row.
    ptrdiff_t column = walk.swapsSides ? line : pixel;
    ptrdiff_t row = walk.swapsSides ? pixel : line;
    const uint8_t* start = constBits();
    if (walk.startsRight) {
        start += (m_width - 1) * pixel;
        (walk.swapsSides ? row : column) = -pixel;
    }
    if (walk.startsBottom) {
        start += ptrdiff_t(m_height - 1) * line;
        (walk.swapsSides ? column : row) = -line;
    }
    if (m_channels == 1)
        walkPixels<1>(result, start, column, row);
    else
        walkPixels<3>(result, start, column, row);
    return result;
}

RasterPicture RasterPicture::turned(int quarterTurns) const
{
    // The remainder keeps the sign of quarterTurns: 1 and -3 are both a right turn.
    switch (quarterTurns % 4) {
    case 1:
    case -3:
        return oriented(6);
    case 2:
    case -2:
        return oriented(3);
    case 3:
    case -1:
        return oriented(8);
    default:
        return oriented(1);
    }
}

RasterPicture RasterPicture::copied(const QRect& area) const
{
    const QRect part = area & QRect(QPoint(0, 0), size());
    if (isNull() || part.isEmpty())
        return {};
    RasterPicture result(part.width(), part.height(), m_channels);
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(result.scanLine(y), constScanLine(part.y() + y) + part.x() * m_channels, size_t(result.stride()));
    return result;
}
