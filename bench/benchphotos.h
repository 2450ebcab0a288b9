#pragma once

#include <QSize>
#include <QStringList>

//! Paths of `count` photo-like JPEGs (quality 90) of the given size in `folder`, generated
//! only when missing so that later runs reuse them. Every fourth one carries an EXIF
//! "turn right" orientation, like a phone held upright.
QStringList ensureBenchPhotos(const QString& folder, int count, const QSize& size);
