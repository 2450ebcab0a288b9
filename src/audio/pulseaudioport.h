#pragma once

#include "audio/audioport.h"
#include "audio/pulseaudiobackend.h"

#include <QByteArray>
#include <QString>

#include <atomic>
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
    //! The chosen device was not there at the last open: the stream is on the default one.
    bool openedDefaultInstead() const override { return m_openedDefault; }
    //! The stream failed after it had opened (its device was removed, or the server ended).
    bool deviceLost() const override { return m_failed; }

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

    //! device: the server's name of the source or sink to open; empty for the default one.
    PulseAudioPort(const char* streamName, const char* noDeviceText, std::shared_ptr<PulseAudioBackend::ErrorNote> note,
                   const QString& device = {});

    //! Sets the stream's callbacks and connects it to device (null: the server's default);
    //! the loop's lock is held.
    virtual bool connectStream(pa_stream* stream, const WaveFormat& format, const char* device) = 0;
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
    //! Creates the stream and connects it to device (null: the default); the loop's lock is held.
    bool openStream(const WaveFormat& format, const char* device);
    //! Drops a stream that did not open; the loop's lock is held.
    void discardStream();
    QString reason() const;
    void fail(const QString& text);
    //! Disconnects and stops the loop's thread: no callback runs afterwards.
    void teardown();

    const char* m_streamName;
    const char* m_noDeviceText;
    std::shared_ptr<PulseAudioBackend::ErrorNote> m_note;
    QByteArray m_device;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_deadline = nullptr;
    bool m_timedOut = false;
    bool m_ready = false;
    // Set on the loop's thread, read on any.
    std::atomic<bool> m_failed{false};
    bool m_openedDefault = false;
    BufferDone m_bufferDone;
    QString m_errorText;
};
