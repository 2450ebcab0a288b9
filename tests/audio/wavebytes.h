#pragma once

#include <QByteArray>

#include <tuple>

//! Builds wave-file bytes for tests, independently of the library under test.
namespace wavebytes {

QByteArray le16(quint16 value);
QByteArray le32(quint32 value);
quint16 field16(const QByteArray& bytes, int at);
quint32 field32(const QByteArray& bytes, int at);

//! The 24-byte fmt header ("fmt ", 16, tag, channels, rate, average rate, block align, bits).
QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits);
//! An id, its 32-bit size and the payload.
QByteArray chunk(const char* id, const QByteArray& payload);
//! "RIFF", the body's length + 4, "WAVE", the body.
QByteArray riff(const QByteArray& body);
//! A 44-byte PCM header followed by the samples, as the sink writes it.
QByteArray pcmWave(const QByteArray& samples, quint32 rate = 22050, quint16 bits = 16, quint16 channels = 1);
//! size bytes that differ from one position to the next and between seeds.
QByteArray ramp(int size, int seed = 0);

//! The stream's (rate, bits, channels), as getFormat reports them.
template <class Stream>
std::tuple<quint32, quint16, quint16> formatOf(Stream& stream)
{
    quint32 rate = 0;
    quint16 bits = 0;
    quint16 channels = 0;
    stream.getFormat(rate, bits, channels);
    return {rate, bits, channels};
}

//! Everything a wave stream still delivers, read in pieces of the given size.
template <class Stream>
QByteArray readRest(Stream& stream, quint32 piece = 4410)
{
    QByteArray all;
    QByteArray buffer(qsizetype(piece), '\0');
    for (;;) {
        quint32 length = piece;
        stream.read(buffer.data(), length);
        if (length == 0)
            return all;
        all += buffer.left(length);
    }
}

} // namespace wavebytes
