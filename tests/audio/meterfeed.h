#pragma once

#include "audio/inputlevelmeter.h"
#include "recorderfakes.h"

#include <QByteArray>
#include <QtEndian>

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
    return input.deliver(bytes) && input.awaitQueued(size_t(InputLevelMeter::BufferCount));
}
