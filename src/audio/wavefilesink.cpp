#include "audio/wavefilesink.h"

#include "audio/waveerrors.h"

#include <QFile>

#include <algorithm>
#include <limits>

WaveFileSink::WaveFileSink(const QString& path, quint32 samplesPerSec, quint16 bitsPerSample,
                           quint16 channels)
    : m_path(QFile::encodeName(path)), m_file(std::fopen(m_path.constData(), "wb"))
{
    if (!m_file)
        throw WaveErrors::FileOperation();
    fillPcmHeaders(samplesPerSec, bitsPerSample, channels, m_headerSize - 8, 0);
    if (!writeHeaders())
        throw WaveErrors::FileOperation();
}

WaveFileSink::~WaveFileSink()
{
    close();
}

void WaveFileSink::close()
{
    if (!m_file)
        return;
    std::fseek(m_file.get(), 0, SEEK_SET);
    setSizes(riffSize() + m_byteCount, dataSize() + m_byteCount);
    writeHeaders();
    m_file.reset();
}

void WaveFileSink::write(const char* bytes, quint32 length)
{
    if (!m_file || length == 0)
        return;
    // The RIFF size field is 32 bits; bytes beyond it would wrap both size fields.
    const quint32 room = std::numeric_limits<quint32>::max() - (m_headerSize - 8) - m_byteCount;
    const quint32 accepted = std::min(length, room);
    // Count what reached the stream, so a full disk cannot make the header claim missing samples.
    m_byteCount += static_cast<quint32>(std::fwrite(bytes, 1, accepted, m_file.get()));
}

void WaveFileSink::read(char*, quint32& length)
{
    length = 0;
}

void WaveFileSink::getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels)
{
    formatFromHeader(samplesPerSec, bitsPerSample, channels);
}

bool WaveFileSink::seek(qint64 offset, bool absolute)
{
    if (offset == 0 && absolute && m_file) {
        m_byteCount = 0;
        // Close before reopening: the old stream's buffered bytes must not land in the new file.
        m_file.reset();
        m_file.reset(std::fopen(m_path.constData(), "wb"));
        if (m_file) {
            setSizes(m_headerSize - 8, 0);
            writeHeaders();
        }
    }
    return false;
}

bool WaveFileSink::writeHeaders()
{
    std::FILE* file = m_file.get();
    const bool written = std::fwrite(m_riffHeader.data(), 1, m_riffHeader.size(), file) == m_riffHeader.size()
                         && std::fwrite(m_fmtHeader.data(), 1, m_fmtHeader.size(), file) == m_fmtHeader.size()
                         && std::fwrite(m_dataHeader.data(), 1, m_dataHeader.size(), file) == m_dataHeader.size();
    // Flushed so that the file on disk is a valid (empty) wave while the recording runs.
    return std::fflush(file) == 0 && written;
}
