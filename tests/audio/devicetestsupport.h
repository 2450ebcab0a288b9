#pragma once

#include "audio/wavestream.h"

#include <QByteArray>

#include <functional>
#include <mutex>
#include <vector>

//! A recording target that keeps every byte a wave device writes, and the size of each write.
class MemorySink : public WaveStream
{
public:
    void write(const char* bytes, quint32 length) override;
    void getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) override;
    bool seek(qint64, bool) override { return false; }

    QByteArray bytes() const;
    std::vector<quint32> writes() const;

private:
    mutable std::mutex m_lock;
    QByteArray m_bytes;
    std::vector<quint32> m_writes;
};

//! Polls the condition every few milliseconds; false when it still fails after timeoutMs.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

//! Runs action on another thread; a hang past timeoutMs fails the test and ends the process,
//! so that it is reported instead of blocking the run.
void expectReturnsWithin(int timeoutMs, const std::function<void()>& action);
