#include "story/storyfile.h"

#include "story/linereader.h"
#include "story/pictureimportservice.h"
#include "story/story.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <filesystem>
#include <vector>

namespace {

constexpr int EscapeLimit = 1024;

QString line(const char* key, const QString& value)
{
    return QLatin1String(key) + value + QLatin1Char('\n');
}

QString line(const char* key, qint64 value)
{
    return QLatin1String(key) + QString::number(value) + QLatin1Char('\n');
}

//! A media copy made under a temporary name, renamed into place once everything is written.
struct PendingCopy
{
    QString temporary;
    QString final;
};

bool copyToTemporary(const QString& from, const QString& to, std::vector<PendingCopy>& pending, QString& error)
{
    const QString temporary = to + QStringLiteral(".part");
    QFile::remove(temporary);
    if (!QFile::copy(from, temporary)) {
        error = QStringLiteral("Could not write %1.").arg(QDir::toNativeSeparators(to));
        QFile::remove(temporary);
        return false;
    }
    pending.push_back({temporary, to});
    return true;
}

void discard(const std::vector<PendingCopy>& pending)
{
    for (const auto& p : pending)
        QFile::remove(p.temporary);
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

} // namespace

QString escapeTranscript(const QString& text)
{
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("|-"));
    return out;
}

QString escapeText(const QString& text)
{
    if (text.isEmpty() || text.size() >= EscapeLimit)
        return {};
    return escapeTranscript(text);
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

SaveResult saveStory(Story& story, const Clock& clock, SavedPictures remake)
{
    SaveResult result;
    result.time = clock.now();

    // A folder deleted since the last save (from the library, say) gets a fresh first save.
    QString storyFile = story.storyFilePath();
    QString folder;
    if (!storyFile.isEmpty() && QFileInfo(QFileInfo(storyFile).absolutePath()).isDir()) {
        folder = QFileInfo(storyFile).absolutePath();
    } else {
        const QString saveFolder = story.programFolder() + QStringLiteral("save/");
        QString stamp;
        folder = newStoryFolder(saveFolder, result.time, stamp);
        if (!QDir().mkpath(folder)) {
            result.error = QStringLiteral("Could not create the folder %1.").arg(QDir::toNativeSeparators(folder));
            return result;
        }
        storyFile = folder + QLatin1Char('/') + stamp + QStringLiteral(".sld");
    }

    // The saved pictures carry each slide's rotation.
    QList<Slide*> pictures;
    for (int i = 0; i < story.count(); ++i)
        if (story.slideAt(i)->kind() == SlideKind::Picture)
            pictures.append(story.slideAt(i));
    if (remake == SavedPictures::Remake && story.importer() && !pictures.isEmpty())
        story.importer()->reprocess(story, pictures);

    QString content;
    content += line("SC_TITLE=", story.title());
    content += line("SC_DATE=", result.time.toSecsSinceEpoch());
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
    content += escapeTranscript(story.transcript()) + QLatin1Char('\n');
    content += line("SC_TRANSCRIPT_PUBLISH=", story.transcriptPublish() ? 1 : 0);
    content += QStringLiteral("SC_FINISHED\n");

    std::vector<PendingCopy> pending;
    QStringList staleCopies;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        const QString key = QStringLiteral("S%1_").arg(i);
        content += key + QStringLiteral("CAPTION=") + escapeText(s.caption()) + QLatin1Char('\n');
        content += key + QStringLiteral("TAGS=") + s.tags() + QLatin1Char('\n');
        content += key + QStringLiteral("DURATION=") + QString::number(s.narrationLength()) + QLatin1Char('\n');
        content += key + QStringLiteral("TYPE=") + QString::number(int(s.kind())) + QLatin1Char('\n');
        content += key + QStringLiteral("CUE=") + QString::number(s.cueText().size()) + QLatin1Char('\n');
        if (!s.cueText().isEmpty())
            content += escapeText(s.cueText()) + QLatin1Char('\n');

        const QString picture = folder + QStringLiteral("/%1.jpg").arg(i);
        if (QFileInfo::exists(s.slideJpegPath())) {
            if (!copyToTemporary(s.slideJpegPath(), picture, pending, result.error)) {
                discard(pending);
                return result;
            }
        } else {
            staleCopies << picture; // an earlier save's picture at this place is not this slide's
        }
        content += key + QStringLiteral("IMAGE_PATH=") + picture + QLatin1Char('\n');

        QString narration;
        if (s.narrationLength() > 0) {
            narration = folder + QStringLiteral("/%1.wav").arg(i);
            if (QFileInfo::exists(s.narrationWavPath())) {
                if (!copyToTemporary(s.narrationWavPath(), narration, pending, result.error)) {
                    discard(pending);
                    return result;
                }
            } else {
                staleCopies << narration;
            }
        }
        content += key + QStringLiteral("AUDIO_PATH=") + narration + QLatin1Char('\n');
        content += QStringLiteral("S_FINISHED\n");
    }

    QSaveFile file(storyFile);
    const QByteArray bytes = toUtf16Le(content);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        result.error = QStringLiteral("Could not write %1.").arg(QDir::toNativeSeparators(storyFile));
        file.cancelWriting();
        discard(pending);
        return result;
    }
    for (const auto& p : pending) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(p.temporary).toStdString(),
                                QFile::encodeName(p.final).toStdString(), ec);
    }
    for (const QString& stale : staleCopies)
        QFile::remove(stale);
    if (!file.commit()) {
        result.error = QStringLiteral("Could not write %1.").arg(QDir::toNativeSeparators(storyFile));
        return result;
    }

    story.setStoryFilePath(storyFile);
    result.storyFile = storyFile;
    result.ok = true;
    return result;
}
