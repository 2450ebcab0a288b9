#include "cli/clistory.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/storytypes.h"
#include "story/text.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject slideJson(const Slide& s)
{
    QJsonObject o;
    o["id"] = s.id();
    o["kind"] = int(s.kind());
    o["caption"] = s.caption();
    o["tags"] = s.tags();
    o["duration"] = s.narrationLength();
    o["has_narration"] = s.hasNarration();
    o["cue"] = s.cueText();
    o["ready"] = s.isReady();
    if (s.picture().isNull())
        o["picture"] = QJsonValue::Null;
    else
        o["picture"] = QJsonObject{{"width", s.picture().width()}, {"height", s.picture().height()}};
    o["slide_jpeg"] = s.slideJpegPath();
    o["thumbnail_jpeg"] = s.thumbnailJpegPath();
    o["narration_wav"] = s.narrationWavPath();
    return o;
}

QJsonObject storyJson(Story& story)
{
    QJsonObject o;
    o["title"] = story.title();
    o["description"] = story.description();
    o["tags"] = story.tags();
    o["type"] = story.type();
    o["category_id"] = story.categoryId();
    o["category_name"] = story.categoryName();
    o["unique_id"] = story.uniqueId();
    o["owner"] = story.owner();
    o["transcript"] = story.transcript();
    o["transcript_publish"] = story.transcriptPublish();
    o["total_length"] = story.totalLength();
    o["file"] = story.storyFilePath();
    QJsonArray slides;
    for (int i = 0; i < story.count(); ++i)
        slides.append(slideJson(*story.slideAt(i)));
    o["slides"] = slides;
    return o;
}

//! Multi-line texts shown on one line, with their breaks visible.
QString flat(const QString& s)
{
    QString out = s;
    return out.replace(QLatin1String("\r\n"), QLatin1String(" / "));
}

void printText(QTextStream& out, Story& story)
{
    out << "Title:       " << (story.title().isEmpty() ? QStringLiteral("No title") : story.title()) << "\n";
    out << "Type:        " << story.type() << " (" << storyTypeName(story.type()) << ")\n";
    out << "Category:    " << story.categoryName() << " [" << story.categoryId() << "]\n";
    out << "Description: " << flat(story.description()) << "\n";
    out << "Tags:        " << story.tags() << "\n";
    out << "Length:      " << text::formatDuration(story.totalLength()) << "\n";
    out << "Published:   " << (story.uniqueId() == -1 ? QStringLiteral("never") : QString::number(story.uniqueId()))
        << "\n";
    if (story.isPodcast())
        out << "Transcript:  " << flat(story.transcript()) << (story.transcriptPublish() ? " (published)" : "") << "\n";
    out << "Slides:      " << story.count() << "\n";
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        out << QStringLiteral("  %1. ").arg(i + 1);
        if (s.kind() == SlideKind::Picture) {
            const QImage p = s.picture();
            out << (p.isNull() ? QStringLiteral("no picture")
                               : QStringLiteral("%1 x %2").arg(p.width()).arg(p.height()));
        } else {
            out << "segment";
        }
        out << ", " << (s.hasNarration() ? text::formatDuration(s.narrationLength()) : QStringLiteral("no narration"));
        if (!s.caption().isEmpty())
            out << ", \"" << flat(s.caption()) << "\"";
        if (!s.tags().isEmpty())
            out << ", tags " << s.tags();
        if (!s.cueText().isEmpty())
            out << ", cue \"" << flat(s.cueText()) << "\"";
        out << "\n";
    }
}

} // namespace

static int runShow(CliContext& ctx, QStringList args)
{
    bool json = false;
    const QString path = takeStoryArguments(
        args, [&json](const QString& a, QStringList&) { return a == QLatin1String("--json") && (json = true); });
    const auto loaded = loadCliStory(ctx, path, "show");
    if (!loaded)
        return exitcode::Failed;
    Story& story = loaded->story;
    if (json)
        ctx.out << QJsonDocument(storyJson(story)).toJson(QJsonDocument::Indented);
    else
        printText(ctx.out, story);
    return exitcode::Ok;
}

static const CliRegistration registration("show", runShow,
                                          "  show STORY.sld [--json]        Loads a story and prints it.\n");
