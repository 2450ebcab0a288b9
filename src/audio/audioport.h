#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

//! A PCM format as a device is opened with it.
struct WaveFormat
{
    quint16 channels = 1;
    quint32 samplesPerSec = 22050;
    quint16 bitsPerSample = 16;

    quint16 blockAlign() const { return quint16(bitsPerSample / 8 * channels); }
    quint32 avgBytesPerSec() const { return blockAlign() * samplesPerSec; }
};

//! One buffer a wave device hands to its port: the port fills it (input) or plays it
//! (output) and then reports it done.
struct WaveBuffer
{
    char* data = nullptr;
    quint32 length = 0;        //!< bytes of data: capacity for input, bytes to play for output
    quint32 bytesRecorded = 0; //!< input: bytes the port filled in
    bool prepared = false;     //!< between submit and the device's finish
};

//! The platform side of a wave device: the sound server's stream. Finished buffers are
//! reported one at a time, in the order they were submitted.
class AudioPort
{
public:
    //! Called on the port's own thread once per finished buffer; must not block.
    using BufferDone = std::function<void()>;

    virtual ~AudioPort() = default;

    //! Opens the default input or output device; false (and nothing to close) when it cannot.
    virtual bool open(const WaveFormat& format, BufferDone bufferDone) = 0;
    virtual void close() = 0;
    //! Queues a buffer: an input port fills it, an output port plays its first length bytes.
    virtual void submit(WaveBuffer& buffer) = 0;
    //! Starts capture (input); output plays as soon as buffers are queued.
    virtual void start() = 0;
    //! Stops capture or playback at once; queued buffers and captured bytes are kept.
    virtual void pause() = 0;
    virtual void resume() = 0;
    //! Hands back every queued buffer promptly through BufferDone, a partly filled one
    //! with its bytesRecorded set.
    virtual void reset() = 0;
    //! Input: steady-clock milliseconds (std::chrono::steady_clock) when the first sample
    //! captured since the last start() arrived; -1 until then, and for ports that do not tell.
    virtual qint64 firstSampleTime() const { return -1; }
    //! Input: the chosen source was not there when the port opened, so it records from the
    //! server's default one instead.
    virtual bool openedDefaultInstead() const { return false; }
    //! The device went away after the port opened (unplugged, or the server ended): nothing
    //! arrives or plays any more and queued buffers come back at once. Any thread.
    virtual bool deviceLost() const { return false; }
};
