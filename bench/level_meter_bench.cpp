// The live input level meter: what it costs to draw, and how often and how steadily it
// reports the default input of the sound server. Target: at least 20 updates a second with
// no gap above 100 ms, drawn in well under a millisecond so the 40 ms poll costs nothing.
//
// Usage: level_meter_bench [seconds of live measuring, default 3]
// Without a sound server the live figures are skipped (run-benchmarks.sh starts the test one).

#include "audio/inputlevelmeter.h"
#include "audio/pulseaudiobackend.h"
#include "desktop/widgets/levelmeter.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

//! Draws the meter at a size into an image frames times, the level moving as speech would.
void drawingCost(QSize size, int frames)
{
    LevelMeter meter;
    meter.resize(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i) {
        const float rms = 0.3f + 0.25f * float(std::sin(i * 0.37));
        meter.setLevel(std::min(1.0f, rms * 1.9f), rms);
        QPainter painter(&image);
        meter.render(&painter);
    }
    const double total = millisecondsSince(start);
    std::printf("draw %3d x %-2d  %8.1f us/frame  (%d frames)\n", size.width(), size.height(), 1000.0 * total / frames,
                frames);
}

void liveFigures(double seconds)
{
    PulseAudioBackend backend;
    InputLevelMeter meter(backend);
    const Clock::time_point opening = Clock::now();
    if (!meter.start()) {
        std::printf("live: no input could be opened (%s); skipped\n", qPrintable(backend.lastError()));
        return;
    }
    const double openMs = millisecondsSince(opening);

    // Poll every millisecond and note when the update count moves.
    std::vector<double> updateTimes;
    quint64 lastCount = 0;
    float loudest = 0;
    const Clock::time_point start = Clock::now();
    while (millisecondsSince(start) < seconds * 1000.0) {
        const InputLevelMeter::Level level = meter.level();
        if (level.updates != lastCount) {
            updateTimes.push_back(millisecondsSince(start));
            lastCount = level.updates;
            loudest = std::max(loudest, level.peak);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const quint64 updates = meter.level().updates;
    const Clock::time_point stopping = Clock::now();
    meter.stop();
    const double stopMs = millisecondsSince(stopping);

    if (updateTimes.size() < 2) {
        std::printf("live: only %zu updates in %.1f s\n", updateTimes.size(), seconds);
        return;
    }
    double largestGap = 0;
    for (size_t i = 1; i < updateTimes.size(); ++i)
        largestGap = std::max(largestGap, updateTimes[i] - updateTimes[i - 1]);
    const double span = (updateTimes.back() - updateTimes.front()) / 1000.0;
    std::printf("live: input opened in %.1f ms, first level after %.1f ms\n", openMs, updateTimes.front());
    std::printf(
        "live: %llu buffers measured, %.1f updates/s seen by the poll, largest gap %.1f ms, loudest peak %.3f\n",
        static_cast<unsigned long long>(updates), double(updateTimes.size() - 1) / span, largestGap, double(loudest));
    std::printf("live: stopped in %.1f ms\n", stopMs);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(0.5, std::atof(argv[1])) : 3.0;

    drawingCost(QSize(82, 10), 5000);
    drawingCost(QSize(300, 14), 5000);
    liveFigures(seconds);
    return 0;
}
