#pragma once

#include "audio/audioport.h"
#include "audio/pulseaudiobackend.h"

#include <QtGlobal>

#include <memory>

class PulseInputPort;
class WarmInput;

//! A recording's port: the warm stream when the recording asks for its format and the stream
//! still runs, else a port opened as usual on the warm stream's source. Closing hands the
//! warm stream back, still running.
class LeasedInputPort final : public AudioPort
{
public:
    LeasedInputPort(std::shared_ptr<WarmInput> owner, std::unique_ptr<PulseInputPort> warm,
                    std::shared_ptr<PulseAudioBackend::ErrorNote> note);
    ~LeasedInputPort() override;

    bool open(const WaveFormat& format, BufferDone bufferDone) override;
    void close() override;
    void submit(WaveBuffer& buffer) override;
    void start() override;
    void pause() override;
    void resume() override;
    void reset() override;
    qint64 firstSampleTime() const override;
    bool openedDefaultInstead() const override;
    bool deviceLost() const override;

private:
    AudioPort* active() const;

    std::shared_ptr<WarmInput> m_owner;
    std::unique_ptr<PulseInputPort> m_warm;
    std::unique_ptr<PulseInputPort> m_own;
    std::shared_ptr<PulseAudioBackend::ErrorNote> m_note;
    QString m_device;
    bool m_usingWarm = false;
};
