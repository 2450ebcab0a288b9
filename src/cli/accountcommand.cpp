#include "cli/clicontext.h"
#include "publish/accountedit.h"
#include "shell/languagetable.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

namespace {

int runAccount(CliContext& ctx, QStringList args)
{
    AccountFields fields;
    QString language;
    bool haveUser = false, havePassword = false;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--user")) {
            fields.userName = takeValue(args, a);
            haveUser = true;
        } else if (a == QLatin1String("--password")) {
            fields.passwordField = takeValue(args, a);
            havePassword = true;
        } else if (a == QLatin1String("--language")) {
            language = takeValue(args, a);
        } else if (a == QLatin1String("--remember")) {
            fields.remember = true;
        } else {
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
        }
    }
    if (!haveUser || !havePassword)
        throw UsageError{QStringLiteral("give --user and --password")};

    const QString settingsPath = programfolder::settingsFile(ctx.programFolder);
    ProgramSettings settings;
    UserAccount account;
    SettingsFile::load(settingsPath, settings, account);

    LanguageTable languages;
    languages.load(programfolder::languageFile(ctx.programFolder));
    if (!language.isEmpty()) {
        if (const QString problem = programdata::languageTableProblem(ctx.programFolder); !problem.isEmpty()) {
            ctx.err << "pictorelle-cli account: " << problem << "\n";
            return exitcode::Failed;
        }
        fields.languageIndex = int(languages.names().indexOf(language));
        if (fields.languageIndex < 0) {
            ctx.err << "pictorelle-cli account: \"" << language << "\" is not in language.dat ("
                    << languages.names().join(QStringLiteral(", ")) << ")\n";
            return exitcode::Failed;
        }
    }
    // The field holds what the user typed: a new password, never the stored digest.
    if (fields.passwordField == account.password())
        account.setPassword(QString());
    applyAccountFields(account, fields, languages.names());
    if (!SettingsFile::save(settingsPath, settings, account)) {
        ctx.err << "pictorelle-cli account: cannot write " << settingsPath << "\n";
        return exitcode::Failed;
    }
    ctx.out << "user=" << account.userName() << "\nlanguage=" << account.languageText() << "\n";
    return exitcode::Ok;
}

} // namespace

static const CliRegistration
    registration("account", runAccount,
                 "  account --user U --password P [--language NAME] [--remember]\n"
                 "        Stores the PictorelleWeb account (the password's digest, never the password).\n");
