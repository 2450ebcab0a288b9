#include "audio/devicesoundplayer.h"
#include "audio/playtest.h"
#include "audio/pulseaudiobackend.h"
#include "audio/waveerrors.h"
#include "audio/wavefilesource.h"
#include "audio/wavememorysource.h"
#include "cli/clicontext.h"

#include <QFile>

#include <memory>

namespace {

//! Why the wave cannot be played, empty when it can; sets its length in milliseconds.
template <typename Source, typename Input>
QString check(const Input& input, qint64& milliseconds)
{
    try {
        Source source(input);
        quint32 rate = 0;
        quint16 bits = 0;
        quint16 channels = 0;
        source.getFormat(rate, bits, channels);
        if (source.formatTag() != 1)
            return QStringLiteral("is not a PCM wave file");
        const quint64 bytesPerSecond = quint64(rate) * channels * (bits / 8);
        milliseconds = bytesPerSecond == 0 ? 0 : qint64(quint64(source.dataSize()) * 1000 / bytesPerSecond);
        return {};
    } catch (const WaveErrors::FileOperation&) {
        return QStringLiteral("cannot be opened");
    } catch (...) {
        // The other WaveErrors: a header that is not a wave's.
        return QStringLiteral("is not a wave file");
    }
}

} // namespace

static int runPlay(CliContext& ctx, QStringList args)
{
    QString path;
    bool sample = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--sample"))
            sample = true;
        else if (path.isEmpty() && !a.startsWith(QLatin1String("--")))
            path = a;
        else
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
    }
    if (sample == !path.isEmpty())
        throw UsageError{QStringLiteral("name a wave file or give --sample")};

    const QByteArray wav = sample ? playtestSample() : QByteArray();
    qint64 milliseconds = 0;
    const QString problem =
        sample ? check<WaveMemorySource>(wav, milliseconds) : check<WaveFileSource>(path, milliseconds);
    if (!problem.isEmpty()) {
        ctx.err << "pictorelle-cli play: " << (sample ? QStringLiteral("the voice sample") : path) << " " << problem
                << "\n";
        return exitcode::Failed;
    }

    PulseAudioBackend backend;
    DeviceSoundPlayer player(backend);
    if (sample)
        player.playWav(wav);
    else
        player.playFile(path);
    // A sound server that stops consuming must not keep the command waiting for ever.
    const bool ended = player.waitUntilDone(int(milliseconds) + 10000);
    if (player.outputFailed()) {
        ctx.err << "pictorelle-cli play: No sound output: " << backend.lastError() << "\n";
        return exitcode::Failed;
    }
    if (!ended) {
        player.purge();
        ctx.err << "pictorelle-cli play: the sound server stopped playing\n";
        return exitcode::Failed;
    }
    return exitcode::Ok;
}

static const CliRegistration
    registration("play", runPlay,
                 "  play FILE.wav | play --sample  Plays a wave file, or the voice sample of\n"
                 "                                 the microphone test, and returns when done.\n");
