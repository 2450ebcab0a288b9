#include "audio/warminput.h"

#include "audio/leasedinputport.h"
#include "audio/pulseinputport.h"

namespace {

//! Opens a stream standing by on the chosen source; null when that source is not there or
//! nothing opens. Opens again when the choice changes meanwhile.
std::unique_ptr<PulseInputPort> openStandingBy(const std::shared_ptr<PulseAudioBackend::ErrorNote>& note,
                                               const std::shared_ptr<PulseAudioBackend::InputChoice>& choice)
{
    for (;;) {
        const QString device = choice->currentName();
        auto port = std::make_unique<PulseInputPort>(note, device);
        bool kept = port->open(WarmInput::format(), [] {}) && !port->openedDefaultInstead();
        if (kept && !device.isEmpty()) {
            bool described = false;
            {
                std::lock_guard lock(choice->lock);
                described = !choice->description.isEmpty();
            }
            // Named in a message should the source be unplugged later.
            if (!described)
                choice->learn(device, port->sourceDescription());
        }
        if (choice->currentName() != device)
            continue;
        if (!kept)
            return nullptr;
        port->standBy();
        return port;
    }
}

} // namespace

WarmInput::WarmInput(std::shared_ptr<PulseAudioBackend::ErrorNote> note,
                     std::shared_ptr<PulseAudioBackend::InputChoice> choice)
    : m_note(std::move(note)), m_choice(std::move(choice))
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
    m_opening =
        std::async(std::launch::async, [note = m_note, choice = m_choice] { return openStandingBy(note, choice); });
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
    if (m_port->device() != m_choice->currentName()) {
        auto stale = std::move(m_port);
        lock.unlock();
        return nullptr; // stale closes as it goes out of scope
    }
    m_lent = true;
    return std::make_unique<LeasedInputPort>(shared_from_this(), std::move(m_port), m_note);
}

void WarmInput::giveBack(std::unique_ptr<PulseInputPort> port)
{
    std::unique_lock lock(m_lock);
    m_lent = false;
    // A stream that failed since, or on a source no longer chosen, is closed here; the next
    // prepare opens a fresh one.
    if (!port || m_shutDown || !port->isHealthy() || port->device() != m_choice->currentName())
        return;
    port->standBy();
    m_port = std::move(port);
}

void WarmInput::choiceChanged()
{
    std::unique_ptr<PulseInputPort> stale;
    {
        std::lock_guard lock(m_lock);
        if (m_shutDown || !m_port || m_port->device() == m_choice->currentName())
            return;
        stale = std::move(m_port);
    }
    stale.reset();
    prepare();
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
