#include "devicetestsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

void MemorySink::write(const char* bytes, quint32 length)
{
    if (length == 0)
        return;
    std::lock_guard lock(m_lock);
    m_bytes.append(bytes, qsizetype(length));
    m_writes.push_back(length);
}

void MemorySink::getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels)
{
    samplesPerSec = 22050;
    bitsPerSample = 16;
    channels = 1;
}

QByteArray MemorySink::bytes() const
{
    std::lock_guard lock(m_lock);
    return m_bytes;
}

std::vector<quint32> MemorySink::writes() const
{
    std::lock_guard lock(m_lock);
    return m_writes;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void expectReturnsWithin(int timeoutMs, const std::function<void()>& action)
{
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::thread runner([&] {
        action();
        finished.set_value();
    });
    if (done.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::timeout) {
        std::fprintf(stderr, "FAILED: the call did not return within %d ms\n", timeoutMs);
        std::fflush(stderr);
        std::_Exit(1);
    }
    runner.join();
}
