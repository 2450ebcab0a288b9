#include "desktop/widgets/svgart.h"

#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

Q_LOGGING_CATEGORY(lcSvgArt, "pictorelle.views.art")

namespace svgart {

QImage render(const QString& path, QSize size)
{
    if (size.isEmpty())
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) {
        qCWarning(lcSvgArt) << "cannot draw" << path;
        return {};
    }
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1.0);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace svgart
