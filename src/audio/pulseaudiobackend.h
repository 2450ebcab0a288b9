#pragma once

#include "audio/audiobackend.h"
#include "audio/audioport.h"

#include <QString>

#include <memory>
#include <mutex>

class WarmInput;

//! The sound server's side of wave devices: each port is a PulseAudio stream on the default
//! source or sink ($PULSE_SERVER when set), with its own connection and threaded main loop.
//! prepareInput keeps one input stream open and running between recordings; the next input
//! port takes it over, so a recording starts without waiting for the server or the source.
class PulseAudioBackend : public AudioBackend
{
public:
    PulseAudioBackend();
    //! Waits for an input still being prepared and closes it.
    ~PulseAudioBackend() override;
    std::unique_ptr<AudioPort> createInputPort() override;
    std::unique_ptr<AudioPort> createOutputPort() override;
    void prepareInput() override;
    //! Blocks until an input being prepared is open (or failed to open); true when it is ready.
    bool waitForPreparedInput();
    //! Why the last port of this backend that failed to open did so; empty when none failed.
    QString lastError() const;

    //! Shared with the ports, which may outlive the backend.
    struct ErrorNote
    {
        mutable std::mutex lock;
        QString text;
    };

private:
    std::shared_ptr<ErrorNote> m_error;
    std::shared_ptr<WarmInput> m_warm;
};
