// `pictorelle-cli new` and `pictorelle-cli publish` of a 50-slide story (24-megapixel photos,
// 60-second narrations) against a local pictorelle-web, beside the lame command-line encoder
// making the same 50 MP3s in two processes, in alternating rounds within one run.
//   new              imports the photos and prepares every narration's MP3 (on every core)
//   publish, ready   publishes that story: the MP3s come from the cache
//   publish, cold    publishes it again with the cache emptied: every MP3 is encoded then
//
// Usage: cli_publish_bench [rounds]   (default 3)

#include "benchmedia.h"
#include "benchphotos.h"
#include "referenceservice.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int slideCount = 50;
constexpr int seconds = 60;

// Each slide's narration differs, as every real take does: otherwise the cache would find
// the first one's MP3 for all fifty.
QByteArray narrationFor(int slide)
{
    QByteArray wave = benchSpeech(seconds);
    quint32 noise = 7919u * quint32(slide + 1);
    for (qsizetype at = 44; at + 1 < wave.size(); at += 2) {
        noise = noise * 1664525u + 1013904223u;
        const int value = qFromLittleEndian<qint16>(wave.constData() + at) + int((noise >> 24) & 7) - 3;
        qToLittleEndian<qint16>(qint16(std::clamp(value, -32768, 32767)), wave.data() + at);
    }
    return wave;
}

qint64 runTimed(const QString& program, const QStringList& args, QString* lastLine = nullptr)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "cli_publish_bench: %s %s failed:\n%s\n", qPrintable(program), qPrintable(args.value(0)),
                     p.readAllStandardError().constData());
        return -1;
    }
    if (lastLine)
        *lastLine = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(QLatin1Char('\n')).last();
    return t.elapsed();
}

// The yardstick: two processes, each encoding half of the waves one after another.
qint64 lameTwoProcesses(const QString& lame, const QStringList& waves, const QString& out)
{
    QElapsedTimer t;
    t.start();
    std::vector<QThread*> workers;
    for (int half = 0; half < 2; ++half) {
        workers.push_back(QThread::create([&, half] {
            for (int i = half; i < waves.size(); i += 2) {
                QProcess p;
                p.start(lame, {"--quiet", "-m", "m", "-b", "24", "--resample", "22.05", waves[i],
                               out + QStringLiteral("/%1.mp3").arg(i)});
                p.waitForFinished(-1);
            }
        }));
        workers.back()->start();
    }
    for (QThread* w : workers) {
        w->wait();
        delete w;
    }
    return t.elapsed();
}

double median(std::vector<qint64> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? double(v[v.size() / 2]) : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 3;
    const QString cli = QStringLiteral(PICTORELLE_CLI);
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));

    QTemporaryDir dir;
    const QString root = dir.path();
    const QString input = root + QStringLiteral("/input");
    QDir().mkpath(input);
    std::printf("Making %d photos of 24 MP and %d narrations of %d s...\n", slideCount, slideCount, seconds);
    std::fflush(stdout);
    const QStringList photos = ensureBenchPhotos(QStringLiteral(PICTORELLE_BENCH_CACHE_DIR) + QStringLiteral("/photos"),
                                                 slideCount, QSize(6000, 4000));
    QStringList waves;
    QStringList newArgs{"new",    "--title", "Bench",      "--description", "Fifty slides",
                        "--tags", "bench",   "--category", "2060200"};
    for (int i = 0; i < slideCount; ++i) {
        const QString& photo = photos[i];
        const QString wave = input + QStringLiteral("/%1.wav").arg(i);
        QFile out(wave);
        out.open(QIODevice::WriteOnly);
        out.write(narrationFor(i));
        out.close();
        waves.append(wave);
        newArgs << "--slide" << photo << "--narration" << wave;
    }

    ReferenceService web(QStringLiteral(PICTORELLE_WEB), root + QStringLiteral("/service"));
    if (web.base().isEmpty() || !web.addUser(QStringLiteral("bench"), QStringLiteral("bench"))) {
        std::fprintf(stderr, "cli_publish_bench: pictorelle-web did not start\n");
        return 1;
    }

    std::vector<qint64> lameMs, newMs, readyMs, coldMs;
    for (int round = 0; round < rounds; ++round) {
        if (!lame.isEmpty()) {
            const QString out = root + QStringLiteral("/lame%1").arg(round);
            QDir().mkpath(out);
            lameMs.push_back(lameTwoProcesses(lame, waves, out));
            QDir(out).removeRecursively();
        }
        const QString home = root + QStringLiteral("/home%1").arg(round);
        QDir().mkpath(home);
        const QStringList homeArg{"--home", home};
        if (runTimed(cli, homeArg + QStringList{"account", "--user", "bench", "--password", "bench"}) < 0)
            return 1;
        QString sld;
        const qint64 made = runTimed(cli, homeArg + newArgs, &sld);
        const qint64 ready =
            made < 0 ? -1 : runTimed(cli, homeArg + QStringList{"publish", sld, "--service", web.base()});
        QDir(home + QStringLiteral("/cache")).removeRecursively();
        const qint64 cold =
            ready < 0 ? -1 : runTimed(cli, homeArg + QStringList{"publish", sld, "--service", web.base()});
        if (cold < 0)
            return 1;
        newMs.push_back(made);
        readyMs.push_back(ready);
        coldMs.push_back(cold);
        std::printf("  round %d: lame %lld ms, new %lld ms, publish ready %lld ms, publish cold %lld ms\n", round + 1,
                    lameMs.empty() ? -1LL : static_cast<long long>(lameMs.back()), static_cast<long long>(made),
                    static_cast<long long>(ready), static_cast<long long>(cold));
        std::fflush(stdout);
        QDir(home).removeRecursively();
    }

    std::printf("\n%d slides x %d s, %d cores, medians of %d alternating rounds\n", slideCount, seconds,
                QThread::idealThreadCount(), rounds);
    const double l = median(lameMs), n = median(newMs), r = median(readyMs), c = median(coldMs);
    std::printf("  lame -m m -b 24 --resample 22.05, two processes  %8.0f ms%s\n", l,
                lame.isEmpty() ? "  (lame not installed)" : "");
    std::printf("  pictorelle-cli new                               %8.0f ms\n", n);
    std::printf("  pictorelle-cli publish, media ready              %8.0f ms\n", r);
    std::printf("  pictorelle-cli publish, media not ready          %8.0f ms\n", c);
    if (l > 0) {
        std::printf("  publish ready / lame      %.2fx  (goal <= 0.35x)\n", r / l);
        std::printf("  new + publish / lame      %.2fx  (goal <= 1.6x)\n", (n + r) / l);
        std::printf("  publish cold / lame       %.2fx\n", c / l);
    }
    return 0;
}
