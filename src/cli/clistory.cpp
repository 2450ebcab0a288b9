#include "cli/clistory.h"

#include <QFileInfo>

std::unique_ptr<CliStory> loadCliStory(CliContext& ctx, const QString& path, const char* command)
{
    auto loaded = std::make_unique<CliStory>(ctx.programFolder);
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
