#pragma once

#include "audio/audioport.h"
#include "audio/inputsource.h"

#include <QString>

#include <functional>
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

    //! Input ports made from now on record from the source of that server name; empty for
    //! the server's default. A chosen source that is not there when a port opens leaves the
    //! port on the default one (AudioPort::openedDefaultInstead). Backends with a single
    //! input ignore the choice.
    virtual void setInputDevice(const QString& name) { (void)name; }
    //! The chosen source's name; empty for the server's default.
    virtual QString inputDevice() const { return {}; }
    //! What the author knows the chosen source as: its description once the backend has seen
    //! it listed or opened, else its name; empty for the default.
    virtual QString inputDeviceLabel() const { return inputDevice(); }
    //! The sources input ports can record from, monitors of outputs left out; blocks for the
    //! server's answer (bounded). Backends with a single input list none.
    virtual InputSourceList listInputSources() { return {}; }
    //! Calls changed whenever a source comes or goes or the default one changes, until the
    //! watch is destroyed; changed runs on another thread and must not block. Null when the
    //! backend cannot watch (sources never change, or the server cannot be reached).
    virtual std::unique_ptr<InputSourceWatch> watchInputSources(std::function<void()> changed)
    {
        (void)changed;
        return nullptr;
    }
};
