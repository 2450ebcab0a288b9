#include "audio/mp3codec.h"
#include "publish/mediapreparation.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

#include <thread>

namespace {

QByteArray oneSecondNarration()
{
    QByteArray b(44 + 44100, '\0');
    char* p = b.data();
    memcpy(p, "RIFFxxxxWAVEfmt ", 16);
    qToLittleEndian<quint32>(36 + 44100, p + 4);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(1, p + 22);
    qToLittleEndian<quint32>(22050, p + 24);
    qToLittleEndian<quint32>(44100, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(44100, p + 40);
    for (int i = 0; i < 22050; ++i)
        qToLittleEndian<qint16>(qint16((i % 50) * 400 - 10000), p + 44 + 2 * i);
    return b;
}

TEST(MediaPreparationTest, EncodesOnlyStaleNarrationsAndMakesEveryPictureAgain)
{
    ASSERT_TRUE(loadMp3Codec()) << "the MP3 encoder library is needed";
    TempFolder home;
    Story story(home.path());
    for (int i = 0; i < 3; ++i) {
        auto slide = std::make_unique<Slide>(story);
        QImage picture(120, 80, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 100, 200, 200));
        const QString source = home.file(QStringLiteral("c%1.jpg").arg(i));
        picture.save(source, "JPEG");
        slide->setSourcePicturePath(source);
        story.add(std::move(slide));
    }
    Slide& narrated = *story.slideAt(1);
    home.write(QStringLiteral("temp/%1.wav").arg(narrated.id()), oneSecondNarration());
    narrated.setHasNarration(true);
    narrated.setNarrationLength(1);
    story.slideAt(2)->setHasNarration(true); // already current: not encoded again
    story.slideAt(2)->setMp3Encoded(true);
    story.slideAt(0)->setRotation(1);

    story.setMp3Position(0);
    const std::atomic<bool> cancel{false};
    const auto items = preparationItems(story);
    std::thread worker([&] { prepareStoryMedia(story, items, nullptr, cancel); });
    worker.join();
    EXPECT_EQ(story.mp3Position(), -1);
    QCoreApplication::sendPostedEvents(&story, QEvent::MetaCall); // the picture results
    EXPECT_EQ(story.picturesBeingProcessed(), 0);

    EXPECT_TRUE(narrated.isMp3Encoded());
    EXPECT_GT(narrated.mp3Size(), 0);
    EXPECT_TRUE(QFileInfo::exists(narrated.narrationMp3Path()));
    EXPECT_FALSE(QFileInfo::exists(story.slideAt(0)->narrationMp3Path()));
    EXPECT_FALSE(QFileInfo::exists(story.slideAt(2)->narrationMp3Path()));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(story.slideAt(i)->isPictureLoaded()) << i;
        EXPECT_TRUE(QFileInfo::exists(story.slideAt(i)->thumbnailJpegPath())) << i;
    }
    EXPECT_EQ(QImage(story.slideAt(0)->slideJpegPath()).size(), QSize(80, 120)); // turned a quarter
    EXPECT_EQ(QImage(story.slideAt(1)->slideJpegPath()).size(), QSize(120, 80));
    unloadMp3Codec();
}

} // namespace
