#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace svgart {

//! Draws the SVG at path into a transparent ARGB image of size logical pixels at
//! devicePixelRatio: size × ratio device pixels, keeping the drawing's proportions and
//! centring it. Null when the file is missing or not SVG, size is empty or the ratio is not
//! positive. Needs no GUI thread.
QImage render(const QString& path, QSize size, qreal devicePixelRatio = 1.0);

} // namespace svgart
