// Save and load of a 50-slide story with 640-pixel pictures and 10-second narrations,
// through the same operations the program uses (real picture pool, real files).
#include "pictures/pictureimporter.h"
#include "story/story.h"
#include "story/storyfile.h"

#include "benchmedia.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString home = dir.path() + QStringLiteral("/");
    QDir().mkpath(home + QStringLiteral("pictures"));

    PictureImporter importer;
    Story story(home, &importer);
    const QByteArray wav = benchNarration(10 * 44100);
    for (int i = 0; i < Story::MaxSlides; ++i) {
        auto slide = std::make_unique<Slide>(story);
        slide->setSourcePicturePath(benchPicture(home + QStringLiteral("pictures"), i, 1280, 853));
        slide->setCaption(QStringLiteral("Caption of slide %1").arg(i + 1));
        slide->setCueText(QStringLiteral("Remember to mention\r\nthe detail on slide %1").arg(i + 1));
        story.add(std::move(slide));
    }
    story.waitForImports();
    benchNarrate(story, wav, 10);

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
