#pragma once

#include "audio/soundplayer.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class AudioBackend;
class WaveOutDevice;
class WaveStream;

//! Plays sounds through a WaveOutDevice on a thread of its own, so that every call returns at
//! once. Only this thread touches the device; callers hand it requests under a lock.
class DeviceSoundPlayer final : public SoundPlayer
{
public:
    //! The backend makes the output ports and must outlive the player.
    explicit DeviceSoundPlayer(AudioBackend& backend);
    //! Stops any sound and joins the player's thread.
    ~DeviceSoundPlayer() override;
    DeviceSoundPlayer(const DeviceSoundPlayer&) = delete;
    DeviceSoundPlayer& operator=(const DeviceSoundPlayer&) = delete;

    //! A missing or invalid file stops the playing sound and plays nothing.
    void playFile(const QString& path) override;
    //! Invalid bytes stop the playing sound and play nothing.
    void playWav(const QByteArray& wav) override;
    void purge() override;
    //! True from a play request until the sound has drained, was purged or could not start.
    bool isPlaying() const override;

    //! Blocks until isPlaying() turns false or timeoutMs passes; true when it did turn false.
    bool waitUntilDone(int timeoutMs) const;
    //! The output device could not open for the last sound requested, so it played nothing.
    bool outputFailed() const;

private:
    void request(std::unique_ptr<WaveStream> source);
    void run();
    bool startSound(std::unique_ptr<WaveStream> source);
    void stopSound();

    AudioBackend& m_backend;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_wake;
    mutable std::condition_variable m_changed;
    bool m_requested = false;
    std::unique_ptr<WaveStream> m_next;
    bool m_playing = false;
    bool m_outputFailed = false;
    bool m_stop = false;
    // Owned by the player's thread.
    std::unique_ptr<WaveOutDevice> m_device;
    std::unique_ptr<WaveStream> m_source;
    std::thread m_thread;
};
