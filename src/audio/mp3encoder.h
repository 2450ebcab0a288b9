#pragma once

#include <QString>

#include <atomic>
#include <functional>

class Messenger;

//! Percent of the running (or last) conversion's source consumed, 0 to 99. Written by the
//! encoding thread, read by the GUI's timers without a lock; stays put after a conversion ends.
extern std::atomic<int> encodeProgressPercent;

//! Why a conversion made no MP3.
enum class Mp3EncodeError { None, CodecMissing, SourceUnreadable, SourceFormat, EncoderFailed, WriteFailed, Cancelled };

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
    //! Called on the encoding thread with each value published to encodeProgressPercent, in order.
    std::function<void(int)> progress;
    //! Checked before each second of source; once true the conversion stops and leaves no MP3.
    const std::atomic<bool>* cancel = nullptr;
};

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
//! Runs on a worker thread; conversions run one at a time (a second one waits for the first).
Mp3EncodeResult encodeWaveToMp3(Messenger* messenger, const QString& wavePath, const QString& mp3Path,
                                const Mp3EncodeOptions& options = {});

//! encodeWaveToMp3 without options: 1 when the MP3 was made, else 0.
int encodeToMp3(Messenger* messenger, const QString& wavePath, const QString& mp3Path);
