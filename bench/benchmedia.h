#pragma once

#include "story/story.h"

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

//! A narration file (PCM 22050 Hz, 16-bit, mono) of sampleBytes zeroed sample bytes
//! behind its 44-byte header; the caller fills the samples from offset 44.
inline QByteArray benchNarration(quint32 sampleBytes)
{
    QByteArray b(44 + qsizetype(sampleBytes), '\0');
    char* p = b.data();
    std::memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + sampleBytes, p + 4);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(1, p + 22);
    qToLittleEndian<quint32>(22050, p + 24);
    qToLittleEndian<quint32>(44100, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    std::memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(sampleBytes, p + 40);
    return b;
}

//! A narration of the given length: syllable-like bursts of a wandering voice pitch with a
//! little breath noise, so the encoder works as hard as on speech.
inline QByteArray benchSpeech(int seconds)
{
    const int samples = seconds * 22050;
    QByteArray b = benchNarration(quint32(samples) * 2);
    char* p = b.data();
    quint32 noise = 12345;
    for (int i = 0; i < samples; ++i) {
        const double t = i / 22050.0;
        const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 3.1 * t);
        const double pitch = 140 + 40 * std::sin(2 * M_PI * 0.7 * t);
        noise = noise * 1664525u + 1013904223u;
        const double v = envelope * (0.5 * std::sin(2 * M_PI * pitch * t) + 0.2 * std::sin(2 * M_PI * 3 * pitch * t)) +
                         0.05 * ((noise >> 16) / 32768.0 - 1.0);
        qToLittleEndian<qint16>(qint16(std::clamp(v, -1.0, 1.0) * 12000), p + 44 + 2 * i);
    }
    return b;
}

//! A photo-like JPEG (gradient and coloured patches) of the given size, saved in folder.
inline QString benchPicture(const QString& folder, int i, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, QColor::fromHsv((i * 37) % 360, 160, 220));
    g.setColorAt(1, QColor::fromHsv((i * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), g);
    for (int k = 0; k < 50; ++k)
        painter.fillRect((k * 97 + i * 13) % (width - 80), (k * 61) % (height - 60), 50, 36,
                         QColor::fromHsv(k * 7, 255, 255));
    painter.end();
    const QString path = folder + QStringLiteral("/p%1.jpg").arg(i);
    image.save(path, "JPEG", 90);
    return path;
}

//! Gives every slide of the story the same narration file of the given length in seconds.
inline void benchNarrate(Story& story, const QByteArray& wav, int seconds)
{
    for (int i = 0; i < story.count(); ++i) {
        Slide& s = *story.slideAt(i);
        QFile f(s.narrationWavPath());
        if (f.open(QIODevice::WriteOnly))
            f.write(wav);
        s.setHasNarration(true);
        s.setNarrationLength(seconds);
    }
}
