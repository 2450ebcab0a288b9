#pragma once

#include "testdatabase.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <httplib.h>

#include <csignal>
#include <memory>
#include <string>

//! The built pictorelle-web running on a free loopback port with the given data folder; its
//! request log goes to "service.log" in that folder. Stopped when destroyed.
//! Its database is the folder's test database (testDatabaseArguments(dataFolder)), so every
//! service started over one folder, at once or one after the other, shares one database on
//! either back end; extra arguments holding "--database" choose another one instead.
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

//! Runs the built pictorelle-web once to completion (for --add-user and bad arguments); with
//! "--data DIR" and no "--database" among the arguments it uses DIR's test database.
struct CommandRun
{
    int code = -1;
    QString out;
    QString err;
};
//! input is its standard input (--add-user reads the password there), closed after it.
CommandRun runService(const QStringList& arguments, const QByteArray& input = {});
