#include "preparationsupport.h"

#include "speechsignal.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>

#include <cstring>

QByteArray narrationWave(int seconds)
{
    const quint32 data = quint32(seconds) * 44100;
    QByteArray b(44 + qsizetype(data), '\0');
    char* p = b.data();
    memcpy(p, "RIFFxxxxWAVEfmt ", 16);
    qToLittleEndian<quint32>(36 + data, p + 4);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(1, p + 22);
    qToLittleEndian<quint32>(22050, p + 24);
    qToLittleEndian<quint32>(44100, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(data, p + 40);
    for (quint32 i = 0; i < data / 2; ++i)
        qToLittleEndian<qint16>(qint16((i % 50) * 400 - 10000), p + 44 + 2 * i);
    return b;
}

Slide& addPictureSlide(Story& story, const TempFolder& folder, int number, QSize size)
{
    auto slide = std::make_unique<Slide>(story);
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor::fromHsv(number * 100 % 360, 200, 200));
    const QString source = folder.file(QStringLiteral("c%1.jpg").arg(number));
    picture.save(source, "JPEG");
    slide->setSourcePicturePath(source);
    slide->setReady(true);
    Slide& added = *slide;
    story.add(std::move(slide));
    return added;
}

void narrate(Slide& slide, const TempFolder& folder, int seconds)
{
    // Each slide's take differs from the others', as real ones do.
    QByteArray wave = narrationWave(seconds);
    if (wave.size() > 44)
        wave[44] = char(slide.id());
    folder.write(QStringLiteral("temp/") + QFileInfo(slide.narrationWavPath()).fileName(), wave);
    slide.setHasNarration(true);
    slide.setNarrationLength(seconds);
}

QByteArray narrateSpeech(Slide& slide, const TempFolder& folder, double lufs, int seconds)
{
    const QByteArray wave = speechsignal::waveFile(
        speechsignal::atLoudness(speechsignal::speechLike(seconds, 22050, unsigned(slide.id() + 40)), lufs));
    folder.write(QStringLiteral("temp/") + QFileInfo(slide.narrationWavPath()).fileName(), wave);
    slide.setHasNarration(true);
    slide.setNarrationLength(seconds);
    slide.takeReplaced();
    return wave;
}
