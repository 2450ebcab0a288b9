#include "pulsetestenvironment.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

struct Daemon
{
    QTemporaryDir folder;
    QByteArray previousServer = qgetenv("PULSE_SERVER");
    bool hadServer = qEnvironmentVariableIsSet("PULSE_SERVER");
    bool running = false;
};

std::unique_ptr<Daemon> s_daemon;
QString failure;

// Runs a program to its end; false when it failed.
bool run(const QString& program, const QStringList& args, QString* output = nullptr, QString* errors = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool finished = p.waitForFinished(30000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput());
    if (errors)
        *errors = finished ? QString::fromUtf8(p.readAllStandardError()) : QStringLiteral("timed out");
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString script()
{
    return QStringLiteral(PICTORELLE_SOURCE_DIR "/scripts/test-pulse.sh");
}

// Returns the failed command, empty when every one ran.
QString makeSteadyMicrophone()
{
    const QList<QStringList> commands{
        {"load-module", "module-null-sink", "sink_name=mic_feed"},
        {"load-module", "module-sine", "sink=mic_feed", "frequency=440"},
        // A low-latency reader keeps the feed sink rendering in small blocks from the start.
        {"load-module", "module-null-sink", "sink_name=mic_drain"},
        {"load-module", "module-loopback", "source=mic_feed.monitor", "sink=mic_drain", "latency_msec=20"},
        // Restarts the feed's clock, which still waits out the two-second block it began with.
        {"suspend-sink", "mic_feed", "1"},
        {"suspend-sink", "mic_feed", "0"},
        // Likewise for the speaker, fed with silence, so that playback starts at once.
        {"load-module", "module-null-source", "source_name=silence"},
        {"load-module", "module-loopback", "source=silence", "sink=speaker", "latency_msec=20"},
        {"suspend-sink", "speaker", "1"},
        {"suspend-sink", "speaker", "0"},
        {"set-default-source", "mic_feed.monitor"},
        {"set-default-sink", "speaker"},
    };
    for (const QStringList& command : commands) {
        if (!run(QStringLiteral("pactl"), command))
            return command.join(' ');
    }
    return {};
}

const bool registered = [] {
    ::testing::AddGlobalTestEnvironment(new PulseTestEnvironment);
    return true;
}();

} // namespace

QString PulseTestEnvironment::start()
{
    if (s_daemon || !failure.isEmpty())
        return failure;
    s_daemon = std::make_unique<Daemon>();
    QString server;
    QString errors;
    const bool started =
        run(QStringLiteral("bash"), {script(), QStringLiteral("start"), s_daemon->folder.path()}, &server, &errors);
    server = server.trimmed();
    if (!started || server.isEmpty()) {
        failure = QStringLiteral("the test PulseAudio daemon did not start: ") + errors;
        run(QStringLiteral("bash"), {script(), QStringLiteral("stop"), s_daemon->folder.path()});
        return failure;
    }
    s_daemon->running = true;
    qputenv("PULSE_SERVER", server.toUtf8());
    const QString failed = makeSteadyMicrophone();
    if (!failed.isEmpty())
        failure = QStringLiteral("the test PulseAudio daemon refused \"pactl %1\"").arg(failed);
    return failure;
}

QString PulseTestEnvironment::pactl(const QStringList& args)
{
    QString output;
    if (!s_daemon || !s_daemon->running || !run(QStringLiteral("pactl"), args, &output))
        return {};
    return output;
}

void PulseTestEnvironment::TearDown()
{
    if (!s_daemon || !s_daemon->running)
        return;
    run(QStringLiteral("bash"), {script(), QStringLiteral("stop"), s_daemon->folder.path()});
    if (s_daemon->hadServer)
        qputenv("PULSE_SERVER", s_daemon->previousServer);
    else
        qunsetenv("PULSE_SERVER");
    s_daemon.reset();
}
ScopedEnvironment::ScopedEnvironment(const char* name, const QByteArray& value)
    : m_name(name), m_previous(qgetenv(name)), m_wasSet(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (m_wasSet)
        qputenv(m_name, m_previous);
    else
        qunsetenv(m_name);
}
