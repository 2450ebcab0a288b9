#pragma once

#include <cstddef>

//! The EXIF orientation (1–8) of a JPEG held in memory: read from the first EXIF APP1
//! segment before the image data. 1 (upright) when the file has none, or when the segment
//! is malformed or cut short; never reads outside [data, data + size).
int readExifOrientation(const unsigned char* data, size_t size);
