#include "shell/programdata.h"

#include "shell/categorytree.h"
#include "shell/languagetable.h"
#include "shell/programfolder.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace programdata {

namespace {

//! Missing or Unreadable, or nullopt when the file opens.
std::optional<TableState> openingProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return TableState::Missing;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return TableState::Unreadable;
    return std::nullopt;
}

QString problemText(const QString& table, const QString& path, TableState state, const QString& holds,
                    const QString& consequence)
{
    QString what;
    switch (state) {
    case TableState::Usable:
        return {};
    case TableState::Missing:
        what = QStringLiteral("is missing");
        break;
    case TableState::Unreadable:
        what = QStringLiteral("cannot be read");
        break;
    case TableState::Empty:
        what = QStringLiteral("holds no %1 this program can read").arg(holds);
        break;
    }
    return QStringLiteral("The %1 %2 %3. %4").arg(table, path, what, consequence);
}

} // namespace

TableState categoryTableState(const QString& programFolder)
{
    const QString path = programfolder::categoryFile(programFolder);
    if (const auto problem = openingProblem(path))
        return *problem;
    CategoryTree tree;
    return tree.load(path) ? TableState::Usable : TableState::Empty;
}

TableState languageTableState(const QString& programFolder)
{
    const QString path = programfolder::languageFile(programFolder);
    if (const auto problem = openingProblem(path))
        return *problem;
    LanguageTable table;
    if (!table.load(path))
        return TableState::Unreadable;
    const QStringList& names = table.names();
    const bool anyName = std::any_of(names.begin(), names.end(), [](const QString& n) { return !n.isEmpty(); });
    return anyName ? TableState::Usable : TableState::Empty;
}

QString categoryTableProblem(const QString& programFolder)
{
    return problemText(QStringLiteral("category table"), programfolder::categoryFile(programFolder),
                       categoryTableState(programFolder), QStringLiteral("categories"),
                       QStringLiteral("Without it no category can be chosen, so no story can be published."));
}

QString languageTableProblem(const QString& programFolder)
{
    return problemText(QStringLiteral("language table"), programfolder::languageFile(programFolder),
                       languageTableState(programFolder), QStringLiteral("languages"),
                       QStringLiteral("Without it the User Settings offer no publishing language."));
}

QStringList tableProblems(const QString& programFolder)
{
    QStringList problems;
    for (const QString& problem : {categoryTableProblem(programFolder), languageTableProblem(programFolder)}) {
        if (!problem.isEmpty())
            problems << problem;
    }
    return problems;
}

QString startUpMessage(const QStringList& problems)
{
    if (problems.isEmpty())
        return {};
    return problems.join(QStringLiteral("\n\n")) +
           QStringLiteral("\n\nAt every start the program copies a missing table from its installation: "
                          "remove a damaged table, or reinstall the program, to get it back.");
}

} // namespace programdata
