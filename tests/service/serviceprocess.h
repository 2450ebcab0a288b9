#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <httplib.h>

#include <csignal>
#include <memory>
#include <string>

//! The built pictorelle-web running on a free loopback port with the given data folder; its
//! request log goes to "service.log" in that folder. Stopped when destroyed.
class ServiceProcess
{
public:
    explicit ServiceProcess(const QString& dataFolder, const QStringList& extraArguments = {});
    ~ServiceProcess();

    //! Whether it printed its "listening on" line.
    bool started() const { return m_port > 0; }
    int port() const { return m_port; }
    //! "http://127.0.0.1:<port>"
    std::string base() const;
    //! A client of its own for the calling thread.
    std::unique_ptr<httplib::Client> client() const;
    //! Sends the signal and waits; the exit code, or −1 when it crashed or did not end.
    int stop(int signal = SIGTERM);
    //! Everything it wrote to stderr so far.
    QString log() const;

private:
    QProcess m_process;
    QString m_logFile;
    int m_port = 0;
};

//! Runs the built pictorelle-web once to completion (for --add-user and bad arguments).
struct CommandRun
{
    int code = -1;
    QString out;
    QString err;
};
CommandRun runService(const QStringList& arguments);
