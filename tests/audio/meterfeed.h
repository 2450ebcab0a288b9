#pragma once

#include "audio/inputlevelmeter.h"
#include "recorderfakes.h"

#include <QByteArray>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <mutex>

//! 441 samples (20 ms of the recording format) alternating between a and -a, as little-endian bytes.
inline QByteArray squareWave(qint16 amplitude)
{
    QByteArray bytes(882, '\0');
    for (int i = 0; i < 441; ++i)
        qToLittleEndian<qint16>(i % 2 == 0 ? amplitude : qint16(-amplitude), bytes.data() + 2 * i);
    return bytes;
}

//! Fills a level meter's oldest queued buffer with bytes and reports it, as the sound server
//! would; then waits (bounded) until the meter has measured it and queued it again.
inline bool deliverToMeter(FakeInput& input, const QByteArray& bytes)
{
    AudioPort::BufferDone done;
    {
        std::unique_lock guard(input.lock);
        if (!input.queuedChanged.wait_for(guard, std::chrono::seconds(10), [&] { return !input.queued.empty(); }))
            return false;
        WaveBuffer* buffer = input.queued.front();
        input.queued.pop_front();
        std::copy(bytes.begin(), bytes.end(), buffer->data);
        buffer->bytesRecorded = quint32(bytes.size());
        done = input.done;
    }
    done();
    std::unique_lock guard(input.lock);
    return input.queuedChanged.wait_for(guard, std::chrono::seconds(10),
                                        [&] { return input.queued.size() == size_t(InputLevelMeter::BufferCount); });
}
