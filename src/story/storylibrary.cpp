#include "story/storylibrary.h"

#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storytypes.h"
#include "story/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

StoryLibrary::StoryLibrary(const QString& saveFolder, SortSwitches& switches)
    : m_saveFolder(saveFolder), m_switches(switches)
{}

bool StoryLibrary::readRow(const QString& storyFile, LibraryRow& row)
{
    // Only a regular file: a pipe or a device would block the scan.
    QFile file(storyFile);
    if (!QFileInfo(storyFile).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    // Only the header is needed: read a bounded prefix, enough for the header lines.
    LineReader reader(fromUtf16Le(file.read(64 * 1024)));
    row = LibraryRow();
    row.path = storyFile;
    while (const auto read = reader.readKeyLine()) {
        const QString& line = *read;
        if (line.startsWith(QLatin1String("SC_FINISHED")))
            break;
        if (line.startsWith(QLatin1String("SC_TITLE="))) {
            row.title = text::cut(line.mid(9), capacity::Title);
        } else if (line.startsWith(QLatin1String("SC_DATE="))) {
            row.saveTime = leadingInt(QStringView(line).mid(8)).value_or(0);
            row.dateText = saveTimeText(QDateTime::fromSecsSinceEpoch(row.saveTime));
        } else if (line.startsWith(QLatin1String("SC_SLIDES="))) {
            row.slides = leadingInt(QStringView(line).mid(10)).value_or(0);
            row.slidesText = QString::number(row.slides);
        } else if (line.startsWith(QLatin1String("SC_TYPE="))) {
            row.type = leadingInt(QStringView(line).mid(8)).value_or(1);
            row.typeName = storyTypeName(row.type);
        } else if (line.startsWith(QLatin1String("SC_LENGTH="))) {
            // A negative length is damage; it is shown and sorted as none.
            row.length = std::max(leadingInt(QStringView(line).mid(10)).value_or(0), 0);
            row.lengthText = text::formatDuration(row.length);
        }
    }
    if (row.title.isEmpty())
        row.title = QStringLiteral("No title");
    return true;
}

void StoryLibrary::open()
{
    m_rows.clear();
    QDir save(m_saveFolder);
    const QStringList folders = save.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : folders) {
        QDir dir(save.filePath(folder));
        // A save cut short after its story file was written is finished before it is listed.
        SaveTransaction::finishInterruptedIn(dir.path());
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        for (const QString& name : files) {
            if (!name.endsWith(QLatin1String(".sld")))
                continue;
            LibraryRow row;
            if (readRow(dir.filePath(name), row))
                m_rows.append(row);
            break;
        }
    }
    sortBy(Date);
    m_switches.descending[Date] = true;
}

void StoryLibrary::clickHeader(int column)
{
    if (column < 0 || column > Date)
        return;
    m_switches.descending[size_t(column)] = !m_switches.descending[size_t(column)];
    sortBy(column);
}

void StoryLibrary::sortBy(int column)
{
    const bool descending = m_switches.descending[size_t(column)];
    auto key = [column](const LibraryRow& r) -> qint64 {
        switch (column) {
        case Type:
            return r.type;
        case Slides:
            return r.slides;
        case Length:
            return r.length;
        default:
            return r.saveTime;
        }
    };
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const LibraryRow& a, const LibraryRow& b) {
        if (column == Title) {
            const int c = QString::compare(a.title, b.title, Qt::CaseSensitive);
            return descending ? c > 0 : c < 0;
        }
        return descending ? key(a) > key(b) : key(a) < key(b);
    });
}

QString StoryLibrary::pathToLoad(int row, const Story& story) const
{
    if (row < 0 || row >= rowCount())
        return {};
    if (story.runningImports() > 0 || story.mp3Position() != -1)
        return {};
    return m_rows[row].path;
}

bool StoryLibrary::deleteRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    QDir folder(QFileInfo(m_rows[row].path).absolutePath());
    const QStringList files = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : files)
        folder.remove(name);
    const QString name = folder.dirName();
    if (folder.cdUp())
        folder.rmdir(name);
    m_rows.removeAt(row);
    return true;
}
