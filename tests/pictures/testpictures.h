#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <Magick++.h>

#include <string>

//! A w × h picture filled with one colour.
QImage filledPicture(int w, int h, const QColor& fill);
//! Paints the columns [from, to) of the picture in one colour.
void paintColumns(QImage& image, int from, int to, const QColor& color);

//! Writes the picture with the named ImageMagick encoder ("JPEG", "PNG", "GIF", ...).
//! grayscale: stored as a one-channel picture.
void savePicture(const QImage& image, const QString& path, const std::string& magick, bool grayscale = false,
                 int quality = 95);

//! The file as ImageMagick reads it back (size, quality, colour space, profiles).
Magick::Image readBack(const QString& path);

//! A JPEG's bytes with an EXIF block carrying the given orientation (1–8) inserted.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);

//! True when every channel of the pixel is within tolerance of the expected colour.
bool isNear(const QImage& image, int x, int y, const QColor& expected, int tolerance = 48);

//! Bounding rectangle of the pixels that are not pure white.
QRect nonWhiteArea(const QImage& image);
