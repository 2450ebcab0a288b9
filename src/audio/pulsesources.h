#pragma once

#include "audio/inputsource.h"

#include <functional>
#include <memory>

class PulseConnection;

//! The server's sources ($PULSE_SERVER when set) except the monitors of its outputs, the
//! default one marked, in the server's order; why not when no server answers. Blocks for the
//! server's answer (at most 5 s without one).
InputSourceList listPulseSources();

//! Tells of sources added or removed and of the server's default changing, on libpulse's
//! thread, for as long as it lives.
class PulseSourceWatch final : public InputSourceWatch
{
public:
    //! changed must not block; null when no server answers.
    static std::unique_ptr<PulseSourceWatch> start(std::function<void()> changed);
    //! Disconnects; changed is not called afterwards.
    ~PulseSourceWatch() override;

private:
    PulseSourceWatch(std::unique_ptr<PulseConnection> connection, std::function<void()> changed);

    std::unique_ptr<PulseConnection> m_connection;
    std::function<void()> m_changed;
};
