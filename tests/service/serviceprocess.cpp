#include "serviceprocess.h"

#include "tempfolder.h"

#include <signal.h>

namespace {

constexpr int StartMilliseconds = 20000;

// The arguments with the test database of their "--data" folder added, unless they name one.
QStringList withTestDatabase(const QStringList& arguments)
{
    const qsizetype data = arguments.indexOf("--data");
    if (data < 0 || data + 1 >= arguments.size() || arguments.contains("--database"))
        return arguments;
    QStringList result = arguments;
    const QStringList database = testDatabaseArguments(arguments[data + 1]);
    for (qsizetype i = 0; i < database.size(); ++i)
        result.insert(data + 2 + i, database[i]);
    return result;
}

} // namespace

ServiceProcess::ServiceProcess(const QString& dataFolder, const QStringList& extraArguments)
    : m_logFile(dataFolder + "/service.log")
{
    m_process.setProgram(QStringLiteral(PICTORELLE_WEB));
    m_process.setArguments(withTestDatabase(QStringList{"--port", "0", "--data", dataFolder} + extraArguments));
    m_process.setStandardErrorFile(m_logFile, QIODevice::Append);
    m_process.start();
    if (!m_process.waitForStarted(StartMilliseconds))
        return;
    QByteArray out;
    while (!out.contains('\n') && m_process.waitForReadyRead(StartMilliseconds))
        out += m_process.readAllStandardOutput();
    const QByteArray prefix = "listening on http://127.0.0.1:";
    if (out.startsWith(prefix))
        m_port = out.mid(prefix.size()).trimmed().toInt();
}

ServiceProcess::~ServiceProcess()
{
    if (m_process.state() != QProcess::NotRunning)
        stop();
}

std::string ServiceProcess::base() const
{
    return "http://127.0.0.1:" + std::to_string(m_port);
}

std::unique_ptr<httplib::Client> ServiceProcess::client() const
{
    auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
    client->set_read_timeout(60, 0);
    client->set_write_timeout(60, 0);
    return client;
}

int ServiceProcess::stop(int signal)
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
    if (!m_process.waitForFinished(StartMilliseconds)) {
        m_process.kill();
        m_process.waitForFinished(StartMilliseconds);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString ServiceProcess::log() const
{
    return QString::fromUtf8(TempFolder::read(m_logFile));
}

CommandRun runService(const QStringList& arguments, const QByteArray& input)
{
    QProcess p;
    p.setProgram(QStringLiteral(PICTORELLE_WEB));
    p.setArguments(withTestDatabase(arguments));
    p.start();
    p.waitForStarted(StartMilliseconds);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(StartMilliseconds);
    CommandRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
