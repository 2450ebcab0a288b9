#pragma once

#include "audio/audioport.h"
#include "audio/wavedevice.h"

#include <memory>

//! Plays the attached stream on the default output.
class WaveOutDevice : public WaveDevice
{
public:
    explicit WaveOutDevice(std::unique_ptr<AudioPort> port);
    ~WaveOutDevice() override;

    //! Playback has ended: the stream delivered its last byte and every buffer came back
    //! from the device. Also true with no stream attached.
    bool isDrained() const;

protected:
    void prepareBuffer(WaveBuffer& buffer) override;
    void finishBuffer(WaveBuffer& buffer) override;
};
