#include "audio/mp3codec.h"
#include "audio/waveerrors.h"
#include "audio/wavefilesink.h"
#include "audio/waveinfo.h"
#include "cli/clicontext.h"
#include "pictures/pictureimporter.h"
#include "pictures/picturework.h"
#include "publish/backgroundpreparation.h"
#include "shell/categorychooser.h"
#include "shell/categorytree.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"
#include "story/story.h"
#include "story/storyfile.h"

#include <QFile>
#include <QFileInfo>

namespace {

struct SlideSpec
{
    QString picture;   //!< picture slides
    QString narration; //!< optional for pictures, the segment itself for podcasts
    QString caption;
    QString tags;
    QString cue;
    bool segment = false;
};

struct NewOptions
{
    bool podcast = false;
    QString title, description, tags, transcript;
    bool publishTranscript = false;
    int categoryId = 0;
    QList<SlideSpec> slides;
};

NewOptions parse(QStringList args)
{
    NewOptions o;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--podcast")) {
            o.podcast = true;
        } else if (a == QLatin1String("--title")) {
            o.title = takeValue(args, a);
        } else if (a == QLatin1String("--description")) {
            o.description = takeValue(args, a);
        } else if (a == QLatin1String("--tags")) {
            o.tags = takeValue(args, a);
        } else if (a == QLatin1String("--transcript")) {
            o.transcript = takeValue(args, a);
        } else if (a == QLatin1String("--publish-transcript")) {
            o.publishTranscript = true;
        } else if (a == QLatin1String("--category")) {
            bool ok = false;
            o.categoryId = takeValue(args, a).toInt(&ok);
            if (!ok || o.categoryId < 0)
                throw UsageError{QStringLiteral("--category needs a category id")};
        } else if (a == QLatin1String("--slide")) {
            o.slides.append({takeValue(args, a), {}, {}, {}, {}, false});
        } else if (a == QLatin1String("--segment")) {
            SlideSpec s;
            s.narration = takeValue(args, a);
            s.segment = true;
            o.slides.append(s);
        } else if (a == QLatin1String("--narration") || a == QLatin1String("--caption") ||
                   a == QLatin1String("--slide-tags") || a == QLatin1String("--cue")) {
            if (o.slides.isEmpty() || o.slides.last().segment)
                throw UsageError{QStringLiteral("%1 belongs to a --slide").arg(a)};
            SlideSpec& s = o.slides.last();
            QString& field = a == QLatin1String("--narration")    ? s.narration
                             : a == QLatin1String("--caption")    ? s.caption
                             : a == QLatin1String("--slide-tags") ? s.tags
                                                                  : s.cue;
            field = takeValue(args, a);
        } else {
            throw UsageError{QStringLiteral("unknown option \"%1\"").arg(a)};
        }
    }
    for (const SlideSpec& s : o.slides) {
        if (s.segment && !o.podcast)
            throw UsageError{QStringLiteral("--segment makes a podcast: add --podcast")};
        if (!s.segment && o.podcast)
            throw UsageError{QStringLiteral("a podcast holds --segment recordings, not --slide pictures")};
    }
    return o;
}

//! Checks a narration file; on success fills its length in seconds.
QString narrationProblem(const QString& path, int longest, int& seconds)
{
    const auto info = probeWaveFile(path);
    if (!info)
        return QStringLiteral("%1 is missing or not a readable WAV file").arg(path);
    if (!isNarrationFormat(*info))
        return QStringLiteral("%1 is not PCM 22050 Hz 16-bit mono (it is format %2, %3 Hz, %4-bit, %5 channels)")
            .arg(path)
            .arg(info->formatTag)
            .arg(info->samplesPerSecond)
            .arg(info->bitsPerSample)
            .arg(info->channels);
    seconds = narrationSeconds(info->dataSize);
    if (seconds > longest)
        return QStringLiteral("%1 is %2 s long; this slide holds at most %3 s").arg(path).arg(seconds).arg(longest);
    return {};
}

//! Writes the narration's samples under a plain 44-byte header, as a recording would.
bool copyNarration(const QString& from, const QString& to)
{
    const auto info = probeWaveFile(from);
    QFile in(from);
    if (!info || !in.open(QIODevice::ReadOnly) || !in.seek(info->dataOffset))
        return false;
    try {
        WaveFileSink sink(to, 22050, 16, 1);
        quint32 left = info->dataSize;
        while (left > 0) {
            const QByteArray chunk = in.read(std::min<quint32>(left, 1 << 20));
            if (chunk.isEmpty())
                return false;
            sink.write(chunk.constData(), quint32(chunk.size()));
            left -= quint32(chunk.size());
        }
        sink.close();
    } catch (const WaveErrors::FileOperation&) {
        return false;
    }
    return true;
}

} // namespace

static int runNew(CliContext& ctx, QStringList args)
{
    const NewOptions o = parse(args);

    QString categoryName;
    if (o.categoryId != 0) {
        if (const QString problem = programdata::categoryTableProblem(ctx.programFolder); !problem.isEmpty()) {
            ctx.err << "pictorelle-cli new: " << problem << "\n";
            return exitcode::Failed;
        }
        CategoryTree tree;
        tree.load(programfolder::categoryFile(ctx.programFolder));
        categoryName = categoryDisplayPath(tree, o.categoryId);
        if (categoryName.isEmpty())
            throw UsageError{QStringLiteral("category %1 is not in category.dat").arg(o.categoryId)};
    }
    QList<int> seconds(o.slides.size(), 0);
    for (qsizetype i = 0; i < o.slides.size(); ++i) {
        const SlideSpec& s = o.slides[i];
        if (s.narration.isEmpty())
            continue;
        const QString problem = narrationProblem(s.narration, s.segment ? 900 : 60, seconds[i]);
        if (!problem.isEmpty()) {
            ctx.err << "pictorelle-cli new: " << problem << "\n";
            return exitcode::Failed;
        }
    }

    PictureImporter importer;
    Story story(ctx.programFolder, &importer, nullptr, ctx.workingFolder());
    if (o.podcast)
        story.setType(int(StoryType::Podcast));
    story.setTitle(o.title);
    story.setDescription(o.description);
    story.setTags(o.tags);
    story.setTranscript(o.transcript);
    story.setTranscriptPublish(o.publishTranscript);
    if (o.categoryId != 0) {
        story.setCategoryId(o.categoryId);
        story.setCategoryName(categoryName);
    }

    QList<std::pair<Slide*, qsizetype>> added;
    for (qsizetype i = 0; i < o.slides.size(); ++i) {
        const SlideSpec& spec = o.slides[i];
        const QString label = spec.segment ? spec.narration : spec.picture;
        if (!spec.segment && !QFileInfo(spec.picture).isFile()) {
            ctx.err << "warning: " << spec.picture << " does not exist; slide skipped\n";
            continue;
        }
        if (!spec.segment && !hasPictureExtension(spec.picture)) {
            ctx.err << "warning: " << spec.picture
                    << " is not a picture this program reads (.jpg .jpeg .png .gif .bmp .tif .tiff); slide skipped\n";
            continue;
        }
        auto slide = std::make_unique<Slide>(story);
        if (spec.segment)
            slide->setKind(SlideKind::Segment);
        else
            slide->setSourcePicturePath(QFileInfo(spec.picture).absoluteFilePath());
        Slide* raw = slide.get();
        if (!story.add(std::move(slide))) {
            ctx.err << "warning: " << label
                    << (story.count() >= Story::MaxSlides ? " refused: a story holds at most 50 slides\n"
                                                          : " refused: this picture is already in the story\n");
            continue;
        }
        added.append({raw, i});
    }
    story.waitForImports();

    for (const auto& [slide, i] : added) {
        const SlideSpec& spec = o.slides[i];
        if (!spec.segment && slide->picture().isNull())
            ctx.err << "warning: " << spec.picture << " could not be decoded; its slide is blank\n";
        slide->setCaption(spec.caption);
        slide->setTags(spec.tags);
        slide->setCueText(spec.cue);
        if (!spec.narration.isEmpty()) {
            if (!copyNarration(spec.narration, slide->narrationWavPath())) {
                ctx.err << "pictorelle-cli new: could not copy " << spec.narration << "\n";
                return exitcode::Failed;
            }
            slide->setHasNarration(true);
            slide->setNarrationLength(seconds[i]);
        }
    }

    // The narrations' MP3s are made now, on every core, so that publishing finds them ready.
    loadMp3Codec();
    {
        BackgroundPreparation preparation(story, 0, 0, BackgroundPreparation::Priority::Normal);
        preparation.prepareNow();
        preparation.waitForDone();
    }
    unloadMp3Codec();

    const SaveResult saved = saveStory(story);
    if (!saved.ok) {
        ctx.err << "pictorelle-cli new: the story could not be saved: " << saved.error << "\n";
        return exitcode::Failed;
    }
    story.setModified(false);
    ctx.out << saved.storyFile << "\n";
    return exitcode::Ok;
}

static const CliRegistration
    registration("new", runNew,
                 "  new [--podcast] [--title T] [--description T] [--tags T] [--category ID]\n"
                 "      [--transcript T] [--publish-transcript] SLIDE...\n"
                 "        Makes a story and saves it; prints the story file as its last line.\n"
                 "        SLIDE is  --slide PICTURE [--narration WAV] [--caption T] [--slide-tags T] [--cue T]\n"
                 "        or, for a podcast,  --segment WAV.  Narrations are PCM 22050 Hz 16-bit mono.\n");
