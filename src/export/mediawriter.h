#pragma once

#include "export/exportjob.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

//! Why the media writer stopped.
enum class MediaWriteError {
    None,
    EncoderMissing, //!< the FFmpeg build lacks an encoder or muxer the format needs
    EncoderFailed,  //!< an encoder refused its settings or its input
    Unwritable,     //!< the file cannot be created or written (permissions, read-only)
    DiskFull,
    WriteFailed //!< any other failure writing the file
};

//! Encodes and writes one media file through FFmpeg's libraries: an MP4 of H.264 video
//! (libx264, yuv420p, CRF 20, "veryfast", tuned for still pictures, a key frame at least every
//! KeyFrameSeconds) and AAC sound, with its index before its data ("faststart"); an M4A of AAC
//! sound, also faststart; or an MP3 (libmp3lame). Sound is mono at SampleRate. Used by one
//! thread at a time; writers on different threads work side by side.
class MediaWriter
{
public:
    static constexpr int SampleRate = 48000;
    static constexpr int AudioBitRate = 128000;
    static constexpr int FramesPerSecond = 25;
    static constexpr int KeyFrameSeconds = 5;

    struct Settings
    {
        ExportFormat format = ExportFormat::Mp4;
        QSize frameSize{1280, 720}; //!< even sides; MP4 only
        QString title;              //!< the file's title tag; empty: none
        QString shownPath;          //!< the file errors name; empty: the path written
    };

    MediaWriter();
    //! Releases everything; a file not finished stays as far as it was written.
    ~MediaWriter();
    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    //! Creates (or truncates) the file at path and sets up the encoders. False with error().
    bool open(const QString& path, const Settings& settings);
    //! The picture the frames written next show: frameSize, any format (converted once).
    bool setPicture(const QImage& picture);
    //! Writes count frames of the picture in hand; the first is a key frame when asked for,
    //! so that a player can seek to it.
    bool writeFrames(std::int64_t count, bool keyFrameFirst);
    //! Appends mono samples (-1 to 1) at SampleRate.
    bool writeSound(const float* samples, std::int64_t count);
    //! Writes what the encoders still hold and the file's index, and closes it. False with error().
    bool finish();

    std::int64_t framesWritten() const { return m_framesWritten; }
    std::int64_t samplesWritten() const { return m_samplesWritten; }
    MediaWriteError error() const { return m_error; }
    //! What went wrong, for the user (FFmpeg's own words included).
    QString errorText() const { return m_errorText; }

private:
    struct Codecs;
    bool fail(MediaWriteError error, const QString& text, int code = 0);
    bool failWrite(const QString& what, int code);
    bool sendAudioFrame(int samples);
    bool drain(bool video);
    bool checkOutput(const QString& what);

    std::unique_ptr<Codecs> m_codecs;
    Settings m_settings;
    QString m_path;
    std::int64_t m_framesWritten = 0;
    std::int64_t m_samplesWritten = 0;
    std::int64_t m_samplesSent = 0;
    bool m_headerWritten = false;
    bool m_finished = false;
    MediaWriteError m_error = MediaWriteError::None;
    QString m_errorText;
};
