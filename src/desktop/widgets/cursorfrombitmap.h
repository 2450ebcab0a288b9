#pragma once

#include <QCursor>
#include <QImage>

#include <optional>

//! Holds at most one cursor made from a picture (the strip's drag cursor). GUI thread only.
class CursorFromBitmap
{
public:
    //! Releases the held cursor, then holds one of image's size: pixels whose colour equals
    //! colourKey (alpha ignored) are transparent, every other pixel opaque in its colour.
    //! The hotspot is kept inside the picture. False, holding nothing, for a null image.
    bool create(const QImage& image, QRgb colourKey, QPoint hotspot);
    //! The held cursor, or the standard arrow when none is held.
    QCursor current() const;
    bool holdsCursor() const { return m_cursor.has_value(); }
    void release();

private:
    std::optional<QCursor> m_cursor;
};
