#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace svgart {

//! Draws the SVG at path into a transparent ARGB image of exactly size (device pixel
//! ratio 1), keeping the drawing's proportions and centring it. Null when the file is
//! missing or not SVG, or size is empty. Needs no GUI thread.
QImage render(const QString& path, QSize size);

} // namespace svgart
