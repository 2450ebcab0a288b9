#include "story/storysave.h"

#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/story.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

//! The folder of a first save: save folder + stamp, with "-2", "-3", … when taken.
QString newStoryFolder(const QString& saveFolder, const QDateTime& time, QString& stamp)
{
    const QString base = saveStamp(time);
    stamp = base;
    for (int n = 2; QFileInfo::exists(saveFolder + stamp); ++n)
        stamp = base + QStringLiteral("-%1").arg(n);
    return saveFolder + stamp;
}

QString notSaved(const QString& why)
{
    return QStringLiteral("The Pictorelle could not be saved. %1\n\nYour earlier saves are unchanged.").arg(why);
}

//! Makes the folder of a first save, and only that one: a folder of that name made meanwhile
//! belongs to another save. Empty when made, else why not.
QString makeFolder(const QString& folder)
{
    const std::filesystem::path path(QFile::encodeName(folder).toStdString());
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (!ec && !std::filesystem::create_directory(path, ec) && !ec)
        ec = std::make_error_code(std::errc::file_exists);
    if (!ec && QFileInfo(folder).isDir())
        return {};
    return QStringLiteral("The folder %1 could not be created: %2.")
        .arg(QDir::toNativeSeparators(folder),
             ec ? QString::fromStdString(ec.message()) : QStringLiteral("not a folder"));
}

//! Stages every media copy; false at the first that fails.
bool stageMedia(const std::vector<StorySave::MediaCopy>& media, SaveTransaction& transaction)
{
    for (const StorySave::MediaCopy& copy : media) {
        // An earlier save's copy at a place whose slide has no file is not this slide's.
        const bool staged = QFileInfo::exists(copy.from) ? transaction.stageCopy(copy.from, copy.to)
                                                         : transaction.stageRemoval(copy.to);
        if (!staged)
            return false;
    }
    return true;
}

} // namespace

StorySave takeStoryForSave(const Story& story, const QDateTime& time)
{
    StorySave save;
    save.time = time;
    // A folder deleted since the last save (from the library, say) gets a fresh first save.
    const QString earlier = story.storyFilePath();
    if (!earlier.isEmpty() && QFileInfo(QFileInfo(earlier).absolutePath()).isDir()) {
        save.folder = QFileInfo(earlier).absolutePath();
        save.storyFile = earlier;
    } else {
        QString stamp;
        save.folder = newStoryFolder(story.programFolder() + QStringLiteral("save/"), time, stamp);
        save.firstSave = true;
        save.storyFile = save.folder + QLatin1Char('/') + stamp + QStringLiteral(".sld");
    }

    std::vector<SlideMedia> named;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        const QString picture = save.folder + QStringLiteral("/%1.jpg").arg(i);
        save.media.push_back({s.slideJpegPath(), picture});
        named.push_back({picture, {}});
        if (s.narrationLength() > 0) {
            const QString narration = save.folder + QStringLiteral("/%1.wav").arg(i);
            save.media.push_back({s.narrationWavPath(), narration});
            named.back().narration = narration;
        }
    }
    save.storyFileBytes = toUtf16Le(storyFileText(story, time.toSecsSinceEpoch(), named));
    return save;
}

SaveResult writeStorySave(const StorySave& save)
{
    SaveResult result;
    result.time = save.time;
    if (save.firstSave) {
        const QString why = makeFolder(save.folder);
        if (!why.isEmpty()) {
            result.error = notSaved(why);
            return result;
        }
    }

    QString why;
    bool committed = false;
    {
        SaveTransaction transaction(save.storyFile);
        if (!stageMedia(save.media, transaction)) {
            why = transaction.error();
        } else {
            committed = transaction.commit(save.storyFileBytes);
            if (!committed) {
                why = transaction.error();
                committed = transaction.committed();
            }
        }
    }
    if (!committed) {
        result.error = notSaved(why);
        // A first save that fails leaves no empty folder behind.
        if (save.firstSave)
            QDir().rmdir(save.folder);
        return result;
    }
    result.storyFile = save.storyFile;
    // The new save stands; what is left to move in place is done by the next save or load.
    result.error = why;
    result.ok = why.isEmpty();
    return result;
}

void applyStorySave(Story& story, const SaveResult& result)
{
    if (!result.storyFile.isEmpty())
        story.setStoryFilePath(result.storyFile);
}
