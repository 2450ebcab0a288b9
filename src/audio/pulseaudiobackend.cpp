#include "audio/pulseaudiobackend.h"

#include "audio/pulseinputport.h"
#include "audio/pulseoutputport.h"
#include "audio/warminput.h"

PulseAudioBackend::PulseAudioBackend()
    : m_error(std::make_shared<ErrorNote>()), m_warm(std::make_shared<WarmInput>(m_error))
{}

PulseAudioBackend::~PulseAudioBackend()
{
    m_warm->shutDown();
}

std::unique_ptr<AudioPort> PulseAudioBackend::createInputPort()
{
    if (auto leased = m_warm->lease())
        return leased;
    return std::make_unique<PulseInputPort>(m_error);
}

void PulseAudioBackend::prepareInput()
{
    m_warm->prepare();
}

bool PulseAudioBackend::waitForPreparedInput()
{
    return m_warm->waitUntilPrepared();
}

std::unique_ptr<AudioPort> PulseAudioBackend::createOutputPort()
{
    return std::make_unique<PulseOutputPort>(m_error);
}

QString PulseAudioBackend::lastError() const
{
    std::lock_guard lock(m_error->lock);
    return m_error->text;
}
