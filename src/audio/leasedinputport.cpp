#include "audio/leasedinputport.h"

#include "audio/pulseinputport.h"
#include "audio/warminput.h"

LeasedInputPort::LeasedInputPort(std::shared_ptr<WarmInput> owner, std::unique_ptr<PulseInputPort> warm,
                                 std::shared_ptr<PulseAudioBackend::ErrorNote> note)
    : m_owner(std::move(owner)), m_warm(std::move(warm)), m_note(std::move(note)), m_device(m_warm->device())
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
    m_own = std::make_unique<PulseInputPort>(m_note, m_device);
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

bool LeasedInputPort::openedDefaultInstead() const
{
    const AudioPort* port = active();
    return port && port->openedDefaultInstead();
}

bool LeasedInputPort::deviceLost() const
{
    const AudioPort* port = active();
    return port && port->deviceLost();
}
