#include "shell/programfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace programfolder {

namespace {

constexpr QLatin1String HomeFlag("--home");
constexpr QLatin1String HomeAssign("--home=");

QString withSlash(const QString& folder)
{
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

Resolution created(const QString& folder)
{
    Resolution result;
    result.path = withSlash(folder);
    result.ready = QDir().mkpath(result.path);
    return result;
}

bool isWritableFolder(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

void copyIfMissing(const QString& from, const QString& to)
{
    if (QFileInfo::exists(to) || !QFileInfo(from).isFile())
        return;
    QDir().mkpath(QFileInfo(to).absolutePath());
    // A failed copy leaves the table or page missing; the program then runs with empty lists.
    QFile::copy(from, to);
}

void seedFrom(const QString& target, const QString& dataFolder)
{
    if (dataFolder.isEmpty() || !QFileInfo(dataFolder).isDir())
        return;
    const QString source = withSlash(dataFolder);
    if (source == target)
        return;
    copyIfMissing(source + QStringLiteral("category.dat"), categoryFile(target));
    copyIfMissing(source + QStringLiteral("language.dat"), languageFile(target));
    const QString docs = source + QStringLiteral("docs");
    QDirIterator it(docs, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        copyIfMissing(file, target + QStringLiteral("docs/") + QDir(docs).relativeFilePath(file));
    }
}

//! Fills in the tables and help pages a program folder lacks. The files beside the running
//! program come first: they belong to this very build, an installed copy may be older.
Resolution seeded(Resolution folder, const QString& executableFolder, const QString& dataFolder)
{
    if (!folder.ready)
        return folder;
    seedFrom(folder.path, executableFolder);
    seedFrom(folder.path, dataFolder);
    return folder;
}

} // namespace

HomeOption takeHomeOption(const QStringList& arguments)
{
    HomeOption option;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded) {
            option.remaining.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
            option.remaining.append(argument);
        } else if (argument == HomeFlag) {
            if (i + 1 < arguments.size()) {
                option.folder = arguments.at(++i);
                option.valueMissing = option.folder.isEmpty();
            } else {
                option.folder.clear();
                option.valueMissing = true;
            }
        } else if (argument.startsWith(HomeAssign)) {
            option.folder = argument.mid(HomeAssign.size());
            option.valueMissing = option.folder.isEmpty();
        } else {
            option.remaining.append(argument);
        }
    }
    return option;
}

Resolution resolve(const QString& homeOption, const QString& executableFolder, const QString& dataFolder)
{
    if (!homeOption.isEmpty())
        return seeded(created(homeOption), executableFolder, dataFolder);
    const QString fromEnvironment = qEnvironmentVariable("PICTORELLE_HOME");
    if (!fromEnvironment.isEmpty())
        return seeded(created(fromEnvironment), executableFolder, dataFolder);
    if (isWritableFolder(executableFolder))
        return seeded(created(executableFolder), executableFolder, dataFolder);
    return seeded(created(userFolder()), executableFolder, dataFolder);
}

QString installedDataFolder()
{
    return QStringLiteral(PICTORELLE_DATA_DIR);
}

QString userFolder()
{
    return withSlash(QDir::homePath() + QStringLiteral("/.local/share/pictorelle"));
}

QString workingFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("temp/");
}

QString saveFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("save/");
}

QString settingsFile(const QString& programFolder)
{
    return programFolder + QStringLiteral("pictorelle.ini");
}

QString categoryFile(const QString& programFolder)
{
    return programFolder + QStringLiteral("category.dat");
}

QString languageFile(const QString& programFolder)
{
    return programFolder + QStringLiteral("language.dat");
}

QString helpPage(const QString& programFolder, const QString& relativePath)
{
    return programFolder + relativePath;
}

} // namespace programfolder
