#include "story/storyfile.h"

#include "story/linereader.h"
#include "story/pictureimportservice.h"
#include "story/savetransaction.h"
#include "story/story.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <filesystem>
#include <vector>

namespace {

QString line(const char* key, const QString& value)
{
    return QLatin1String(key) + value + QLatin1Char('\n');
}

QString line(const char* key, qint64 value)
{
    return QLatin1String(key) + QString::number(value) + QLatin1Char('\n');
}

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

//! Stages every slide's picture and narration copy; false at the first that fails.
bool stageMedia(const Story& story, const QString& folder, SaveTransaction& save, std::vector<SlideMedia>& media)
{
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        const QString picture = folder + QStringLiteral("/%1.jpg").arg(i);
        // An earlier save's copy at a place whose slide has no file is not this slide's.
        const bool staged = QFileInfo::exists(s.slideJpegPath()) ? save.stageCopy(s.slideJpegPath(), picture)
                                                                 : save.stageRemoval(picture);
        if (!staged)
            return false;
        media.push_back({picture, {}});
        if (s.narrationLength() > 0) {
            const QString narration = folder + QStringLiteral("/%1.wav").arg(i);
            const bool narrationStaged = QFileInfo::exists(s.narrationWavPath())
                                             ? save.stageCopy(s.narrationWavPath(), narration)
                                             : save.stageRemoval(narration);
            if (!narrationStaged)
                return false;
            media.back().narration = narration;
        }
    }
    return true;
}

} // namespace

QString escapeText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("|-"));
    return out;
}

QString unescapeText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("|-"), QLatin1String("\r\n"));
    return out;
}

QString saveStamp(const QDateTime& time)
{
    return QLocale(QLocale::English).toString(time, QStringLiteral("MMM.dd.yyyy_hh.mmAP-ss"));
}

QString saveTimeText(const QDateTime& time)
{
    return QLocale(QLocale::English).toString(time, QStringLiteral("MMM dd yyyy hh:mmAP"));
}

QString saveConfirmationCaption()
{
    return QStringLiteral("File -> Save");
}

QString saveConfirmationText(const QString& title, const QDateTime& time)
{
    return QStringLiteral("Your Pictorelle was saved as:\n\n%1\n\nTime:  %2\n\n"
                          "You can load the Pictorelle with the File -> Load Message command.")
        .arg(title.isEmpty() ? QStringLiteral("No title") : title, saveTimeText(time));
}

QString storyFileText(const Story& story, qint64 saveTime, const std::vector<SlideMedia>& media)
{
    QString content;
    content += line("SC_TITLE=", story.title());
    content += line("SC_DATE=", saveTime);
    content += line("SC_SLIDES=", story.count());
    content += line("SC_TYPE=", story.type());
    content += line("SC_LENGTH=", story.totalLength());
    content += line("SC_CATEGORY_ID=", story.categoryId());
    content += line("SC_CATEGORY_NAME=", story.categoryName());
    content += line("SC_DESCRIPTION=", escapeText(story.description()));
    content += line("SC_TAGS=", story.tags());
    content += line("SC_VERSION=", QStringLiteral("1.0"));
    content += line("SC_UNIQUE_ID=", story.uniqueId());
    content += line("SC_OWNER=", story.owner());
    content += line("SC_TRANSCRIPT=", story.transcript().size());
    content += escapeText(story.transcript()) + QLatin1Char('\n');
    content += line("SC_TRANSCRIPT_PUBLISH=", story.transcriptPublish() ? 1 : 0);
    content += QStringLiteral("SC_FINISHED\n");

    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        const QString key = QStringLiteral("S%1_").arg(i);
        content += key + QStringLiteral("CAPTION=") + escapeText(s.caption()) + QLatin1Char('\n');
        content += key + QStringLiteral("TAGS=") + s.tags() + QLatin1Char('\n');
        content += key + QStringLiteral("DURATION=") + QString::number(s.narrationLength()) + QLatin1Char('\n');
        content += key + QStringLiteral("TYPE=") + QString::number(int(s.kind())) + QLatin1Char('\n');
        content += key + QStringLiteral("CUE=") + QString::number(s.cueText().size()) + QLatin1Char('\n');
        // The escape keeps the length, so the reader's C + 1 characters take the whole cue line.
        if (!s.cueText().isEmpty())
            content += escapeText(s.cueText()) + QLatin1Char('\n');
        const SlideMedia paths = size_t(i) < media.size() ? media[size_t(i)] : SlideMedia();
        content += key + QStringLiteral("IMAGE_PATH=") + paths.picture + QLatin1Char('\n');
        content += key + QStringLiteral("AUDIO_PATH=") + paths.narration + QLatin1Char('\n');
        content += QStringLiteral("S_FINISHED\n");
    }
    return content;
}

SaveResult saveStory(Story& story, const Clock& clock, SavedPictures remake)
{
    SaveResult result;
    result.time = clock.now();

    // A folder deleted since the last save (from the library, say) gets a fresh first save.
    QString storyFile = story.storyFilePath();
    QString folder;
    QString createdFolder;
    if (!storyFile.isEmpty() && QFileInfo(QFileInfo(storyFile).absolutePath()).isDir()) {
        folder = QFileInfo(storyFile).absolutePath();
    } else {
        const QString saveFolder = story.programFolder() + QStringLiteral("save/");
        QString stamp;
        folder = newStoryFolder(saveFolder, result.time, stamp);
        std::error_code ec;
        std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), ec);
        if (ec || !QFileInfo(folder).isDir()) {
            result.error = notSaved(QStringLiteral("The folder %1 could not be created: %2.")
                                        .arg(QDir::toNativeSeparators(folder), ec ? QString::fromStdString(ec.message())
                                                                                  : QStringLiteral("not a folder")));
            return result;
        }
        createdFolder = folder;
        storyFile = folder + QLatin1Char('/') + stamp + QStringLiteral(".sld");
    }
    // The saved pictures carry each slide's rotation.
    QList<Slide*> pictures;
    for (int i = 0; i < story.count(); ++i)
        if (story.slideAt(i)->kind() == SlideKind::Picture)
            pictures.append(story.slideAt(i));
    if (remake == SavedPictures::Remake && story.importer() && !pictures.isEmpty())
        story.importer()->reprocess(story, pictures);

    QString why;
    bool committed = false;
    {
        SaveTransaction save(storyFile);
        std::vector<SlideMedia> media;
        if (!stageMedia(story, folder, save, media)) {
            why = save.error();
        } else {
            committed = save.commit(toUtf16Le(storyFileText(story, result.time.toSecsSinceEpoch(), media)));
            if (!committed) {
                why = save.error();
                committed = save.committed();
            }
        }
    }
    if (!committed) {
        result.error = notSaved(why);
        // A first save that fails leaves no empty folder behind.
        if (!createdFolder.isEmpty())
            QDir().rmdir(createdFolder);
        return result;
    }
    if (!why.isEmpty()) {
        // The new save stands; what is left to move in place is done by the next save or load.
        story.setStoryFilePath(storyFile);
        result.storyFile = storyFile;
        result.error = why;
        return result;
    }

    story.setStoryFilePath(storyFile);
    result.storyFile = storyFile;
    result.ok = true;
    return result;
}
