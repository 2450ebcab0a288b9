#pragma once

#include "audio/audioport.h"
#include "audio/wavedevice.h"

#include <memory>

//! Records from its port's input into the attached stream.
class WaveInDevice : public WaveDevice
{
public:
    explicit WaveInDevice(std::unique_ptr<AudioPort> port);
    ~WaveInDevice() override;

protected:
    bool capturesInput() const override { return true; }
    void prepareBuffer(WaveBuffer& buffer) override;
    void finishBuffer(WaveBuffer& buffer) override;
};
