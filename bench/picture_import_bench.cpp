// Imports twenty 24-megapixel photos and compares the time with the JPEG decoder's floor and
// with ImageMagick making the same two files. Rounds alternate between the contenders in one
// process, so that a slow spell of the machine hits them all alike:
//   (a) pictorelle-cli new with the twenty photos as slides (the real program, start to end);
//   (b) runPictureImport for the twenty photos on a pool of one thread per core, in process;
//   (c) djpeg -scale 1/8 over the photos, two processes at a time (the decoding floor);
//   (d) ImageMagick's convert with a 640 × 427 size hint writing the slide JPEG at quality 75,
//       then the 75 × 75 centred thumbnail at quality 90 from it, two processes at a time.
// Then one import runs in a child process of this program, which reports how much its peak
// resident memory grew.
//
// Usage: picture_import_bench [--rounds N] [cache folder]
//        picture_import_bench --peak-memory PHOTO OUTPUT-FOLDER   (the child run)

#include "benchphotos.h"
#include "pictures/picturework.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int photoCount = 20;
constexpr int externalProcesses = 2;

// Reads every photo once so that each contender finds them in the page cache.
void warmUp(const QStringList& photos)
{
    for (const QString& path : photos) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            while (!file.read(1 << 20).isEmpty()) {}
    }
}

// A "Vm…:" figure of /proc/self/status in KiB; -1 when missing.
long long statusKiB(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Makes the peak resident size start again from the current one; false when the kernel can't.
bool resetPeak()
{
    QFile refs("/proc/self/clear_refs");
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1 && refs.flush();
}

PictureJob jobFor(const QString& photo, const QString& out, int i)
{
    PictureJob job;
    job.sourcePath = photo;
    job.slideJpegPath = out + QString("/s%1.jpg").arg(i);
    job.thumbJpegPath = out + QString("/t%1.jpg").arg(i);
    job.workingCopyPath = out + QString("/c%1.jpg").arg(i);
    return job;
}

// The child: two imports of one photo, each printing how far above the resident size before
// it the peak went (the first also pays for loading what any first picture needs).
int measurePeak(const QString& photo, const QString& out)
{
    bool reset = true;
    for (int i = 0; i < 2; ++i) {
        reset = resetPeak() && reset;
        const long long before = statusKiB("VmRSS:");
        const PictureResult result = runPictureImport(jobFor(photo, out, i));
        const long long peak = statusKiB("VmHWM:");
        if (!result.decoded)
            return 1;
        std::printf("%lld ", peak - before);
    }
    std::printf("%s\n", reset ? "exact" : "bound");
    return 0;
}

qint64 timed(const std::function<bool()>& run, bool& ok)
{
    QElapsedTimer wall;
    wall.start();
    ok = run();
    return wall.elapsed();
}

bool runCli(const QString& cli, const QStringList& photos)
{
    const QTemporaryDir home;
    QStringList arguments{"--home", home.path(), "new", "--title", "Bench"};
    for (const QString& photo : photos)
        arguments << "--slide" << photo;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(cli, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool runInProcess(const QStringList& photos)
{
    const QTemporaryDir out;
    QThreadPool pool;
    pool.setMaxThreadCount(QThread::idealThreadCount());
    std::atomic<int> failures{0};
    for (int i = 0; i < photos.size(); ++i) {
        pool.start([&, i] {
            const PictureResult result = runPictureImport(jobFor(photos[i], out.path(), i));
            if (!result.decoded || result.picture.isNull() || result.jpegSize == 0)
                ++failures;
        });
    }
    pool.waitForDone();
    return failures == 0;
}

// Each of two processes at a time takes every other photo and runs its commands one after another.
bool runCommands(const QList<QList<QStringList>>& perPicture, const QProcessEnvironment& environment)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> lanes;
    for (int lane = 0; lane < externalProcesses; ++lane) {
        lanes.emplace_back([&, lane] {
            for (qsizetype i = lane; i < perPicture.size(); i += externalProcesses) {
                for (const QStringList& command : perPicture[i]) {
                    QProcess process;
                    process.setProcessEnvironment(environment);
                    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                    process.start(command.first(), command.mid(1));
                    if (!process.waitForFinished(-1) || process.exitCode() != 0)
                        ++failures;
                }
            }
        });
    }
    for (std::thread& lane : lanes)
        lane.join();
    return failures == 0;
}

QList<QList<QStringList>> djpegCommands(const QString& djpeg, const QStringList& photos)
{
    QList<QList<QStringList>> commands;
    for (const QString& photo : photos)
        commands.append({{djpeg, "-scale", "1/8", "-outfile", "/dev/null", photo}});
    return commands;
}

QList<QList<QStringList>> convertCommands(const QString& convert, const QStringList& photos, const QString& out)
{
    QList<QList<QStringList>> commands;
    for (int i = 0; i < photos.size(); ++i) {
        const QString slide = out + QString("/s%1.jpg").arg(i);
        const QString thumb = out + QString("/t%1.jpg").arg(i);
        commands.append(
            {{convert, "-define", "jpeg:size=640x427", photos[i], "-resize", "640x640", "-quality", "75", slide},
             {convert, slide, "-resize", "75x75^", "-gravity", "center", "-extent", "75x75", "-quality", "90", thumb}});
    }
    return commands;
}

// The real ImageMagick: `magick`, else Debian's versioned convert, else a `convert` that is
// a program and not a script standing in for one.
QString findConvert()
{
    for (const char* name : {"magick", "convert-im6.q16", "convert-im7.q16"}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    const QString path = QStandardPaths::findExecutable("convert");
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.read(2) == "#!")
        return {};
    return path;
}

double median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 ? double(values[n / 2]) : (double(values[n / 2 - 1]) + double(values[n / 2])) / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own default for a session without one, set quietly (the command-line program does the same).
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = "/tmp/runtime-" + QByteArray::number(getuid());
        mkdir(runtime.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 3 && arguments.first() == "--peak-memory")
        return measurePeak(arguments[1], arguments[2]);
    int rounds = 3;
    if (const qsizetype at = arguments.indexOf("--rounds"); at >= 0 && at + 1 < arguments.size()) {
        rounds = std::max(1, arguments[at + 1].toInt());
        arguments.remove(at, 2);
    }
    const QString cache = arguments.isEmpty() ? QString(PICTORELLE_BENCH_CACHE_DIR) + "/photos" : arguments.first();
    QElapsedTimer timer;
    timer.start();
    const QStringList photos = ensureBenchPhotos(cache, photoCount, QSize(6000, 4000));
    qint64 photoBytes = 0;
    for (const QString& path : photos)
        photoBytes += QFileInfo(path).size();
    std::printf("%d photos of 6000 x 4000 in %s (%.1f MB in all), ready in %lld ms\n", int(photos.size()),
                qPrintable(cache), double(photoBytes) / 1e6, static_cast<long long>(timer.elapsed()));
    warmUp(photos);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // One thread per process: the two processes at a time fill the two cores.
    env.insert("MAGICK_THREAD_LIMIT", "1");
    env.insert("OMP_NUM_THREADS", "1");
    const QString cli = PICTORELLE_CLI;
    const QString djpeg = QStandardPaths::findExecutable("djpeg");
    const QString convert = findConvert();
    std::printf("cores: %d; pictorelle-cli: %s\n", QThread::idealThreadCount(), qPrintable(cli));
    std::printf("djpeg: %s\n", djpeg.isEmpty() ? "not installed, yardstick (c) skipped" : qPrintable(djpeg));
    std::printf("ImageMagick: %s\n", convert.isEmpty() ? "not installed, yardstick (d) skipped" : qPrintable(convert));

    const char* names[] = {"(a) pictorelle-cli new, 20 slides", "(b) runPictureImport, in process",
                           "(c) djpeg -scale 1/8, 2 processes", "(d) convert slide + thumbnail, 2 processes"};
    std::map<int, std::vector<qint64>> times;
    std::printf("\n%-46s", "round");
    for (int r = 1; r <= rounds; ++r)
        std::printf(" %8d", r);
    std::printf("\n");
    std::map<int, std::vector<QString>> cells;
    for (int r = 0; r < rounds; ++r) {
        for (int which = 0; which < 4; ++which) {
            bool ok = false;
            qint64 ms = -1;
            if (which == 0) {
                ms = timed([&] { return runCli(cli, photos); }, ok);
            } else if (which == 1) {
                ms = timed([&] { return runInProcess(photos); }, ok);
            } else if (which == 2 && !djpeg.isEmpty()) {
                ms = timed([&] { return runCommands(djpegCommands(djpeg, photos), env); }, ok);
            } else if (which == 3 && !convert.isEmpty()) {
                const QTemporaryDir out;
                ms = timed([&] { return runCommands(convertCommands(convert, photos, out.path()), env); }, ok);
            } else {
                continue;
            }
            times[which].push_back(ms);
            cells[which].push_back(QString::number(ms) + (ok ? "" : "!"));
        }
    }
    for (int which = 0; which < 4; ++which) {
        std::printf("%-46s", names[which]);
        if (cells[which].empty())
            std::printf(" %8s", "skipped");
        for (const QString& cell : cells[which])
            std::printf(" %8s", qPrintable(cell));
        std::printf("   median %7.0f ms, %5.1f ms/photo\n", median(times[which]), median(times[which]) / photoCount);
    }
    std::printf("(wall ms per round; ! marks a round in which something failed)\n\n");

    const double ours = median(times[0]);
    const double inProcess = median(times[1]);
    if (!times[2].empty()) {
        std::printf("ratio (a) new / (c) djpeg:            %.2f  (target <= 1.15)\n", ours / median(times[2]));
        std::printf("ratio (b) in process / (c) djpeg:     %.2f\n", inProcess / median(times[2]));
    }
    if (!times[3].empty()) {
        std::printf("ratio (a) new / (d) convert:          %.2f  (target < 0.80)\n", ours / median(times[3]));
        std::printf("ratio (b) in process / (d) convert:   %.2f\n", inProcess / median(times[3]));
    }

    const QTemporaryDir out;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--peak-memory", photos.first(), out.path()});
    child.waitForFinished(-1);
    const QList<QByteArray> peak = child.readAllStandardOutput().trimmed().split(' ');
    if (child.exitCode() == 0 && peak.size() == 3) {
        std::printf("\npeak memory of one 24 MP import (growth of the resident peak, child process%s):\n"
                    "  first import %.1f MiB, second import %.1f MiB  (target <= 30 MiB)\n",
                    peak[2] == "exact" ? "" : ", upper bound: the peak could not be reset",
                    double(peak[0].toLongLong()) / 1024.0, double(peak[1].toLongLong()) / 1024.0);
    } else {
        std::printf("\npeak memory: the child import failed\n");
    }
    return 0;
}
