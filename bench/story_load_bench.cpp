// How long loading a 50-slide story keeps the GUI thread from its events: the load done
// at once on that thread (loadStory, as the loading box did it before), against the file read
// on a worker (readStoryForLoad) with only the story's rebuild (applyLoadedStory) left to it.
#include "pictures/pictureimporter.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storyload.h"

#include "benchmedia.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 3;

QString saveSample(const QString& home, PictureImporter& importer, bool podcast, int seconds)
{
    Story story(home, &importer);
    for (int i = 0; i < Story::MaxSlides; ++i) {
        auto slide = std::make_unique<Slide>(story);
        if (podcast)
            slide->setKind(SlideKind::Segment);
        else
            slide->setSourcePicturePath(benchPicture(home + QStringLiteral("pictures"), i, 1280, 853));
        slide->setCaption(QStringLiteral("Caption of slide %1").arg(i + 1));
        story.add(std::move(slide));
    }
    story.setType(int(podcast ? StoryType::Podcast : StoryType::Picture));
    story.waitForImports();
    benchNarrate(story, benchNarration(quint32(seconds) * 44100), seconds);
    return saveStory(story).storyFile;
}

//! The GUI thread's time for a reset and a load at once, the fastest of a few runs.
qint64 loadAtOnce(Story& story, const QString& file)
{
    qint64 best = -1;
    for (int run = 0; run < Runs; ++run) {
        story.waitForImports();
        QElapsedTimer t;
        t.start();
        story.reset();
        const LoadReport report = loadStory(file, story);
        const qint64 ms = t.elapsed();
        if (report.slidesAdded != Story::MaxSlides)
            return -1;
        best = best < 0 ? ms : std::min(best, ms);
    }
    story.waitForImports();
    return best;
}

struct InSteps
{
    qint64 readMs = -1;    //!< the worker's read, while the GUI thread runs its events
    qint64 longestGap = 0; //!< the longest the GUI thread went without its 1 ms timer during the read
    qint64 applyMs = -1;   //!< the rebuild of the story on the GUI thread
};

//! The loading box's way: the read on a worker, the GUI thread's timer watched meanwhile, then
//! the apply on the GUI thread. The fastest of a few runs, by the GUI thread's share.
InSteps loadInSteps(Story& story, const QString& file)
{
    InSteps best;
    for (int run = 0; run < Runs; ++run) {
        story.waitForImports();
        InSteps r;
        QElapsedTimer t;
        QElapsedTimer sinceTick;
        QTimer tick;
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] { r.longestGap = std::max(r.longestGap, sinceTick.restart()); });
        QEventLoop loop;
        QFutureWatcher<LoadedStory> watcher;
        QObject::connect(&watcher, &QFutureWatcher<LoadedStory>::finished, &loop, &QEventLoop::quit);
        t.start();
        sinceTick.start();
        tick.start();
        watcher.setFuture(
            QtConcurrent::run([&file, folder = story.workingFolder()] { return readStoryForLoad(file, folder); }));
        loop.exec();
        tick.stop();
        r.readMs = t.restart();
        LoadedStory loaded = watcher.future().takeResult();
        const LoadReport report = applyLoadedStory(story, std::move(loaded));
        r.applyMs = t.elapsed();
        if (report.slidesAdded != Story::MaxSlides)
            return {};
        if (best.applyMs < 0 || r.applyMs + r.longestGap < best.applyMs + best.longestGap)
            best = r;
    }
    story.waitForImports();
    return best;
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
    struct Case
    {
        const char* name;
        bool podcast;
        int seconds;
    };
    const std::vector<Case> cases{{"picture story, 60 s narrations", false, 60},
                                  {"podcast, 300 s segments", true, 300}};
    for (const Case& c : cases) {
        const QString file = saveSample(home, importer, c.podcast, c.seconds);
        Story story(home, &importer, nullptr, home + QStringLiteral("temp-2/"));
        const qint64 atOnce = loadAtOnce(story, file);
        const InSteps steps = loadInSteps(story, file);
        if (file.isEmpty() || atOnce < 0 || steps.applyMs < 0) {
            std::fprintf(stderr, "story_load_bench: save or load failed\n");
            return 1;
        }
        std::printf("50-slide %s\n", c.name);
        std::printf("  at once on the GUI thread      %6lld ms\n", static_cast<long long>(atOnce));
        std::printf("  read on a worker               %6lld ms (GUI thread's longest pause %lld ms)\n",
                    static_cast<long long>(steps.readMs), static_cast<long long>(steps.longestGap));
        std::printf("  apply on the GUI thread        %6lld ms (the reset emptying the last load included)\n",
                    static_cast<long long>(steps.applyMs));
    }
    return 0;
}
