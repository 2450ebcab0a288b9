#include "story/storyload.h"
#include "story/linereader.h"
#include "story/savetransaction.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "story/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <utility>

namespace {

constexpr int LongestCue = 20000;
//! No slide kind records longer narrations; a larger value is damage and would overflow sums.
const int LongestNarration = longestNarration(SlideKind::Segment);
//! Far beyond the largest story the program writes (a 50-slide story with every text full
//! is about 2.5 MB): a bigger file is no story and is not read into memory.
constexpr qint64 LargestStoryFile = 64 * 1024 * 1024;

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
    //! The path line was longer than a read (a long program folder): the path is incomplete.
    bool imagePathCut = false;
    bool audioPathCut = false;
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
QString findMedia(const QString& named, const QString& storyFile, MediaLookup lookup)
{
    if (named.isEmpty())
        return {};
    const QString beside = QFileInfo(storyFile).absolutePath() + QLatin1Char('/') + QFileInfo(named).fileName();
    if (lookup == MediaLookup::BesideStoryFileFirst && QFileInfo(beside).isFile())
        return beside;
    if (QFileInfo(named).isFile())
        return named;
    return QFileInfo(beside).isFile() ? beside : QString();
}

//! A path cut short by the line length names no file: the copy at the slide's place
//! ("<position>.jpg" / "<position>.wav") beside the story file is the one it named.
QString findCutMedia(const QString& storyFile, int position, const char* suffix)
{
    const QString beside =
        QFileInfo(storyFile).absolutePath() + QStringLiteral("/%1").arg(position) + QLatin1String(suffix);
    return QFileInfo(beside).isFile() ? beside : QString();
}

//! Copies a found media file into the staging folder as "<number><suffix>"; the found file
//! itself when there is no staging folder or the copy failed (it is then copied in place).
void stage(const QString& found, QTemporaryDir* staging, int number, const char* suffix, QString& media, bool& staged)
{
    media = found;
    staged = false;
    if (found.isEmpty() || !staging)
        return;
    const QString copy = staging->filePath(QString::number(number) + QLatin1String(suffix));
    if (QFile::copy(found, copy)) {
        media = copy;
        staged = true;
    }
}

//! The slide as its block read, its media found and copied aside.
LoadedSlide readSlide(const SlideBlock& block, int number, const QString& storyFile, MediaLookup lookup,
                      QTemporaryDir* staging)
{
    LoadedSlide slide;
    slide.caption = block.caption;
    slide.tags = block.tags;
    slide.duration = block.duration;
    slide.kind = block.kind;
    slide.cue = block.cue;
    slide.imagePath = block.imagePath;
    slide.audioPath = block.audioPath;
    const QString picture = block.imagePathCut ? findCutMedia(storyFile, number - 1, ".jpg")
                                               : findMedia(block.imagePath, storyFile, lookup);
    stage(picture, staging, number, ".jpg", slide.picture, slide.pictureStaged);
    const QString narration = block.audioPathCut ? findCutMedia(storyFile, number - 1, ".wav")
                                                 : findMedia(block.audioPath, storyFile, lookup);
    stage(narration, staging, number, ".wav", slide.narration, slide.narrationStaged);
    return slide;
}

//! Puts a slide's media file at to: moved when it is the load's own copy, copied otherwise.
bool place(const QString& from, bool staged, const QString& to)
{
    QFile::remove(to);
    if (from.isEmpty())
        return false;
    return (staged && QFile::rename(from, to)) || QFile::copy(from, to);
}

void buildSlide(Story& story, const LoadedSlide& loaded, int number, LoadReport& report)
{
    report.warnings << loaded.warnings;
    auto slide = std::make_unique<Slide>(story);
    slide->setCaption(loaded.caption);
    slide->setTags(loaded.tags);
    slide->setNarrationLength(loaded.duration);
    slide->setKind(SlideKind(loaded.kind));
    slide->setCueText(loaded.cue);

    const QString working = story.workingFolder();
    const QString id = QString::number(slide->id());
    const QString pictureCopy = working + id + QStringLiteral(".jpg");
    const bool pictureCopied = place(loaded.picture, loaded.pictureStaged, pictureCopy);
    if (!pictureCopied && slide->kind() == SlideKind::Picture)
        report.warnings << QStringLiteral("Slide %1: picture %2 is missing.").arg(number).arg(loaded.imagePath);
    slide->setSourcePicturePath(pictureCopy);

    const QString narrationCopy = working + id + QStringLiteral(".wav");
    const bool narrationCopied = place(loaded.narration, loaded.narrationStaged, narrationCopy);

    Slide& added = *slide;
    if (!story.add(std::move(slide))) {
        report.warnings << QStringLiteral("Slide %1 was not added: a story holds at most %2 slides.")
                               .arg(number)
                               .arg(Story::MaxSlides);
        return;
    }
    ++report.slidesAdded;
    added.setNarrationWavPath(narrationCopy);
    if (loaded.duration > 0) {
        if (narrationCopied) {
            added.setHasNarration(true);
        } else {
            // Without its recording the slide is shown and published as silent.
            report.warnings << QStringLiteral("Slide %1: narration %2 is missing.").arg(number).arg(loaded.audioPath);
            added.setNarrationLength(0);
        }
    }
}

//! A folder for the load's copies beside the working folder, so the story's reset, which
//! empties the working folder, leaves them; null when none can be made.
std::shared_ptr<QTemporaryDir> makeStaging(const QString& workingFolder)
{
    QString base = workingFolder;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    if (base.isEmpty())
        return nullptr;
    auto staging = std::make_shared<QTemporaryDir>(base + QStringLiteral("-load-XXXXXX"));
    if (!staging->isValid())
        return nullptr;
    return staging;
}

} // namespace

LoadedStory readStoryForLoad(const QString& path, const QString& workingFolder, MediaLookup lookup)
{
    LoadedStory loaded;
    loaded.path = path;
    LoadReport& report = loaded.report;
    // Only a regular file: a pipe or a device would block or never end.
    if (!QFileInfo(path).isFile())
        return loaded;
    if (QFileInfo(path).size() > LargestStoryFile) {
        report.warnings
            << QStringLiteral("The story file %1 is too large to be a story.").arg(QDir::toNativeSeparators(path));
        return loaded;
    }
    // A save cut short after its story file was written is finished before it is read.
    SaveTransaction::finishInterrupted(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return loaded;
    report.opened = true;
    LineReader reader(fromUtf16Le(file.readAll()));
    file.close();
    loaded.staging = makeStaging(workingFolder);

    bool headerMode = true;
    int k = 0;
    SlideBlock block;
    QStringList blockWarnings;
    bool cut = false;
    while (const auto read = reader.readKeyLine(&cut)) {
        const QString& line = *read;
        QString value;
        if (headerMode) {
            if (startsWith(line, QStringLiteral("SC_TITLE="), value)) {
                loaded.title = value;
            } else if (startsWith(line, QStringLiteral("SC_TYPE="), value)) {
                if (auto n = leadingInt(value))
                    loaded.type = *n;
            } else if (startsWith(line, QStringLiteral("SC_CATEGORY_ID="), value)) {
                if (auto n = leadingInt(value))
                    loaded.categoryId = *n;
            } else if (startsWith(line, QStringLiteral("SC_CATEGORY_NAME="), value)) {
                loaded.categoryName = value;
            } else if (startsWith(line, QStringLiteral("SC_DESCRIPTION="), value)) {
                loaded.description = unescapeText(text::cut(value, capacity::Description));
            } else if (startsWith(line, QStringLiteral("SC_TAGS="), value)) {
                loaded.tags = value;
            } else if (startsWith(line, QStringLiteral("SC_UNIQUE_ID="), value)) {
                if (auto n = leadingInt(value))
                    loaded.uniqueId = *n;
            } else if (startsWith(line, QStringLiteral("SC_OWNER="), value)) {
                loaded.owner = value;
            } else if (startsWith(line, QStringLiteral("SC_TRANSCRIPT="), value)) {
                const int n = leadingInt(value).value_or(0);
                if (n < 0)
                    report.warnings
                        << QStringLiteral("The transcript length %1 is invalid; no transcript was read.").arg(n);
                const QString transcript = reader.readChars(std::max(n, 0));
                if (transcript.size() < n)
                    report.warnings << QStringLiteral("The transcript is shorter than its stated length.");
                loaded.transcript = unescapeText(transcript);
            } else if (startsWith(line, QStringLiteral("SC_TRANSCRIPT_PUBLISH="), value)) {
                loaded.transcriptPublish = leadingInt(value).value_or(0) != 0;
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
            if (block.duration > LongestNarration) {
                blockWarnings << QStringLiteral("Slide %1: the narration length %2 s is damaged; %3 s is used.")
                                     .arg(k + 1)
                                     .arg(block.duration)
                                     .arg(LongestNarration);
                block.duration = LongestNarration;
            }
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
            block.imagePathCut = cut;
        } else if (startsWith(line, key + QStringLiteral("AUDIO_PATH="), value)) {
            block.audioPath = value;
            block.audioPathCut = cut;
        } else if (line.startsWith(QStringLiteral("S_FINISHED"))) {
            ++k;
            ++report.slidesRead;
            LoadedSlide slide = readSlide(block, k, path, lookup, loaded.staging.get());
            slide.warnings = std::exchange(blockWarnings, {});
            loaded.slides.push_back(std::move(slide));
            block = SlideBlock();
        }
    }
    loaded.trailingWarnings = blockWarnings;
    if (!headerMode && block.imagePath.size() + block.caption.size() + block.audioPath.size() > 0)
        loaded.trailingWarnings << QStringLiteral("The last slide block is incomplete and was not loaded.");
    return loaded;
}

LoadReport applyLoadedStory(Story& story, LoadedStory&& loaded)
{
    LoadReport report = loaded.report;
    if (!report.opened)
        return report;
    // A load replaces the story: it tells storyReset() once, when the slides are all in.
    const Story::Replacing replacing(story);
    story.reset();
    story.takeSlideId(); // slides take ids 1, 2, 3, … in file order, as the copies are named
    story.setStoryFilePath(loaded.path);
    if (loaded.title)
        story.setTitle(*loaded.title);
    if (loaded.type)
        story.setType(*loaded.type);
    if (loaded.categoryId)
        story.setCategoryId(*loaded.categoryId);
    if (loaded.categoryName)
        story.setCategoryName(*loaded.categoryName);
    if (loaded.description)
        story.setDescription(*loaded.description);
    if (loaded.tags)
        story.setTags(*loaded.tags);
    if (loaded.uniqueId)
        story.setUniqueId(*loaded.uniqueId);
    if (loaded.owner)
        story.setOwner(*loaded.owner);
    if (loaded.transcript)
        story.setTranscript(*loaded.transcript);
    if (loaded.transcriptPublish)
        story.setTranscriptPublish(*loaded.transcriptPublish);

    for (size_t i = 0; i < loaded.slides.size(); ++i)
        buildSlide(story, loaded.slides[i], int(i) + 1, report);
    report.warnings << loaded.trailingWarnings;
    // What was not moved into the working folder (slides the story refused) goes now.
    loaded.staging.reset();
    return report;
}

LoadReport loadStory(const QString& path, Story& story, MediaLookup lookup)
{
    return applyLoadedStory(story, readStoryForLoad(path, story.workingFolder(), lookup));
}
