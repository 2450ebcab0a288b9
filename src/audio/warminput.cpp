#include "audio/warminput.h"

#include "audio/leasedinputport.h"
#include "audio/pulseinputport.h"

WarmInput::WarmInput(std::shared_ptr<PulseAudioBackend::ErrorNote> note) : m_note(std::move(note))
{}

WarmInput::~WarmInput()
{
    shutDown();
}

WaveFormat WarmInput::format()
{
    return WaveFormat{1, 22050, 16};
}

void WarmInput::prepare()
{
    std::lock_guard lock(m_lock);
    if (m_shutDown || m_port || m_lent || m_opening.valid())
        return;
    // Connecting may take up to the server's time-out: never on the caller's (GUI) thread.
    m_opening = std::async(std::launch::async, [note = m_note] {
        auto port = std::make_unique<PulseInputPort>(note);
        if (!port->open(format(), [] {}))
            return std::unique_ptr<PulseInputPort>();
        port->standBy();
        return port;
    });
}

void WarmInput::waitForOpening(std::unique_lock<std::mutex>& lock)
{
    if (!m_opening.valid())
        return;
    auto opening = std::move(m_opening);
    lock.unlock();
    auto port = opening.get();
    lock.lock();
    if (m_shutDown || m_port)
        return; // port closes as it goes out of scope
    m_port = std::move(port);
}

std::unique_ptr<AudioPort> WarmInput::lease()
{
    std::unique_lock lock(m_lock);
    waitForOpening(lock);
    if (m_lent || !m_port)
        return nullptr;
    m_lent = true;
    return std::make_unique<LeasedInputPort>(shared_from_this(), std::move(m_port), m_note);
}

void WarmInput::giveBack(std::unique_ptr<PulseInputPort> port)
{
    std::unique_lock lock(m_lock);
    m_lent = false;
    // A stream that failed since is closed here and opened afresh by the next prepare.
    if (!port || m_shutDown || !port->isHealthy())
        return;
    port->standBy();
    m_port = std::move(port);
}

bool WarmInput::waitUntilPrepared()
{
    std::unique_lock lock(m_lock);
    waitForOpening(lock);
    return m_port != nullptr;
}

void WarmInput::shutDown()
{
    std::unique_lock lock(m_lock);
    waitForOpening(lock);
    m_shutDown = true;
    auto port = std::move(m_port);
    lock.unlock();
}
