#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

//! A private PulseAudio daemon for one test (scripts/test-pulse.sh): a 440 Hz sine source
//! "mic" as the default source and a null sink "speaker". While it lives, PULSE_SERVER
//! points this process and its children at it.
class TestPulseServer
{
public:
    TestPulseServer() : m_previous(qgetenv("PULSE_SERVER")), m_hadPrevious(qEnvironmentVariableIsSet("PULSE_SERVER"))
    {
        if (!m_dir.isValid()) {
            m_failure = QStringLiteral("no temporary folder");
            return;
        }
        QString errors;
        const int code = run({QStringLiteral("start"), m_dir.path()}, &m_server, &errors);
        m_server = m_server.trimmed();
        if (code != 0 || m_server.isEmpty()) {
            m_failure = QStringLiteral("the test PulseAudio daemon did not start: ") + errors;
            run({QStringLiteral("stop"), m_dir.path()}, nullptr, nullptr);
            m_server.clear();
            return;
        }
        qputenv("PULSE_SERVER", m_server.toUtf8());
    }

    ~TestPulseServer()
    {
        if (m_server.isEmpty())
            return;
        run({QStringLiteral("stop"), m_dir.path()}, nullptr, nullptr);
        if (m_hadPrevious)
            qputenv("PULSE_SERVER", m_previous);
        else
            qunsetenv("PULSE_SERVER");
    }

    bool isRunning() const { return !m_server.isEmpty(); }
    QString failure() const { return m_failure; }

    //! Runs pactl against the daemon; its standard output, or none when it failed.
    std::optional<QString> pactl(const QStringList& args) const
    {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput());
    }

private:
    static QString script()
    {
        return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../../scripts/test-pulse.sh");
    }

    int run(const QStringList& args, QString* output, QString* errors) const
    {
        QProcess p;
        p.start(QStringLiteral("bash"), QStringList{script()} + args);
        const bool finished = p.waitForFinished(60000);
        if (output)
            *output = QString::fromUtf8(p.readAllStandardOutput());
        if (errors)
            *errors = finished ? QString::fromUtf8(p.readAllStandardError()) : QStringLiteral("timed out");
        if (!finished || p.exitStatus() != QProcess::NormalExit)
            return -1;
        return p.exitCode();
    }

    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
    QString m_server;
    QString m_failure;
};

//! Skips the test without a daemon, except on CI (CI=true), where that is a failure.
#define REQUIRE_TEST_PULSE(server)                                                                                     \
    do {                                                                                                               \
        if (!(server).isRunning()) {                                                                                   \
            if (qgetenv("CI") == "true")                                                                               \
                FAIL() << (server).failure().toStdString();                                                            \
            GTEST_SKIP() << (server).failure().toStdString();                                                          \
        }                                                                                                              \
    } while (false)
