#pragma once

#include "pictures/rasterpicture.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstddef>
#include <optional>

//! A JPEG as TurboJPEG decoded it: as stored, without its EXIF orientation applied.
struct ScaledJpeg
{
    RasterPicture picture; //!< one gray channel for a grayscale JPEG, RGB otherwise
    QSize fullSize;        //!< stored size at full scale; larger than the picture after a reduced decode
};

//! JPEG decoding with TurboJPEG and encoding with libjpeg. Safe on any thread: every call has
//! its own codec.
namespace jpegcodec {

//! Decodes a JPEG held in memory at the smallest DCT scale (1/8, 1/4, 3/8 … 1) whose longest
//! side is still at least minimumSide; at full scale when the picture is not larger than
//! that, or when minimumSide is 0. A damaged or cut-off file gives what could be decoded.
//! Nothing when TurboJPEG refuses the file (CMYK, an unreadable header, a fatal error in the
//! image data): another decoder should try it.
std::optional<ScaledJpeg> decodeScaled(const unsigned char* data, size_t size, int minimumSide);

//! The picture as a baseline JPEG of the given quality (1–100) with Huffman tables made for
//! it, chroma halved both ways below 90 and kept whole from 90 on, as ImageMagick writes;
//! a one-channel picture gives a grayscale JPEG. Encoded with libjpeg (TurboJPEG cannot make
//! such tables). Empty when the picture is null or could not be encoded.
QByteArray encode(const RasterPicture& picture, int quality);

//! A JPEG held in memory decoded at full size into the image Qt's own reader makes of it
//! (same decoder, same settings): RGB32, or Grayscale8 for a grayscale JPEG. Null when
//! TurboJPEG does not decode it cleanly; Qt's reader may still try.
QImage decodeImage(const QByteArray& jpeg);

} // namespace jpegcodec
