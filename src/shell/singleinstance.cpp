#include "shell/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QTimer>

#include <pwd.h>
#include <unistd.h>

#include <vector>

Q_LOGGING_CATEGORY(lcSingleInstance, "pictorelle.singleinstance")

namespace {

const QByteArray RaiseRequest = QByteArrayLiteral("raise\n");
const QByteArray Acknowledgement = QByteArrayLiteral("ok\n");
// Far above any request of the protocol; a client that sends more without a line end is dropped.
constexpr qint64 MaxLineBytes = 64;
// How long a later copy waits for the running one, so a hung copy never blocks a start for long.
constexpr int AnswerTimeoutMs = 2000;
// Longer than one whole claim, so two copies started together take turns.
constexpr int LockTimeoutMs = 5000;
// A client that connects and says nothing must not hold a connection forever.
constexpr int IdleClientTimeoutMs = 5000;
// Keeps the socket path well below the 107 bytes a Unix socket address holds.
constexpr qsizetype MaxUserPart = 24;
constexpr qsizetype HashHexDigits = 16;

QString readableUser(const QString& userName)
{
    QString part;
    for (const QChar c : userName) {
        if (part.size() == MaxUserPart)
            break;
        const bool safe =
            (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_');
        part += safe ? c : QLatin1Char('_');
    }
    return part.isEmpty() ? QStringLiteral("unknown") : part;
}

// The same folder written with or without a trailing "/", with "..", or through a link is one folder.
QString normalisedFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    return QDir::cleanPath(QDir(folder).absolutePath());
}

void drop(QLocalSocket* client)
{
    client->abort();
    client->deleteLater();
}

} // namespace

QString SingleInstance::serverName(const QString& userName, const QString& programFolder)
{
    // The hash covers the full user name, so two names that read alike after cleaning still differ.
    const QByteArray key = userName.toUtf8() + '\0' + normalisedFolder(programFolder).toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(HashHexDigits);
    return QStringLiteral("pictorelle-") + readableUser(userName) + QLatin1Char('-') + QString::fromLatin1(hash);
}

QString SingleInstance::loginName()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    const QString fromEnvironment = qEnvironmentVariable("USER");
    return fromEnvironment.isEmpty() ? QString::number(geteuid()) : fromEnvironment;
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name)
{}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (isListening())
        return true;
    QLockFile lock(QDir::tempPath() + QLatin1Char('/') + m_name + QStringLiteral(".lock"));
    // Without the lock (another user's file, or a start stuck for seconds) the check still runs,
    // only two copies started at the same instant could then both win.
    if (!lock.tryLock(LockTimeoutMs))
        qCWarning(lcSingleInstance) << "could not take the start-up lock" << lock.error();
    if (askRunningCopy())
        return false;
    // A copy that cannot listen still runs: refusing to start would be worse than a second copy later.
    listen();
    return true;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

QString SingleInstance::socketPath() const
{
    return isListening() ? m_server->fullServerName() : QString();
}

bool SingleInstance::askRunningCopy()
{
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;
    socket.write(RaiseRequest);
    socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    while (!socket.canReadLine() && socket.bytesAvailable() < MaxLineBytes && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    }
    // Whatever the answer, a copy is running on this folder: starting a second one would share its files.
    if (!socket.canReadLine() || socket.readLine(MaxLineBytes) != Acknowledgement)
        qCWarning(lcSingleInstance) << "the running copy did not confirm the request to come to the front";
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered on this name, so whatever is at its path was left by a copy that ended abnormally.
    QLocalServer::removeServer(m_name);
    if (!m_server->listen(m_name)) {
        qCWarning(lcSingleInstance) << "cannot listen for later copies:" << m_server->errorString();
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptClients);
    return true;
}

void SingleInstance::acceptClients()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        // Bounds what a client can make this process hold.
        client->setReadBufferSize(MaxLineBytes);
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { readRequest(client); });
        QTimer::singleShot(IdleClientTimeoutMs, client, [client] { drop(client); });
        if (client->bytesAvailable() > 0)
            readRequest(client);
    }
}

void SingleInstance::readRequest(QLocalSocket* client)
{
    if (!client->canReadLine()) {
        if (client->bytesAvailable() >= MaxLineBytes)
            drop(client);
        return;
    }
    if (client->readLine(MaxLineBytes) != RaiseRequest) {
        drop(client);
        return;
    }
    // One request per connection; anything after it is not read.
    disconnect(client, &QLocalSocket::readyRead, this, nullptr);
    emit raiseRequested();
    client->write(Acknowledgement);
    client->disconnectFromServer();
}
