#pragma once

#include "pictures/rasterpicture.h"

#include <QSize>
#include <QString>

//! A picture file decoded into 8-bit pixels: upright, transparent parts on white.
struct DecodedPicture
{
    RasterPicture picture; //!< null when the file did not decode; one channel when grayscale
    QSize fullSize;        //!< upright size at full scale; larger than the picture after a reduced decode
};

//! Decodes the file's first frame with the named decoder ("JPEG", "PNG", ...). A JPEG is
//! decoded by TurboJPEG at the smallest DCT scale whose longest side stays at least
//! minimumSide (0: full scale); a JPEG TurboJPEG refuses (CMYK, damaged beyond its reach) and
//! every other format go through the image library. Turns the picture upright by its EXIF
//! orientation. Safe on any thread.
DecodedPicture decodePicture(const QString& path, const QString& decoder, int minimumSide);
