// Decodes 60 s of 48 kHz stereo FLAC and of 44.1 kHz stereo MP3 (the longest picture-slide
// narration, as another program would have recorded it) to the narration format with the
// program's decoder, and times the ffmpeg tool doing the same conversion
// ("ffmpeg -i in -ar 22050 -ac 1 -c:a pcm_s16le out.wav") beside it. Prints both in
// milliseconds (best of five, interleaved) and their ratio.
//
// Usage: narration_import_bench [cache folder]

#include "audio/audiofiledecoder.h"
#include "audio/waveinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int runs = 5;
constexpr int seconds = 60;

bool runFfmpeg(const QStringList& args)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-y", "-v", "error"} + args);
    return ffmpeg.waitForFinished(600000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

//! A minute of speech-like sound (a gliding voiced tone with syllable-rate bursts) in both
//! channels, slightly different, encoded as asked; kept in the cache between runs.
QString ensureInput(const QString& cache, const QString& name, const QStringList& encoding)
{
    const QString path = cache + QLatin1Char('/') + name;
    if (QFile::exists(path))
        return path;
    const QString voice = QStringLiteral("0.3*sin(2*PI*(140+40*sin(2*PI*0.4*t))*t)*pow(sin(2*PI*2.3*t),2)");
    // Quoted: the expressions hold commas, which would split the filter graph.
    const QString source = QStringLiteral("aevalsrc='%1|%1*0.8+0.02*sin(2*PI*3000*t)':s=%2:d=%3")
                               .arg(voice)
                               .arg(encoding.contains("flac") ? 48000 : 44100)
                               .arg(seconds);
    if (!runFfmpeg(QStringList{"-f", "lavfi", "-i", source} + encoding + QStringList{path}))
        return {};
    return path;
}

//! Times one run and keeps the fastest; a failed run fails the row.
void timeRun(double& best, bool& failed, const std::function<bool()>& run)
{
    QElapsedTimer timer;
    timer.start();
    if (!run()) {
        failed = true;
        return;
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    best = best < 0 ? ms : std::min(best, ms);
}

//! Reads the file once, so that both sides find it in the page cache.
void warm(const QString& path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        file.readAll();
}

bool measure(const char* label, const QString& input, const QString& out)
{
    warm(input);
    double ours = -1, theirs = -1;
    bool oursFailed = false, theirsFailed = false;
    qint64 oursBytes = 0, theirsBytes = 0;
    const QString theirsPath = out + QStringLiteral("/ffmpeg.wav");
    for (int i = 0; i < runs; ++i) {
        timeRun(ours, oursFailed, [&] {
            const AudioDecodeResult r = AudioFileDecoder(input).decodeToFolder(out);
            oursBytes = r.dataBytes;
            const bool ok = r.ok();
            QFile::remove(r.wavePath);
            return ok;
        });
        timeRun(theirs, theirsFailed, [&] {
            const bool ok = runFfmpeg({"-i", input, "-ar", "22050", "-ac", "1", "-c:a", "pcm_s16le", theirsPath});
            const auto info = probeWaveFile(theirsPath);
            theirsBytes = info ? qint64(info->dataSize) : -1;
            return ok;
        });
    }
    std::printf("  %-24s", label);
    if (oursFailed || theirsFailed) {
        std::printf(" failed (%s)\n", oursFailed ? "decoder" : "ffmpeg tool");
        return false;
    }
    std::printf(" ours %8.1f ms  ffmpeg %8.1f ms  ratio %5.2f  (%lld / %lld sample bytes)\n", ours, theirs,
                ours / theirs, static_cast<long long>(oursBytes), static_cast<long long>(theirsBytes));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString cache = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PICTORELLE_BENCH_CACHE_DIR);
    QDir().mkpath(cache);
    const QString flac = ensureInput(cache, QStringLiteral("import60-48k-stereo.flac"), {"-c:a", "flac"});
    const QString mp3 =
        ensureInput(cache, QStringLiteral("import60-44k-stereo.mp3"), {"-c:a", "libmp3lame", "-b:a", "128k"});
    if (flac.isEmpty() || mp3.isEmpty()) {
        std::printf("narration_import_bench: the ffmpeg tool could not make the inputs\n");
        return 1;
    }
    QTemporaryDir out;
    std::printf("narration_import_bench: %d s to 22050 Hz 16-bit mono, best of %d runs (the tool's time includes "
                "starting it)\n",
                seconds, runs);
    const bool flacOk = measure("48 kHz stereo FLAC", flac, out.path());
    const bool mp3Ok = measure("44.1 kHz stereo MP3", mp3, out.path());
    // What of the tool's time is only its start: a run that converts almost nothing.
    double start = -1;
    bool startFailed = false;
    for (int i = 0; i < runs; ++i)
        timeRun(start, startFailed, [] {
            return runFfmpeg({"-f", "lavfi", "-i", "anullsrc=d=0.01", "-f", "null", "-"});
        });
    if (!startFailed)
        std::printf("  %-24s        ffmpeg %8.1f ms\n", "tool start, no work", start);
    return flacOk && mp3Ok ? 0 : 1;
}
