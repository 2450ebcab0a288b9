#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

//! A slide's picture as the video shows it: the file decoded upright (EXIF orientation
//! applied), then turned by quarterTurns (positive clockwise). A large JPEG is decoded at a
//! reduced scale that keeps its longest side at least longestSide. Null when the file is
//! missing or does not decode. Safe on any thread.
QImage loadExportPicture(const QString& path, int quarterTurns, int longestSide);

//! Where a picture of that size lies in the frame: as large as fits, keeping its aspect,
//! centred (the rest of the frame is black). Empty for an empty picture.
QRect fittedPictureRect(QSize picture, QSize frame);

//! The band a caption is drawn on at the bottom of the frame: the whole width, as high as the
//! caption's wrapped lines and their margins. Empty when the caption is empty.
QRect captionBandRect(const QString& caption, QSize frame);

//! One video frame (RGB32): the picture fitted into the frame on black and, when the caption
//! is not empty, the caption in white Liberation Sans, wrapped and centred on a translucent
//! dark band at the bottom; the text is scaled with the frame's height. Captions need the
//! fonts of a GUI application. Safe on any thread.
QImage composeSlideFrame(const QImage& picture, QSize frame, const QString& caption);
