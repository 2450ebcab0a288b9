#include "testpictures.h"

#include "pictures/picturework.h"

#include <QFile>
#include <QPainter>

#include <cstdlib>

namespace {

bool hasTransparency(const QImage& argb)
{
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) < 255)
                return true;
        }
    }
    return false;
}

} // namespace

QImage filledPicture(int w, int h, const QColor& fill)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

void paintColumns(QImage& image, int from, int to, const QColor& color)
{
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(from, 0, to - from, image.height()), color);
}

void savePicture(const QImage& image, const QString& path, const std::string& magick, bool grayscale, int quality)
{
    initializePictureLibrary();
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    Magick::Image picture;
    picture.read(size_t(argb.width()), size_t(argb.height()), "BGRA", Magick::CharPixel, argb.constBits());
    picture.matte(hasTransparency(argb));
    if (grayscale)
        picture.type(Magick::GrayscaleType);
    picture.quality(size_t(quality));
    Magick::Blob blob;
    picture.write(&blob, magick);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(static_cast<const char*>(blob.data()), qint64(blob.length()));
}

Magick::Image readBack(const QString& path)
{
    initializePictureLibrary();
    Magick::Image image;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return image;
    const QByteArray bytes = file.readAll();
    image.read(Magick::Blob(bytes.constData(), size_t(bytes.size())));
    return image;
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation)
{
    // Big-endian TIFF header, one IFD entry: tag 0x0112 (orientation), SHORT, count 1.
    const char tiff[] = {'M', 'M', 0, 0x2a, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, char(orientation),
                         0,   0,   0, 0,    0, 0};
    QByteArray segment("\xff\xe1", 2);
    const int length = 2 + 6 + int(sizeof tiff);
    segment.append(char(length >> 8)).append(char(length & 0xff));
    segment.append("Exif\0\0", 6).append(tiff, sizeof tiff);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

bool isNear(const QImage& image, int x, int y, const QColor& expected, int tolerance)
{
    const QColor actual = image.pixelColor(x, y);
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QRect nonWhiteArea(const QImage& image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                area |= QRect(x, y, 1, 1);
        }
    }
    return area;
}
