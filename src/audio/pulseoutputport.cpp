#include "audio/pulseoutputport.h"

#include <pulse/context.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>

namespace {

constexpr pa_usec_t pollInterval = 20 * PA_USEC_PER_MSEC;
// What the server keeps queued ahead of the sink: a few device buffers.
constexpr pa_usec_t targetLatency = 250 * PA_USEC_PER_MSEC;

void release(pa_operation* op)
{
    if (op)
        pa_operation_unref(op);
}

} // namespace

PulseOutputPort::PulseOutputPort(std::shared_ptr<PulseAudioBackend::ErrorNote> note)
    : PulseAudioPort("Playback", "the sound server has no playback device", std::move(note))
{}

PulseOutputPort::~PulseOutputPort()
{
    close();
}

void PulseOutputPort::submit(WaveBuffer& buffer)
{
    if (!loop()) {
        reportDone();
        return;
    }
    LoopLock lock(*this);
    m_pending.push_back(Pending{&buffer, 0, 0, 0});
    if (failed()) {
        handBackAll();
        return;
    }
    writePending();
    armTimer();
}

void PulseOutputPort::start()
{}

void PulseOutputPort::pause()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    m_paused = true;
    if (!failed())
        cork(true);
}

void PulseOutputPort::resume()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    m_paused = false;
    if (failed())
        return;
    cork(false);
    // A stream paused with less than its start threshold queued would otherwise stay silent.
    release(pa_stream_trigger(stream(), nullptr, nullptr));
}

void PulseOutputPort::reset()
{
    if (!loop())
        return;
    LoopLock lock(*this);
    if (!failed())
        release(pa_stream_flush(stream(), nullptr, nullptr));
    handBackAll();
    // A timing answer still on its way describes the flushed data.
    ++m_epoch;
}

bool PulseOutputPort::connectStream(pa_stream* stream, const WaveFormat&, const char* device)
{
    pa_stream_set_write_callback(stream, spaceAvailable, this);
    const quint32 target = quint32(pa_usec_to_bytes(targetLatency, pa_stream_get_sample_spec(stream)));
    const pa_buffer_attr attr{quint32(-1), target, quint32(-1), quint32(-1), quint32(-1)};
    m_timer = pa_context_rttime_new(context(), PA_USEC_INVALID, tick, this);
    return pa_stream_connect_playback(stream, device, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) >= 0;
}

void PulseOutputPort::handBackAll()
{
    while (!m_pending.empty()) {
        m_pending.pop_front();
        reportDone();
    }
}

void PulseOutputPort::forgetAll()
{
    m_pending.clear();
    m_written = 0;
    m_paused = m_askingTiming = m_timerArmed = false;
}

void PulseOutputPort::beforeDisconnect()
{
    if (m_timer)
        pa_threaded_mainloop_get_api(loop())->time_free(m_timer);
    m_timer = nullptr;
}

void PulseOutputPort::spaceAvailable(pa_stream*, size_t, void* port)
{
    static_cast<PulseOutputPort*>(port)->writePending();
}

void PulseOutputPort::tick(pa_mainloop_api*, pa_time_event*, const timeval*, void* port)
{
    auto* self = static_cast<PulseOutputPort*>(port);
    self->m_timerArmed = false;
    if (self->failed())
        return;
    self->reportHeard(pa_rtclock_now());
    if (self->m_pending.empty())
        return;
    if (!self->m_askingTiming) {
        if (pa_operation* op = pa_stream_update_timing_info(self->stream(), timingArrived, self)) {
            self->m_askingTiming = true;
            self->m_askedEpoch = self->m_epoch;
            pa_operation_unref(op);
        }
    }
    self->armTimer();
}

void PulseOutputPort::timingArrived(pa_stream*, int success, void* port)
{
    auto* self = static_cast<PulseOutputPort*>(port);
    self->m_askingTiming = false;
    if (success && !self->failed() && self->m_askedEpoch == self->m_epoch)
        self->reportConsumed();
}

void PulseOutputPort::writePending()
{
    pa_stream* s = stream();
    if (!s || failed())
        return;
    size_t room = pa_stream_writable_size(s);
    if (room == size_t(-1))
        return;
    bool wrote = false;
    bool allWritten = true;
    for (Pending& p : m_pending) {
        if (p.written == p.buffer->length)
            continue;
        const size_t count = std::min<size_t>(room, p.buffer->length - p.written);
        if (count > 0 && pa_stream_write(s, p.buffer->data + p.written, count, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        p.written += quint32(count);
        m_written += count;
        room -= count;
        wrote = wrote || count > 0;
        if (p.written < p.buffer->length) {
            allWritten = false;
            break;
        }
        p.endsAt = m_written;
    }
    // Nothing more to come for now (end of a sound or a slow feeder): play what is queued even
    // below the server's start threshold, or a short sound would never start.
    if (wrote && allWritten && !m_paused)
        release(pa_stream_trigger(s, nullptr, nullptr));
}

void PulseOutputPort::reportConsumed()
{
    const pa_timing_info* timing = pa_stream_get_timing_info(stream());
    if (!timing || timing->write_index_corrupt || timing->read_index_corrupt)
        return;
    // Bytes the sink has taken from the stream: written minus what the server still queues.
    const quint64 queued = quint64(std::max<qint64>(0, timing->write_index - timing->read_index));
    const quint64 read = m_written - std::min(queued, m_written);
    const pa_usec_t now = pa_rtclock_now();
    for (Pending& p : m_pending) {
        if (p.written < p.buffer->length || p.endsAt > read)
            break;
        if (p.heardAt != 0)
            continue;
        // The sink plays what it holds within its latency; bytes it read after this buffer's
        // end are that much closer to the speaker.
        const pa_usec_t after = pa_bytes_to_usec(read - p.endsAt, pa_stream_get_sample_spec(stream()));
        p.heardAt = now + (timing->sink_usec > after ? timing->sink_usec - after : 0) + 1;
    }
    reportHeard(now);
}

void PulseOutputPort::reportHeard(quint64 now)
{
    while (!m_pending.empty() && m_pending.front().heardAt != 0 && m_pending.front().heardAt <= now) {
        m_pending.pop_front();
        reportDone();
    }
}

void PulseOutputPort::armTimer()
{
    if (m_timerArmed || !m_timer)
        return;
    pa_context_rttime_restart(context(), m_timer, pa_rtclock_now() + pollInterval);
    m_timerArmed = true;
}
