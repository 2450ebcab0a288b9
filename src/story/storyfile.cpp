#include "story/storyfile.h"

#include "story/pictureimportservice.h"
#include "story/story.h"
#include "story/storysave.h"

#include <QFileInfo>
#include <QLocale>

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
                          "You can load the Pictorelle with the File -> Load Pictorelle command.")
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
    const QDateTime time = clock.now();
    // The saved pictures carry each slide's rotation; a slide JPEG made with it already is
    // not made again (each remake would also lose a little to the JPEG encoder).
    QList<Slide*> pictures;
    for (int i = 0; i < story.count(); ++i) {
        Slide* s = story.slideAt(i);
        if (s->kind() == SlideKind::Picture && !(s->isJpegCurrent() && QFileInfo::exists(s->slideJpegPath())))
            pictures.append(s);
    }
    if (remake == SavedPictures::Remake && story.importer() && !pictures.isEmpty())
        story.importer()->reprocess(story, pictures);

    const SaveResult result = writeStorySave(takeStoryForSave(story, time));
    applyStorySave(story, result);
    return result;
}
