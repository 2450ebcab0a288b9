#include "story/linereader.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr int LongestCue = 20000;

//! The values of one slide block; every block starts from these defaults.
struct SlideBlock
{
    QString caption;
    QString tags;
    int duration = 0;
    int kind = int(SlideKind::Picture);
    QString cue;
    QString imagePath;
    QString audioPath;
};

bool startsWith(const QString& line, const QString& key, QString& value)
{
    if (!line.startsWith(key))
        return false;
    value = line.mid(key.size());
    return true;
}

//! The media file named in the story file, or the file of the same name beside the
//! story file when the story folder was moved or copied since.
QString findMedia(const QString& named, const QString& storyFile)
{
    if (named.isEmpty())
        return {};
    if (QFileInfo(named).isFile())
        return named;
    const QString beside = QFileInfo(storyFile).absolutePath() + QLatin1Char('/') + QFileInfo(named).fileName();
    return QFileInfo(beside).isFile() ? beside : QString();
}

bool replaceWithCopy(const QString& from, const QString& to)
{
    QFile::remove(to);
    return !from.isEmpty() && QFile::copy(from, to);
}

void buildSlide(Story& story, const SlideBlock& block, int number, const QString& storyFile, LoadReport& report)
{
    auto slide = std::make_unique<Slide>(story);
    slide->setCaption(block.caption);
    slide->setTags(block.tags);
    slide->setNarrationLength(block.duration);
    slide->setKind(SlideKind(block.kind));
    slide->setCueText(block.cue);

    const QString working = story.workingFolder();
    const QString id = QString::number(slide->id());
    const QString picture = findMedia(block.imagePath, storyFile);
    const QString pictureCopy = working + id + QStringLiteral(".jpg");
    const bool pictureCopied = replaceWithCopy(picture, pictureCopy);
    if (!pictureCopied && slide->kind() == SlideKind::Picture)
        report.warnings << QStringLiteral("Slide %1: picture %2 is missing.").arg(number).arg(block.imagePath);
    slide->setSourcePicturePath(pictureCopy);

    const QString narration = findMedia(block.audioPath, storyFile);
    const QString narrationCopy = working + id + QStringLiteral(".wav");
    const bool narrationCopied = replaceWithCopy(narration, narrationCopy);

    Slide& added = *slide;
    if (!story.add(std::move(slide))) {
        report.warnings << QStringLiteral("Slide %1 was not added: a story holds at most %2 slides.")
                               .arg(number)
                               .arg(Story::MaxSlides);
        return;
    }
    ++report.slidesAdded;
    added.setNarrationWavPath(narrationCopy);
    if (block.duration > 0) {
        if (narrationCopied) {
            added.setHasNarration(true);
        } else {
            // Without its recording the slide is shown and published as silent.
            report.warnings << QStringLiteral("Slide %1: narration %2 is missing.").arg(number).arg(block.audioPath);
            added.setNarrationLength(0);
        }
    }
}

} // namespace

LoadReport loadStory(const QString& path, Story& story)
{
    LoadReport report;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report;
    report.opened = true;
    LineReader reader(fromUtf16Le(file.readAll()));
    file.close();

    story.takeSlideId(); // slides take ids 1, 2, 3, … in file order, as the copies are named
    story.setStoryFilePath(path);

    bool headerMode = true;
    int k = 0;
    SlideBlock block;
    while (auto read = reader.readLine()) {
        const QString& line = *read;
        QString value;
        if (headerMode) {
            if (startsWith(line, QStringLiteral("SC_TITLE="), value)) {
                story.setTitle(value);
            } else if (startsWith(line, QStringLiteral("SC_TYPE="), value)) {
                if (auto n = leadingInt(value))
                    story.setType(*n);
            } else if (startsWith(line, QStringLiteral("SC_CATEGORY_ID="), value)) {
                if (auto n = leadingInt(value))
                    story.setCategoryId(*n);
            } else if (startsWith(line, QStringLiteral("SC_CATEGORY_NAME="), value)) {
                story.setCategoryName(value);
            } else if (startsWith(line, QStringLiteral("SC_DESCRIPTION="), value)) {
                story.setDescription(unescapeText(text::cut(value, capacity::Description)));
            } else if (startsWith(line, QStringLiteral("SC_TAGS="), value)) {
                story.setTags(value);
            } else if (startsWith(line, QStringLiteral("SC_UNIQUE_ID="), value)) {
                if (auto n = leadingInt(value))
                    story.setUniqueId(*n);
            } else if (startsWith(line, QStringLiteral("SC_OWNER="), value)) {
                story.setOwner(value);
            } else if (startsWith(line, QStringLiteral("SC_TRANSCRIPT="), value)) {
                const int n = leadingInt(value).value_or(0);
                if (n < 0)
                    report.warnings << QStringLiteral("The transcript length %1 is invalid; no transcript was read.").arg(n);
                const QString transcript = reader.readChars(std::max(n, 0));
                if (transcript.size() < n)
                    report.warnings << QStringLiteral("The transcript is shorter than its stated length.");
                story.setTranscript(unescapeText(transcript));
            } else if (startsWith(line, QStringLiteral("SC_TRANSCRIPT_PUBLISH="), value)) {
                story.setTranscriptPublish(leadingInt(value).value_or(0) != 0);
            } else if (line.startsWith(QStringLiteral("SC_FINISHED"))) {
                headerMode = false;
            }
            continue;
        }

        const QString key = QStringLiteral("S%1_").arg(k);
        if (startsWith(line, key + QStringLiteral("CAPTION="), value)) {
            block.caption = unescapeText(text::cut(value, capacity::Caption));
        } else if (startsWith(line, key + QStringLiteral("TAGS="), value)) {
            block.tags = value;
        } else if (startsWith(line, key + QStringLiteral("DURATION="), value)) {
            block.duration = std::max(leadingInt(value).value_or(0), 0);
        } else if (startsWith(line, key + QStringLiteral("TYPE="), value)) {
            block.kind = leadingInt(value).value_or(0);
        } else if (startsWith(line, key + QStringLiteral("CUE="), value)) {
            const int c = leadingInt(value).value_or(0);
            if (c > 0 && c < LongestCue) {
                if (auto cue = reader.readLine(c + 1))
                    block.cue = unescapeText(*cue);
            } else {
                block.cue.clear();
            }
        } else if (startsWith(line, key + QStringLiteral("IMAGE_PATH="), value)) {
            block.imagePath = value;
        } else if (startsWith(line, key + QStringLiteral("AUDIO_PATH="), value)) {
            block.audioPath = value;
        } else if (line.startsWith(QStringLiteral("S_FINISHED"))) {
            ++k;
            ++report.slidesRead;
            buildSlide(story, block, k, path, report);
            block = SlideBlock();
        }
    }
    if (!headerMode && block.imagePath.size() + block.caption.size() + block.audioPath.size() > 0)
        report.warnings << QStringLiteral("The last slide block is incomplete and was not loaded.");
    return report;
}
