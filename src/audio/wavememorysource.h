#pragma once

#include "audio/riffheaderset.h"
#include "audio/wavestream.h"

#include <QByteArray>

//! Reads the samples of a wave file held in memory (the embedded voice sample), checked as
//! WaveFileSource checks a file.
class WaveMemorySource final : public RiffHeaderSet, public WaveStream
{
public:
    //! Throws, in this order of checks, WaveErrors::RiffDoesntMatch, WaveDoesntMatch,
    //! FmtDoesntMatch, DataDoesntMatch.
    explicit WaveMemorySource(const QByteArray& wav);

    //! Drops the bytes; the source then delivers nothing.
    void close() override;

    //! Drops the bytes: a source is read-only.
    void write(const char* bytes, quint32 length) override;
    //! Never delivers past the data size, nor past the end of bytes shorter than it claims.
    void read(char* buffer, quint32& length) override;
    void getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) override;
    //! Clamped to the samples; a negative absolute offset means the end. False once closed.
    bool seek(qint64 offset, bool absolute) override;

    //! Sample bytes not yet read.
    quint32 remaining() const { return m_size - m_position; }

private:
    void copyHeader(char* into, qsizetype at, qsizetype size) const;
    qsizetype findDataChunk() const;

    QByteArray m_wav;
    qsizetype m_dataStart = 0;
    quint32 m_size = 0;
    quint32 m_position = 0;
};
