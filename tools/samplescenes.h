#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

//! Camera-sized sample photographs painted from gradients and shapes, for filling a story
//! with pictures that look like a holiday rather than a test pattern.
namespace samplescenes {

//! Number of different scenes.
int count();
//! Pixel size of scene index (some are portrait); every side is at least 1200.
QSize size(int index);
//! A short caption fitting scene index.
QString caption(int index);
//! Writes every scene as "scene-N.jpg" (quality 90) into folder; the paths in scene order,
//! empty when a file could not be written.
QStringList writeAll(const QString& folder);

} // namespace samplescenes
