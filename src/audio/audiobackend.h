#pragma once

#include "audio/audioport.h"

#include <memory>

//! Makes the ports of wave devices; the real one talks to the sound server.
class AudioBackend
{
public:
    virtual ~AudioBackend() = default;
    virtual std::unique_ptr<AudioPort> createInputPort() = 0;
    virtual std::unique_ptr<AudioPort> createOutputPort() = 0;
    //! Opens the input ahead of a recording, so that the next one starts at once; returns at
    //! once, the opening happens in the background. Nothing for backends without a slow start.
    virtual void prepareInput() {}
};
