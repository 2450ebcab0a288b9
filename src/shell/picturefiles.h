#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

//! A picture a slide can be made from, by the name's ending (any case): ".jpg", ".jpeg",
//! ".tiff", ".tif", ".bmp", ".gif" or ".png".
bool isSlidePictureName(const QString& path);

//! The dropped files that can become slides, in the drop's order: local files only;
//! folders, symbolic links, missing files and other endings are skipped.
QStringList droppedPictureFiles(const QList<QUrl>& urls);

//! The folder part of a chosen file's path, without the last "/"; empty without one.
QString folderOfFile(const QString& path);

//! The file dialog's filter for slide pictures.
QString slidePictureFilter();
