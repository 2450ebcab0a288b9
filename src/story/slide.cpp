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

Slide::Slide(Story& story) : m_story(story), m_id(story.takeSlideId()), m_thumbnail(placeholderThumbnail())
{}

namespace {

//! Stores value into field; true when that changed it.
template <typename T>
bool store(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void Slide::tellContent()
{
    m_story.slideChanging(*this, Story::Change::Content);
}

void Slide::tellNarration()
{
    m_story.slideChanging(*this, Story::Change::Narration);
}

void Slide::setKind(SlideKind kind)
{
    const bool changed = store(m_kind, kind);
    if (kind == SlideKind::Segment)
        setReady(true);
    if (changed)
        tellContent();
}

void Slide::setCaption(const QString& caption)
{
    if (store(m_caption, text::cut(text::normalizeLineBreaks(caption), capacity::Caption)))
        tellContent();
}

void Slide::setTags(const QString& tags)
{
    if (store(m_tags, text::cut(text::oneLine(tags), capacity::SlideTags)))
        tellContent();
}

void Slide::setCueText(const QString& cue)
{
    if (store(m_cueText, text::cut(text::normalizeLineBreaks(cue), capacity::Cue)))
        tellContent();
}

void Slide::setSourcePicturePath(const QString& path)
{
    if (store(m_sourcePicturePath, text::cut(path, capacity::Path)))
        tellContent();
}

void Slide::setNarrationWavPath(const QString& path)
{
    if (store(m_narrationWavPath, text::cut(path, capacity::Path)))
        tellContent();
}

void Slide::setNarrationMp3Path(const QString& path)
{
    if (store(m_narrationMp3Path, text::cut(path, capacity::Path)))
        tellContent();
}

void Slide::setSlideJpegPath(const QString& path)
{
    if (store(m_slideJpegPath, text::cut(path, capacity::Path)))
        tellContent();
}

void Slide::setThumbnailJpegPath(const QString& path)
{
    if (store(m_thumbnailJpegPath, text::cut(path, capacity::Path)))
        tellContent();
}

void Slide::setHasNarration(bool has)
{
    if (store(m_hasNarration, has))
        tellNarration();
}

void Slide::setNarrationLength(int seconds)
{
    if (store(m_narrationLength, seconds))
        tellNarration();
}

void Slide::takeReplaced()
{
    m_mp3Encoded.store(false);
    tellNarration();
}

void Slide::setRecording(bool recording)
{
    if (m_recording.exchange(recording) != recording)
        tellNarration();
}

void Slide::setRotation(int quarterTurns)
{
    if (store(m_rotation, quarterTurns))
        tellContent();
}

void Slide::replacePicture(const QImage& picture)
{
    if (store(m_picture, picture))
        tellContent();
}

void Slide::setThumbnail(const QImage& thumbnail)
{
    if (store(m_thumbnail, thumbnail))
        tellContent();
}

void Slide::clearNarration()
{
    {
        const Story::ChangeBatch batch(m_story);
        setHasNarration(false);
        setNarrationLength(0);
    }
    if (!m_narrationWavPath.isEmpty())
        QFile::remove(m_narrationWavPath);
}
