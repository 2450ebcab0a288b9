#pragma once

#include "audio/audioport.h"

#include <QString>

#include <memory>
#include <mutex>

struct pa_context;
struct pa_mainloop_api;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

class WarmInput;

//! The sound server's side of wave devices: each port is a PulseAudio stream on the default
//! source or sink ($PULSE_SERVER when set), with its own connection and threaded main loop.
//! prepareInput keeps one input stream open and running between recordings; the next input
//! port takes it over, so a recording starts without waiting for the server or the source.
class PulseAudioBackend : public AudioBackend
{
public:
    PulseAudioBackend();
    //! Waits for an input still being prepared and closes it.
    ~PulseAudioBackend() override;
    std::unique_ptr<AudioPort> createInputPort() override;
    std::unique_ptr<AudioPort> createOutputPort() override;
    void prepareInput() override;
    //! Blocks until an input being prepared is open (or failed to open); true when it is ready.
    bool waitForPreparedInput();
    //! Why the last port of this backend that failed to open did so; empty when none failed.
    QString lastError() const;

    //! Shared with the ports, which may outlive the backend.
    struct ErrorNote
    {
        mutable std::mutex lock;
        QString text;
    };

private:
    std::shared_ptr<ErrorNote> m_error;
    std::shared_ptr<WarmInput> m_warm;
};

//! What input and output ports share: connecting, the stream's life and its failure. All
//! libpulse callbacks run on the loop's thread with the loop's lock held; the caller's
//! thread takes that lock for every operation, so the port's queue needs no other lock.
class PulseAudioPort : public AudioPort
{
public:
    ~PulseAudioPort() override;
    PulseAudioPort(const PulseAudioPort&) = delete;
    PulseAudioPort& operator=(const PulseAudioPort&) = delete;

    //! Gives up after 5 s without an answer; on failure nothing stays running.
    bool open(const WaveFormat& format, BufferDone bufferDone) override;
    //! Forgets queued buffers without reporting them: reset first to get them back.
    void close() override;
    //! Why the last open failed, in the server's words.
    QString errorString() const { return m_errorText; }

protected:
    //! Held for a scope on the caller's thread (never on the loop's thread).
    class LoopLock
    {
    public:
        explicit LoopLock(const PulseAudioPort& port);
        ~LoopLock();
        LoopLock(const LoopLock&) = delete;
        LoopLock& operator=(const LoopLock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

    PulseAudioPort(const char* streamName, const char* noDeviceText,
                   std::shared_ptr<PulseAudioBackend::ErrorNote> note);

    //! Sets the stream's callbacks and connects it; the loop's lock is held.
    virtual bool connectStream(pa_stream* stream, const WaveFormat& format) = 0;
    //! Hands every queued buffer back through BufferDone, in order; the loop's lock is held.
    virtual void handBackAll() = 0;
    //! Drops the queue without reporting; called after the loop has stopped.
    virtual void forgetAll() = 0;
    //! Releases what the port added to the loop (timers); the loop's lock is held.
    virtual void beforeDisconnect() {}

    pa_stream* stream() const { return m_stream; }
    pa_context* context() const { return m_context; }
    pa_threaded_mainloop* loop() const { return m_loop; }
    //! The stream failed after opening (server gone): buffers come back at once.
    bool failed() const { return m_failed; }
    void reportDone() { m_bufferDone(); }
    //! Replaces the finished-buffer callback; the loop's lock is held.
    void setBufferDone(BufferDone bufferDone) { m_bufferDone = std::move(bufferDone); }
    void cork(bool corked);

private:
    static void contextStateChanged(pa_context* context, void* port);
    static void streamStateChanged(pa_stream* stream, void* port);
    static void deadlinePassed(pa_mainloop_api*, pa_time_event*, const timeval*, void* port);
    bool waitUntilReady(bool stream);
    QString reason() const;
    void fail(const QString& text);
    //! Disconnects and stops the loop's thread: no callback runs afterwards.
    void teardown();

    const char* m_streamName;
    const char* m_noDeviceText;
    std::shared_ptr<PulseAudioBackend::ErrorNote> m_note;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_deadline = nullptr;
    bool m_timedOut = false;
    bool m_ready = false;
    bool m_failed = false;
    BufferDone m_bufferDone;
    QString m_errorText;
};
