#include "shell/singleinstance.h"

#include "tempfolder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <utility>

namespace {

constexpr int GenerousTimeoutMs = 15000;

// Each test gets its own program folder, so parallel test processes never share a socket.
QString nameFor(const TempFolder& folder, const QString& user = QStringLiteral("tester"))
{
    return SingleInstance::serverName(user, folder.path());
}

// Where Qt puts the socket of a name, found by listening once and letting go.
QString socketPathOf(const QString& name)
{
    QLocalServer probe;
    if (!probe.listen(name))
        return {};
    const QString path = probe.fullServerName();
    probe.close();
    return path;
}

// Leaves a socket file nobody listens on, as a copy killed while running does.
bool leaveDeadSocket(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (bytes.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound;
}

// Removes a file left in the shared temporary folder when a test fails half-way.
class FileCleanup
{
public:
    explicit FileCleanup(QString path) : m_path(std::move(path)) {}
    ~FileCleanup() { QFile::remove(m_path); }

private:
    QString m_path;
};

// A later copy blocks in claim() until the running copy answers, so it runs on another thread
// while this thread's event loop serves the running copy.
bool claimFromAnotherThread(const QString& name)
{
    std::atomic<bool> claimed{false};
    std::unique_ptr<QThread> thread(QThread::create([&claimed, name] {
        SingleInstance later(name);
        claimed = later.claim();
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(GenerousTimeoutMs, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    EXPECT_TRUE(thread->wait(GenerousTimeoutMs));
    return claimed;
}

// Sends bytes as a client would and waits until the running copy hangs up; false if it never does.
bool serverDropsClientSending(const QString& name, const QByteArray& bytes)
{
    QLocalSocket client;
    client.connectToServer(name);
    if (!client.waitForConnected(GenerousTimeoutMs))
        return false;
    QSignalSpy disconnected(&client, &QLocalSocket::disconnected);
    client.write(bytes);
    return client.state() == QLocalSocket::UnconnectedState || disconnected.wait(GenerousTimeoutMs);
}

} // namespace

TEST(SingleInstanceName, GivenUsersOrFoldersThatDifferWhenNamedThenNamesDiffer)
{
    TempFolder first;
    TempFolder second;
    EXPECT_NE(SingleInstance::serverName("ann", first.path()), SingleInstance::serverName("bob", first.path()));
    EXPECT_NE(SingleInstance::serverName("ann", first.path()), SingleInstance::serverName("ann", second.path()));
    // Names that clean up to the same text still belong to different users.
    EXPECT_NE(SingleInstance::serverName("a/b", first.path()), SingleInstance::serverName("a_b", first.path()));
}

TEST(SingleInstanceName, GivenOneFolderSpelledDifferentlyWhenNamedThenNameIsTheSame)
{
    TempFolder temp;
    temp.write("program/sub/keep.txt", "x");
    const QString program = temp.file("program");
    ASSERT_TRUE(QFile::link(program, temp.file("link")));
    const QString expected = SingleInstance::serverName("ann", program + "/");
    EXPECT_EQ(SingleInstance::serverName("ann", program), expected);
    EXPECT_EQ(SingleInstance::serverName("ann", program + "/sub/.."), expected);
    EXPECT_EQ(SingleInstance::serverName("ann", temp.file("link")), expected);
}

TEST(SingleInstanceName, GivenHostileOrEmptyUserWhenNamedThenNameIsShortAndHoldsNoPath)
{
    TempFolder temp;
    const QRegularExpression shape(QStringLiteral("^pictorelle-[A-Za-z0-9_-]+-[0-9a-f]{16}$"));
    const QString names[] = {
        SingleInstance::serverName("../../etc/passwd x", temp.path()),
        SingleInstance::serverName(QString(500, QLatin1Char('u')), temp.path()),
        SingleInstance::serverName(QString(), temp.path()),
        SingleInstance::serverName(QStringLiteral("jürgen\n"), temp.path()),
        SingleInstance::serverName("ann", QString(900, QLatin1Char('f'))),
    };
    for (const QString& name : names) {
        EXPECT_TRUE(shape.match(name).hasMatch()) << name.toStdString();
        EXPECT_LE(name.size(), 64) << name.toStdString();
    }
    EXPECT_TRUE(SingleInstance::serverName("ann", temp.path()).startsWith("pictorelle-ann-"));
}

TEST(SingleInstanceName, GivenThisProcessWhenAskedForTheLoginNameThenOneIsGiven)
{
    EXPECT_FALSE(SingleInstance::loginName().isEmpty());
}

TEST(SingleInstance, GivenNoRunningCopyWhenClaimingThenItListensOnASocketOnlyTheUserCanUse)
{
    TempFolder temp;
    SingleInstance first(nameFor(temp));
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.isListening());
    const QFileInfo socket(first.socketPath());
    ASSERT_TRUE(socket.exists());
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(socket.permissions() & others, QFileDevice::Permissions());
    // Claiming again from the same object does not stop it listening.
    EXPECT_TRUE(first.claim());
    EXPECT_TRUE(first.isListening());
}

TEST(SingleInstance, GivenRunningCopyWhenLaterCopiesClaimThenEachIsRefusedAndRaisesItOnceAndAfterItEndsTheNextRuns)
{
    TempFolder temp;
    QString path;
    {
        SingleInstance first(nameFor(temp));
        ASSERT_TRUE(first.claim());
        path = first.socketPath();
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);

        EXPECT_FALSE(claimFromAnotherThread(nameFor(temp)));
        EXPECT_EQ(raised.count(), 1);

        EXPECT_FALSE(claimFromAnotherThread(nameFor(temp)));
        EXPECT_EQ(raised.count(), 2);
        EXPECT_TRUE(first.isListening());
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    SingleInstance next(nameFor(temp));
    EXPECT_TRUE(next.claim());
}

TEST(SingleInstance, GivenRunningCopyWhenAnotherUserOrAnotherProgramFolderClaimsThenBothRunWithoutRaisingEachOther)
{
    TempFolder one;
    TempFolder two;
    SingleInstance first(nameFor(one, "ann"));
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(claimFromAnotherThread(nameFor(one, "bob")));
    EXPECT_TRUE(claimFromAnotherThread(nameFor(two, "ann")));
    EXPECT_EQ(raised.count(), 0);
}

TEST(SingleInstance, GivenSocketOrPlainFileLeftAtTheSocketPathWhenClaimingThenItRunsAndAnswersLaterCopies)
{
    for (const bool socketLeft : {true, false}) {
        SCOPED_TRACE(socketLeft ? "a socket left by a crashed copy" : "a plain file");
        TempFolder temp;
        const QString name = nameFor(temp);
        const QString path = socketPathOf(name);
        ASSERT_FALSE(path.isEmpty());
        FileCleanup cleanup(path);
        if (socketLeft) {
            ASSERT_TRUE(leaveDeadSocket(path));
        } else {
            QFile plain(path);
            ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
            plain.write("not a socket");
        }
        ASSERT_TRUE(QFileInfo::exists(path));

        SingleInstance first(name);
        ASSERT_TRUE(first.claim());
        EXPECT_TRUE(first.isListening());
        QSignalSpy raised(&first, &SingleInstance::raiseRequested);
        EXPECT_FALSE(claimFromAnotherThread(name));
        EXPECT_EQ(raised.count(), 1);
    }
}

TEST(SingleInstance, GivenClientSendingGarbageWhenServedThenItIsDroppedWithoutRaising)
{
    TempFolder temp;
    const QString name = nameFor(temp);
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    EXPECT_TRUE(serverDropsClientSending(name, "hello\n"));
    EXPECT_TRUE(serverDropsClientSending(name, "raise please\n"));
    EXPECT_TRUE(serverDropsClientSending(name, QByteArray("\0raise\n", 7)));
    // Never a line end: the running copy must not keep collecting it.
    EXPECT_TRUE(serverDropsClientSending(name, QByteArray(1 << 20, 'r')));
    EXPECT_EQ(raised.count(), 0);

    // The running copy still serves well-behaved later copies.
    EXPECT_FALSE(claimFromAnotherThread(name));
    EXPECT_EQ(raised.count(), 1);
}

TEST(SingleInstance, GivenRequestArrivingInPiecesWhenServedThenItIsAcknowledged)
{
    TempFolder temp;
    const QString name = nameFor(temp);
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    QLocalSocket client;
    client.connectToServer(name);
    ASSERT_TRUE(client.waitForConnected(GenerousTimeoutMs));
    QSignalSpy answered(&client, &QLocalSocket::readyRead);
    client.write("rai");
    ASSERT_TRUE(client.waitForBytesWritten(GenerousTimeoutMs));
    // Lets the running copy accept the client and read the unfinished line before the rest arrives.
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
    client.write("se\n");
    ASSERT_TRUE(answered.wait(GenerousTimeoutMs));
    EXPECT_EQ(client.readAll(), "ok\n");
    EXPECT_EQ(raised.count(), 1);
}
