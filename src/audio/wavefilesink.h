#pragma once

#include "audio/riffheaderset.h"
#include "audio/wavestream.h"

#include <QByteArray>
#include <QString>

//! Writes a PCM wave file: the 44-byte header at once, the samples as they come, and the
//! two size fields when closed. Until then the file on disk says RIFF size 36, data size 0.
class WaveFileSink final : public RiffHeaderSet, public WaveStream
{
public:
    //! Creates or truncates the file; throws WaveErrors::FileOperation when it cannot be written.
    WaveFileSink(const QString& path, quint32 samplesPerSec, quint16 bitsPerSample, quint16 channels);
    //! Closes, so a sink destroyed without close still leaves a consistent file.
    ~WaveFileSink() override;

    //! Patches RIFF size and data size with the bytes written and closes; later calls do nothing.
    void close() override;

    //! Appends the bytes. Called on the wave device's worker thread (or by its flush while
    //! that thread is suspended); nothing else touches the sink meanwhile, so no lock.
    void write(const char* bytes, quint32 length) override;
    //! Delivers nothing: length becomes 0.
    void read(char* buffer, quint32& length) override;
    void getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) override;
    //! Only seek(0, true) acts: it drops every sample written so far and rewrites the header.
    //! Always reports false.
    bool seek(qint64 offset, bool absolute) override;

private:
    bool writeHeaders();

    QByteArray m_path;
    File m_file;
    quint32 m_headerSize = 44;
    quint32 m_byteCount = 0;
};
