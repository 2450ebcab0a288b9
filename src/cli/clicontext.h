#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

//! What every command gets: the program folder and the two output streams.
struct CliContext
{
    QString programFolder; //!< ends with "/"
    QTextStream& out;
    QTextStream& err;
};

//! Exit codes of every command.
namespace exitcode {
constexpr int Ok = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
} // namespace exitcode

//! Thrown by argument parsing: bad usage, reported with exit code 2.
struct UsageError
{
    QString message;
};

//! Pops the value of an option such as "--title T"; throws UsageError when it is missing.
QString takeValue(QStringList& args, const QString& option);

int runNew(CliContext& ctx, QStringList args);
int runShow(CliContext& ctx, QStringList args);
int runLibrary(CliContext& ctx, QStringList args);
int runDelete(CliContext& ctx, QStringList args);
int runCategories(CliContext& ctx, QStringList args);
