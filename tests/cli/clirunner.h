#pragma once

#include "tempfolder.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

//! Runs the built pictorelle-cli with a test's own program folder.
struct CliRun
{
    int code = -1;
    QString out;
    QString err;

    QString lastLine() const { return out.trimmed().split('\n').last(); }
    QJsonDocument json() const { return QJsonDocument::fromJson(out.toUtf8()); }
};

//! Runs the CLI; extra environment variables may be given.
inline CliRun runCli(const QString& home, const QStringList& args,
                     const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(environment);
    p.setProgram(QStringLiteral(PICTORELLE_CLI));
    p.setArguments(QStringList{QStringLiteral("--home"), home} + args);
    p.start();
    p.waitForFinished(120000);
    CliRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

//! A test's own program folder (the CLI fills in its tables from beside itself) and input files.
struct CliTest : ::testing::Test
{
    TempFolder home;
    TempFolder input;

    CliRun cli(const QStringList& args,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) const
    {
        return runCli(home.path(), args, environment);
    }
};

//! A PCM wave file of the given format holding sampleBytes bytes of a ramp.
QByteArray waveBytes(quint32 sampleBytes, quint32 rate = 22050, quint16 bits = 16, quint16 channels = 1);

//! A picture file of the given size in the format its suffix names.
QString writePicture(const TempFolder& folder, const QString& name, int width, int height);
