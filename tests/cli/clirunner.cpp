#include "clirunner.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtEndian>

QByteArray waveBytes(quint32 sampleBytes, quint32 rate, quint16 bits, quint16 channels)
{
    QByteArray b;
    auto u32 = [&b](quint32 v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    };
    auto u16 = [&b](quint16 v) {
        char x[2];
        qToLittleEndian(v, x);
        b.append(x, 2);
    };
    const quint16 align = quint16(channels * (bits / 8));
    b.append("RIFF");
    u32(36 + sampleBytes);
    b.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * align);
    u16(align);
    u16(bits);
    b.append("data");
    u32(sampleBytes);
    for (quint32 i = 0; i < sampleBytes; ++i)
        b.append(char(i * 7));
    return b;
}

QString writePicture(const TempFolder& folder, const QString& name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(30, 90, 160));
    QPainter p(&image);
    p.fillRect(width / 4, height / 4, width / 2, height / 2, QColor(240, 200, 40));
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, name.section('.', -1).toUpper().toLatin1().constData());
    return folder.write(name, bytes);
}
