#pragma once

// A microphone that is there but hears nothing, and a level control that only remembers its
// level: enough for the screenshot tool to show a narration recording, the level meter and
// the microphone dialog without a sound server. Nothing is captured or played.
#include "audio/audiobackend.h"
#include "audio/audioport.h"
#include "audio/microphonevolume.h"

#include "quietservices.h"

#include <deque>
#include <memory>
#include <mutex>

//! An input that opens and takes buffers but never fills one; a reset hands them all back
//! unfilled. Submit may come from a device thread while the owner's thread resets.
class SilentMicrophonePort final : public AudioPort
{
public:
    bool open(const WaveFormat&, BufferDone bufferDone) override
    {
        std::lock_guard guard(m_lock);
        m_bufferDone = std::move(bufferDone);
        m_queued.clear();
        return true;
    }

    void close() override
    {
        std::lock_guard guard(m_lock);
        m_queued.clear();
        m_bufferDone = nullptr;
    }

    void submit(WaveBuffer& buffer) override
    {
        std::lock_guard guard(m_lock);
        buffer.bytesRecorded = 0;
        m_queued.push_back(&buffer);
    }

    void start() override {}
    void pause() override {}
    void resume() override {}

    void reset() override
    {
        std::deque<WaveBuffer*> returned;
        BufferDone report;
        {
            std::lock_guard guard(m_lock);
            returned.swap(m_queued);
            report = m_bufferDone;
        }
        // Every queued buffer must come back, or the device's flush waits for it forever. The
        // reports go out unlocked: the owner's callback takes its own locks.
        if (!report)
            return;
        for (size_t i = 0; i < returned.size(); ++i)
            report();
    }

private:
    std::mutex m_lock;
    BufferDone m_bufferDone;
    // Buffers taken and not yet handed back, oldest first, each with nothing recorded.
    std::deque<WaveBuffer*> m_queued;
};

//! Silent microphones for input; outputs never open, as on a machine without a speaker.
class SilentMicrophone final : public AudioBackend
{
public:
    std::unique_ptr<AudioPort> createInputPort() override { return std::make_unique<SilentMicrophonePort>(); }
    std::unique_ptr<AudioPort> createOutputPort() override { return std::make_unique<AbsentAudioPort>(); }
};

//! A microphone level control of range 0..max that stores the level it is given.
class StoredMicrophoneVolume final : public MicrophoneVolume
{
public:
    StoredMicrophoneVolume(int max, int volume) : m_max(max), m_volume(volume) {}

    bool hasVolumeControl() const override { return true; }
    int volumeMin() const override { return 0; }
    int volumeMax() const override { return m_max; }
    int volumeSteps() const override { return m_max + 1; }
    int getVolume() const override { return m_volume; }
    void setVolume(int volume) override
    {
        if (volume >= 0 && volume <= m_max)
            m_volume = volume;
    }
    //! Nobody else changes the level, so there is nothing to tell.
    void setChangeListener(ChangeListener) override {}

private:
    int m_max;
    int m_volume;
};
