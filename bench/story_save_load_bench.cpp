// Save and load of a 50-slide story with 640-pixel pictures and 10-second narrations,
// through the same operations the program uses (real picture pool, real files).
#include "pictures/pictureimporter.h"
#include "story/story.h"
#include "story/storyfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>

namespace {

QByteArray narration(int seconds)
{
    const quint32 bytes = quint32(seconds) * 44100;
    QByteArray b(44 + int(bytes), '\0');
    char* p = b.data();
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(36 + bytes, p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20);
    qToLittleEndian<quint16>(1, p + 22);
    qToLittleEndian<quint32>(22050, p + 24);
    qToLittleEndian<quint32>(44100, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(bytes, p + 40);
    return b;
}

QString picture(const QString& folder, int i)
{
    QImage image(1280, 853, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient g(0, 0, 1280, 853);
    g.setColorAt(0, QColor::fromHsv((i * 37) % 360, 160, 220));
    g.setColorAt(1, QColor::fromHsv((i * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), g);
    for (int k = 0; k < 40; ++k)
        painter.fillRect((k * 97 + i * 13) % 1200, (k * 61) % 800, 40, 30, QColor::fromHsv(k * 9, 255, 255));
    painter.end();
    const QString path = folder + QStringLiteral("/p%1.jpg").arg(i);
    image.save(path, "JPEG", 90);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/");
    QDir().mkpath(home + QStringLiteral("pictures"));

    PictureImporter importer;
    Story story(home, &importer);
    const QByteArray wav = narration(10);
    for (int i = 0; i < Story::MaxSlides; ++i) {
        auto slide = std::make_unique<Slide>(story);
        slide->setSourcePicturePath(picture(home + QStringLiteral("pictures"), i));
        slide->setCaption(QStringLiteral("Caption of slide %1").arg(i + 1));
        slide->setCueText(QStringLiteral("Remember to mention\r\nthe detail on slide %1").arg(i + 1));
        story.add(std::move(slide));
    }
    story.waitForImports();
    for (int i = 0; i < story.count(); ++i) {
        Slide& s = *story.slideAt(i);
        QFile f(s.narrationWavPath());
        f.open(QIODevice::WriteOnly);
        f.write(wav);
        s.setHasNarration(true);
        s.setNarrationLength(10);
    }

    QElapsedTimer t;
    t.start();
    const SaveResult first = saveStory(story);
    const qint64 firstMs = t.restart();
    const SaveResult again = saveStory(story);
    const qint64 againMs = t.restart();
    story.reset();
    const LoadReport report = loadStory(first.storyFile, story);
    const qint64 readMs = t.elapsed();
    story.waitForImports();
    const qint64 loadMs = t.elapsed();

    if (!first.ok || !again.ok || report.slidesAdded != Story::MaxSlides) {
        std::fprintf(stderr, "story_save_load_bench: save or load failed\n");
        return 1;
    }
    std::printf("50-slide story (10 s narration each, %d pool threads)\n", importer.threadCount());
    std::printf("  first save            %6lld ms\n", static_cast<long long>(firstMs));
    std::printf("  second save           %6lld ms\n", static_cast<long long>(againMs));
    std::printf("  load (file + copies)  %6lld ms\n", static_cast<long long>(readMs));
    std::printf("  load until all ready  %6lld ms\n", static_cast<long long>(loadMs));
    return 0;
}
