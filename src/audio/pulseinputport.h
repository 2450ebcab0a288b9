#pragma once

#include "audio/pulseaudiobackend.h"
#include "audio/pulseaudioport.h"

#include <atomic>
#include <deque>

//! Records from a chosen source, or the server's default one. The oldest submitted buffer is filled from the
//! stream's fragments (a fragment may spread over several buffers) and reported done when
//! full. While capturing, bytes the server delivers while no buffer is queued wait in the
//! stream; while not capturing (before start, paused, after a reset, standing by) the stream
//! keeps running and what arrives is dropped, so the source never falls asleep between takes.
class PulseInputPort final : public PulseAudioPort
{
public:
    //! device: the server's name of the source to record from; empty for the default one. A
    //! stream on a chosen source is never moved to another: when the source goes, the port
    //! has lost its device.
    explicit PulseInputPort(std::shared_ptr<PulseAudioBackend::ErrorNote> note, const QString& device = {});
    ~PulseInputPort() override;

    void submit(WaveBuffer& buffer) override;
    //! Capture starts: from now on delivered bytes go into the queued buffers.
    void start() override;
    //! Capture stops at once; buffers and the bytes already in them stay queued.
    void pause() override;
    void resume() override;
    //! Moves what the server delivered into the queued buffers, stops capture and hands every
    //! buffer back, the partly filled one with its bytesRecorded set; what did not fit is dropped.
    void reset() override;
    qint64 firstSampleTime() const override { return m_firstSample.load(); }

    //! Keeps the open stream running without capturing, forgetting queued buffers unreported
    //! and reporting finished buffers to nobody: a warm input waiting for its next recording.
    void standBy();
    //! Takes over a standing-by stream for a recording: finished buffers go to bufferDone.
    //! False when the stream has failed since (the server went away).
    bool adopt(BufferDone bufferDone);
    //! Open, and the stream has not failed.
    bool isHealthy() const;
    //! The device asked for at construction; empty for the default.
    QString device() const { return m_chosen; }
    //! The description of the source the open stream records from; empty when closed or the
    //! server does not tell. Blocks for the server's answer.
    QString sourceDescription() const;

protected:
    bool connectStream(pa_stream* stream, const WaveFormat& format, const char* device) override;
    void handBackAll() override;
    void forgetAll() override;

private:
    static void dataArrived(pa_stream* stream, size_t bytes, void* port);
    //! Copies delivered bytes into queued buffers; the loop's lock is held.
    void fillBuffers();
    //! Drops every delivered byte; the loop's lock is held.
    void dropDelivered();
    void setCapturing(bool capturing);

    QString m_chosen;
    std::deque<WaveBuffer*> m_queue;
    // The fragment being copied: libpulse keeps it until it is dropped as a whole.
    const char* m_fragment = nullptr;
    size_t m_fragmentSize = 0;
    size_t m_fragmentUsed = 0;
    bool m_holdingFragment = false;
    char m_silence = 0;
    bool m_capturing = false;
    std::atomic<qint64> m_firstSample{-1};
};
