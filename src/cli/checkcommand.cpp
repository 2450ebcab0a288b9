#include "cli/clistory.h"
#include "publish/publishchecks.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

namespace {

//! The report as the terminal shows it: plain line feeds.
QString plainLines(const QString& report)
{
    QString text = report;
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

int runCheck(CliContext& ctx, QStringList args)
{
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--")))
        throw UsageError{QStringLiteral("name one story file (.sld)")};
    const auto loaded = loadCliStory(ctx, args.first(), "check");
    if (!loaded)
        return exitcode::Failed;
    ProgramSettings settings;
    UserAccount account;
    SettingsFile::load(programfolder::settingsFile(ctx.programFolder), settings, account);
    const CheckReport report = runPublishChecks(loaded->story, account);
    if (report.isClean()) {
        ctx.out << plainLines(noErrorsText());
        return exitcode::Ok;
    }
    ctx.out << plainLines(report.text);
    return exitcode::Failed;
}

} // namespace

static const CliRegistration
    registration("check", runCheck,
                 "  check STORY.sld                Checks a story for publishing; exit 0 when clean.\n");
