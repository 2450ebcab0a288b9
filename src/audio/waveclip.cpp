#include "audio/waveclip.h"

#include "audio/waveerrors.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Offsets inside the headers.
constexpr int riffSizeAt = 4;
constexpr int formatTagAt = 8;
constexpr int channelsAt = 10;
constexpr int samplesPerSecAt = 12;
constexpr int bitsPerSampleAt = 22;

// Reads a clip's fields front to back, never past the end of the file.
class ClipFileReader
{
public:
    ClipFileReader(std::FILE* file, const QString& path) : m_file(file), m_path(path)
    {
        if (std::fseek(file, 0, SEEK_END) == 0)
            m_left = std::ftell(file);
        std::rewind(file);
    }

    void header(void* into, qint64 size)
    {
        if (!take(into, size))
            throw WaveErrors::ClipUnreadable(QStringLiteral("%1 ends inside its wave header").arg(m_path));
    }

    quint16 header16()
    {
        char bytes[2];
        header(bytes, 2);
        return qFromLittleEndian<quint16>(bytes);
    }

    quint32 header32()
    {
        char bytes[4];
        header(bytes, 4);
        return qFromLittleEndian<quint32>(bytes);
    }

    // Checked against the file's length before anything is allocated.
    QByteArray block(qint64 size, const char* what, const char* unit)
    {
        qint64 found = std::max<qint64>(m_left, 0);
        if (size <= m_left) {
            QByteArray bytes(size, Qt::Uninitialized);
            found = static_cast<qint64>(std::fread(bytes.data(), 1, static_cast<size_t>(size), m_file));
            if (found == size) {
                m_left -= size;
                return bytes;
            }
        }
        // One multi-argument call, so a "%" in the path is never substituted again.
        throw WaveErrors::ClipUnreadable(
            QStringLiteral("%1 ends before its %2 (expected %3 %4, found %5)")
                .arg(m_path, QLatin1String(what), QString::number(size), QLatin1String(unit), QString::number(found)));
    }

private:
    bool take(void* into, qint64 size)
    {
        if (size > m_left || std::fread(into, 1, static_cast<size_t>(size), m_file) != static_cast<size_t>(size))
            return false;
        m_left -= size;
        return true;
    }

    std::FILE* m_file;
    const QString& m_path;
    qint64 m_left = -1;
};

bool put(std::FILE* file, const void* bytes, size_t size)
{
    return size == 0 || std::fwrite(bytes, 1, size, file) == size;
}

bool put32(std::FILE* file, quint32 value)
{
    char bytes[4];
    qToLittleEndian<quint32>(value, bytes);
    return put(file, bytes, 4);
}

} // namespace

WaveClip::WaveClip(const QString& path) : m_fileName(path)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!file)
        throw WaveErrors::ClipUnreadable(QStringLiteral("cannot open %1").arg(path));
    ClipFileReader reader(file.get(), path);
    reader.header(m_riffHeader.data(), m_riffHeader.size());
    reader.header(m_fmtHeader.data(), m_fmtHeader.size());
    // PCM has no extra count; every other tag, 0 included, is read with one.
    if (formatTag() != 1) {
        const quint16 extraCount = reader.header16();
        m_extraBytes = reader.block(extraCount, "extra format bytes", "bytes");
    }
    reader.header(m_dataId.data(), m_dataId.size());
    if (std::memcmp(m_dataId.data(), "fact", 4) == 0) {
        m_factSize = reader.header32();
        m_factSampleCount = reader.header32();
        reader.header(m_dataId.data(), m_dataId.size());
    }
    const quint32 dataSize = reader.header32();
    m_samples = reader.block(dataSize, "data", "sample bytes");
}

WaveClip WaveClip::concatenate(const WaveClip& other) const
{
    if (formatTag() != other.formatTag())
        throw std::runtime_error("Can't concatenate waves with different format tags");
    const qint64 dataSize = m_samples.size() + other.m_samples.size();
    const qint64 extraSize = other.formatTag() > 1 ? 2 + other.m_extraBytes.size() : 0;
    // What save will write for the joined clip, less the 8 bytes of "RIFF" and the size itself.
    const qint64 riffSize = 4 + 24 + extraSize + 8 + dataSize;
    if (riffSize > 0xFFFFFFFF)
        throw std::runtime_error("Can't concatenate waves beyond the 4 GiB size of a wave file");

    WaveClip joined;
    joined.m_fmtHeader = other.m_fmtHeader;
    joined.m_riffHeader = other.m_riffHeader;
    qToLittleEndian<quint32>(static_cast<quint32>(riffSize), joined.m_riffHeader.data() + riffSizeAt);
    joined.m_dataId = other.m_dataId;
    joined.m_extraBytes = other.m_extraBytes;
    joined.m_samples.reserve(dataSize);
    joined.m_samples.append(m_samples).append(other.m_samples);
    joined.m_fileName = QStringLiteral("output.wav");
    return joined;
}

bool WaveClip::save() const
{
    std::FILE* file = std::fopen(QFile::encodeName(m_fileName).constData(), "wb");
    if (!file)
        return false;
    bool written =
        put(file, m_riffHeader.data(), m_riffHeader.size()) && put(file, m_fmtHeader.data(), m_fmtHeader.size());
    // Format tag 0 is read with an extra count but written without one.
    if (formatTag() > 1) {
        char count[2];
        qToLittleEndian<quint16>(extraCount(), count);
        written = written && put(file, count, 2) && put(file, m_extraBytes.constData(), m_extraBytes.size());
    }
    if (m_factSize != noFact)
        written = written && put(file, "fact", 4) && put32(file, m_factSize) && put32(file, m_factSampleCount);
    written = written && put(file, m_dataId.data(), m_dataId.size()) && put32(file, dataSize()) &&
              put(file, m_samples.constData(), m_samples.size());
    // A full disk may only show when the buffered bytes are flushed on close.
    return std::fclose(file) == 0 && written;
}

quint16 WaveClip::formatTag() const
{
    return qFromLittleEndian<quint16>(m_fmtHeader.data() + formatTagAt);
}

quint16 WaveClip::channels() const
{
    return qFromLittleEndian<quint16>(m_fmtHeader.data() + channelsAt);
}

quint32 WaveClip::samplesPerSecond() const
{
    return qFromLittleEndian<quint32>(m_fmtHeader.data() + samplesPerSecAt);
}

quint16 WaveClip::bitsPerSample() const
{
    return qFromLittleEndian<quint16>(m_fmtHeader.data() + bitsPerSampleAt);
}

quint32 WaveClip::riffSize() const
{
    return qFromLittleEndian<quint32>(m_riffHeader.data() + riffSizeAt);
}
