#pragma once

#include <QString>

#include <atomic>
#include <functional>

//! How a decode of a sound file ended.
enum class AudioDecodeStatus {
    Decoded,
    //! Missing, unreadable, or no format the program reads (a picture, random bytes, empty).
    NotAudio,
    //! A file of a known format without a sound stream the program can decode.
    NoSound,
    //! Decoding failed part way, or the sound ends far before the file says it does.
    Damaged,
    //! Longer than the limit, and the caller did not ask to keep the beginning.
    TooLong,
    Cancelled,
    //! The wave file could not be written (folder missing, disk full).
    WriteFailed
};

//! What decoding a sound file made.
struct AudioDecodeResult
{
    AudioDecodeStatus status = AudioDecodeStatus::NotAudio;
    //! The user's text naming the file; empty when decoded or cancelled.
    QString error;
    //! The finished wave file in the recording format of every narration (decoded only).
    QString wavePath;
    //! Sample bytes in that wave file.
    quint32 dataBytes = 0;
    //! Milliseconds of sound in the file as far as known (-1: unknown): what its container
    //! declares, or what was decoded. For a TooLong file, at least the limit.
    qint64 sourceMs = -1;
    //! The file goes on past the limit and only its beginning was kept.
    bool trimmed = false;

    bool ok() const { return status == AudioDecodeStatus::Decoded; }
    //! Milliseconds of sound in the wave file.
    qint64 lengthMs() const;
    //! Whole seconds of the take, rounded up as every narration length is.
    int seconds() const;
};

//! What the caller may add to a decode.
struct AudioDecodeOptions
{
    //! The longest take kept, in seconds; 0: no limit. Sound up to 100 ms beyond it (a take
    //! of "one minute" from another program often runs a few frames over) is cut without a
    //! word; more makes the file too long.
    int limitSeconds = 0;
    //! A file longer than the limit: true keeps its first limitSeconds and stops decoding
    //! there; false refuses it (TooLong) as soon as that is known.
    bool keepBeginning = false;
    //! Called on the decoding thread with the percent done (0 to 100) whenever it changes.
    std::function<void(int percent)> progress;
    //! Checked before every packet; once set, the decode stops (Cancelled) and leaves no file.
    const std::atomic<bool>* cancel = nullptr;
};

//! Decodes a sound file of any of the common formats (WAV of any rate, channel count and
//! sample format, FLAC, MP3, Ogg Vorbis, Ogg Opus, M4A/AAC) to the recording format of every
//! narration: PCM 22050 Hz, 16-bit, mono. Every channel is mixed into the one with weights
//! that cannot clip (two channels: half each); the rate is converted with a long windowed-sinc
//! filter in floating point and the result rounded to 16 bits. Encoder delay and padding the
//! file declares (MP3 and AAC priming, Opus pre-skip, an M4A's edit list) are left out.
//! Streams the sound straight into a wave file in the given folder under a temporary name and
//! renames it when complete, so the folder never holds half a take under its final name; a
//! failed or cancelled decode leaves no file. A truncated or corrupt file is refused, never
//! taken as a shorter take. Touches no story; runs on any thread, decodes side by side.
class AudioFileDecoder
{
public:
    explicit AudioFileDecoder(QString path);

    QString path() const { return m_path; }

    //! Decodes into a new "import-….wav" in folder (which must exist).
    AudioDecodeResult decodeToFolder(const QString& folder, const AudioDecodeOptions& options = {}) const;

    //! The file chooser's filter for the formats read.
    static QString fileFilter();
    //! "60 s" or "15 min": a limit in seconds as the user reads it.
    static QString limitText(int seconds);
    //! "1:15" / "2:03:07": a length in milliseconds, to the nearest second.
    static QString lengthText(qint64 ms);

private:
    QString m_path;
};
