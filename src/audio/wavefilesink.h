#pragma once

#include "audio/riffheaderset.h"
#include "audio/wavestream.h"

#include <QByteArray>
#include <QString>

#include <atomic>

//! Writes a PCM wave file: the 44-byte header at once, the samples as they come, and the
//! two size fields when closed. While it writes, the size fields on disk are brought up to
//! date after every second of samples, so a process killed mid-recording leaves a readable
//! file that lacks at most the last second.
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
    //! Bytes of samples written so far; read from any thread.
    quint32 byteCount() const { return m_byteCount.load(); }
    //! Samples beyond this many bytes are dropped (rounded down to whole frames); 0: no limit.
    void setByteLimit(quint32 bytes);
    //! Delivers nothing: length becomes 0.
    void read(char* buffer, quint32& length) override;
    void getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) override;
    //! Only seek(0, true) acts: it drops every sample written so far and rewrites the header.
    //! Always reports false.
    bool seek(qint64 offset, bool absolute) override;

private:
    bool writeHeaders();
    //! Writes the size fields for the bytes so far in place and flushes; the file position
    //! returns to the end.
    void patchSizes();

    QByteArray m_path;
    File m_file;
    quint32 m_headerSize = 44;
    std::atomic<quint32> m_byteCount{0};
    std::atomic<quint32> m_byteLimit{0};
    quint32 m_patchedAt = 0;
    quint32 m_patchInterval = 0;
};
