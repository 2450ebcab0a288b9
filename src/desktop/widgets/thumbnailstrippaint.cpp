#include "desktop/widgets/thumbnailstrip.h"

#include "desktop/widgets/skinresources.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/text.h"

#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>

namespace {

const QColor markColour(247, 79, 13);
constexpr int PictureTop = 20;
constexpr int PictureSize = 75;
// The insertion bar: this wide, reaching this far above and below the pictures.
constexpr int MarkerWidth = 4;
constexpr int MarkerOverhang = 4;
constexpr int PodcastPictureId = 100;
constexpr int BackdropId = 104;

//! The stored 75 × 75 thumbnail smoothed up to the device pixels of a ratio above 1, so that
//! Qt does not stretch it pixel by pixel.
QImage thumbnailAt(const QImage& thumbnail, qreal devicePixelRatio)
{
    if (thumbnail.isNull() || devicePixelRatio <= 1.0)
        return thumbnail;
    const QSize pixels = (QSizeF(PictureSize, PictureSize) * devicePixelRatio).toSize();
    QImage sharp = thumbnail.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    sharp.setDevicePixelRatio(devicePixelRatio);
    return sharp;
}

} // namespace

void ThumbnailStrip::paintEvent(QPaintEvent*)
{
    // Widgets paint into a back buffer already: draw straight in, and only the slides in view,
    // so a frame costs the same with 5 slides or 50.
    QPainter painter(this);
    const int w = width();
    const int h = clientHeight();
    painter.fillRect(0, 0, w, h, Qt::white);
    if (m_story.count() == 0) {
        if (!m_story.isPodcast()) {
            painter.setFont(m_skin.textFont());
            painter.setPen(QColor(150, 150, 150));
            painter.drawText(QRect(0, 0, w, h), Qt::AlignCenter,
                             QStringLiteral("Drop pictures here, or click Add Slide"));
        }
        return;
    }
    painter.setClipRect(0, 0, w, h);
    painter.translate(-m_scrollPosition, 0);
    constexpr int slideExtent = 82; // backdrop one pixel left of the picture, labels under it
    for (int i = 0; i < m_story.count(); ++i) {
        const int x = placeOf(i).drawn;
        if (x + slideExtent < m_scrollPosition || x - 1 > m_scrollPosition + w)
            continue;
        drawSlide(painter, *m_story.slideAt(i), i);
    }
    // Over the thumbnails, so a slide still gliding cannot hide it.
    if (m_dragSource != -1 && m_markerSlot != NoMarker)
        painter.fillRect(markerX(m_markerSlot) - MarkerWidth / 2, PictureTop - MarkerOverhang, MarkerWidth,
                         PictureSize + 2 * MarkerOverhang, markColour);
}

void ThumbnailStrip::drawSlide(QPainter& painter, const Slide& slide, int index) const
{
    const int x = placeOf(index).drawn;
    // The art is drawn for the screen's pixels; the thumbnail keeps the size the story stores.
    const qreal ratio = devicePixelRatioF();
    painter.drawPixmap(x - 1, PictureTop - 1, m_skin.bitmap(BackdropId, ratio));
    const QRect picture(x, PictureTop, PictureSize, PictureSize);
    if (slide.kind() == SlideKind::Segment)
        painter.drawPixmap(picture, m_skin.bitmap(PodcastPictureId, ratio));
    else
        painter.drawImage(picture, thumbnailAt(slide.thumbnail(), ratio));

    if (isSelected(index)) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(markColour);
        for (int inset = 0; inset < 3; ++inset)
            painter.drawRect(picture.adjusted(inset, inset, -1 - inset, -1 - inset));
        painter.setPen(Qt::white);
        painter.drawRect(picture.adjusted(3, 3, -4, -4));
    }

    painter.setFont(m_skin.numberFont());
    painter.setPen(markColour);
    painter.drawText(QRect(x, 109, 30, 20), Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::number(index + 1));
    painter.setFont(m_skin.smallFont());
    painter.setPen(Qt::black);
    painter.drawText(QRect(x + 37, 110, 37, 20), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     text::formatDuration(slide.narrationLength()));
}

QImage ThumbnailStrip::dragImage(const Slide& slide) const
{
    QImage image(PictureSize, PictureSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRect picture(0, 0, PictureSize, PictureSize);
    if (slide.kind() == SlideKind::Segment)
        painter.drawPixmap(picture, m_skin.podcastPicture());
    else
        painter.drawImage(picture, slide.thumbnail());
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, PictureSize - 1, PictureSize - 1);
    return image;
}

void ThumbnailStrip::resizeEvent(QResizeEvent* event)
{
    m_scrollBar->setGeometry(0, clientHeight(), width(), height() - clientHeight());
    resetScroll();
    QWidget::resizeEvent(event);
}

void ThumbnailStrip::moveEvent(QMoveEvent* event)
{
    resetScroll();
    QWidget::moveEvent(event);
}
