#pragma once

#include "story/picturejob.h"

#include <QImage>
#include <QString>

//! Starts the image library once per process; safe to call from any thread, any number of
//! times. Decoding a picture that TurboJPEG does not handle calls it first; the program may
//! call it early at start-up.
void initializePictureLibrary();

//! True when the path ends in one of the seven picture extensions (.tif .tiff .jpg .jpeg
//! .bmp .gif .png), compared without regard to case.
bool hasPictureExtension(const QString& path);

//! Imports a new picture: writes the slide JPEG, the working copy and the thumbnail JPEG
//! and returns what the slide needs. Runs on a pool thread; touches only the job's files.
PictureResult runPictureImport(const PictureJob& job);

//! Makes the slide JPEG and thumbnail JPEG again from the job's source (the working copy)
//! with the job's rotation. Runs on the caller's thread; writes no working copy.
PictureResult runPictureReprocess(const PictureJob& job);

//! The 75 × 75 strip bitmap: the picture fitted and centred on opaque white. A null picture
//! gives plain white. Safe on any thread.
QImage buildThumbnailBitmap(const QImage& picture);
