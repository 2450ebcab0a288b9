// Start-up of the desktop program, target under 300 ms from constructing the main window
// (empty story, fresh program folder, its own fonts and artwork) until it is shown and its
// first paint has completed:
//   - the first window of the process on its own (fonts and artwork rendered for the first time);
//   - later windows through Google Benchmark (what a process pays once those are warm);
//   - the real program (pictorelle --home FOLDER on the offscreen platform), from process start
//     until its event loop answers a later copy's single-instance request. The window is shown
//     before that loop starts, so this covers the whole start-up including the first frame.
//
// Usage: startup_bench [--runs N] [Google Benchmark flags]   (N real-program starts, default 5)

#include "desktop/windows/mainwindow.h"
#include "pictures/pictureimporter.h"
#include "shell/singleinstance.h"

#include "quietservices.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPaintEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int PaintTimeoutMs = 10000;
constexpr int ProcessTimeoutMs = 20000;

//! Counts the paint events a widget has received.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Timings
{
    double constructMs = 0;
    double shownMs = 0; //!< from the start of construction until the first paint completed
    bool painted = false;
};

//! Constructs a main window over programFolder as the program does (settings read, window
//! shown) and waits until its client area has been painted; the window is handed back in window.
Timings openWindow(QuietServices& services, PictureImporter& importer, const QString& programFolder,
                   std::unique_ptr<MainWindow>& window)
{
    Timings timings;
    PaintCounter counter;
    QElapsedTimer clock;
    clock.start();
    window = std::make_unique<MainWindow>(services.forFolder(programFolder, &importer));
    timings.constructMs = clock.nsecsElapsed() / 1e6;
    window->canvas()->installEventFilter(&counter);
    window->loadSettings();
    window->show();
    // The whole window is painted in one pass: once the pass that painted the client has
    // returned, the first frame is complete.
    const QDeadlineTimer deadline(PaintTimeoutMs);
    while (counter.paints == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    timings.shownMs = clock.nsecsElapsed() / 1e6;
    timings.painted = counter.paints > 0;
    window->canvas()->removeEventFilter(&counter);
    return timings;
}

QString folderPath(const QTemporaryDir& dir)
{
    return dir.path() + QStringLiteral("/");
}

struct Fixture
{
    QuietServices services;
    PictureImporter importer;
};

Fixture* fixture = nullptr;

void laterWindow(benchmark::State& state)
{
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QTemporaryDir> folder;
    double constructTotal = 0;
    for (auto _ : state) {
        state.PauseTiming();
        folder = std::make_unique<QTemporaryDir>();
        state.ResumeTiming();
        const Timings timings = openWindow(fixture->services, fixture->importer, folderPath(*folder), window);
        state.PauseTiming();
        if (!timings.painted)
            state.SkipWithError("the window was never painted");
        constructTotal += timings.constructMs;
        // Closing down is not part of a start.
        window.reset();
        QCoreApplication::processEvents();
        folder.reset();
        state.ResumeTiming();
    }
    state.counters["construct_ms"] = benchmark::Counter(constructTotal, benchmark::Counter::kAvgIterations);
}

BENCHMARK(laterWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

//! One start of the real program; negative when it did not answer.
struct ProcessStart
{
    double listeningMs = -1; //!< the single-instance socket accepts: before the window exists
    double answeredMs = -1;  //!< the event loop answered: the window is shown
};

ProcessStart startProgram(const QString& program)
{
    ProcessStart result;
    const QTemporaryDir home;
    const QString name = SingleInstance::serverName(SingleInstance::loginName(), folderPath(home));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());

    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("--home"), home.path()});
    if (!process.waitForStarted(ProcessTimeoutMs)) {
        std::fprintf(stderr, "startup_bench: cannot start %s\n", qPrintable(program));
        return result;
    }
    const QDeadlineTimer deadline(ProcessTimeoutMs);
    QLocalSocket socket;
    while (!deadline.hasExpired() && process.state() == QProcess::Running) {
        socket.connectToServer(name);
        if (socket.waitForConnected(100))
            break;
        socket.abort();
        QThread::msleep(1);
    }
    if (socket.state() == QLocalSocket::ConnectedState) {
        result.listeningMs = clock.nsecsElapsed() / 1e6;
        // The request a second start of the program sends; the running copy answers from its event loop.
        socket.write("raise\n");
        socket.flush();
        // The answer comes only once the window is up, so a short wait is no failure.
        while (!socket.canReadLine() && !deadline.hasExpired() && socket.state() == QLocalSocket::ConnectedState)
            socket.waitForReadyRead(100);
        if (socket.canReadLine() && socket.readLine() == "ok\n")
            result.answeredMs = clock.nsecsElapsed() / 1e6;
        socket.disconnectFromServer();
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    // Ended by a signal, the program leaves its socket behind.
    QLocalServer::removeServer(name);
    return result;
}

void measureProgram(int runs)
{
    const QString program = QStringLiteral(PICTORELLE_APP);
    std::vector<double> answered;
    std::printf("\nReal program (%s --home <fresh folder>, offscreen), %d starts:\n", qPrintable(program), runs);
    for (int i = 0; i < runs; ++i) {
        const ProcessStart start = startProgram(program);
        if (start.answeredMs < 0) {
            std::printf("  start %d: no answer within %d ms\n", i + 1, ProcessTimeoutMs);
            continue;
        }
        std::printf("  start %d: single-instance socket %7.1f ms, window shown and event loop running %7.1f ms\n",
                    i + 1, start.listeningMs, start.answeredMs);
        answered.push_back(start.answeredMs);
    }
    if (answered.empty())
        return;
    std::sort(answered.begin(), answered.end());
    std::printf("  median %.1f ms, best %.1f ms (target < 300 ms)\n", answered[answered.size() / 2], answered.front());
}

int takeRuns(int& argc, char** argv)
{
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--runs") != 0)
            continue;
        runs = std::max(0, QByteArray(argv[i + 1]).toInt());
        std::copy(argv + i + 2, argv + argc, argv + i);
        argc -= 2;
        break;
    }
    return runs;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = takeRuns(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    const double applicationMs = clock.nsecsElapsed() / 1e6;

    Fixture shared;
    fixture = &shared;
    {
        const QTemporaryDir folder;
        std::unique_ptr<MainWindow> window;
        const Timings first = openWindow(shared.services, shared.importer, folderPath(folder), window);
        if (!first.painted) {
            std::fprintf(stderr, "startup_bench: the first window was never painted\n");
            return 1;
        }
        std::printf("QApplication constructed                    %7.1f ms\n", applicationMs);
        std::printf("First main window: constructed              %7.1f ms\n", first.constructMs);
        std::printf("First main window: shown and first paint    %7.1f ms (target < 300 ms)\n\n", first.shownMs);
    }
    benchmark::RunSpecifiedBenchmarks();
    fixture = nullptr;
    measureProgram(runs);
    benchmark::Shutdown();
    return 0;
}
