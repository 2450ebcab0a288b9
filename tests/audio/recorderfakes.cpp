#include "recorderfakes.h"

#include <algorithm>
#include <chrono>

bool FakeInput::capture(int count)
{
    std::vector<WaveBuffer*> filled;
    AudioPort::BufferDone report;
    {
        std::unique_lock guard(lock);
        // A bounded wait for the device's feeder thread, not a sleep: it wakes as soon as it queues.
        if (!queuedChanged.wait_for(guard, std::chrono::seconds(10), [&] { return int(queued.size()) >= count; }))
            return false;
        for (int i = 0; i < count; ++i) {
            WaveBuffer* b = queued.front();
            queued.pop_front();
            for (quint32 k = 0; k < b->length; ++k)
                b->data[k] = char(nextRampValue++ * 7 % 251);
            b->bytesRecorded = b->length;
            captured.append(b->data, int(b->length));
            filled.push_back(b);
        }
        report = done;
    }
    for (size_t i = 0; i < filled.size(); ++i)
        report();
    return true;
}

bool FakeInput::deliver(const QByteArray& bytes, qint64 reported)
{
    AudioPort::BufferDone report;
    {
        std::unique_lock guard(lock);
        if (!queuedChanged.wait_for(guard, std::chrono::seconds(10), [&] { return !queued.empty(); }))
            return false;
        WaveBuffer* buffer = queued.front();
        if (quint32(bytes.size()) > buffer->length)
            return false;
        queued.pop_front();
        std::copy(bytes.begin(), bytes.end(), buffer->data);
        buffer->bytesRecorded = quint32(reported < 0 ? bytes.size() : reported);
        report = done;
    }
    report();
    return true;
}

bool FakeInput::awaitQueued(size_t count)
{
    std::unique_lock guard(lock);
    return queuedChanged.wait_for(guard, std::chrono::seconds(10), [&] { return queued.size() == count; });
}

void FakeInput::handBackAll()
{
    size_t returned = 0;
    AudioPort::BufferDone report;
    {
        std::lock_guard guard(lock);
        returned = queued.size();
        queued.clear();
        report = done;
    }
    // Unfilled buffers come back empty, each reported like a finished one; the reports go out
    // unlocked, as the owner's callback takes its own locks.
    for (size_t i = 0; i < returned && report; ++i)
        report();
}

void FakeInput::loseDevice()
{
    lost = true;
    handBackAll();
}

QStringList FakeInput::callLog()
{
    std::lock_guard guard(lock);
    return calls;
}

bool FakeInputPort::open(const WaveFormat& format, BufferDone bufferDone)
{
    log("open");
    if (!m_input->openSucceeds)
        return false;
    std::lock_guard guard(m_input->lock);
    m_input->opened = format;
    m_input->done = std::move(bufferDone);
    return true;
}

void FakeInputPort::close()
{
    log("close");
}

void FakeInputPort::submit(WaveBuffer& buffer)
{
    AudioPort::BufferDone report;
    {
        std::lock_guard guard(m_input->lock);
        buffer.bytesRecorded = 0;
        // A device that went away hands every buffer straight back, as the sound server's port does.
        if (m_input->lost)
            report = m_input->done;
        else
            m_input->queued.push_back(&buffer);
    }
    if (report)
        report();
    m_input->queuedChanged.notify_all();
}

void FakeInputPort::start()
{
    log("start");
}

void FakeInputPort::pause()
{
    log("pause");
}

void FakeInputPort::resume()
{
    log("resume");
}

void FakeInputPort::reset()
{
    log("reset");
    m_input->handBackAll();
}

void FakeInputPort::log(const char* call)
{
    std::lock_guard guard(m_input->lock);
    m_input->calls << QString::fromLatin1(call);
}

std::unique_ptr<AudioPort> FakeBackend::createInputPort()
{
    ++inputPortsMade;
    input = std::make_shared<FakeInput>();
    input->openSucceeds = openSucceeds;
    input->device = m_device;
    input->openedDefault = !m_device.isEmpty() && missing.contains(m_device);
    return std::make_unique<FakeInputPort>(input);
}

QString FakeBackend::inputDeviceLabel() const
{
    const auto known = labels.find(m_device);
    return known == labels.end() ? m_device : known->second;
}

InputSourceList FakeBackend::listInputSources()
{
    std::lock_guard guard(m_sourcesLock);
    ++m_listings;
    return m_sources;
}

//! Forgets the backend's listener when it goes.
struct FakeBackend::Watch : InputSourceWatch
{
    explicit Watch(FakeBackend& backend) : owner(backend) {}
    ~Watch() override
    {
        std::lock_guard guard(owner.m_sourcesLock);
        owner.m_changed = nullptr;
    }
    FakeBackend& owner;
};

std::unique_ptr<InputSourceWatch> FakeBackend::watchInputSources(std::function<void()> changed)
{
    std::lock_guard guard(m_sourcesLock);
    m_changed = std::move(changed);
    return std::make_unique<Watch>(*this);
}

void FakeBackend::setSources(const InputSourceList& list)
{
    std::lock_guard guard(m_sourcesLock);
    m_sources = list;
}

int FakeBackend::listings() const
{
    std::lock_guard guard(m_sourcesLock);
    return m_listings;
}

bool FakeBackend::announceSourcesChanged()
{
    std::lock_guard guard(m_sourcesLock);
    if (!m_changed)
        return false;
    m_changed();
    return true;
}

bool FakeBackend::isWatched() const
{
    std::lock_guard guard(m_sourcesLock);
    return bool(m_changed);
}
