#include "story/slide.h"

#include "story/story.h"
#include "story/text.h"

#include <QFile>
#include <QPainter>

#include <mutex>

namespace {

QImage makePlaceholder()
{
    QImage image(75, 75, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // A framed landscape: sky, sun and two hills, in quiet greys.
    p.setPen(QPen(QColor(190, 190, 190), 2));
    p.setBrush(QColor(250, 250, 250));
    p.drawRoundedRect(QRectF(14.5, 19.5, 46, 36), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 205, 205));
    p.drawEllipse(QPointF(48, 30), 4.5, 4.5);
    QPolygonF hills;
    hills << QPointF(16, 54) << QPointF(30, 36) << QPointF(40, 47) << QPointF(46, 41) << QPointF(59, 54);
    p.setBrush(QColor(180, 180, 180));
    p.drawPolygon(hills);
    return image;
}

} // namespace

namespace {

std::mutex placeholderLock;

QImage& placeholderStore()
{
    static QImage image = makePlaceholder();
    return image;
}

} // namespace

QImage placeholderThumbnail()
{
    const std::lock_guard guard(placeholderLock);
    return placeholderStore();
}

void setPlaceholderThumbnail(const QImage& image)
{
    if (image.isNull())
        return;
    const std::lock_guard guard(placeholderLock);
    placeholderStore() = image.scaled(75, 75).convertToFormat(QImage::Format_RGB32);
}

Slide::Slide(Story& story) : m_story(story), m_id(story.takeSlideId()), m_thumbnail(placeholderThumbnail()) {}

void Slide::setKind(SlideKind kind)
{
    m_kind = kind;
    if (kind == SlideKind::Segment)
        setReady(true);
}

void Slide::setCaption(const QString& caption)
{
    m_caption = text::cut(text::normalizeLineBreaks(caption), capacity::Caption);
}

void Slide::setTags(const QString& tags)
{
    m_tags = text::cut(text::oneLine(tags), capacity::SlideTags);
}

void Slide::setCueText(const QString& cue)
{
    m_cueText = text::cut(text::normalizeLineBreaks(cue), capacity::Cue);
}

void Slide::setSourcePicturePath(const QString& path)
{
    m_sourcePicturePath = text::cut(path, capacity::Path);
}

void Slide::setNarrationWavPath(const QString& path)
{
    m_narrationWavPath = text::cut(path, capacity::Path);
}

void Slide::setNarrationMp3Path(const QString& path)
{
    m_narrationMp3Path = text::cut(path, capacity::Path);
}

void Slide::setSlideJpegPath(const QString& path)
{
    m_slideJpegPath = text::cut(path, capacity::Path);
}

void Slide::setThumbnailJpegPath(const QString& path)
{
    m_thumbnailJpegPath = text::cut(path, capacity::Path);
}

void Slide::clearNarration()
{
    m_hasNarration = false;
    m_narrationLength = 0;
    if (!m_narrationWavPath.isEmpty())
        QFile::remove(m_narrationWavPath);
}
