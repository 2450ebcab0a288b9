#include "audio/pulseaudiobackend.h"
#include "audio/recordingsession.h"
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
    QString device; //!< empty: the sound server's default source
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

QString takeDevice(QStringList& args, const QString& option)
{
    const QString name = takeValue(args, option);
    if (name.isEmpty())
        throw UsageError{
            QStringLiteral("%1 needs a microphone's name (pictorelle-cli devices lists them)").arg(option)};
    return name;
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
        else if (a == QLatin1String("--device"))
            o.device = takeDevice(args, a);
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

//! Waits until the take holds the given seconds of audio; false when the microphone went
//! away or no sound came for ten seconds (the input stalled).
bool waitForAudio(const RecordingSession& session, double seconds)
{
    const auto target = quint64(std::llround(seconds * RecordingSession::BytesPerSecond));
    auto lastProgress = std::chrono::steady_clock::now();
    quint32 lastBytes = session.recordedBytes();
    while (session.recordedBytes() < target && !session.reachedLimit()) {
        if (session.inputLost())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const quint32 bytes = session.recordedBytes();
        if (bytes != lastBytes) {
            lastBytes = bytes;
            lastProgress = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastProgress > std::chrono::seconds(10)) {
            return false;
        }
    }
    return true;
}

} // namespace

static int runRecord(CliContext& ctx, QStringList args)
{
    const RecordOptions o = parse(args);
    const QString target = QFileInfo(o.path).absoluteFilePath();
    PulseAudioBackend backend;
    if (!o.device.isEmpty()) {
        // Checked first: a take from another microphone than the one asked for is no take.
        const InputSourceList list = backend.listInputSources();
        if (!list.ok()) {
            ctx.err << "pictorelle-cli record: No microphone found: " << list.error << "\n";
            return exitcode::Failed;
        }
        if (!list.find(o.device)) {
            ctx.err << "pictorelle-cli record: there is no microphone named \"" << o.device
                    << "\"; \"pictorelle-cli devices\" lists the names\n";
            return exitcode::Failed;
        }
        backend.setInputDevice(o.device);
    }
    // Written straight into the target as the sound comes, so a recording that is killed
    // still leaves a readable file; a take that cannot start leaves the earlier file as it was.
    RecordingStart started;
    auto session = RecordingSession::start(backend, target, started, o.seconds);
    if (!session) {
        if (started.error == RecordingError::FileNotCreated)
            ctx.err << "pictorelle-cli record: cannot create " << o.path << "\n";
        else
            ctx.err << "pictorelle-cli record: No microphone found: " << backend.lastError() << "\n";
        return exitcode::Failed;
    }
    // Unplugged between the check and the start.
    if (!started.notice.isEmpty())
        ctx.err << "pictorelle-cli record: " << started.notice << "\n";
    const bool pauses = o.pauseAfter >= 0 && o.pauseAfter < o.seconds;
    bool flowing = waitForAudio(*session, pauses ? o.pauseAfter : o.seconds);
    if (flowing && pauses) {
        session->pause();
        wait(o.resumeAfter);
        session->resume();
        flowing = waitForAudio(*session, o.seconds);
    }
    const bool lost = session->inputLost();
    session->finish();
    if (lost) {
        ctx.err << "pictorelle-cli record: the microphone was disconnected; " << o.path << " keeps the "
                << session->recordedSeconds() << " s recorded\n";
        return exitcode::Failed;
    }
    if (!flowing) {
        ctx.err << "pictorelle-cli record: the input stopped delivering sound; " << o.path << " keeps the "
                << session->recordedSeconds() << " s recorded\n";
        return exitcode::Failed;
    }
    ctx.out << session->recordedSeconds() << "\n";
    return exitcode::Ok;
}

static const CliRegistration
    registration("record", runRecord,
                 "  record OUT.wav --seconds N [--pause-after S --resume-after R] [--device NAME]\n"
                 "        Records N seconds of sound from the default input, or the microphone NAME\n"
                 "        (see devices), at 22050 Hz 16-bit mono, written to OUT.wav as it comes;\n"
                 "        pauses once S seconds are recorded and resumes R seconds later. Prints\n"
                 "        the recorded length in whole seconds.\n");
