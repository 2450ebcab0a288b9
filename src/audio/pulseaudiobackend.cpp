#include "audio/pulseaudiobackend.h"

#include "audio/pulseinputport.h"
#include "audio/pulseoutputport.h"
#include "audio/pulsesources.h"
#include "audio/warminput.h"

PulseAudioBackend::PulseAudioBackend()
    : m_error(std::make_shared<ErrorNote>()),
      m_choice(std::make_shared<InputChoice>()),
      m_warm(std::make_shared<WarmInput>(m_error, m_choice))
{}

PulseAudioBackend::~PulseAudioBackend()
{
    m_warm->shutDown();
}

std::unique_ptr<AudioPort> PulseAudioBackend::createInputPort()
{
    if (auto leased = m_warm->lease())
        return leased;
    return std::make_unique<PulseInputPort>(m_error, m_choice->currentName());
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

void PulseAudioBackend::setInputDevice(const QString& name)
{
    QString description;
    {
        std::lock_guard lock(m_listedLock);
        if (const InputSource* listed = m_listed.find(name))
            description = listed->description;
    }
    {
        std::lock_guard lock(m_choice->lock);
        if (m_choice->name == name)
            return;
        m_choice->name = name;
        m_choice->description = description;
    }
    m_warm->choiceChanged();
}

QString PulseAudioBackend::inputDevice() const
{
    return m_choice->currentName();
}

QString PulseAudioBackend::inputDeviceLabel() const
{
    std::lock_guard lock(m_choice->lock);
    return m_choice->description.isEmpty() ? m_choice->name : m_choice->description;
}

InputSourceList PulseAudioBackend::listInputSources()
{
    InputSourceList list = listPulseSources();
    if (!list.ok())
        return list;
    {
        std::lock_guard lock(m_listedLock);
        m_listed = list;
    }
    if (const InputSource* chosen = list.find(m_choice->currentName()))
        m_choice->learn(chosen->name, chosen->description);
    return list;
}

std::unique_ptr<InputSourceWatch> PulseAudioBackend::watchInputSources(std::function<void()> changed)
{
    return PulseSourceWatch::start(std::move(changed));
}
