#pragma once

#include "export/exportjob.h"

#include <QString>

class ExportProgress;

//! Why an export made no file.
enum class ExportError {
    None,
    NothingToExport,
    WrongFormat, //!< the output's extension does not fit the story (a podcast as .mp4, …)
    BadSize,
    NoFonts, //!< captions asked for without the fonts of a GUI application
    PictureMissing,
    NarrationUnreadable,
    FolderMissing,
    Unwritable,
    DiskFull,
    EncoderMissing,
    EncodeFailed,
    WriteFailed,
    Cancelled
};

//! How an export ended.
struct ExportResult
{
    ExportError error = ExportError::None;
    //! What went wrong, for the user; empty on success.
    QString message;
    QString outputPath;
    qint64 bytes = 0;   //!< of the file made
    double seconds = 0; //!< the file's length

    bool ok() const { return error == ExportError::None; }
};

//! Why the job cannot be exported as it stands (nothing to export, a format that does not fit
//! the story, a bad frame size, a missing picture or narration, an output folder that is not
//! there); checked before anything is written. ok() when it can.
ExportResult checkExportJob(const ExportJob& job);

//! Exports the job: every slide's sound one after another (each narration brought to one
//! loudness when the job asks, then resampled to 48 kHz mono; a slide without one is
//! SilentSlideSeconds of silence) and, for a video, each slide's picture for exactly its sound's
//! length: the frame on which a slide starts is computed from the sound written before it, so
//! the pictures never drift from the narrations. Writes to a temporary file beside the output
//! and renames it over the output only when complete; on failure or cancel no file is left and
//! an earlier file at the output stays as it was. Publishes its fraction to progress and checks
//! its cancel between pictures and blocks of sound. Runs on the caller's (a worker) thread;
//! reads only the job's files.
ExportResult runExport(const ExportJob& job, ExportProgress& progress);
