#include "audio/pulseaudioport.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <mutex>

namespace {

// A server that accepts the connection but never answers must not hang the caller.
constexpr pa_usec_t openTimeout = 5 * PA_USEC_PER_SEC;
constexpr const char* clientName = "Pictorelle Dazuzarid";

} // namespace

PulseAudioPort::LoopLock::LoopLock(const PulseAudioPort& port) : m_loop(port.m_loop)
{
    pa_threaded_mainloop_lock(m_loop);
}

PulseAudioPort::LoopLock::~LoopLock()
{
    pa_threaded_mainloop_unlock(m_loop);
}

PulseAudioPort::PulseAudioPort(const char* streamName, const char* noDeviceText,
                               std::shared_ptr<PulseAudioBackend::ErrorNote> note, const QString& device)
    : m_streamName(streamName), m_noDeviceText(noDeviceText), m_note(std::move(note)), m_device(device.toUtf8())
{}

PulseAudioPort::~PulseAudioPort()
{
    // Derived ports close in their own destructor; this only covers a port that never did.
    teardown();
}

bool PulseAudioPort::open(const WaveFormat& format, BufferDone bufferDone)
{
    close();
    m_errorText.clear();
    m_failed = false;
    m_ready = m_timedOut = m_openedDefault = false;
    m_bufferDone = std::move(bufferDone);
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels == 0 ||
        format.channels > PA_CHANNELS_MAX || format.samplesPerSec == 0 || format.samplesPerSec > PA_RATE_MAX) {
        fail(QStringLiteral("the sound server cannot take %1-bit samples on %2 channels at %3 Hz")
                 .arg(format.bitsPerSample)
                 .arg(format.channels)
                 .arg(format.samplesPerSec));
        return false;
    }
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop || pa_threaded_mainloop_start(m_loop) < 0) {
        fail(QStringLiteral("cannot start the sound server connection"));
        teardown();
        return false;
    }
    QString error;
    {
        LoopLock lock(*this);
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), clientName);
        if (m_context) {
            pa_context_set_state_callback(m_context, contextStateChanged, this);
            m_deadline = pa_context_rttime_new(m_context, pa_rtclock_now() + openTimeout, deadlinePassed, this);
        }
        // No autospawn: a machine without a sound server has no device, and tests must not start one.
        const bool connected = m_context &&
                               pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
                               waitUntilReady(false);
        if (!connected) {
            error = QStringLiteral("cannot connect to the sound server (%1)").arg(reason());
        } else {
            const char* chosen = m_device.isEmpty() ? nullptr : m_device.constData();
            bool opened = openStream(format, chosen);
            // A chosen device that is not there (unplugged since it was chosen): the default
            // one records instead, and the owner may say so.
            if (!opened && chosen && !m_timedOut && pa_context_errno(m_context) == PA_ERR_NOENTITY) {
                discardStream();
                m_openedDefault = true;
                opened = openStream(format, nullptr);
            }
            if (!opened)
                error = QStringLiteral("%1 (%2)").arg(QLatin1String(m_noDeviceText), reason());
        }
        if (m_deadline)
            pa_threaded_mainloop_get_api(m_loop)->time_free(m_deadline);
        m_deadline = nullptr;
        m_ready = error.isEmpty();
    }
    if (!m_ready) {
        fail(error);
        close();
        return false;
    }
    return true;
}

bool PulseAudioPort::openStream(const WaveFormat& format, const char* device)
{
    const pa_sample_spec spec{format.bitsPerSample == 16 ? PA_SAMPLE_S16LE : PA_SAMPLE_U8, format.samplesPerSec,
                              quint8(format.channels)};
    m_stream = pa_stream_new(m_context, m_streamName, &spec, nullptr);
    if (m_stream)
        pa_stream_set_state_callback(m_stream, streamStateChanged, this);
    return m_stream && connectStream(m_stream, format, device) && waitUntilReady(true);
}

void PulseAudioPort::discardStream()
{
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseAudioPort::close()
{
    if (!m_loop)
        return;
    {
        LoopLock lock(*this);
        beforeDisconnect();
    }
    teardown();
    forgetAll();
    m_ready = false;
}

void PulseAudioPort::cork(bool corked)
{
    if (pa_operation* op = pa_stream_cork(m_stream, corked ? 1 : 0, nullptr, nullptr))
        pa_operation_unref(op);
}

void PulseAudioPort::teardown()
{
    if (!m_loop)
        return;
    {
        LoopLock lock(*this);
        discardStream();
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

void PulseAudioPort::contextStateChanged(pa_context*, void* port)
{
    pa_threaded_mainloop_signal(static_cast<PulseAudioPort*>(port)->m_loop, 0);
}

void PulseAudioPort::streamStateChanged(pa_stream* stream, void* port)
{
    auto* self = static_cast<PulseAudioPort*>(port);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (self->m_ready && !self->m_failed && (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)) {
        // The server went away, or the stream's device did (a stream on a chosen device is
        // not moved elsewhere): nothing will fill or play the queued buffers any more.
        self->m_failed = true;
        self->handBackAll();
    }
    pa_threaded_mainloop_signal(self->m_loop, 0);
}

void PulseAudioPort::deadlinePassed(pa_mainloop_api*, pa_time_event*, const timeval*, void* port)
{
    auto* self = static_cast<PulseAudioPort*>(port);
    self->m_timedOut = true;
    pa_threaded_mainloop_signal(self->m_loop, 0);
}

bool PulseAudioPort::waitUntilReady(bool stream)
{
    for (;;) {
        if (m_timedOut)
            return false;
        if (stream) {
            const pa_stream_state_t state = pa_stream_get_state(m_stream);
            if (state == PA_STREAM_READY)
                return true;
            if (!PA_STREAM_IS_GOOD(state))
                return false;
        } else {
            const pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY)
                return true;
            if (!PA_CONTEXT_IS_GOOD(state))
                return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
}

QString PulseAudioPort::reason() const
{
    if (m_timedOut)
        return QStringLiteral("no answer within %1 s").arg(openTimeout / PA_USEC_PER_SEC);
    return QString::fromUtf8(pa_strerror(m_context ? pa_context_errno(m_context) : PA_ERR_INTERNAL));
}

void PulseAudioPort::fail(const QString& text)
{
    m_errorText = text;
    std::lock_guard lock(m_note->lock);
    m_note->text = text;
}
