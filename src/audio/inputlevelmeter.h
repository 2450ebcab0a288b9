#pragma once

#include "audio/audioport.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <thread>

class AudioBackend;

//! The live level of the chosen input, for the meter in the microphone dialog and beside
//! the time display while a narration records: its own input stream in the recording format
//! (22050 Hz, 16-bit, mono), measured in 20 ms buffers, so about 50 levels a second.
//! start() and stop() are called on the owner's thread; level() on any thread.
class InputLevelMeter
{
public:
    //! Peak and RMS of the latest buffer, as fractions of full scale (0..1).
    struct Level
    {
        float peak = 0;
        float rms = 0;
        quint64 updates = 0; //!< buffers measured since the last start
    };

    static constexpr int BufferCount = 8;
    static constexpr int BufferMilliseconds = 20;
    //! From this peak on (about -1 dBFS) the meter shows red.
    static constexpr float ClippingPeak = 0.9f;
    //! The quietest level a meter shows, in dBFS.
    static constexpr float DecibelFloor = -60.0f;

    //! The backend must outlive the meter.
    explicit InputLevelMeter(AudioBackend& backend);
    //! Stops a meter still running.
    ~InputLevelMeter();
    InputLevelMeter(const InputLevelMeter&) = delete;
    InputLevelMeter& operator=(const InputLevelMeter&) = delete;

    //! Opens the backend's chosen input and starts measuring; true at once when already
    //! running. False, with nothing left running, when the input cannot open.
    bool start();
    //! Stops capture, hands every buffer back and closes the input; idempotent. The level
    //! falls to silence; the update count stays.
    void stop();
    bool isRunning() const { return m_port != nullptr; }
    //! The input handed every buffer back unfilled (the sound server or the device went
    //! away): the meter shows silence until it is started again.
    bool hasLostInput() const { return m_lostInput; }
    //! Running on the default input because the chosen one is not connected.
    bool openedDefaultInstead() const { return m_port && m_port->openedDefaultInstead(); }

    //! Lock-free; peak and rms always come from the same buffer.
    Level level() const;

    static bool nearClipping(float peak) { return peak >= ClippingPeak; }
    //! 20·log10(level), from DecibelFloor (also for silence) up to 0.
    static float toDecibels(float level);

private:
    struct Completions;

    void workerLoop(const std::shared_ptr<Completions>& completions);
    //! Measures a buffer the port reported and queues it again; on the worker's thread.
    void finishBuffer(WaveBuffer& buffer);
    void submit(WaveBuffer& buffer);
    void publish(float peak, float rms, bool counted);

    AudioBackend& m_backend;
    std::unique_ptr<AudioPort> m_port;
    std::shared_ptr<Completions> m_completions;
    quint32 m_bufferSize = 0;
    std::array<std::unique_ptr<char[]>, BufferCount> m_blocks;
    std::array<WaveBuffer, BufferCount> m_buffers;
    // Buffers at the port, oldest first (ports report them in that order). Only the worker
    // touches it while it runs; start and stop touch it while no worker runs.
    std::deque<WaveBuffer*> m_atPort;
    int m_unfilled = 0;
    std::atomic<bool> m_lostInput{false};
    // Peak and RMS as two float bit patterns in one word, so that a reader never mixes buffers.
    std::atomic<quint64> m_level{0};
    std::atomic<quint64> m_updates{0};
    std::thread m_worker;
};
