#include "desktop/widgets/skinresources.h"

#include "desktop/widgets/artcatalog.h"
#include "desktop/widgets/svgart.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

const QString fontFamily = QStringLiteral("Liberation Sans");

// Cache keys keep the two resource namespaces apart: icon 100 is not bitmap 100.
QString cacheKey(ArtKind kind, int id, QSize size, qreal devicePixelRatio)
{
    return QStringLiteral("%1/%2/%3x%4@%5")
        .arg(int(kind))
        .arg(id)
        .arg(size.width())
        .arg(size.height())
        .arg(devicePixelRatio);
}

QPixmap render(ArtKind kind, int id, QSize size, qreal devicePixelRatio)
{
    const ArtEntry* entry = artcatalog::find(kind, id);
    if (!entry)
        return {};
    return QPixmap::fromImage(svgart::render(artcatalog::resourcePath(*entry, size), size, devicePixelRatio));
}

// Preview player faces exist only as bitmaps; every other face is an icon.
ArtKind faceKind(int id)
{
    return id >= 200 && id <= 209 ? ArtKind::Bitmap : ArtKind::Icon;
}

} // namespace

SkinResources::SkinResources()
    : m_titleFont(fontFromStyle(Medium | Bold)),
      m_numberFont(fontFromStyle(Medium)),
      m_smallFont(fontFromStyle(Small)),
      m_textFont(fontFromStyle(0)),
      m_labelFont(fontFromStyle(Bold)),
      m_largeFont(fontFromStyle(Large | Bold)),
      m_podcastPicture(bitmap(100)),
      m_overlay(bitmap(102)),
      m_placeholderThumbnail(bitmap(103)),
      m_thumbnailBackdrop(bitmap(104)),
      m_logo(bitmap(900))
{
    for (const int edge : {16, 32, 48, 256})
        m_programIcon.addPixmap(face(100, QSize(edge, edge)));
}

QFont SkinResources::fontFromStyle(int styleBits)
{
    QFont font(fontFamily);
    int cell = 16;
    if (styleBits & Large)
        cell = 22;
    else if (styleBits & Medium)
        cell = 20;
    else if (styleBits & Small)
        cell = 14;
    font.setWeight((styleBits & (Bold | Large)) ? QFont::Black : QFont::Normal);
    font.setItalic(styleBits & Italic);
    font.setUnderline(styleBits & Underline);
    // A font's height here is its cell (ascent + descent), as the layout's 16-pixel rows assume;
    // the em is about a tenth smaller. Take the largest em whose cell fits.
    int pixels = cell;
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).height() > cell) {
        --pixels;
        font.setPixelSize(pixels);
    }
    return font;
}

QPixmap SkinResources::face(int id, QSize size, qreal devicePixelRatio) const
{
    return cached(faceKind(id), id, size, devicePixelRatio);
}

QPixmap SkinResources::bitmap(int id, qreal devicePixelRatio) const
{
    const ArtEntry* entry = artcatalog::find(ArtKind::Bitmap, id);
    return entry ? cached(ArtKind::Bitmap, id, entry->size, devicePixelRatio) : QPixmap();
}

ButtonFaces SkinResources::faces(int normalId, int hoverId, int pressedId, QSize size, qreal devicePixelRatio) const
{
    return {face(normalId, size, devicePixelRatio), face(hoverId, size, devicePixelRatio),
            face(pressedId, size, devicePixelRatio)};
}

FaceRenderer SkinResources::faceRenderer(int normalId, int hoverId, int pressedId, QSize size) const
{
    return [this, normalId, hoverId, pressedId, size](qreal devicePixelRatio) {
        return faces(normalId, hoverId, pressedId, size, devicePixelRatio);
    };
}

QIcon SkinResources::programIcon() const
{
    return m_programIcon;
}

QImage SkinResources::placeholderThumbnailImage()
{
    const ArtEntry* entry = artcatalog::find(ArtKind::Bitmap, 103);
    const QImage art = svgart::render(artcatalog::resourcePath(*entry, entry->size), entry->size);
    // Thumbnails are opaque RGB images; a missing drawing still gives a plain tile.
    QImage image(entry->size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.drawImage(0, 0, art);
    return image;
}

QPixmap SkinResources::cached(ArtKind kind, int id, QSize size, qreal devicePixelRatio) const
{
    if (id == 0 || size.isEmpty() || !(devicePixelRatio > 0))
        return {};
    const QString key = cacheKey(kind, id, size, devicePixelRatio);
    const auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return *it;
    const QPixmap pixmap = render(kind, id, size, devicePixelRatio);
    if (!pixmap.isNull())
        m_cache.insert(key, pixmap);
    return pixmap;
}
