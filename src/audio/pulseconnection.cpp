#include "audio/pulseconnection.h"

#include <pulse/context.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

namespace {

// A server that accepts the connection but never answers must not hang the caller.
constexpr pa_usec_t connectTimeout = 5 * PA_USEC_PER_SEC;

struct Waiting
{
    pa_threaded_mainloop* loop;
    bool timedOut = false;
};

void signalLoop(pa_threaded_mainloop* loop)
{
    pa_threaded_mainloop_signal(loop, 0);
}

void connectingStateChanged(pa_context*, void* waiting)
{
    signalLoop(static_cast<Waiting*>(waiting)->loop);
}

void contextStateChanged(pa_context*, void* loop)
{
    signalLoop(static_cast<pa_threaded_mainloop*>(loop));
}

void deadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* waiting)
{
    auto* w = static_cast<Waiting*>(waiting);
    w->timedOut = true;
    signalLoop(w->loop);
}

void operationStateChanged(pa_operation*, void* loop)
{
    signalLoop(static_cast<pa_threaded_mainloop*>(loop));
}

} // namespace

std::unique_ptr<PulseConnection> PulseConnection::connect(const char* clientName)
{
    pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
    if (!loop)
        return nullptr;
    pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(loop), clientName);
    if (!context) {
        pa_threaded_mainloop_free(loop);
        return nullptr;
    }
    Waiting waiting{loop};
    pa_context_set_state_callback(context, connectingStateChanged, &waiting);

    pa_threaded_mainloop_lock(loop);
    pa_time_event* deadline =
        pa_context_rttime_new(context, pa_rtclock_now() + connectTimeout, deadlinePassed, &waiting);
    // No autospawn: a machine without a sound server has no microphone, and tests must not start one.
    bool ready = pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
                 pa_threaded_mainloop_start(loop) >= 0;
    while (ready) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state) || waiting.timedOut)
            ready = false;
        else
            pa_threaded_mainloop_wait(loop);
    }
    if (deadline)
        pa_threaded_mainloop_get_api(loop)->time_free(deadline);
    // The waiting state lives on this stack frame only.
    pa_context_set_state_callback(context, contextStateChanged, loop);
    pa_threaded_mainloop_unlock(loop);

    std::unique_ptr<PulseConnection> connection(new PulseConnection(loop, context));
    if (!ready)
        connection.reset();
    return connection;
}

PulseConnection::PulseConnection(pa_threaded_mainloop* loop, pa_context* context) : m_loop(loop), m_context(context)
{}

PulseConnection::~PulseConnection()
{
    pa_threaded_mainloop_lock(m_loop);
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    pa_threaded_mainloop_unlock(m_loop);
    // Stopping a loop that never started is allowed; it joins the thread otherwise.
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

bool PulseConnection::finish(pa_operation* op) const
{
    if (!op)
        return false;
    pa_operation_set_state_callback(op, operationStateChanged, m_loop);
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(m_loop);
    const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    pa_operation_unref(op);
    return done;
}

PulseConnection::Lock::Lock(const PulseConnection& connection) : m_loop(connection.m_loop)
{
    pa_threaded_mainloop_lock(m_loop);
}

PulseConnection::Lock::~Lock()
{
    pa_threaded_mainloop_unlock(m_loop);
}
