#include "audio/wavedevice.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {

// The worker runs this long before the feeder so that prepared buffers wait in the ready queue.
constexpr auto workerHeadStart = 100ms;

} // namespace

WaveDevice::WaveDevice(std::unique_ptr<AudioPort> port) : m_port(std::move(port))
{
    m_feeder = std::thread([this] { feederLoop(); });
    m_worker = std::thread([this] { workerLoop(); });
}

WaveDevice::~WaveDevice()
{
    // A derived class that skipped shutDown() leaves buffers unfinished: close the port first so
    // that no callback reaches this half-destroyed object.
    if (m_open)
        m_port->close();
    m_open = false;
    stopThreads();
}

bool WaveDevice::attach(WaveStream* stream)
{
    if (m_stream)
        detach();
    m_stream = stream;
    if (!stream)
        return true;
    quint32 samplesPerSec = 0;
    quint16 bitsPerSample = 0;
    quint16 channels = 0;
    stream->getFormat(samplesPerSec, bitsPerSample, channels);
    m_format = WaveFormat{channels, samplesPerSec, bitsPerSample};
    m_bufferSize = m_format.avgBytesPerSec() / 20 * 2;
    createBuffers();
    m_dry = false;
    // A format without a single byte per buffer cannot stream; treat it as a device that did not open.
    m_open = m_port && m_bufferSize > 0 && m_port->open(m_format, [this] { bufferDone(); });
    return m_open;
}

bool WaveDevice::start()
{
    if (!m_stream)
        return false;
    if (!m_pauseRequest)
        return true;
    m_pauseRequest = false;
    if (capturesInput()) {
        // Capture begins at once: what arrives before the first buffer is queued waits in the
        // port, so the first words of a take are kept and nothing waits for a head start.
        if (m_open)
            m_port->start();
        resumeThread(m_workerSuspended);
        resumeThread(m_feederSuspended);
        return true;
    }
    resumeThread(m_workerSuspended);
    std::this_thread::sleep_for(workerHeadStart);
    resumeThread(m_feederSuspended);
    if (m_open)
        m_port->start();
    return true;
}

qint64 WaveDevice::firstSampleTime() const
{
    return m_open ? m_port->firstSampleTime() : -1;
}

void WaveDevice::pause()
{
    if (m_open)
        m_port->pause();
}

void WaveDevice::resume()
{
    if (m_open)
        m_port->resume();
}

bool WaveDevice::detach()
{
    flush();
    if (m_open)
        m_port->close();
    m_open = false;
    m_stream = nullptr;
    releaseBuffers();
    return true;
}

bool WaveDevice::seek(qint64 offset, bool absolute)
{
    if (!m_stream)
        return false;
    flush();
    m_dry = false;
    return m_stream->seek(offset, absolute);
}

int WaveDevice::freeCount() const
{
    std::lock_guard lock(m_freeLock);
    return m_free.size();
}

int WaveDevice::readyCount() const
{
    std::lock_guard lock(m_readyLock);
    return m_ready.size();
}

int WaveDevice::deviceCount() const
{
    std::lock_guard lock(m_deviceLock);
    return m_device.size();
}

void WaveDevice::submitBuffer(WaveBuffer& buffer)
{
    // A device that never opened would never report the buffer: count it finished at once so
    // that the flush does not wait for it (nothing was captured or played).
    if (!m_open) {
        bufferDone();
        return;
    }
    buffer.prepared = true;
    m_port->submit(buffer);
}

void WaveDevice::bufferDone()
{
    {
        std::lock_guard lock(m_counterLock);
        ++m_completions;
    }
    m_completed.notify_all();
}

void WaveDevice::shutDown()
{
    if (m_stop)
        return;
    detach();
    stopThreads();
    m_stream = nullptr;
}

void WaveDevice::flush()
{
    m_pauseRequest = true;
    {
        std::unique_lock lock(m_wakeLock);
        // After shut-down the threads have ended and count as idle.
        m_wake.wait(lock, [this] { return m_stop || (m_feederSuspended && m_workerSuspended); });
    }
    if (m_open)
        m_port->reset();
    // Both threads are idle: the queues need no locks until they are resumed.
    while (!m_ready.empty())
        m_free.push(m_ready.pop());
    {
        std::unique_lock lock(m_counterLock);
        m_completed.wait(lock, [this] { return m_completions >= m_device.size(); });
        m_completions = 0;
    }
    while (!m_device.empty()) {
        WaveBuffer* buffer = m_device.pop();
        finishBuffer(*buffer);
        m_free.push(buffer);
    }
}

void WaveDevice::createBuffers()
{
    m_free.clear();
    for (int i = 0; i < BufferCount; ++i) {
        m_blocks[i] = std::make_unique<char[]>(m_bufferSize);
        m_buffers[i] = WaveBuffer{};
        m_buffers[i].data = m_blocks[i].get();
        m_free.push(&m_buffers[i]);
    }
}

void WaveDevice::releaseBuffers()
{
    m_free.clear();
    m_ready.clear();
    m_device.clear();
    for (int i = 0; i < BufferCount; ++i) {
        m_buffers[i] = WaveBuffer{};
        m_blocks[i].reset();
    }
}
