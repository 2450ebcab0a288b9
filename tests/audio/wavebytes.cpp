#include "wavebytes.h"

#include <QtEndian>

namespace wavebytes {

QByteArray le16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

quint16 field16(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 field32(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = channels * (bits / 8);
    return "fmt " + le32(16) + le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
}

QByteArray chunk(const char* id, const QByteArray& payload)
{
    return QByteArray(id, 4) + le32(payload.size()) + payload;
}

QByteArray riff(const QByteArray& body)
{
    return "RIFF" + le32(body.size() + 4) + "WAVE" + body;
}

QByteArray pcmWave(const QByteArray& samples, quint32 rate, quint16 bits, quint16 channels)
{
    return riff(fmt(1, channels, rate, bits) + chunk("data", samples));
}

QByteArray ramp(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed * 13 + i / 251) % 256);
    return bytes;
}

} // namespace wavebytes
