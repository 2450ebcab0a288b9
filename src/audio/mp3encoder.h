#pragma once

#include "audio/encodeprogress.h"

#include <QString>
#include <QStringList>

#include <functional>

class Messenger;

//! Why a conversion made no MP3.
enum class Mp3EncodeError {
    None,
    CodecMissing,
    SourceUnreadable,
    SourceFormat,
    EncoderFailed,
    WriteFailed,
    Cancelled
};

//! The outcome of one conversion; path names the file the error is about.
struct Mp3EncodeResult
{
    Mp3EncodeError error = Mp3EncodeError::None;
    QString path;

    bool ok() const { return error == Mp3EncodeError::None; }
};

//! What the caller may add to a conversion.
struct Mp3EncodeOptions
{
    //! The caller's progress and cancel: the percent is published to it once per second of
    //! source, and its cancel is checked before each; once set the conversion stops and leaves
    //! no MP3. Null: nothing published, never cancelled.
    EncodeProgress* state = nullptr;
    //! Called on the encoding thread with each value published, in order.
    std::function<void(int)> progress;
    //! Called on the encoding thread with each block of the source's sample bytes as read,
    //! in order (little-endian, as stored): a digest of what was encoded.
    std::function<void(const char*, qint64)> sourceData;
    //! Each source wave's samples are brought to one loudness before they are encoded (see
    //! audio/loudness.h), each wave on its own; the waves themselves are left as they are.
    bool evenLoudness = false;
};

//! The encoder's settings as text ("mp3 22050 Hz mono cbr 24 q7"), with evenLoudness followed
//! by the loudness and true-peak ceiling the samples are brought to ("... r128 -16 -1"): two
//! MP3s made from the same samples with the same settings are the same.
QString mp3EncoderSettings(bool evenLoudness = false);

//! Caption of the message shown when the encoder library is missing.
QString mp3EncodingErrorCaption();
//! Text of that message.
QString mp3CodecMissingText();
//! The user's text for a failed conversion; empty for success.
QString mp3EncodeErrorText(const Mp3EncodeResult& result);

//! Converts a 16-bit PCM wave (mono or stereo, any rate) into a raw MPEG Layer-3 stream of
//! 22050 Hz mono at 24 kbit/s constant rate, with no wrapper, tag or info frame. Deletes any
//! file at mp3Path first; the new MP3 appears there only once complete. With the encoder
//! library not loaded, shows the missing-codec message through messenger (when given).
//! Runs on a worker thread; conversions on different threads run side by side.
Mp3EncodeResult encodeWaveToMp3(Messenger* messenger, const QString& wavePath, const QString& mp3Path,
                                const Mp3EncodeOptions& options = {});

//! encodeWaveToMp3 of the samples of several waves one after another, as if joined into one
//! (a podcast's segments): every wave must have the first one's format (SourceFormat names the
//! first that does not). With evenLoudness each wave is evened out on its own.
Mp3EncodeResult encodeWavesToMp3(Messenger* messenger, const QStringList& wavePaths, const QString& mp3Path,
                                 const Mp3EncodeOptions& options = {});

//! encodeWaveToMp3 publishing to state (when given): 1 when the MP3 was made, else 0.
int encodeToMp3(Messenger* messenger, const QString& wavePath, const QString& mp3Path, EncodeProgress* state = nullptr);
