#include "audio/inputlevelmeter.h"

#include "audio/audiobackend.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <condition_variable>
#include <mutex>

static_assert(std::atomic<quint64>::is_always_lock_free, "the level is read from the GUI thread without a lock");

//! Finished-buffer reports from the port's thread. Shared with the port's callback, so that a
//! port reporting after stop (or after the meter is gone) only counts into a session nobody
//! reads any more.
struct InputLevelMeter::Completions
{
    std::mutex lock;
    std::condition_variable changed;
    int count = 0;
    bool stopping = false;
};

namespace {

constexpr float FullScale = 32768.0f;

struct Measurement
{
    float peak = 0;
    float rms = 0;
};

// 16-bit little-endian signed samples; a trailing odd byte is half a sample and is left out.
Measurement measure(const char* data, quint32 bytes)
{
    const quint32 samples = bytes / 2;
    int peak = 0;
    quint64 sumOfSquares = 0;
    for (quint32 i = 0; i < samples; ++i) {
        const int sample = qFromLittleEndian<qint16>(data + 2 * i);
        const int magnitude = sample < 0 ? -sample : sample;
        peak = std::max(peak, magnitude);
        sumOfSquares += quint64(qint64(sample) * sample);
    }
    return {float(peak / double(FullScale)), float(std::sqrt(double(sumOfSquares) / samples) / FullScale)};
}

quint64 pack(float peak, float rms)
{
    return quint64(std::bit_cast<quint32>(peak)) << 32 | std::bit_cast<quint32>(rms);
}

} // namespace

InputLevelMeter::InputLevelMeter(AudioBackend& backend) : m_backend(backend)
{
    m_level = pack(0, 0);
}

InputLevelMeter::~InputLevelMeter()
{
    stop();
}

bool InputLevelMeter::start()
{
    if (m_port)
        return true;
    const WaveFormat format; // the recording format
    std::unique_ptr<AudioPort> port = m_backend.createInputPort();
    auto completions = std::make_shared<Completions>();
    const auto report = [completions] {
        {
            std::lock_guard lock(completions->lock);
            ++completions->count;
        }
        completions->changed.notify_one();
    };
    if (!port || !port->open(format, report))
        return false;

    m_port = std::move(port);
    m_completions = completions;
    m_bufferSize = format.avgBytesPerSec() * BufferMilliseconds / 1000 / format.blockAlign() * format.blockAlign();
    m_unfilled = 0;
    m_lostInput = false;
    m_updates = 0;
    publish(0, 0, false);
    m_atPort.clear();
    for (int i = 0; i < BufferCount; ++i) {
        m_blocks[i] = std::make_unique<char[]>(m_bufferSize);
        m_buffers[i] = WaveBuffer{};
        m_buffers[i].data = m_blocks[i].get();
        m_buffers[i].length = m_bufferSize;
        submit(m_buffers[i]);
    }
    m_worker = std::thread([this, completions] { workerLoop(completions); });
    m_port->start();
    return true;
}

void InputLevelMeter::stop()
{
    if (!m_port)
        return;
    {
        std::lock_guard lock(m_completions->lock);
        m_completions->stopping = true;
    }
    m_completions->changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    // The worker has ended, so the buffers the reset hands back are only counted, never
    // measured or queued again; the port's callback never waits for anyone.
    m_port->reset();
    m_port->close();
    m_port.reset();
    m_completions.reset();
    m_atPort.clear();
    for (int i = 0; i < BufferCount; ++i) {
        m_buffers[i] = WaveBuffer{};
        m_blocks[i].reset();
    }
    publish(0, 0, false);
}

InputLevelMeter::Level InputLevelMeter::level() const
{
    // The count first: the level read after it is at least as new as the buffer it counted.
    const quint64 updates = m_updates.load(std::memory_order_acquire);
    const quint64 packed = m_level.load(std::memory_order_acquire);
    return {std::bit_cast<float>(quint32(packed >> 32)), std::bit_cast<float>(quint32(packed)), updates};
}

float InputLevelMeter::toDecibels(float level)
{
    if (!(level > 0))
        return DecibelFloor;
    return std::clamp(20.0f * std::log10(level), DecibelFloor, 0.0f);
}

void InputLevelMeter::workerLoop(const std::shared_ptr<Completions>& completions)
{
    for (;;) {
        {
            std::unique_lock lock(completions->lock);
            completions->changed.wait(lock, [&] { return completions->count > 0 || completions->stopping; });
            if (completions->stopping)
                return;
            --completions->count;
        }
        // A report with no buffer out at the port breaks the port's promise; nothing to measure.
        if (m_atPort.empty())
            continue;
        WaveBuffer* buffer = m_atPort.front();
        m_atPort.pop_front();
        finishBuffer(*buffer);
    }
}

void InputLevelMeter::finishBuffer(WaveBuffer& buffer)
{
    buffer.prepared = false;
    const quint32 bytes = std::min(buffer.bytesRecorded, buffer.length);
    if (bytes == 0) {
        // A port hands a buffer back unfilled only when it lost its device; queuing it again
        // would only have it handed back at once, over and over. It stays out.
        if (++m_unfilled == BufferCount) {
            m_lostInput = true;
            publish(0, 0, true);
        }
        return;
    }
    if (bytes >= 2) {
        const Measurement m = measure(buffer.data, bytes);
        publish(m.peak, m.rms, true);
    }
    submit(buffer);
}

void InputLevelMeter::submit(WaveBuffer& buffer)
{
    buffer.bytesRecorded = 0;
    buffer.prepared = true;
    // Listed before the port sees it: a port may report it done within submit.
    m_atPort.push_back(&buffer);
    m_port->submit(buffer);
}

void InputLevelMeter::publish(float peak, float rms, bool counted)
{
    m_level.store(pack(peak, rms), std::memory_order_release);
    if (counted)
        m_updates.fetch_add(1, std::memory_order_release);
}
