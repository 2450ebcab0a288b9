#include "publish/publishchecks.h"

#include "shell/useraccount.h"
#include "story/story.h"
#include "story/text.h"

namespace {

QString podcastTooLong(int total)
{
    const int over = total - MaxPodcastSeconds;
    const QString duration = text::formatDuration(total);
    if (over >= 60)
        return QString::asprintf(
            " - Podcast too long, duration %s\r\n     %d minutes %d seconds over 15 minute max\r\n",
            qPrintable(duration), over / 60, over % 60);
    return QString::asprintf(" - Podcast too long, duration %s\r\n     %d seconds over 15 minute max\r\n",
                             qPrintable(duration), over);
}

} // namespace

QString noErrorsText()
{
    return QStringLiteral(" - No errors found\r\n");
}

CheckReport runPublishChecks(const Story& story, const UserAccount& account)
{
    CheckReport r;
    const int type = story.type();
    const bool picture = type == int(StoryType::Picture);
    const bool podcast = type == int(StoryType::Podcast);

    // Stories of the older types are only ever read from files: the service takes neither.
    if (!picture && !podcast)
        r.text +=
            QStringLiteral(" - This kind of Pictorelle cannot be published; make a new Pictorelle or Podcast\r\n");
    if (picture && story.count() < 1)
        r.text += QString::asprintf(" - At least %d slide needed\r\n", 1);
    if (podcast && story.count() < 1)
        r.text += QStringLiteral(" - At least 1 slide needed\r\n");
    if (podcast && story.totalLength() > MaxPodcastSeconds)
        r.text += podcastTooLong(story.totalLength());

    const auto info = [&r](bool missing, const char* line) {
        if (missing) {
            r.text += QLatin1String(line);
            r.infoProblem = true;
        }
    };
    info(story.title().isEmpty(), " - Pictorelle TITLE required\r\n");
    info(story.description().isEmpty(), " - Pictorelle DESCRIPTION required\r\n");
    info(story.categoryId() == 0, " - Pictorelle CATEGORY required\r\n");
    info(story.tags().isEmpty(), " - Pictorelle TAG required\r\n");

    for (int i = 0; i < story.count(); ++i)
        if (story.slideAt(i)->narrationLength() == 0)
            r.text += QString::asprintf(" - Slide %d:  missing audio recording\r\n", i + 1);

    if (podcast && story.transcriptPublish() && story.transcript().toUtf8().size() > MaxTranscriptBytes)
        r.text += QStringLiteral(" - Transcript too long to publish (at most 299,999 bytes)\r\n");

    if (account.userName().isEmpty())
        r.text += QStringLiteral(" - USERNAME required, see Settings -> Program Settings -> User Settings\r\n");
    if (account.password().isEmpty())
        r.text += QStringLiteral(" - PASSWORD required, see Settings -> Program Settings -> User Settings\r\n");
    return r;
}
