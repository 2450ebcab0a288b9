#include "export/slideframe.h"

#include "pictures/imageworker.h"
#include "pictures/picturedecoder.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const QString captionFamily = QStringLiteral("Liberation Sans");
constexpr int captionFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

QImage toImage(const RasterPicture& picture)
{
    if (picture.isNull())
        return {};
    QImage image(picture.width(), picture.height(),
                 picture.isGrayscale() ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image.isNull())
        return {};
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(image.scanLine(y), picture.constScanLine(y), size_t(picture.stride()));
    return image;
}

//! Caption text: a twentieth of the frame's height (36 pixels in 720), never below 10.
int captionPixelSize(QSize frame)
{
    return std::max(10, frame.height() / 20);
}

QFont captionFont(QSize frame)
{
    QFont font(captionFamily);
    font.setPixelSize(captionPixelSize(frame));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

//! Room between the band's edges and its text: 40 % of the text size.
int captionPadding(QSize frame)
{
    return std::max(2, captionPixelSize(frame) * 2 / 5);
}

//! The text's width: the frame less a margin of two text sizes on either side, when it fits.
int captionTextWidth(QSize frame)
{
    const int margin = std::min(2 * captionPixelSize(frame), frame.width() / 8);
    return std::max(1, frame.width() - 2 * margin);
}

} // namespace

QImage loadExportPicture(const QString& path, int quarterTurns, int longestSide)
{
    if (!QFileInfo(path).isFile())
        return {};
    const QString decoder = ImageWorker::decoderFor(path);
    if (decoder.isEmpty())
        return {};
    DecodedPicture decoded = decodePicture(path, decoder, longestSide);
    if (decoded.picture.isNull())
        return {};
    return toImage(quarterTurns % 4 == 0 ? std::move(decoded.picture) : decoded.picture.turned(quarterTurns));
}

QRect fittedPictureRect(QSize picture, QSize frame)
{
    if (picture.isEmpty() || frame.isEmpty())
        return {};
    const double scale = std::min(double(frame.width()) / picture.width(), double(frame.height()) / picture.height());
    const int width = std::clamp(int(std::lround(picture.width() * scale)), 1, frame.width());
    const int height = std::clamp(int(std::lround(picture.height() * scale)), 1, frame.height());
    return QRect((frame.width() - width) / 2, (frame.height() - height) / 2, width, height);
}

QRect captionBandRect(const QString& caption, QSize frame)
{
    if (caption.trimmed().isEmpty() || frame.isEmpty())
        return {};
    const QFontMetrics metrics(captionFont(frame));
    const int textWidth = captionTextWidth(frame);
    const QRect text = metrics.boundingRect(QRect(0, 0, textWidth, frame.height()), captionFlags, caption);
    // At most half the frame: a caption never hides the whole picture.
    const int height = std::min(text.height() + 2 * captionPadding(frame), frame.height() / 2);
    return QRect(0, frame.height() - height, frame.width(), height);
}

QImage composeSlideFrame(const QImage& picture, QSize frame, const QString& caption)
{
    QImage image(frame, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::black);
    QPainter painter(&image);
    const QRect target = fittedPictureRect(picture.size(), frame);
    if (!target.isEmpty()) {
        // Scaled beforehand with area averaging when it shrinks, bilinear when it grows.
        painter.drawImage(target.topLeft(),
                          picture.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    const QRect band = captionBandRect(caption, frame);
    if (!band.isEmpty()) {
        painter.fillRect(band, QColor(0, 0, 0, 160));
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(captionFont(frame));
        painter.setPen(Qt::white);
        const int padding = captionPadding(frame);
        const int textWidth = captionTextWidth(frame);
        const QRect text((frame.width() - textWidth) / 2, band.top() + padding, textWidth, band.height() - 2 * padding);
        painter.setClipRect(band);
        painter.drawText(text, captionFlags, caption);
    }
    painter.end();
    return image;
}
