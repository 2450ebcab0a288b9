#pragma once

#include "audio/audioport.h"
#include "audio/bufferqueue.h"
#include "audio/wavestream.h"

#include <QtGlobal>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

//! Streams samples between a WaveStream and a sound device through eight 100 ms buffers
//! that a feeder and a worker thread cycle through three queues (free → ready → device →
//! free). Lives on one caller thread; the two threads and the port's callback thread run
//! beside it. The device uses the attached stream but does not own it.
class WaveDevice
{
public:
    static constexpr int BufferCount = 8;

    //! Creates both threads, idle (suspended) until start.
    explicit WaveDevice(std::unique_ptr<AudioPort> port);
    //! Joins both threads. Derived classes call shutDown() in their destructor, which detaches
    //! first (finishing buffers needs the derived class).
    virtual ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    //! Detaches any stream first; opens the device for the stream's format. False when the
    //! device cannot open (the stream stays attached; start then records nothing).
    bool attach(WaveStream* stream);
    //! False with no stream; true at once when already running.
    bool start();
    //! Stops the device at once; buffers and captured bytes stay.
    void pause();
    void resume();
    //! Flushes every buffer (captured bytes reach the stream, in order), closes the device,
    //! frees the buffers and forgets the stream.
    bool detach();
    //! False with no stream; otherwise flushes and seeks the stream.
    bool seek(qint64 offset, bool absolute);
    bool rewind() { return seek(0, true); }

    //! The device opened at the last attach.
    bool isOpen() const { return m_open; }
    //! Input: steady-clock milliseconds of the first sample captured since start; -1 before.
    qint64 firstSampleTime() const;
    //! Input: the chosen source was not there at the last attach; the default one records.
    bool openedDefaultInstead() const { return m_open && m_port->openedDefaultInstead(); }
    //! The device went away since the last attach: nothing more is captured or played.
    bool deviceLost() const { return m_open && m_port->deviceLost(); }
    //! Bytes per buffer: 100 ms of the format rounded down to an even count.
    quint32 bufferSize() const { return m_bufferSize; }
    //! Buffers in each queue, for tests and the output device's end detection.
    int freeCount() const;
    int readyCount() const;
    int deviceCount() const;

protected:
    //! Input devices start capturing before their threads run; output devices give the
    //! worker a head start so that buffers are ready before playback begins.
    virtual bool capturesInput() const { return false; }
    virtual void submitBuffer(WaveBuffer& buffer);
    virtual void prepareBuffer(WaveBuffer& buffer) = 0;
    virtual void finishBuffer(WaveBuffer& buffer) = 0;
    //! Called by the port on its thread: one more buffer is finished.
    void bufferDone();
    //! Stops and joins the threads; idempotent.
    void shutDown();

    WaveStream* stream() const { return m_stream; }
    AudioPort& port() { return *m_port; }

    //! True once the worker found the stream empty: the oldest free buffer stayed at length 0.
    bool ranDry() const { return m_dry; }

private:
    using Queue = BufferQueue<BufferCount>;

    void feederLoop();
    void workerLoop();
    void flush();
    void createBuffers();
    void releaseBuffers();
    //! Blocks the calling device thread until start or shut-down clears its flag.
    void waitWhileSuspended(std::atomic<bool>& suspended);
    //! Marks the calling device thread idle (flush waits for that) and blocks as above.
    void suspendSelf(std::atomic<bool>& suspended);
    void resumeThread(std::atomic<bool>& suspended);
    //! One 20 ms cycle of a device thread; returns early at shut-down.
    void idleCycle();
    void stopThreads();

    std::unique_ptr<AudioPort> m_port;
    WaveFormat m_format;
    quint32 m_bufferSize = 0;
    WaveStream* m_stream = nullptr;
    std::atomic<bool> m_open{false};
    std::array<std::unique_ptr<char[]>, BufferCount> m_blocks;
    std::array<WaveBuffer, BufferCount> m_buffers;
    // Lock order: ready → device; free → ready; device → counter; device → free.
    mutable std::mutex m_freeLock, m_readyLock, m_deviceLock, m_counterLock;
    Queue m_free, m_ready, m_device;
    std::atomic<int> m_completions{0};
    std::condition_variable m_completed;
    std::atomic<bool> m_feederSuspended{true};
    std::atomic<bool> m_workerSuspended{true};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_pauseRequest{true};
    std::atomic<bool> m_dry{false};
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    std::thread m_feeder;
    std::thread m_worker;
};
