#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

//! Why a join wrote nothing.
enum class WaveJoinError {
    None,
    NoInputs,
    InputMissing,
    InputUnreadable,
    InputFormat,
    TooLarge,
    WriteFailed,
    Cancelled
};

//! The outcome of a join; index (0-based) and path name the input or output it is about.
struct WaveJoinResult
{
    WaveJoinError error = WaveJoinError::None;
    int index = -1;
    QString path;
    //! Sample bytes written.
    qint64 dataSize = 0;

    bool ok() const { return error == WaveJoinError::None; }
};

//! The user's text for a failed join, calling the inputs by itemName ("Segment 3 …"); empty for success.
QString waveJoinErrorText(const WaveJoinResult& result, const QString& itemName = QStringLiteral("Segment"));

//! Joins narration waves (PCM, 22050 Hz, 16-bit, mono) into one: the samples of every input
//! in order behind a 44-byte header whose format comes from the last input. For inputs with
//! the recorder's 44-byte header the bytes equal those of joining their clips one by one, yet
//! every sample is copied once, through one small buffer. Checks every input before writing; the output appears only when complete,
//! replacing any file there. Runs on any thread; cancel is checked between buffers.
WaveJoinResult joinNarrationWaves(const QStringList& inputs, const QString& output,
                                  const std::atomic<bool>* cancel = nullptr);
