// One frame of the thumbnail strip with 50 ready slides (and 10 for comparison), drawn as every 10 ms animation step
// and every scroll draws it, rendered into an image at the strip's size in a 1000-pixel-wide
// window (985 × 150). Target: under 2 ms a frame, at the start and scrolled to the middle.
//
// Usage: strip_paint_bench [Google Benchmark flags]

#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "story/slide.h"
#include "story/story.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QSize StripSize(985, 150);

//! A 75 × 75 thumbnail with a gradient of its own, as the import leaves it.
QImage thumbnail(int index)
{
    QImage image(75, 75, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 75, 75);
    gradient.setColorAt(0, QColor::fromHsv(index * 37 % 360, 160, 240));
    gradient.setColorAt(1, QColor::fromHsv((index * 37 + 120) % 360, 200, 90));
    painter.fillRect(image.rect(), gradient);
    return image;
}

//! A strip over a story of ready slides, every third one narrated, the fourth selected.
struct StripScene
{
    QTemporaryDir folder;
    Story story{folder.path() + QStringLiteral("/")};
    SkinResources skin;
    ThumbnailStrip strip{story, skin};
    QImage frame{StripSize, QImage::Format_ARGB32_Premultiplied};

    explicit StripScene(int slides)
    {
        for (int i = 0; i < slides; ++i) {
            auto slide = std::make_unique<Slide>(story);
            slide->setThumbnail(thumbnail(i));
            slide->setReady(true);
            slide->setHasNarration(i % 3 == 0);
            slide->setNarrationLength(i % 3 == 0 ? 5 + i : 0);
            story.add(std::move(slide));
        }
        story.select(3);
        strip.resize(StripSize);
        strip.recomputeScrollRange();
    }

    //! Moves the view as dragging the scroll bar's thumb there does.
    void scrollTo(int position)
    {
        auto* bar = strip.findChild<QScrollBar*>();
        bar->setSliderPosition(position);
        bar->triggerAction(QAbstractSlider::SliderMove);
    }

    void renderFrame()
    {
        strip.render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
};

void checkScroll(benchmark::State& state, const StripScene& scene, int expected)
{
    if (scene.strip.scrollPosition() != expected)
        state.SkipWithError("the strip did not scroll where the benchmark put it");
}

void stripFrameAtStart(benchmark::State& state)
{
    StripScene scene(int(state.range(0)));
    checkScroll(state, scene, 0);
    for (auto _ : state)
        scene.renderFrame();
}

void stripFrameScrolledToMiddle(benchmark::State& state)
{
    StripScene scene(int(state.range(0)));
    const int middle = scene.strip.scrollMaximum() / 2;
    scene.scrollTo(middle);
    checkScroll(state, scene, middle);
    for (auto _ : state)
        scene.renderFrame();
}

// The argument is the slide count; ten slides fill the strip, so 10 against 50 shows what the
// slides out of view cost.
BENCHMARK(stripFrameAtStart)->Arg(10)->Arg(Story::MaxSlides)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(stripFrameScrolledToMiddle)->Arg(Story::MaxSlides)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
