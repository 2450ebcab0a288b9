#include "audio/pulseaudioport.h"
#include "audio/wavedevice.h"
#include "audio/waveerrors.h"
#include "audio/wavefilesink.h"
#include "cli/clicontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

struct RecordOptions
{
    QString path;
    double seconds = 0;
    double pauseAfter = -1; //!< negative: no pause
    double resumeAfter = -1;
};

double takeSeconds(QStringList& args, const QString& option)
{
    bool ok = false;
    const double value = takeValue(args, option).toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > 24 * 3600)
        throw UsageError{QStringLiteral("%1 needs a number of seconds").arg(option)};
    return value;
}

RecordOptions parse(QStringList args)
{
    RecordOptions o;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--seconds"))
            o.seconds = takeSeconds(args, a);
        else if (a == QLatin1String("--pause-after"))
            o.pauseAfter = takeSeconds(args, a);
        else if (a == QLatin1String("--resume-after"))
            o.resumeAfter = takeSeconds(args, a);
        else if (o.path.isEmpty() && !a.startsWith(QLatin1String("--")))
            o.path = a;
        else
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
    }
    if (o.path.isEmpty())
        throw UsageError{QStringLiteral("name the wave file to record")};
    if (o.seconds <= 0)
        throw UsageError{QStringLiteral("--seconds must be above 0")};
    if ((o.pauseAfter < 0) != (o.resumeAfter < 0))
        throw UsageError{QStringLiteral("--pause-after and --resume-after go together")};
    return o;
}

void wait(double seconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(qint64(std::llround(seconds * 1000))));
}

//! Whole seconds as the narration recorder counts them: each segment rounded up on its own.
int countedSeconds(double segment)
{
    return int(std::ceil(std::round(segment * 1000) / 1000));
}

} // namespace

static int runRecord(CliContext& ctx, QStringList args)
{
    const RecordOptions o = parse(args);
    const QString target = QFileInfo(o.path).absoluteFilePath();
    // Recorded beside the target and moved over it at the end: a failed recording leaves
    // whatever file was there before.
    const QString partial = target + QStringLiteral(".part");
    PulseAudioBackend backend;
    int seconds = 0;
    {
        std::unique_ptr<WaveFileSink> sink;
        try {
            sink = std::make_unique<WaveFileSink>(partial, 22050, 16, 1);
        } catch (const WaveErrors::FileOperation&) {
            ctx.err << "pictorelle-cli record: cannot create " << o.path << "\n";
            return exitcode::Failed;
        }
        WaveInDevice device(backend.createInputPort());
        if (!device.attach(sink.get())) {
            device.detach();
            sink.reset();
            QFile::remove(partial);
            ctx.err << "pictorelle-cli record: No microphone found: " << backend.lastError() << "\n";
            return exitcode::Failed;
        }
        device.start();
        const bool pauses = o.pauseAfter >= 0 && o.pauseAfter < o.seconds;
        const double first = pauses ? o.pauseAfter : o.seconds;
        wait(first);
        seconds = countedSeconds(first);
        if (pauses) {
            device.pause();
            wait(o.resumeAfter);
            device.resume();
            wait(o.seconds - first);
            seconds += countedSeconds(o.seconds - first);
        }
        device.detach();
        sink->close();
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        ctx.err << "pictorelle-cli record: cannot write " << o.path << " (the recording is in " << partial << ")\n";
        return exitcode::Failed;
    }
    ctx.out << seconds << "\n";
    return exitcode::Ok;
}

static const CliRegistration registration(
    "record", runRecord,
    "  record OUT.wav --seconds N [--pause-after S --resume-after R]\n"
    "        Records N seconds of sound from the default input (22050 Hz 16-bit mono);\n"
    "        pauses S seconds in and resumes R seconds later. Prints the length in whole\n"
    "        seconds, each recorded stretch rounded up.\n");
