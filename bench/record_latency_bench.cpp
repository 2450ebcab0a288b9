// How long a click on Record waits for the first captured sample, with the input prepared
// ahead (as the desktop program keeps it) and without. Needs a sound server; run-benchmarks.sh
// starts the test daemon with a real-time tone when there is none.
#include "audio/pulseaudiobackend.h"
#include "audio/recordingsession.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

//! Milliseconds from the start request to the first sample; -1 when none came within 5 s.
qint64 oneTake(PulseAudioBackend& backend, const QString& path)
{
    const qint64 clicked = nowMs();
    RecordingStart started;
    auto session = RecordingSession::start(backend, path, started);
    if (!session)
        return -1;
    while (session->firstSampleTime() < 0 && nowMs() - clicked < 5000)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    const qint64 first = session->firstSampleTime();
    // A short take, as an author's first word would be.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    session->finish();
    return first < 0 ? -1 : first - clicked;
}

void report(const char* what, std::vector<qint64> ms)
{
    if (ms.empty() || std::find(ms.begin(), ms.end(), -1) != ms.end()) {
        std::printf("%-34s no sound arrived\n", what);
        return;
    }
    for (qint64 m : ms)
        std::printf("%lld ", static_cast<long long>(m));
    std::printf("\n");
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s median %3lld ms, worst %3lld ms over %zu takes (goal < 50 ms warm)\n", what,
                static_cast<long long>(ms[ms.size() / 2]), static_cast<long long>(ms.back()), ms.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("take.wav"));
    constexpr int takes = 10;

    std::vector<qint64> warm;
    {
        PulseAudioBackend backend;
        for (int i = 0; i < takes; ++i) {
            backend.prepareInput();
            if (!backend.waitForPreparedInput()) {
                std::printf("no sound server: %s\n", qPrintable(backend.lastError()));
                return 0;
            }
            // The program prepares the input when its window opens; the author's first click
            // comes a few seconds later, by when the server has settled on the stream's latency.
            if (i == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            warm.push_back(oneTake(backend, path));
        }
    }
    std::vector<qint64> cold;
    for (int i = 0; i < takes; ++i) {
        PulseAudioBackend backend;
        cold.push_back(oneTake(backend, path));
    }
    report("Record to first sample, prepared:", warm);
    report("Record to first sample, cold:", cold);
    return 0;
}
