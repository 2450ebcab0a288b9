#pragma once

#include <Magick++.h>
#include <QSize>
#include <QString>

//! A picture file decoded by the image library: upright, without metadata. Internal to the
//! pictures library (it exposes the image library's types).
struct DecodedPicture
{
    Magick::Image image;    //!< no size when the file did not decode
    QSize fullSize;         //!< upright size at full scale; larger than the image after a reduced decode
    int reduction = 1;      //!< 1, 2, 4 or 8: how much smaller than full scale a JPEG was decoded
    bool grayscale = false; //!< decoded as one gray channel or with an all-gray palette
};

//! Decodes the file's first frame from memory with the named decoder ("JPEG", "PNG", ...).
//! A JPEG is decoded at 1/2, 1/4 or 1/8 scale while its longest side stays at least
//! minimumSide (0: always full scale). Turns the picture upright by its EXIF orientation.
DecodedPicture decodePicture(const QString& path, const std::string& decoder, int minimumSide);
