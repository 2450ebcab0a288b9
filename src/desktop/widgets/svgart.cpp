#include "desktop/widgets/svgart.h"

#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

Q_LOGGING_CATEGORY(lcSvgArt, "pictorelle.views.art")

namespace svgart {

QImage render(const QString& path, QSize size, qreal devicePixelRatio)
{
    if (size.isEmpty() || !(devicePixelRatio > 0))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        qCWarning(lcSvgArt) << "cannot draw" << path;
        return {};
    }
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    // Drawn from the vector at the screen's own pixels: sharp where one logical pixel is several.
    const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize().expandedTo(QSize(1, 1));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    // The painter works in logical pixels; a ratio like 1.25 rounds the image to whole pixels.
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels) / devicePixelRatio));
    return image;
}

} // namespace svgart
