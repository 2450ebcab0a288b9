#include "audio/audiofiledecoder.h"
#include "audio/mp3codec.h"
#include "cli/clicontext.h"
#include "pictures/pictureimporter.h"
#include "pictures/picturework.h"
#include "publish/backgroundpreparation.h"
#include "shell/categorychooser.h"
#include "shell/categorytree.h"
#include "shell/programdata.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"
#include "story/importnarrationcommand.h"
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
    //! Narrations longer than their slide holds keep their beginning instead of being refused.
    bool trim = false;
    int categoryId = 0;
    //! 1 or 0 from --even-loudness / --no-even-loudness; -1: the program folder's setting.
    int evenLoudness = -1;
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
        } else if (a == QLatin1String("--trim")) {
            o.trim = true;
        } else if (a == QLatin1String("--even-loudness") || a == QLatin1String("--no-even-loudness")) {
            o.evenLoudness = a == QLatin1String("--even-loudness") ? 1 : 0;
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

//! Deletes the decoded takes still where the decoder left them when the command ends.
struct LeftoverTakes
{
    const QList<AudioDecodeResult>& takes;
    ~LeftoverTakes()
    {
        for (const AudioDecodeResult& take : takes)
            if (!take.wavePath.isEmpty())
                QFile::remove(take.wavePath);
    }
};

//! Decodes every narration into the story's working folder, in the recording format; the
//! decoded takes are in decoded (by slide spec, empty for none). On a failure prints the
//! decoder's message, deletes what was decoded and returns false.
bool decodeNarrations(CliContext& ctx, const NewOptions& o, const QString& folder, QList<AudioDecodeResult>& decoded)
{
    decoded = QList<AudioDecodeResult>(o.slides.size());
    for (qsizetype i = 0; i < o.slides.size(); ++i) {
        const SlideSpec& s = o.slides[i];
        if (s.narration.isEmpty())
            continue;
        AudioDecodeOptions options;
        options.limitSeconds = longestNarration(s.segment ? SlideKind::Segment : SlideKind::Picture);
        options.keepBeginning = o.trim;
        decoded[i] = AudioFileDecoder(s.narration).decodeToFolder(folder, options);
        const AudioDecodeResult& r = decoded[i];
        if (r.ok()) {
            if (r.trimmed)
                ctx.err << "warning: " << s.narration << " is longer than "
                        << AudioFileDecoder::limitText(options.limitSeconds) << "; only its beginning was kept\n";
            continue;
        }
        ctx.err << "pictorelle-cli new: " << r.error;
        if (r.status == AudioDecodeStatus::TooLong)
            ctx.err << (s.segment ? " A podcast segment" : " A picture slide") << " holds at most "
                    << AudioFileDecoder::limitText(options.limitSeconds) << "; add --trim to keep its first "
                    << AudioFileDecoder::limitText(options.limitSeconds) << ".";
        ctx.err << "\n";
        for (const AudioDecodeResult& made : decoded)
            if (!made.wavePath.isEmpty())
                QFile::remove(made.wavePath);
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
    PictureImporter importer;
    Story story(ctx.programFolder, &importer, nullptr, ctx.workingFolder());
    // Every narration is decoded before anything else is done: a file that cannot be read
    // stops the command before a story exists.
    QList<AudioDecodeResult> decoded;
    if (!decodeNarrations(ctx, o, story.workingFolder(), decoded))
        return exitcode::Failed;
    // Takes of slides that were skipped are nobody's (those put in place have moved away).
    const LeftoverTakes leftovers{decoded};
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
            // The same step as the desktop's Import Narration.
            const AudioDecodeResult& take = decoded[i];
            if (!story.push(new ImportNarrationCommand(story, story.indexOf(slide), take.wavePath, take.seconds()))) {
                ctx.err << "pictorelle-cli new: could not put " << spec.narration << " in place\n";
                return exitcode::Failed;
            }
        }
    }

    // The narrations' MP3s are made now, on every core, so that publishing finds them ready.
    loadMp3Codec();
    {
        BackgroundPreparation preparation(story, 0, 0, BackgroundPreparation::Priority::Normal);
        ProgramSettings settings;
        UserAccount account;
        SettingsFile::load(programfolder::settingsFile(ctx.programFolder), settings, account);
        preparation.setEvenLoudness(o.evenLoudness < 0 ? settings.evenLoudness() : o.evenLoudness == 1);
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
                 "      [--transcript T] [--publish-transcript] [--trim]\n"
                 "      [--even-loudness | --no-even-loudness] SLIDE...\n"
                 "        Makes a story and saves it; prints the story file as its last line.\n"
                 "        SLIDE is  --slide PICTURE [--narration AUDIO] [--caption T] [--slide-tags T] [--cue T]\n"
                 "        or, for a podcast,  --segment AUDIO.  AUDIO is a WAV, FLAC, MP3, Ogg (Vorbis,\n"
                 "        Opus) or M4A/AAC file, converted to the narration format (22050 Hz 16-bit mono).\n"
                 "        A picture slide holds at most 60 s, a segment 15 min; a longer file is refused\n"
                 "        unless --trim keeps its beginning. The MP3s made for publishing are brought to\n"
                 "        one loudness unless switched off here or in the program's settings.\n");
