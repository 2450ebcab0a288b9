#include "cli/clistory.h"

#include <QFileInfo>

std::unique_ptr<CliStory> loadCliStory(CliContext& ctx, const QString& path, const char* command)
{
    auto loaded = std::make_unique<CliStory>(ctx);
    loaded->report = loadStory(QFileInfo(path).absoluteFilePath(), loaded->story);
    if (!loaded->report.opened) {
        ctx.err << "pictorelle-cli " << command << ": cannot open " << path << "\n";
        return nullptr;
    }
    loaded->story.waitForImports();
    for (const QString& w : loaded->report.warnings)
        ctx.err << "warning: " << w << "\n";
    return loaded;
}

QString takeStoryArguments(QStringList& args, const std::function<bool(const QString&, QStringList&)>& option)
{
    QString path;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (path.isEmpty() && !a.startsWith(QLatin1String("--")))
            path = a;
        else if (!option(a, args))
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
    }
    if (path.isEmpty())
        throw UsageError{QStringLiteral("name a story file (.sld)")};
    return path;
}
