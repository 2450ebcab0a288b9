#pragma once

#include "audio/pulseaudioport.h"

#include <deque>

//! Records from the server's default source. The oldest submitted buffer is filled from the
//! stream's fragments (a fragment may spread over several buffers) and reported done when
//! full. Bytes the server delivers while no buffer is queued wait in the stream.
class PulseInputPort final : public PulseAudioPort
{
public:
    explicit PulseInputPort(std::shared_ptr<PulseAudioBackend::ErrorNote> note);
    ~PulseInputPort() override;

    void submit(WaveBuffer& buffer) override;
    //! Uncorks the stream: capture starts.
    void start() override;
    //! Corks the stream; bytes captured so far stay queued.
    void pause() override;
    void resume() override;
    //! Moves what the server delivered into the queued buffers, stops capture and hands every
    //! buffer back, the partly filled one with its bytesRecorded set; what did not fit is dropped.
    void reset() override;

protected:
    bool connectStream(pa_stream* stream, const WaveFormat& format) override;
    void handBackAll() override;
    void forgetAll() override;

private:
    static void dataArrived(pa_stream* stream, size_t bytes, void* port);
    //! Copies delivered bytes into queued buffers; the loop's lock is held.
    void fillBuffers();

    std::deque<WaveBuffer*> m_queue;
    // The fragment being copied: libpulse keeps it until it is dropped as a whole.
    const char* m_fragment = nullptr;
    size_t m_fragmentSize = 0;
    size_t m_fragmentUsed = 0;
    bool m_holdingFragment = false;
    char m_silence = 0;
};
