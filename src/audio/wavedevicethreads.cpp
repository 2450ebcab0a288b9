#include "audio/wavedevice.h"

#include <chrono>

// The feeder and worker threads of WaveDevice. "Suspended" threads wait on a condition
// variable; only start and shut-down wake them.

namespace {

// One cycle of the feeder and the worker: each moves at most one buffer per step and cycle.
constexpr auto cycle = std::chrono::milliseconds(20);

} // namespace

void WaveDevice::feederLoop()
{
    waitWhileSuspended(m_feederSuspended);
    while (!m_stop) {
        {
            std::lock_guard ready(m_readyLock);
            if (!m_ready.empty()) {
                WaveBuffer* buffer = m_ready.pop();
                submitBuffer(*buffer);
                std::lock_guard device(m_deviceLock);
                m_device.push(buffer);
            }
        }
        if (m_pauseRequest)
            suspendSelf(m_feederSuspended);
        idleCycle();
    }
}

void WaveDevice::workerLoop()
{
    waitWhileSuspended(m_workerSuspended);
    while (!m_stop) {
        {
            std::lock_guard free(m_freeLock);
            if (!m_free.empty()) {
                WaveBuffer* buffer = m_free.front();
                prepareBuffer(*buffer);
                // A buffer left empty (a playback stream with nothing more) stays free.
                m_dry = buffer->length == 0;
                if (!m_dry) {
                    m_free.pop();
                    std::lock_guard ready(m_readyLock);
                    m_ready.push(buffer);
                }
            }
        }
        if (m_completions != 0) {
            std::lock_guard device(m_deviceLock);
            if (!m_device.empty()) {
                WaveBuffer* buffer = m_device.pop();
                {
                    std::lock_guard counter(m_counterLock);
                    --m_completions;
                }
                finishBuffer(*buffer);
                std::lock_guard free(m_freeLock);
                m_free.push(buffer);
            }
        }
        if (m_pauseRequest)
            suspendSelf(m_workerSuspended);
        idleCycle();
    }
}

void WaveDevice::waitWhileSuspended(std::atomic<bool>& suspended)
{
    std::unique_lock lock(m_wakeLock);
    m_wake.wait(lock, [&] { return !suspended || m_stop; });
}

void WaveDevice::suspendSelf(std::atomic<bool>& suspended)
{
    std::unique_lock lock(m_wakeLock);
    suspended = true;
    m_wake.notify_all();
    m_wake.wait(lock, [&] { return !suspended || m_stop; });
}

void WaveDevice::resumeThread(std::atomic<bool>& suspended)
{
    {
        std::lock_guard lock(m_wakeLock);
        suspended = false;
    }
    m_wake.notify_all();
}

void WaveDevice::idleCycle()
{
    std::unique_lock lock(m_wakeLock);
    m_wake.wait_for(lock, cycle, [this] { return m_stop.load(); });
}

void WaveDevice::stopThreads()
{
    {
        std::lock_guard lock(m_wakeLock);
        m_stop = true;
        m_workerSuspended = false;
        m_feederSuspended = false;
        m_pauseRequest = false;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    if (m_feeder.joinable())
        m_feeder.join();
}
