#include "desktop/widgets/cursorfrombitmap.h"

#include <QPixmap>

bool CursorFromBitmap::create(const QImage& image, QRgb colourKey, QPoint hotspot)
{
    release();
    if (image.isNull())
        return false;
    QImage shape = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(qRed(colourKey), qGreen(colourKey), qBlue(colourKey));
    for (int y = 0; y < shape.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < shape.width(); ++x) {
            const QRgb opaque = line[x] | 0xff000000u;
            line[x] = opaque == key ? 0u : opaque;
        }
    }
    // A hotspot off the picture is refused by some window systems.
    const int hotX = qBound(0, hotspot.x(), shape.width() - 1);
    const int hotY = qBound(0, hotspot.y(), shape.height() - 1);
    m_cursor.emplace(QPixmap::fromImage(shape), hotX, hotY);
    return true;
}

QCursor CursorFromBitmap::current() const
{
    return m_cursor.value_or(QCursor(Qt::ArrowCursor));
}

void CursorFromBitmap::release()
{
    m_cursor.reset();
}
