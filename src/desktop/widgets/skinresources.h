#pragma once

#include "desktop/widgets/buttonfaces.h"

#include <QFont>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QPixmap>

enum class ArtKind;

//! The fonts and pictures every view shares. One instance, made by the main window at
//! start-up and used on the GUI thread only (it needs a QGuiApplication).
class SkinResources
{
public:
    //! Style bits a font is made from.
    enum FontStyle {
        Bold = 1,
        Underline = 2,
        Italic = 4,
        Large = 16,
        Small = 32,
        Medium = 64
    };

    SkinResources();
    SkinResources(const SkinResources&) = delete;
    SkinResources& operator=(const SkinResources&) = delete;

    //! Liberation Sans: 22 px with Large, else 20 px with Medium, else 14 px with Small,
    //! else 16 px; Black weight with Bold or Large; italic and underline from their bits.
    static QFont fontFromStyle(int styleBits);

    //! 20 px heavy: dialog header labels.
    const QFont& titleFont() const { return m_titleFont; }
    //! 20 px: slide numbers in the thumbnail strip.
    const QFont& numberFont() const { return m_numberFont; }
    //! 14 px: narration lengths in the thumbnail strip.
    const QFont& smallFont() const { return m_smallFont; }
    //! 16 px: panel texts and values, preview captions.
    const QFont& textFont() const { return m_textFont; }
    //! 16 px heavy: panel and dialog labels.
    const QFont& labelFont() const { return m_labelFont; }
    //! 22 px heavy: panel headings, the strip canvas.
    const QFont& largeFont() const { return m_largeFont; }

    //! Bitmap 100, 75 × 75: stands in for a podcast segment's picture.
    const QPixmap& podcastPicture() const { return m_podcastPicture; }
    //! Bitmap 102, 17 × 69.
    const QPixmap& overlay() const { return m_overlay; }
    //! Bitmap 103, 75 × 75: a slide whose picture is still being imported.
    const QPixmap& placeholderThumbnail() const { return m_placeholderThumbnail; }
    //! Bitmap 104, 81 × 81: drawn one pixel up and left of every strip thumbnail.
    const QPixmap& thumbnailBackdrop() const { return m_thumbnailBackdrop; }
    //! Bitmap 900, 123 × 25: the word mark in the preview player.
    const QPixmap& logo() const { return m_logo; }

    //! A button face or icon drawn at size (logical pixels) for a screen of devicePixelRatio,
    //! transparent where the picture is: icon ids (100, 120, 513, 900, 1000–4002) and the
    //! preview bitmaps 200–209. The pixmap has size × ratio pixels and carries the ratio.
    //! Cached; null for an unknown id, id 0, an empty size or a ratio that is not positive.
    QPixmap face(int id, QSize size, qreal devicePixelRatio = 1.0) const;
    //! A bitmap resource (100, 102, 103, 104, 200–209, 900) at its own size and the ratio;
    //! null if unknown.
    QPixmap bitmap(int id, qreal devicePixelRatio = 1.0) const;
    //! Three faces at size and the ratio; a zero id leaves its face null.
    ButtonFaces faces(int normalId, int hoverId, int pressedId, QSize size, qreal devicePixelRatio = 1.0) const;
    //! Draws those three faces for whatever ratio a button is shown at; holds this, which
    //! must outlive the buttons using it.
    FaceRenderer faceRenderer(int normalId, int hoverId, int pressedId, QSize size) const;
    //! Icon 100 at 16, 32, 48 and 256 pixels.
    QIcon programIcon() const;

    //! Bitmap 103 as an opaque image for the story library's placeholder; any thread.
    static QImage placeholderThumbnailImage();

private:
    QPixmap cached(ArtKind kind, int id, QSize size, qreal devicePixelRatio) const;

    // Declared first: the bitmaps below are rendered through it.
    mutable QHash<QString, QPixmap> m_cache;
    QFont m_titleFont;
    QFont m_numberFont;
    QFont m_smallFont;
    QFont m_textFont;
    QFont m_labelFont;
    QFont m_largeFont;
    QPixmap m_podcastPicture;
    QPixmap m_overlay;
    QPixmap m_placeholderThumbnail;
    QPixmap m_thumbnailBackdrop;
    QPixmap m_logo;
    QIcon m_programIcon;
};
