#include "app/programfolder.h"
#include "cli/clicontext.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <map>

namespace {

const char* const kUsage = R"(Usage: pictorelle-cli [--home DIR] COMMAND [OPTIONS]

Commands:
  new [--podcast] [--title T] [--description T] [--tags T] [--category ID]
      [--transcript T] [--publish-transcript] SLIDE...
        Makes a story and saves it; prints the story file as its last line.
        SLIDE is  --slide PICTURE [--narration WAV] [--caption T] [--slide-tags T] [--cue T]
        or, for a podcast,  --segment WAV.  Narrations are PCM 22050 Hz 16-bit mono.
  show STORY.sld [--json]        Loads a story and prints it.
  library [--json] [--sort COLUMN]...
        Lists the saved stories, newest first; each --sort is one click on a
        column header (type, title, slides, length, date).
  delete STORY.sld               Deletes a saved story's folder.
  categories [--json] [--choose ID]
        Prints the category tree, or what the category chooser shows for ID.

The program folder is --home DIR, else $PICTORELLE_HOME, else the folder of
this program when writable, else ~/.local/share/pictorelle/.
Exit codes: 0 done (warnings may go to stderr), 1 failed, 2 bad usage.
)";

} // namespace

QString takeValue(QStringList& args, const QString& option)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("%1 needs a value").arg(option)};
    return args.takeFirst();
}

int main(int argc, char** argv)
{
    // Pictures are painted into QImages: a GUI application without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const auto home = programfolder::takeHomeOption(app.arguments().mid(1));
    QStringList args = home.remaining;
    if (home.valueMissing) {
        err << "pictorelle-cli: --home needs a folder\n";
        return exitcode::Usage;
    }
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        (args.isEmpty() ? err : out) << kUsage;
        return args.isEmpty() ? exitcode::Usage : exitcode::Ok;
    }

    const auto folder = programfolder::resolve(home.folder, QCoreApplication::applicationDirPath(),
                                               programfolder::installedDataFolder());
    if (!folder.ready) {
        err << "pictorelle-cli: cannot create the program folder " << folder.path << "\n";
        return exitcode::Failed;
    }
    CliContext ctx{folder.path, out, err};

    const std::map<QString, int (*)(CliContext&, QStringList)> commands{
        {QStringLiteral("new"), runNew},         {QStringLiteral("show"), runShow},
        {QStringLiteral("library"), runLibrary}, {QStringLiteral("delete"), runDelete},
        {QStringLiteral("categories"), runCategories},
    };
    const QString name = args.takeFirst();
    const auto command = commands.find(name);
    if (command == commands.end()) {
        err << "pictorelle-cli: unknown command \"" << name << "\"\n\n" << kUsage;
        return exitcode::Usage;
    }
    try {
        const int code = command->second(ctx, args);
        out.flush();
        err.flush();
        return code;
    } catch (const UsageError& e) {
        out.flush();
        err << "pictorelle-cli " << name << ": " << e.message << "\n";
        return exitcode::Usage;
    }
}
