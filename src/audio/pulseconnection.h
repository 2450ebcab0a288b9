#pragma once

#include <memory>

struct pa_context;
struct pa_operation;
struct pa_threaded_mainloop;

//! A client connection to the PulseAudio server on its own threaded main loop. libpulse runs
//! every callback on that loop's thread with the loop's lock held; other threads take the
//! lock (Lock) before touching the context.
class PulseConnection
{
public:
    //! Connects to $PULSE_SERVER or the user's server, never starting one; null when none
    //! answers. Blocks until the server has answered or refused, at most 5 s.
    static std::unique_ptr<PulseConnection> connect(const char* clientName);
    //! Disconnects and joins the loop's thread; no callback runs afterwards.
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    pa_context* context() const { return m_context; }
    pa_threaded_mainloop* loop() const { return m_loop; }

    //! Waits until op has finished, then releases it. The caller holds the lock and is not
    //! the loop's thread. False when op is null or was cancelled (the connection broke).
    bool finish(pa_operation* op) const;

    //! Holds the loop's lock for a scope; never on the loop's own thread.
    class Lock
    {
    public:
        explicit Lock(const PulseConnection& connection);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

private:
    PulseConnection(pa_threaded_mainloop* loop, pa_context* context);

    pa_threaded_mainloop* m_loop;
    pa_context* m_context;
};
