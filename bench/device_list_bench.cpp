// How long the microphone chooser waits for the list of sources, and how long a take on a
// chosen microphone waits for its first sample, cold and with the input prepared ahead.
// Needs a sound server with at least one microphone; run-benchmarks.sh starts the test daemon
// when there is none. Usage: device_list_bench [SOURCE] (default: the first microphone that
// is not the server's default). A sine source delivers in 2-second blocks, unlike a
// microphone; a remapped monitor of a null sink fed with a tone comes closer:
//   pactl load-module module-remap-source master=voice.monitor source_name=bench_mic
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

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

//! Milliseconds from the start request to the first sample; -1 when none came within 5 s.
double oneTake(PulseAudioBackend& backend, const QString& path)
{
    const Clock::time_point clicked = Clock::now();
    const qint64 clickedMs = nowMs();
    RecordingStart started;
    auto session = RecordingSession::start(backend, path, started);
    if (!session)
        return -1;
    while (session->firstSampleTime() < 0 && msSince(clicked) < 5000)
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    const qint64 first = session->firstSampleTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    session->finish();
    return first < 0 ? -1 : double(first - clickedMs);
}

void report(const char* what, std::vector<double> ms)
{
    if (ms.empty() || std::find(ms.begin(), ms.end(), -1.0) != ms.end()) {
        std::printf("%-40s failed\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s median %7.2f ms, worst %7.2f ms over %zu runs\n", what, ms[ms.size() / 2], ms.back(), ms.size());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("take.wav"));

    PulseAudioBackend lister;
    std::vector<double> listing;
    InputSourceList list;
    for (int i = 0; i < 20; ++i) {
        const Clock::time_point start = Clock::now();
        list = lister.listInputSources();
        listing.push_back(msSince(start));
        if (!list.ok()) {
            std::printf("no sound server: %s\n", qPrintable(list.error));
            return 0;
        }
    }
    if (list.sources.empty()) {
        std::printf("the sound server has no microphone to choose\n");
        return 0;
    }
    report("List the sources:", listing);
    // A chosen microphone other than the default, as an author with a USB microphone has.
    const QString asked = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const auto chosen = std::find_if(list.sources.begin(), list.sources.end(), [&](const InputSource& s) {
        return asked.isEmpty() ? !s.isDefault : s.name == asked;
    });
    if (!asked.isEmpty() && chosen == list.sources.end()) {
        std::printf("no microphone named %s\n", qPrintable(asked));
        return 1;
    }
    const InputSource source = chosen != list.sources.end() ? *chosen : list.sources.front();
    std::printf("%zu sources; recording from %s (%s)\n", list.sources.size(), qPrintable(source.name),
                qPrintable(source.description));

    std::vector<double> cold;
    for (int i = 0; i < 10; ++i) {
        PulseAudioBackend backend;
        backend.setInputDevice(source.name);
        cold.push_back(oneTake(backend, path));
    }
    report("Record from it to first sample, cold:", cold);

    std::vector<double> warm;
    std::vector<double> switching;
    {
        PulseAudioBackend backend;
        backend.prepareInput();
        backend.waitForPreparedInput();
        for (int i = 0; i < 10; ++i) {
            // The author picks the microphone: the prepared input moves over to it.
            const Clock::time_point picked = Clock::now();
            backend.setInputDevice(i % 2 == 0 ? source.name : QString());
            backend.waitForPreparedInput();
            switching.push_back(msSince(picked));
            backend.setInputDevice(source.name);
            backend.prepareInput();
            backend.waitForPreparedInput();
            // The server settles on the stream's latency before the author's click.
            if (i == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            warm.push_back(oneTake(backend, path));
        }
    }
    report("Choose a microphone, prepared again:", switching);
    report("Record from it to first sample, prepared:", warm);
    return 0;
}
