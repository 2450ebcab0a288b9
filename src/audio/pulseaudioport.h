#pragma once

#include "audio/audioport.h"
#include "audio/pulseaudiobackend.h"

#include <QString>

#include <memory>

struct pa_context;
struct pa_mainloop_api;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

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
