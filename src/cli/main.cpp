#include "cli/clicontext.h"
#include "shell/programfolder.h"
#include "shell/workingfolderclaim.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void printUsage(QTextStream& stream)
{
    stream << "Usage: pictorelle-cli [--home DIR] COMMAND [OPTIONS]\n\nCommands:\n"
           << cliUsage()
           << "\nThe program folder is --home DIR, else $PICTORELLE_HOME, else the folder of\n"
              "this program when writable, else ~/.local/share/pictorelle/.\n"
              "Exit codes: 0 done (warnings may go to stderr), 1 failed, 2 bad usage.\n";
}

//! The application the command named on the command line runs in. Pictures are painted into
//! QImages, which needs no GUI application: most commands start without one, so no platform
//! and no fonts are loaded at start or torn down at exit. A command that draws text (the
//! export's captions) gets a GUI application on the offscreen platform.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const QStringList remaining = programfolder::takeHomeOption(args).remaining;
    if (!remaining.isEmpty() && cliApplicationFor(remaining.first()) == CliApplication::Gui) {
        // A command-line program opens no window, whatever display the session has.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    // Qt's own default for a session without one, set quietly instead of with a warning.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime = "/tmp/runtime-" + QByteArray::number(getuid());
        mkdir(runtime.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication& app = *application;
    QTextStream out(stdout);
    QTextStream err(stderr);

    const auto home = programfolder::takeHomeOption(app.arguments().mid(1));
    QStringList args = home.remaining;
    if (home.valueMissing) {
        err << "pictorelle-cli: --home needs a folder\n";
        return exitcode::Usage;
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        printUsage(args.isEmpty() ? err : out);
        return args.isEmpty() ? exitcode::Usage : exitcode::Ok;
    }

    const auto folder = programfolder::resolve(home.folder, QCoreApplication::applicationDirPath(),
                                               programfolder::installedDataFolder());
    if (!folder.ready) {
        err << "pictorelle-cli: cannot create the program folder " << folder.path << "\n";
        return exitcode::Failed;
    }
    std::optional<WorkingFolderClaim> working;
    CliContext ctx{folder.path, out, err, [&] {
                       if (!working)
                           working = WorkingFolderClaim::claim(folder.path, WorkingFolderClaim::Use::CommandLine);
                       return working->path();
                   }};

    const QString name = args.takeFirst();
    const CliCommand command = findCliCommand(name);
    if (!command) {
        err << "pictorelle-cli: unknown command \"" << name << "\"\n\n";
        printUsage(err);
        return exitcode::Usage;
    }
    try {
        const int code = command(ctx, args);
        out.flush();
        err.flush();
        return code;
    } catch (const UsageError& e) {
        out.flush();
        err << "pictorelle-cli " << name << ": " << e.message << "\n";
        return exitcode::Usage;
    }
}
