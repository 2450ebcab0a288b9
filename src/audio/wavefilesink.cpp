#include "audio/wavefilesink.h"

#include "audio/waveerrors.h"

#include <QFile>

#include <algorithm>
#include <limits>

WaveFileSink::WaveFileSink(const QString& path, quint32 samplesPerSec, quint16 bitsPerSample, quint16 channels)
    : m_path(QFile::encodeName(path)), m_file(std::fopen(m_path.constData(), "wb"))
{
    if (!m_file)
        throw WaveErrors::FileOperation();
    fillPcmHeaders(samplesPerSec, bitsPerSample, channels, m_headerSize - 8, 0);
    m_patchInterval = std::max<quint32>(1, samplesPerSec * quint32(std::max<quint16>(1, bitsPerSample / 8)) *
                                               std::max<quint16>(1, channels));
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
    patchSizes();
    m_file.reset();
}

void WaveFileSink::setByteLimit(quint32 bytes)
{
    quint32 samplesPerSec = 0;
    quint16 bitsPerSample = 0;
    quint16 channels = 0;
    formatFromHeader(samplesPerSec, bitsPerSample, channels);
    const quint32 frame = std::max<quint32>(1, quint32(bitsPerSample / 8) * channels);
    m_byteLimit = bytes / frame * frame;
}

void WaveFileSink::patchSizes()
{
    std::FILE* file = m_file.get();
    const quint32 bytes = m_byteCount;
    setSizes(m_headerSize - 8 + bytes, bytes);
    // Only the two size fields change: RIFF size at offset 4, data size at offset 40.
    std::fflush(file);
    if (std::fseek(file, 4, SEEK_SET) == 0)
        std::fwrite(m_riffHeader.data() + 4, 1, 4, file);
    if (std::fseek(file, long(m_headerSize) - 4, SEEK_SET) == 0)
        std::fwrite(m_dataHeader.data() + 4, 1, 4, file);
    std::fflush(file);
    std::fseek(file, 0, SEEK_END);
    m_patchedAt = bytes;
}

void WaveFileSink::write(const char* bytes, quint32 length)
{
    if (!m_file || length == 0)
        return;
    // The RIFF size field is 32 bits; bytes beyond it would wrap both size fields.
    quint32 room = std::numeric_limits<quint32>::max() - (m_headerSize - 8) - m_byteCount;
    if (const quint32 limit = m_byteLimit; limit != 0)
        room = std::min(room, limit > m_byteCount ? limit - m_byteCount : 0);
    const quint32 accepted = std::min(length, room);
    if (accepted == 0)
        return;
    // Count what reached the stream, so a full disk cannot make the header claim missing samples.
    m_byteCount += static_cast<quint32>(std::fwrite(bytes, 1, accepted, m_file.get()));
    if (m_byteCount - m_patchedAt >= m_patchInterval)
        patchSizes();
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
        m_patchedAt = 0;
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
    const bool written = std::fwrite(m_riffHeader.data(), 1, m_riffHeader.size(), file) == m_riffHeader.size() &&
                         std::fwrite(m_fmtHeader.data(), 1, m_fmtHeader.size(), file) == m_fmtHeader.size() &&
                         std::fwrite(m_dataHeader.data(), 1, m_dataHeader.size(), file) == m_dataHeader.size();
    // Flushed so that the file on disk is a valid (empty) wave while the recording runs.
    return std::fflush(file) == 0 && written;
}
