#pragma once

#include "audio/riffheaderset.h"
#include "audio/wavestream.h"

#include <QByteArray>
#include <QString>

//! Reads the samples of a wave file after checking its RIFF, WAVE and fmt ids and finding
//! its "data" chunk (also behind other chunks such as "LIST").
class WaveFileSource final : public RiffHeaderSet, public WaveStream
{
public:
    //! Throws, in this order of checks, WaveErrors::FileOperation (cannot open), RiffDoesntMatch,
    //! WaveDoesntMatch, FmtDoesntMatch, DataDoesntMatch.
    explicit WaveFileSource(const QString& path);
    ~WaveFileSource() override;

    void close() override;

    //! Drops the bytes: a source is read-only.
    void write(const char* bytes, quint32 length) override;
    //! Never delivers past the data size, nor past the end of a file shorter than it claims.
    void read(char* buffer, quint32& length) override;
    void getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) override;
    //! Clamped to the samples; a negative absolute offset means the end. False once closed.
    bool seek(qint64 offset, bool absolute) override;

    //! Byte offset in the file where the samples start.
    qint64 dataStart() const { return m_dataStart; }
    //! Sample bytes not yet read.
    quint32 remaining() const { return m_remaining; }

private:
    bool readExactly(char* into, size_t size);
    bool searchDataChunk();

    QByteArray m_path;
    File m_file;
    qint64 m_dataStart = 0;
    quint32 m_remaining = 0;
};
