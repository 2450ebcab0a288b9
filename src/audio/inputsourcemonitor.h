#pragma once

#include "audio/inputsource.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class AudioBackend;

//! Keeps a chooser's list of microphones current: lists the backend's input sources at once
//! and again whenever the backend tells of a change (or refresh is called), on a thread of its
//! own, so that a slow sound server never holds up the caller. Created and destroyed on the
//! owner's thread.
class InputSourceMonitor
{
public:
    //! Receives every listing on the monitor's thread; hand it to the owner's thread (a
    //! queued call) and return.
    using Listener = std::function<void(const InputSourceList&)>;

    //! The backend must outlive the monitor.
    InputSourceMonitor(AudioBackend& backend, Listener listener);
    //! Stops watching and joins the thread, after a listing under way (bounded by the
    //! server's time-out); the listener is not called afterwards.
    ~InputSourceMonitor();
    InputSourceMonitor(const InputSourceMonitor&) = delete;
    InputSourceMonitor& operator=(const InputSourceMonitor&) = delete;

    //! Lists again soon; calls that come while a listing waits are one listing.
    void refresh();

private:
    void run();

    AudioBackend& m_backend;
    Listener m_listener;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_pending = true;
    bool m_stop = false;
    std::thread m_thread;
};
