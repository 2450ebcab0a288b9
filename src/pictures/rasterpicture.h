#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>

//! An 8-bit picture in memory: one gray channel or three RGB channels per pixel, rows
//! packed without padding. Move-only; the transforms return new pictures.
class RasterPicture
{
public:
    RasterPicture() = default;
    //! Uninitialised pixels; channels is 1 (gray) or 3 (RGB).
    RasterPicture(int width, int height, int channels);

    bool isNull() const { return m_width <= 0 || m_height <= 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    QSize size() const { return {m_width, m_height}; }
    int channels() const { return m_channels; }
    bool isGrayscale() const { return m_channels == 1; }
    //! Bytes per row.
    int stride() const { return m_width * m_channels; }

    uint8_t* bits() { return m_pixels.get(); }
    const uint8_t* constBits() const { return m_pixels.get(); }
    uint8_t* scanLine(int y) { return bits() + size_t(y) * size_t(stride()); }
    const uint8_t* constScanLine(int y) const { return constBits() + size_t(y) * size_t(stride()); }

    //! The picture shown the way an EXIF orientation (1–8) says; any other value gives a copy.
    RasterPicture oriented(int exifOrientation) const;
    //! Turned by quarter turns, positive clockwise, reduced modulo 4 (1 and -3 are both a right turn).
    RasterPicture turned(int quarterTurns) const;
    //! The part inside area, which must lie inside the picture.
    RasterPicture copied(const QRect& area) const;

private:
    int m_width = 0;
    int m_height = 0;
    int m_channels = 0;
    std::unique_ptr<uint8_t[]> m_pixels;
};
