#include "audio/devicesoundplayer.h"

#include "audio/audiobackend.h"
#include "audio/wavefilesource.h"
#include "audio/wavememorysource.h"
#include "audio/waveoutdevice.h"

#include <chrono>

namespace {

// How often the player's thread looks whether the sound has drained.
constexpr auto drainCheck = std::chrono::milliseconds(20);

} // namespace

DeviceSoundPlayer::DeviceSoundPlayer(AudioBackend& backend) : m_backend(backend)
{
    m_thread = std::thread([this] { run(); });
}

DeviceSoundPlayer::~DeviceSoundPlayer()
{
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
        m_playing = false;
    }
    m_wake.notify_all();
    m_thread.join();
}

void DeviceSoundPlayer::playFile(const QString& path)
{
    std::unique_ptr<WaveStream> source;
    try {
        source = std::make_unique<WaveFileSource>(path);
    } catch (...) {
        // WaveErrors: the file is missing or not a wave file; it plays nothing.
    }
    request(std::move(source));
}

void DeviceSoundPlayer::playWav(const QByteArray& wav)
{
    std::unique_ptr<WaveStream> source;
    try {
        source = std::make_unique<WaveMemorySource>(wav);
    } catch (...) {
        // WaveErrors: not a wave; it plays nothing.
    }
    request(std::move(source));
}

void DeviceSoundPlayer::purge()
{
    request(nullptr);
}

bool DeviceSoundPlayer::isPlaying() const
{
    std::lock_guard lock(m_lock);
    return m_playing;
}

bool DeviceSoundPlayer::waitUntilDone(int timeoutMs) const
{
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !m_playing; });
}

bool DeviceSoundPlayer::outputFailed() const
{
    std::lock_guard lock(m_lock);
    return m_outputFailed;
}

void DeviceSoundPlayer::request(std::unique_ptr<WaveStream> source)
{
    {
        std::lock_guard lock(m_lock);
        m_playing = source != nullptr;
        m_outputFailed = false;
        m_next = std::move(source);
        m_requested = true;
    }
    m_wake.notify_all();
    m_changed.notify_all();
}

void DeviceSoundPlayer::run()
{
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        if (m_requested) {
            m_requested = false;
            std::unique_ptr<WaveStream> next = std::move(m_next);
            const bool wanted = next != nullptr;
            lock.unlock();
            stopSound();
            const bool started = wanted && startSound(std::move(next));
            lock.lock();
            // A newer request decides the state itself.
            if (!m_requested && wanted && !started) {
                m_playing = false;
                m_outputFailed = true;
                m_changed.notify_all();
            }
            continue;
        }
        if (m_source && m_device->isDrained()) {
            lock.unlock();
            stopSound();
            lock.lock();
            if (!m_requested) {
                m_playing = false;
                m_changed.notify_all();
            }
            continue;
        }
        const auto woken = [this] { return m_requested || m_stop; };
        if (m_source)
            m_wake.wait_for(lock, drainCheck, woken);
        else
            m_wake.wait(lock, woken);
    }
    lock.unlock();
    stopSound();
    m_device.reset();
}

bool DeviceSoundPlayer::startSound(std::unique_ptr<WaveStream> source)
{
    if (!m_device)
        m_device = std::make_unique<WaveOutDevice>(m_backend.createOutputPort());
    m_source = std::move(source);
    if (!m_device->attach(m_source.get())) {
        stopSound();
        return false;
    }
    m_device->start();
    return true;
}

void DeviceSoundPlayer::stopSound()
{
    if (m_device)
        m_device->detach();
    m_source.reset();
}
