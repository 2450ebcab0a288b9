#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

//! What every command gets: the program folder and the two output streams.
struct CliContext
{
    QString programFolder; //!< ends with "/"
    QTextStream& out;
    QTextStream& err;
    //! This run's own working folder for a story's media, claimed on first use, so a run
    //! never touches the desktop program's "temp/"; empty when none could be made.
    std::function<QString()> workingFolder;
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

using CliCommand = int (*)(CliContext& ctx, QStringList args);

//! The application a command runs in: a plain core application (no platform, no fonts, the
//! quickest start), or a GUI application on the offscreen platform for a command that draws
//! text into pictures.
enum class CliApplication {
    Core,
    Gui
};

//! Registers a command at start-up; each command file holds one CliRegistration:
//!   static const CliRegistration reg("play", runPlay, "  play FILE.wav   Plays a wave file.\n");
struct CliRegistration
{
    CliRegistration(const char* name, CliCommand command, const char* usage,
                    CliApplication application = CliApplication::Core);
};

//! The registered command of that name, or null.
CliCommand findCliCommand(const QString& name);
//! The application the named command runs in; Core for a name no command has.
CliApplication cliApplicationFor(const QString& name);
//! Every command's usage text, in order of name.
QString cliUsage();
