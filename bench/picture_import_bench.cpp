// Imports twenty 24-megapixel photos with the program's picture import and compares the
// time per picture with ImageMagick's convert and with vipsthumbnail making the same two
// files (640-pixel slide JPEG at quality 75, 75 × 75 centred thumbnail at quality 90).
//
// Usage: picture_import_bench [--import-only] [cache folder]
//   --import-only: skip the external tools (for profiling the import alone)

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

#include <atomic>
#include <cstdio>
#include <vector>

namespace {

constexpr int photoCount = 20;
constexpr int externalProcesses = 2;

struct Row
{
    QString tool;
    qint64 wallMs = -1;   // -1: not run
    double latencyMs = 0; // mean time of one picture from start to finish
    int failures = 0;
};

// Reads every photo once so that each tool finds them in the page cache.
void warmUp(const QStringList& photos)
{
    for (const QString& path : photos) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            while (!file.read(1 << 20).isEmpty()) {}
    }
}

Row runImport(const QStringList& photos, const QString& out)
{
    Row row;
    row.tool = QString("runPictureImport, pool of %1").arg(QThread::idealThreadCount());
    QThreadPool pool;
    pool.setMaxThreadCount(QThread::idealThreadCount());
    std::vector<qint64> latency(size_t(photos.size()));
    std::atomic<int> failures{0};
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < photos.size(); ++i) {
        pool.start([&, i] {
            QElapsedTimer timer;
            timer.start();
            PictureJob job;
            job.sourcePath = photos[i];
            job.slideJpegPath = out + QString("s%1.jpg").arg(i);
            job.thumbJpegPath = out + QString("t%1.jpg").arg(i);
            job.workingCopyPath = out + QString("c%1.jpg").arg(i);
            const PictureResult result = runPictureImport(job);
            if (!result.decoded || result.picture.isNull() || result.jpegSize == 0)
                ++failures;
            latency[size_t(i)] = timer.elapsed();
        });
    }
    pool.waitForDone();
    row.wallMs = wall.elapsed();
    for (const qint64 ms : latency)
        row.latencyMs += double(ms) / double(photos.size());
    row.failures = failures;
    return row;
}

// Runs each picture's commands one after another, two pictures at a time.
Row runCommands(const QString& tool, const QList<QList<QStringList>>& perPicture,
                const QProcessEnvironment& environment)
{
    Row row;
    row.tool = tool;
    QThreadPool pool;
    pool.setMaxThreadCount(externalProcesses);
    std::vector<qint64> latency(size_t(perPicture.size()));
    std::atomic<int> failures{0};
    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < perPicture.size(); ++i) {
        pool.start([&, i] {
            QElapsedTimer timer;
            timer.start();
            for (const QStringList& command : perPicture[i]) {
                QProcess process;
                process.setProcessEnvironment(environment);
                process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                process.start(command.first(), command.mid(1));
                if (!process.waitForFinished(-1) || process.exitCode() != 0)
                    ++failures;
            }
            latency[size_t(i)] = timer.elapsed();
        });
    }
    pool.waitForDone();
    row.wallMs = wall.elapsed();
    for (const qint64 ms : latency)
        row.latencyMs += double(ms) / double(perPicture.size());
    row.failures = failures;
    return row;
}

Row runConvert(const QStringList& photos, const QString& out, const QProcessEnvironment& env)
{
    QList<QList<QStringList>> commands;
    for (int i = 0; i < photos.size(); ++i) {
        const QString slide = out + QString("s%1.jpg").arg(i);
        const QString thumb = out + QString("t%1.jpg").arg(i);
        commands.append({{"convert",  "-define",      "jpeg:size=1280x1280",
                          photos[i],  "-auto-orient", "-strip",
                          "(",        "+clone",       "-resize",
                          "640x640",  "-quality",     "75",
                          "-write",   slide,          "+delete",
                          ")",        "-resize",      "75x75^",
                          "-gravity", "center",       "-extent",
                          "75x75",    "-quality",     "90",
                          thumb}});
    }
    return runCommands("convert, 2 processes", commands, env);
}

Row runVips(const QStringList& photos, const QString& out, const QProcessEnvironment& env, bool thumbFromSlide)
{
    QList<QList<QStringList>> commands;
    for (int i = 0; i < photos.size(); ++i) {
        const QString slide = out + QString("s%1.jpg").arg(i);
        const QString thumb = out + QString("t%1.jpg").arg(i);
        commands.append({{"vipsthumbnail", photos[i], "--size", "640x640", "-o", slide + "[Q=75,strip]"},
                         {"vipsthumbnail", thumbFromSlide ? slide : photos[i], "--size", "75x75", "--smartcrop",
                          "centre", "-o", thumb + "[Q=90,strip]"}});
    }
    return runCommands(thumbFromSlide ? "vipsthumbnail, thumb from slide, 2 processes"
                                      : "vipsthumbnail, thumb from photo, 2 processes",
                       commands, env);
}

void printTable(const QList<Row>& rows, int pictures)
{
    std::printf("\n%-48s %9s %12s %12s %8s\n", "tool", "total ms", "ms/picture", "latency ms", "failed");
    for (const Row& row : rows) {
        if (row.wallMs < 0) {
            std::printf("%-48s %9s\n", qPrintable(row.tool), "not run");
            continue;
        }
        std::printf("%-48s %9lld %12.1f %12.1f %8d\n", qPrintable(row.tool), static_cast<long long>(row.wallMs),
                    double(row.wallMs) / pictures, row.latencyMs, row.failures);
    }
    std::printf("ms/picture = total wall time / %d pictures; latency = mean time of one picture.\n", pictures);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool importOnly = arguments.removeAll("--import-only") > 0;
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
    initializePictureLibrary();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // One thread per process: the two processes at a time fill the two cores.
    env.insert("MAGICK_THREAD_LIMIT", "1");
    env.insert("VIPS_CONCURRENCY", "1");

    QList<Row> rows;
    {
        const QTemporaryDir out;
        rows << runImport(photos, out.path() + "/");
    }
    if (importOnly) {
        printTable(rows, int(photos.size()));
        return 0;
    }
    if (!QStandardPaths::findExecutable("convert").isEmpty()) {
        const QTemporaryDir out;
        rows << runConvert(photos, out.path() + "/", env);
    } else {
        rows << Row{"convert", -1, 0, 0};
    }
    if (!QStandardPaths::findExecutable("vipsthumbnail").isEmpty()) {
        for (const bool fromSlide : {false, true}) {
            const QTemporaryDir out;
            rows << runVips(photos, out.path() + "/", env, fromSlide);
        }
    } else {
        rows << Row{"vipsthumbnail", -1, 0, 0};
    }
    printTable(rows, int(photos.size()));
    return 0;
}
