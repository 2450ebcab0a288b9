#include "audio/wavememorysource.h"

#include "audio/waveerrors.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype fmtAt = 12;
constexpr qsizetype dataHeaderAt = 36;
// Where the byte search for "data" starts: just after a PCM fmt chunk.
constexpr qsizetype dataSearchStart = 36;

bool hasId(const char* header, const char* id)
{
    return std::memcmp(header, id, 4) == 0;
}

} // namespace

WaveMemorySource::WaveMemorySource(const QByteArray& wav) : m_wav(wav)
{
    // Bytes missing from a short array read as zeros, which fail the id tests.
    copyHeader(m_riffHeader.data(), 0, qsizetype(m_riffHeader.size()));
    if (!hasId(m_riffHeader.data(), "RIFF"))
        throw WaveErrors::RiffDoesntMatch();
    if (!hasId(m_riffHeader.data() + 8, "WAVE"))
        throw WaveErrors::WaveDoesntMatch();
    copyHeader(m_fmtHeader.data(), fmtAt, qsizetype(m_fmtHeader.size()));
    if (!hasId(m_fmtHeader.data(), "fmt "))
        throw WaveErrors::FmtDoesntMatch();
    copyHeader(m_dataHeader.data(), dataHeaderAt, qsizetype(m_dataHeader.size()));
    qsizetype header = dataHeaderAt;
    const bool dataFollows = m_wav.size() >= dataHeaderAt + 8 && hasId(m_dataHeader.data(), "data");
    if (!dataFollows) {
        header = findDataChunk();
        if (header < 0)
            throw WaveErrors::DataDoesntMatch();
        copyHeader(m_dataHeader.data(), header, qsizetype(m_dataHeader.size()));
    }
    m_dataStart = header + 8;
    const qsizetype available = std::max<qsizetype>(0, m_wav.size() - m_dataStart);
    m_size = quint32(std::min<qint64>(dataSize(), available));
}

void WaveMemorySource::close()
{
    m_wav.clear();
    m_size = m_position = 0;
}

void WaveMemorySource::write(const char*, quint32)
{}

void WaveMemorySource::read(char* buffer, quint32& length)
{
    length = std::min(length, remaining());
    if (length == 0)
        return;
    std::memcpy(buffer, m_wav.constData() + m_dataStart + m_position, length);
    m_position += length;
}

void WaveMemorySource::getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels)
{
    formatFromHeader(samplesPerSec, bitsPerSample, channels);
}

bool WaveMemorySource::seek(qint64 offset, bool absolute)
{
    if (m_wav.isEmpty())
        return false;
    const qint64 target = absolute ? (offset < 0 ? qint64(m_size) : offset) : qint64(m_position) + offset;
    m_position = quint32(std::clamp<qint64>(target, 0, m_size));
    return true;
}

void WaveMemorySource::copyHeader(char* into, qsizetype at, qsizetype size) const
{
    std::memset(into, 0, size_t(size));
    const qsizetype count = std::clamp<qsizetype>(m_wav.size() - at, 0, size);
    std::memcpy(into, m_wav.constData() + at, size_t(count));
}

// Matches "data" one byte at a time, as the file source does: a byte that breaks a partial
// match is not tested again as the start of a new one. Returns the chunk's offset or -1.
qsizetype WaveMemorySource::findDataChunk() const
{
    static constexpr char id[] = "data";
    const qsizetype end = m_wav.size();
    qsizetype at = dataSearchStart;
    while (at < end) {
        if (m_wav[at++] != id[0])
            continue;
        const qsizetype start = at - 1;
        int matched = 1;
        while (matched < 4 && at < end && m_wav[at] == id[matched]) {
            ++matched;
            ++at;
        }
        if (matched == 4)
            return end - at >= 4 ? start : -1;
        if (at >= end)
            return -1;
        ++at; // the byte that broke the match is consumed
    }
    return -1;
}
