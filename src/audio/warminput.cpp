#include "audio/warminput.h"

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

LeasedInputPort::LeasedInputPort(std::shared_ptr<WarmInput> owner, std::unique_ptr<PulseInputPort> warm,
                                 std::shared_ptr<PulseAudioBackend::ErrorNote> note)
    : m_owner(std::move(owner)), m_warm(std::move(warm)), m_note(std::move(note))
{}

LeasedInputPort::~LeasedInputPort()
{
    close();
    m_owner->giveBack(std::move(m_warm));
}

AudioPort* LeasedInputPort::active() const
{
    if (m_usingWarm)
        return m_warm.get();
    return m_own.get();
}

bool LeasedInputPort::open(const WaveFormat& format, BufferDone bufferDone)
{
    close();
    const WaveFormat warm = WarmInput::format();
    const bool sameFormat = format.channels == warm.channels && format.samplesPerSec == warm.samplesPerSec &&
                            format.bitsPerSample == warm.bitsPerSample;
    if (m_warm && sameFormat && m_warm->adopt(bufferDone)) {
        m_usingWarm = true;
        return true;
    }
    m_own = std::make_unique<PulseInputPort>(m_note);
    return m_own->open(format, std::move(bufferDone));
}

void LeasedInputPort::close()
{
    if (m_usingWarm) {
        m_warm->standBy();
        m_usingWarm = false;
    }
    m_own.reset();
}

void LeasedInputPort::submit(WaveBuffer& buffer)
{
    if (AudioPort* port = active())
        port->submit(buffer);
}

void LeasedInputPort::start()
{
    if (AudioPort* port = active())
        port->start();
}

void LeasedInputPort::pause()
{
    if (AudioPort* port = active())
        port->pause();
}

void LeasedInputPort::resume()
{
    if (AudioPort* port = active())
        port->resume();
}

void LeasedInputPort::reset()
{
    if (AudioPort* port = active())
        port->reset();
}

qint64 LeasedInputPort::firstSampleTime() const
{
    const AudioPort* port = active();
    return port ? port->firstSampleTime() : -1;
}
