#include "cli/clistory.h"
#include "export/exportjob.h"
#include "export/exportrun.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <csignal>

namespace {

struct ExportArguments
{
    QString story;
    QString output;
    QSize size{exportlimits::DefaultWidth, exportlimits::DefaultHeight};
    bool sizeGiven = false;
    bool captions = false;
    bool evenLoudnessOff = false;
};

ExportArguments parse(QStringList args)
{
    ExportArguments a;
    QStringList files;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--size")) {
            const QString value = takeValue(args, arg);
            const std::optional<QSize> size = parseFrameSize(value);
            if (!size)
                throw UsageError{QStringLiteral("--size takes WIDTHxHEIGHT, such as 1280x720 (not \"%1\")").arg(value)};
            if (const QString problem = frameSizeProblem(*size); !problem.isEmpty())
                throw UsageError{problem};
            a.size = *size;
            a.sizeGiven = true;
        } else if (arg == QLatin1String("--captions")) {
            a.captions = true;
        } else if (arg == QLatin1String("--no-even-loudness")) {
            a.evenLoudnessOff = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            throw UsageError{QStringLiteral("unknown option \"%1\"").arg(arg)};
        } else {
            files << arg;
        }
    }
    if (files.size() != 2)
        throw UsageError{QStringLiteral("name one story file (.sld) and one output file (.mp4, .m4a or .mp3)")};
    a.story = files[0];
    a.output = files[1];
    if (!exportFormatFor(a.output))
        throw UsageError{QStringLiteral("the output must end in .mp4 (a video), .m4a or .mp3 (a podcast's sound): %1")
                             .arg(a.output)};
    return a;
}

//! Set by Ctrl+C (or a plain kill) while the export runs: the run is cancelled, so that no
//! partial file is left behind.
volatile std::sig_atomic_t interrupted = 0;

void interrupt(int)
{
    interrupted = 1;
}

//! Catches SIGINT and SIGTERM while it lives.
class InterruptCatcher
{
public:
    InterruptCatcher()
    {
        interrupted = 0;
        m_int = std::signal(SIGINT, interrupt);
        m_term = std::signal(SIGTERM, interrupt);
    }
    ~InterruptCatcher()
    {
        std::signal(SIGINT, m_int);
        std::signal(SIGTERM, m_term);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

private:
    void (*m_int)(int) = SIG_DFL;
    void (*m_term)(int) = SIG_DFL;
};

constexpr int barWidth = 40;

void drawBar(QTextStream& err, int percent)
{
    const int filled = percent * barWidth / 100;
    err << "\rExporting [" << QString(filled, QLatin1Char('#')) << QString(barWidth - filled, QLatin1Char(' ')) << "] "
        << QString::number(percent).rightJustified(3) << "%";
    err.flush();
}

int runExportCommand(CliContext& ctx, QStringList args)
{
    const ExportArguments a = parse(std::move(args));
    const auto loaded = loadCliStory(ctx, a.story, "export");
    if (!loaded)
        return exitcode::Failed;
    const Story& story = loaded->story;
    if (story.isPodcast() && (a.captions || a.sizeGiven))
        ctx.err << "warning: a podcast is exported as sound only: --size and --captions do not apply\n";

    ProgramSettings settings;
    UserAccount account;
    SettingsFile::load(programfolder::settingsFile(ctx.programFolder), settings, account);
    ExportOptions options;
    options.outputPath = QFileInfo(a.output).absoluteFilePath();
    options.frameSize = a.size;
    options.captions = a.captions;
    options.evenLoudness = settings.evenLoudness() && !a.evenLoudnessOff;
    ExportRun run(takeExportJob(story, options));
    if (const ExportResult checked = checkExportJob(run.job()); !checked.ok()) {
        ctx.err << "pictorelle-cli export: " << checked.message << "\n";
        return exitcode::Failed;
    }
    const InterruptCatcher catcher;
    run.start();
    int shown = -1;
    while (!run.isFinished()) {
        if (interrupted && !run.isCancelRequested())
            run.cancel();
        const int percent = std::clamp(int(run.fraction() * 100), 0, 100);
        if (percent != shown)
            drawBar(ctx.err, shown = percent);
        QThread::msleep(50);
    }
    const ExportResult result = run.result();
    if (!result.ok()) {
        if (shown != -1)
            ctx.err << "\n";
        ctx.err << "pictorelle-cli export: " << result.message << "\n";
        return exitcode::Failed;
    }
    drawBar(ctx.err, 100);
    ctx.err << "\n";
    ctx.out << QDir::toNativeSeparators(result.outputPath) << " (" << result.bytes << " bytes, "
            << QString::number(result.seconds, 'f', 1) << " s)\n";
    return exitcode::Ok;
}

} // namespace

static const CliRegistration
    registration("export", runExportCommand,
                 "  export STORY.sld OUT.mp4 [--size 1280x720] [--captions] [--no-even-loudness]\n"
                 "        Exports a story as an H.264/AAC video (a podcast as OUT.m4a or OUT.mp3);\n"
                 "        --captions burns the slides' captions in. Narrations are brought to one\n"
                 "        loudness unless --no-even-loudness is given or the program settings say otherwise.\n",
                 CliApplication::Gui);
