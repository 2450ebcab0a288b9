#include "cli/clicontext.h"
#include "shell/programfolder.h"
#include "story/storylibrary.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>

namespace {

const std::map<QString, int> kColumns{
    {QStringLiteral("type"), StoryLibrary::Type},     {QStringLiteral("title"), StoryLibrary::Title},
    {QStringLiteral("slides"), StoryLibrary::Slides}, {QStringLiteral("length"), StoryLibrary::Length},
    {QStringLiteral("date"), StoryLibrary::Date},
};

QJsonObject rowJson(const LibraryRow& r)
{
    return QJsonObject{
        {"type", r.type},     {"type_name", r.typeName},     {"title", r.title},           {"slides", r.slides},
        {"length", r.length}, {"length_text", r.lengthText}, {"date", qint64(r.saveTime)}, {"date_text", r.dateText},
        {"path", r.path}};
}

} // namespace

static int runLibrary(CliContext& ctx, QStringList args)
{
    bool json = false;
    QList<int> clicks;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--sort")) {
            const QString column = takeValue(args, a).toLower();
            const auto found = kColumns.find(column);
            if (found == kColumns.end())
                throw UsageError{QStringLiteral("--sort takes type, title, slides, length or date")};
            clicks.append(found->second);
        } else {
            throw UsageError{QStringLiteral("unexpected \"%1\"").arg(a)};
        }
    }
    StoryLibrary::SortSwitches switches;
    StoryLibrary library(programfolder::saveFolder(ctx.programFolder), switches);
    library.open();
    for (int column : clicks)
        library.clickHeader(column);

    if (json) {
        QJsonArray rows;
        for (const LibraryRow& r : library.rows())
            rows.append(rowJson(r));
        ctx.out << QJsonDocument(rows).toJson(QJsonDocument::Indented);
        return exitcode::Ok;
    }
    ctx.out << QStringLiteral("%1  %2  %3  %4  %5\n")
                   .arg(QStringLiteral("Type"), -12)
                   .arg(QStringLiteral("Title"), -47)
                   .arg(QStringLiteral("Slides"), 6)
                   .arg(QStringLiteral("Length"), 6)
                   .arg(QStringLiteral("Date"));
    for (const LibraryRow& r : library.rows())
        ctx.out << QStringLiteral("%1  %2  %3  %4  %5\n")
                       .arg(r.typeName, -12)
                       .arg(r.title, -47)
                       .arg(r.slidesText, 6)
                       .arg(r.lengthText, 6)
                       .arg(r.dateText);
    return exitcode::Ok;
}

static int runDelete(CliContext& ctx, QStringList args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("name one story file (.sld)")};
    const QString wanted = QFileInfo(args.first()).canonicalFilePath();
    StoryLibrary::SortSwitches switches;
    StoryLibrary library(programfolder::saveFolder(ctx.programFolder), switches);
    library.open();
    for (int i = 0; i < library.rowCount(); ++i) {
        if (!wanted.isEmpty() && QFileInfo(library.rows()[i].path).canonicalFilePath() == wanted) {
            library.deleteRow(i);
            return exitcode::Ok;
        }
    }
    ctx.err << "pictorelle-cli delete: " << args.first() << " is not a story in the library of " << ctx.programFolder
            << "\n";
    return exitcode::Failed;
}

static const CliRegistration
    libraryRegistration("library", runLibrary,
                        "  library [--json] [--sort COLUMN]...\n"
                        "        Lists the saved stories, newest first; each --sort is one click on a\n"
                        "        column header (type, title, slides, length, date).\n");
static const CliRegistration deleteRegistration("delete", runDelete,
                                                "  delete STORY.sld               Deletes a saved story's folder.\n");
