#include "audio/pulseinputport.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

constexpr pa_usec_t fragmentTime = 20 * PA_USEC_PER_MSEC;

} // namespace

PulseInputPort::PulseInputPort(std::shared_ptr<PulseAudioBackend::ErrorNote> note, const QString& device)
    : PulseAudioPort("Recording", "the sound server has no recording device", std::move(note), device), m_chosen(device)
{}

PulseInputPort::~PulseInputPort()
{
    close();
}

void PulseInputPort::submit(WaveBuffer& buffer)
{
    if (!loop()) {
        reportDone();
        return;
    }
    LoopLock lock(*this);
    m_queue.push_back(&buffer);
    if (failed())
        handBackAll();
    else
        fillBuffers();
}

void PulseInputPort::start()
{
    m_firstSample = -1;
    setCapturing(true);
}

void PulseInputPort::pause()
{
    setCapturing(false);
}

void PulseInputPort::resume()
{
    setCapturing(true);
}

void PulseInputPort::setCapturing(bool capturing)
{
    if (!loop())
        return;
    LoopLock lock(*this);
    if (failed())
        return;
    // The stream starts corked; once running it stays so, and pausing only stops taking bytes.
    cork(false);
    if (capturing && !m_capturing && m_holdingFragment) {
        // A fragment held from before is audio of the wait, not of the take.
        pa_stream_drop(stream());
        m_holdingFragment = false;
    }
    m_capturing = capturing;
    if (capturing)
        fillBuffers();
}

void PulseInputPort::reset()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    if (!failed())
        fillBuffers();
    m_capturing = false;
    handBackAll();
    // What did not fit belongs to the take that just ended; the next start begins afresh.
    if (!failed()) {
        dropDelivered();
        if (pa_operation* op = pa_stream_flush(stream(), nullptr, nullptr))
            pa_operation_unref(op);
    }
}

void PulseInputPort::standBy()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    m_capturing = false;
    m_queue.clear();
    setBufferDone([] {});
    if (!failed()) {
        cork(false);
        dropDelivered();
    }
}

bool PulseInputPort::isHealthy() const
{
    if (!loop())
        return false;
    LoopLock lock(*this);
    return !failed();
}

bool PulseInputPort::adopt(BufferDone bufferDone)
{
    if (!loop())
        return false;
    LoopLock lock(*this);
    if (failed())
        return false;
    m_queue.clear();
    m_capturing = false;
    m_firstSample = -1;
    setBufferDone(std::move(bufferDone));
    dropDelivered();
    return true;
}

QString PulseInputPort::sourceDescription() const
{
    if (!loop())
        return {};
    LoopLock lock(*this);
    const char* name = failed() ? nullptr : pa_stream_get_device_name(stream());
    if (!name)
        return {};
    QString description;
    pa_operation* op = pa_context_get_source_info_by_name(
        context(), name,
        [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
            if (eol == 0 && info && info->description)
                *static_cast<QString*>(userdata) = QString::fromUtf8(info->description);
        },
        &description);
    if (!op)
        return {};
    // Done or cancelled (the connection broke), the operation's end wakes the wait.
    pa_operation_set_state_callback(
        op, [](pa_operation*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); },
        loop());
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(loop());
    pa_operation_unref(op);
    return description;
}

bool PulseInputPort::connectStream(pa_stream* stream, const WaveFormat& format, const char* device)
{
    pa_stream_set_read_callback(stream, dataArrived, this);
    // Small fragments: the device's 100 ms buffers fill steadily instead of in bursts.
    const pa_buffer_attr attr{quint32(-1), quint32(-1), quint32(-1), quint32(-1),
                              quint32(pa_usec_to_bytes(fragmentTime, pa_stream_get_sample_spec(stream)))};
    m_silence = format.bitsPerSample == 8 ? char(0x80) : char(0);
    // A chosen source stays the one recorded from: when it is unplugged the stream ends (and
    // the take keeps what came) instead of going on from whatever the server picks.
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                         (device ? PA_STREAM_DONT_MOVE : PA_STREAM_NOFLAGS));
    return pa_stream_connect_record(stream, device, &attr, flags) >= 0;
}

void PulseInputPort::handBackAll()
{
    while (!m_queue.empty()) {
        m_queue.pop_front();
        reportDone();
    }
}

void PulseInputPort::forgetAll()
{
    m_queue.clear();
    m_fragment = nullptr;
    m_fragmentSize = m_fragmentUsed = 0;
    m_holdingFragment = false;
}

void PulseInputPort::dataArrived(pa_stream*, size_t, void* port)
{
    auto* self = static_cast<PulseInputPort*>(port);
    if (!self->m_capturing) {
        self->dropDelivered();
        return;
    }
    if (self->m_firstSample < 0)
        self->m_firstSample =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
    self->fillBuffers();
}

void PulseInputPort::dropDelivered()
{
    pa_stream* s = stream();
    if (m_holdingFragment) {
        pa_stream_drop(s);
        m_holdingFragment = false;
    }
    const void* data = nullptr;
    size_t size = 0;
    // A hole (null data with a size) must be dropped too; an empty peek means nothing is left.
    while (pa_stream_peek(s, &data, &size) >= 0 && size > 0)
        pa_stream_drop(s);
}

void PulseInputPort::fillBuffers()
{
    pa_stream* s = stream();
    while (m_capturing && !m_queue.empty()) {
        if (!m_holdingFragment) {
            const void* data = nullptr;
            size_t size = 0;
            if (pa_stream_peek(s, &data, &size) < 0 || size == 0)
                return;
            m_fragment = static_cast<const char*>(data);
            m_fragmentSize = size;
            m_fragmentUsed = 0;
            m_holdingFragment = true;
        }
        WaveBuffer& buffer = *m_queue.front();
        const size_t room = buffer.length - std::min(buffer.bytesRecorded, buffer.length);
        const size_t count = std::min(room, m_fragmentSize - m_fragmentUsed);
        char* into = buffer.data + buffer.bytesRecorded;
        // A hole (no data pointer) is time the server lost: silence keeps the length right.
        if (m_fragment)
            std::memcpy(into, m_fragment + m_fragmentUsed, count);
        else
            std::memset(into, m_silence, count);
        buffer.bytesRecorded += quint32(count);
        m_fragmentUsed += count;
        if (m_fragmentUsed == m_fragmentSize) {
            pa_stream_drop(s);
            m_holdingFragment = false;
        }
        if (buffer.bytesRecorded >= buffer.length) {
            m_queue.pop_front();
            reportDone();
        }
    }
}
