#include "audio/pulseinputport.h"

#include <pulse/stream.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr pa_usec_t fragmentTime = 20 * PA_USEC_PER_MSEC;

} // namespace

PulseInputPort::PulseInputPort(std::shared_ptr<PulseAudioBackend::ErrorNote> note)
    : PulseAudioPort("Recording", "the sound server has no recording device", std::move(note))
{
}

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
    resume();
}

void PulseInputPort::pause()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    if (!failed())
        cork(true);
}

void PulseInputPort::resume()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    if (!failed())
        cork(false);
}

void PulseInputPort::reset()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    if (!failed()) {
        fillBuffers();
        cork(true);
    }
    handBackAll();
    // What did not fit belongs to the take that just ended; the next start begins afresh.
    if (!failed()) {
        if (m_holdingFragment)
            pa_stream_drop(stream());
        m_holdingFragment = false;
        if (pa_operation* op = pa_stream_flush(stream(), nullptr, nullptr))
            pa_operation_unref(op);
    }
}

bool PulseInputPort::connectStream(pa_stream* stream, const WaveFormat& format)
{
    pa_stream_set_read_callback(stream, dataArrived, this);
    // Small fragments: the device's 100 ms buffers fill steadily instead of in bursts.
    const pa_buffer_attr attr{quint32(-1), quint32(-1), quint32(-1), quint32(-1),
                              quint32(pa_usec_to_bytes(fragmentTime, pa_stream_get_sample_spec(stream)))};
    m_silence = format.bitsPerSample == 8 ? char(0x80) : char(0);
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    return pa_stream_connect_record(stream, nullptr, &attr, flags) >= 0;
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
    static_cast<PulseInputPort*>(port)->fillBuffers();
}

void PulseInputPort::fillBuffers()
{
    pa_stream* s = stream();
    while (!m_queue.empty()) {
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
