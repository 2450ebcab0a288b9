#pragma once

#include <QImage>
#include <QString>

//! What one picture run reads and writes. Copied into the worker, so the run
//! never touches a Slide: the result is applied on the story's own thread.
struct PictureJob
{
    QString sourcePath;      //!< picture to decode
    QString slideJpegPath;   //!< 640-pixel slide JPEG written here
    QString thumbJpegPath;   //!< 75 × 75 thumbnail JPEG written here
    QString workingCopyPath; //!< import only: the slide JPEG is copied here ("c" + id + ".jpg")
    int rotation = 0;        //!< quarter turns, positive clockwise; reduced modulo 4 when applied
};

//! What a picture run produced.
struct PictureResult
{
    bool loaded = false;  //!< a decoder ran for the source (the decode itself may have failed)
    bool decoded = false; //!< the source decoded into a valid picture
    QImage picture;       //!< the slide JPEG decoded from memory; null when there is none
    QImage thumbnail;     //!< the 75 × 75 bitmap the strip paints
    qint64 jpegSize = 0;  //!< bytes of the slide JPEG on disk, 0 when missing
};
