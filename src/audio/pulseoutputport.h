#pragma once

#include "audio/pulseaudiobackend.h"
#include "audio/pulseaudioport.h"

#include <QtGlobal>

#include <deque>

//! Plays on the server's default sink. Submitted buffers are written to the stream as the
//! server asks for data. A buffer is reported done once its last byte has been played: every
//! 20 ms the port asks for the stream's timing; once the sink has read a buffer's last byte
//! (bytes written minus what the server still queues), the buffer is dated to be heard after
//! the sink's latency and reported at that time. No buffer is reported before it was heard,
//! and the last one close to the sound's end.
class PulseOutputPort final : public PulseAudioPort
{
public:
    explicit PulseOutputPort(std::shared_ptr<PulseAudioBackend::ErrorNote> note);
    ~PulseOutputPort() override;

    void submit(WaveBuffer& buffer) override;
    //! Nothing to do: playback starts as soon as buffers are queued.
    void start() override;
    //! Corks the stream; queued buffers stay.
    void pause() override;
    void resume() override;
    //! Drops what the server still holds and hands every queued buffer back, in order.
    void reset() override;

protected:
    bool connectStream(pa_stream* stream, const WaveFormat& format, const char* device) override;
    void handBackAll() override;
    void forgetAll() override;
    void beforeDisconnect() override;

private:
    struct Pending
    {
        WaveBuffer* buffer;
        quint32 written;
        quint64 endsAt;  //!< total bytes written once this buffer's last byte was
        quint64 heardAt; //!< when its last byte reaches the speaker; 0 while unknown
    };

    static void spaceAvailable(pa_stream* stream, size_t bytes, void* port);
    static void tick(pa_mainloop_api*, pa_time_event*, const timeval*, void* port);
    static void timingArrived(pa_stream* stream, int success, void* port);
    //! Writes as much as the server takes; the loop's lock is held.
    void writePending();
    //! Dates the buffers the sink has read; the loop's lock is held.
    void reportConsumed();
    //! Reports the buffers heard by now, in order; the loop's lock is held.
    void reportHeard(quint64 now);
    void armTimer();

    std::deque<Pending> m_pending;
    quint64 m_written = 0;
    quint32 m_epoch = 0;
    quint32 m_askedEpoch = 0;
    bool m_paused = false;
    bool m_askingTiming = false;
    bool m_timerArmed = false;
    pa_time_event* m_timer = nullptr;
};
