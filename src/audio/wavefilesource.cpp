#include "audio/wavefilesource.h"

#include "audio/waveerrors.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace {

// Where the byte search for "data" starts: just after a PCM fmt chunk.
constexpr long dataSearchStart = 36;

bool hasId(const char* header, const char* id)
{
    return std::memcmp(header, id, 4) == 0;
}

} // namespace

WaveFileSource::WaveFileSource(const QString& path)
    : m_path(QFile::encodeName(path)), m_file(std::fopen(m_path.constData(), "rb"))
{
    if (!m_file)
        throw WaveErrors::FileOperation();
    // A short read leaves zeros behind, which fail the id tests below.
    readExactly(m_riffHeader.data(), m_riffHeader.size());
    if (!hasId(m_riffHeader.data(), "RIFF"))
        throw WaveErrors::RiffDoesntMatch();
    if (!hasId(m_riffHeader.data() + 8, "WAVE"))
        throw WaveErrors::WaveDoesntMatch();
    readExactly(m_fmtHeader.data(), m_fmtHeader.size());
    if (!hasId(m_fmtHeader.data(), "fmt "))
        throw WaveErrors::FmtDoesntMatch();
    const bool dataFollows =
        readExactly(m_dataHeader.data(), m_dataHeader.size()) && hasId(m_dataHeader.data(), "data");
    if (!dataFollows && !searchDataChunk())
        throw WaveErrors::DataDoesntMatch();
    m_dataStart = std::ftell(m_file.get());
    m_remaining = dataSize();
}

WaveFileSource::~WaveFileSource()
{
    close();
}

void WaveFileSource::close()
{
    m_file.reset();
}

void WaveFileSource::write(const char*, quint32)
{}

void WaveFileSource::read(char* buffer, quint32& length)
{
    if (!m_file || m_remaining == 0) {
        length = 0;
        return;
    }
    const quint32 wanted = std::min(length, m_remaining);
    length = static_cast<quint32>(std::fread(buffer, 1, wanted, m_file.get()));
    m_remaining -= length;
}

void WaveFileSource::getFormat(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels)
{
    formatFromHeader(samplesPerSec, bitsPerSample, channels);
}

bool WaveFileSource::seek(qint64 offset, bool absolute)
{
    if (!m_file)
        return false;
    const qint64 size = dataSize();
    if (absolute) {
        m_remaining = dataSize();
        if (offset < 0)
            offset = size;
        offset = std::min(offset, size);
    } else {
        const qint64 done = size - m_remaining;
        offset = std::clamp(offset, -done, static_cast<qint64>(m_remaining));
    }
    m_remaining = static_cast<quint32>(m_remaining - offset);
    std::fseek(m_file.get(), static_cast<long>(m_dataStart + size - m_remaining), SEEK_SET);
    return true;
}

bool WaveFileSource::readExactly(char* into, size_t size)
{
    return std::fread(into, 1, size, m_file.get()) == size;
}

// Matches "data" one byte at a time. A byte that breaks a partial match is consumed and
// not tested again as the start of a new one.
bool WaveFileSource::searchDataChunk()
{
    std::FILE* file = m_file.get();
    if (std::fseek(file, dataSearchStart, SEEK_SET) != 0)
        return false;
    static constexpr char id[] = "data";
    int byte = 0;
    while ((byte = std::fgetc(file)) != EOF) {
        if (byte != id[0])
            continue;
        int matched = 1;
        while (matched < 4 && (byte = std::fgetc(file)) == id[matched])
            ++matched;
        if (matched == 4) {
            std::memcpy(m_dataHeader.data(), "data", 4);
            return readExactly(m_dataHeader.data() + 4, 4);
        }
        if (byte == EOF)
            return false;
    }
    return false;
}
