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
    {
        std::lock_guard guard(m_input->lock);
        buffer.bytesRecorded = 0;
        m_input->queued.push_back(&buffer);
    }
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
    return std::make_unique<FakeInputPort>(input);
}
