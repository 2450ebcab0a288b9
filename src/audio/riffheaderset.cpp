#include "audio/riffheaderset.h"

#include <QtEndian>

#include <cstring>

namespace {

// Offsets inside the headers.
constexpr int riffSizeAt = 4;
constexpr int formTypeAt = 8;
constexpr int fmtSizeAt = 4;
constexpr int formatTagAt = 8;
constexpr int channelsAt = 10;
constexpr int samplesPerSecAt = 12;
constexpr int avgBytesPerSecAt = 16;
constexpr int blockAlignAt = 20;
constexpr int bitsPerSampleAt = 22;
constexpr int dataSizeAt = 4;
constexpr quint32 pcmFmtSize = 16;

} // namespace

quint16 RiffHeaderSet::formatTag() const
{
    return qFromLittleEndian<quint16>(m_fmtHeader.data() + formatTagAt);
}

quint32 RiffHeaderSet::dataSize() const
{
    return qFromLittleEndian<quint32>(m_dataHeader.data() + dataSizeAt);
}

void RiffHeaderSet::formatFromHeader(quint32& samplesPerSec, quint16& bitsPerSample, quint16& channels) const
{
    samplesPerSec = qFromLittleEndian<quint32>(m_fmtHeader.data() + samplesPerSecAt);
    bitsPerSample = qFromLittleEndian<quint16>(m_fmtHeader.data() + bitsPerSampleAt);
    channels = qFromLittleEndian<quint16>(m_fmtHeader.data() + channelsAt);
}

void RiffHeaderSet::fillPcmHeaders(quint32 samplesPerSec, quint16 bitsPerSample, quint16 channels, quint32 riffSize,
                                   quint32 dataSize)
{
    const quint16 blockAlign = channels * (bitsPerSample / 8);
    char* fmt = m_fmtHeader.data();
    std::memcpy(m_riffHeader.data(), "RIFF", 4);
    std::memcpy(m_riffHeader.data() + formTypeAt, "WAVE", 4);
    std::memcpy(fmt, "fmt ", 4);
    qToLittleEndian<quint32>(pcmFmtSize, fmt + fmtSizeAt);
    qToLittleEndian<quint16>(1, fmt + formatTagAt);
    qToLittleEndian<quint16>(channels, fmt + channelsAt);
    qToLittleEndian<quint32>(samplesPerSec, fmt + samplesPerSecAt);
    qToLittleEndian<quint32>(samplesPerSec * blockAlign, fmt + avgBytesPerSecAt);
    qToLittleEndian<quint16>(blockAlign, fmt + blockAlignAt);
    qToLittleEndian<quint16>(bitsPerSample, fmt + bitsPerSampleAt);
    std::memcpy(m_dataHeader.data(), "data", 4);
    setSizes(riffSize, dataSize);
}

quint32 RiffHeaderSet::riffSize() const
{
    return qFromLittleEndian<quint32>(m_riffHeader.data() + riffSizeAt);
}

void RiffHeaderSet::setSizes(quint32 riffSize, quint32 dataSize)
{
    qToLittleEndian<quint32>(riffSize, m_riffHeader.data() + riffSizeAt);
    qToLittleEndian<quint32>(dataSize, m_dataHeader.data() + dataSizeAt);
}
