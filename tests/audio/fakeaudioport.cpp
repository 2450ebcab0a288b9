#include "fakeaudioport.h"

#include <algorithm>
#include <chrono>

namespace {

// Bytes moved per step: prime, so that no recording shorter than 4410 steps ends exactly on a
// buffer boundary by chance.
constexpr quint32 stepBytes = 331;

} // namespace

char rampByte(quint64 k)
{
    const quint64 sample = k / 2;
    return char(k % 2 == 0 ? sample & 0xff : (sample >> 8) & 0xff);
}

QByteArray rampBytes(quint64 from, quint64 count)
{
    QByteArray bytes(qsizetype(count), '\0');
    for (quint64 i = 0; i < count; ++i)
        bytes[qsizetype(i)] = rampByte(from + i);
    return bytes;
}

FakeAudioPort::FakeAudioPort(bool input, std::shared_ptr<FakeAudioState> state)
    : m_input(input), m_state(std::move(state))
{}

FakeAudioPort::~FakeAudioPort()
{
    close();
}

bool FakeAudioPort::open(const WaveFormat& format, BufferDone bufferDone)
{
    close();
    {
        std::lock_guard state(m_state->lock);
        if (m_state->failOpen)
            return false;
        ++m_state->opens;
    }
    m_format = format;
    m_done = std::move(bufferDone);
    m_stop = false;
    // Output plays as soon as buffers come; input waits for start.
    m_running = !m_input;
    m_paused = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void FakeAudioPort::close()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    m_queue.clear();
    m_played = 0;
    std::lock_guard state(m_state->lock);
    ++m_state->closes;
}

void FakeAudioPort::submit(WaveBuffer& buffer)
{
    {
        std::lock_guard state(m_state->lock);
        ++m_state->submits;
        if (buffer.length == 0)
            ++m_state->emptySubmits;
    }
    std::lock_guard lock(m_lock);
    m_queue.push_back(&buffer);
}

void FakeAudioPort::start()
{
    {
        std::lock_guard state(m_state->lock);
        ++m_state->starts;
    }
    std::lock_guard lock(m_lock);
    m_running = true;
}

void FakeAudioPort::pause()
{
    std::lock_guard lock(m_lock);
    m_paused = true;
}

void FakeAudioPort::resume()
{
    std::lock_guard lock(m_lock);
    m_paused = false;
}

void FakeAudioPort::reset()
{
    std::lock_guard lock(m_lock);
    while (!m_queue.empty()) {
        m_queue.pop_front();
        m_done();
    }
    m_played = 0;
    if (m_input)
        m_running = false;
}

void FakeAudioPort::run()
{
    const auto period = std::chrono::microseconds(1000000LL * stepBytes / std::max(1u, m_format.avgBytesPerSec()));
    auto next = std::chrono::steady_clock::now();
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        next += period;
        m_wake.wait_until(lock, next, [this] { return m_stop; });
        if (!m_stop && m_running && !m_paused)
            step(stepBytes);
    }
}

void FakeAudioPort::step(quint32 count)
{
    while (count > 0 && !m_queue.empty()) {
        WaveBuffer& buffer = *m_queue.front();
        bool full = false;
        std::unique_lock state(m_state->lock);
        if (m_input) {
            const quint32 n = std::min(count, buffer.length - buffer.bytesRecorded);
            for (quint32 i = 0; i < n; ++i)
                buffer.data[buffer.bytesRecorded + i] = rampByte(m_state->captured + i);
            m_state->captured += n;
            buffer.bytesRecorded += n;
            count -= n;
            full = buffer.bytesRecorded == buffer.length;
        } else {
            const quint32 n = std::min(count, buffer.length - m_played);
            m_state->played.append(buffer.data + m_played, n);
            m_played += n;
            count -= n;
            full = m_played == buffer.length;
        }
        state.unlock();
        m_state->changed.notify_all();
        if (full) {
            m_queue.pop_front();
            m_played = 0;
            m_done();
        }
    }
}
