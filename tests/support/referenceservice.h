#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>

//! The reference service pictorelle-web on a free loopback port over its own data folder, for
//! the end-to-end tests and the publishing benchmarks. Stopped when it goes.
class ReferenceService
{
public:
    ReferenceService(const QString& program, const QString& data) : m_program(program), m_data(data)
    {
        m_process.start(program, {"--port", "0", "--data", data});
        if (!m_process.waitForStarted(10000))
            return;
        // The service prints its address once it listens.
        QByteArray seen;
        while (m_process.waitForReadyRead(10000)) {
            seen += m_process.readAllStandardOutput();
            const auto match =
                QRegularExpression(QStringLiteral("listening on (http://\\S+)")).match(QString::fromUtf8(seen));
            if (match.hasMatch()) {
                m_base = match.captured(1);
                return;
            }
        }
    }
    ~ReferenceService()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    ReferenceService(const ReferenceService&) = delete;
    ReferenceService& operator=(const ReferenceService&) = delete;

    //! "http://127.0.0.1:port"; empty when the service did not start.
    QString base() const { return m_base; }

    bool addUser(const QString& name, const QString& password)
    {
        // The password goes on standard input: on the command line every user could read it.
        QProcess add;
        add.start(m_program, {"--data", m_data, "--add-user", name});
        add.write(password.toUtf8() + '\n');
        add.closeWriteChannel();
        return add.waitForFinished(20000) && add.exitStatus() == QProcess::NormalExit && add.exitCode() == 0;
    }

    //! A page of the service, fetched with the curl command.
    QString page(const QString& address) const
    {
        QProcess curl;
        curl.start(QStringLiteral("curl"), {"-s", "--max-time", "10", address});
        curl.waitForFinished(15000);
        return QString::fromUtf8(curl.readAllStandardOutput());
    }

private:
    QString m_program;
    QString m_data;
    QString m_base;
    QProcess m_process;
};
