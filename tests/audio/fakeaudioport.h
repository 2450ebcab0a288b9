#pragma once

#include "audio/audiobackend.h"
#include "audio/audioport.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

//! What a fake backend's ports share with the test that reads it.
struct FakeAudioState
{
    std::mutex lock;
    std::condition_variable changed; //!< notified whenever bytes are captured or played
    bool failOpen = false;           //!< open() reports failure
    int opens = 0;
    int closes = 0;
    int starts = 0;
    int submits = 0;
    int emptySubmits = 0; //!< buffers submitted with length 0
    quint64 captured = 0; //!< input: ramp bytes written into buffers, over every port
    QByteArray played;    //!< output: every byte played, in order
};

//! The ramp an input port captures: byte k of a 16-bit sample counter, little-endian.
char rampByte(quint64 k);
QByteArray rampBytes(quint64 from, quint64 count);

//! A sound device on its own thread, at the format's real-time rate. Input writes the ramp
//! into the oldest queued buffer (only while one is queued, so nothing is ever dropped);
//! output plays the oldest buffer into FakeAudioState::played. Buffers finish in order.
class FakeAudioPort : public AudioPort
{
public:
    FakeAudioPort(bool input, std::shared_ptr<FakeAudioState> state);
    ~FakeAudioPort() override;

    bool open(const WaveFormat& format, BufferDone bufferDone) override;
    void close() override;
    void submit(WaveBuffer& buffer) override;
    void start() override;
    void pause() override;
    void resume() override;
    void reset() override;

private:
    void run();
    //! Moves up to count bytes; the port's lock is held.
    void step(quint32 count);

    const bool m_input;
    std::shared_ptr<FakeAudioState> m_state;
    BufferDone m_done;
    WaveFormat m_format;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<WaveBuffer*> m_queue;
    quint32 m_played = 0; // output: bytes of the oldest buffer already played
    bool m_running = false;
    bool m_paused = false;
    bool m_stop = false;
    std::thread m_thread;
};

class FakeAudioBackend : public AudioBackend
{
public:
    std::shared_ptr<FakeAudioState> state = std::make_shared<FakeAudioState>();

    std::unique_ptr<AudioPort> createInputPort() override { return std::make_unique<FakeAudioPort>(true, state); }
    std::unique_ptr<AudioPort> createOutputPort() override { return std::make_unique<FakeAudioPort>(false, state); }

    //! What the ports captured and played so far, read under the state's lock.
    quint64 captured() const
    {
        std::lock_guard guard(state->lock);
        return state->captured;
    }
    QByteArray played() const
    {
        std::lock_guard guard(state->lock);
        return state->played;
    }
};
