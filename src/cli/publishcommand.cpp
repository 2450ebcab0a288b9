#include "audio/mp3codec.h"
#include "cli/clistory.h"
#include "publish/curlglobal.h"
#include "publish/curlserviceclient.h"
#include "publish/publicationrun.h"
#include "publish/publishchecks.h"
#include "publish/serviceaddress.h"
#include "shell/programfolder.h"
#include "shell/programsettings.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"
#include "story/messenger.h"
#include "story/storysave.h"
#include "story/systemclock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {

//! Messages of the publication (the missing encoder) go to stderr.
class StderrMessenger : public Messenger
{
public:
    explicit StderrMessenger(QTextStream& err) : m_err(err) {}
    void showMessage(const QString& caption, const QString& text, Icon) override
    {
        QString flat = text;
        m_err << "\n" << caption << ": " << flat.replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        m_err.flush();
    }

private:
    QTextStream& m_err;
};

void drawBar(QTextStream& err, const PublicationRun& run)
{
    const int width = 30;
    const int filled = std::clamp(int(run.barFraction() * width), 0, width);
    err << "\r[" << QString(filled, QLatin1Char('#')) << QString(width - filled, QLatin1Char('.')) << "] "
        << QStringLiteral("%1%").arg(std::clamp(int(run.barFraction() * 100), 0, 100), 3) << "  " << run.statusWord()
        << " - " << run.statusSentence() << "\x1b[K";
    err.flush();
}

int runPublish(CliContext& ctx, QStringList args)
{
    QString service;
    // 1 or 0 when given; else the program folder's setting.
    int evenLoudness = -1;
    const QString path = takeStoryArguments(args, [&service, &evenLoudness](const QString& a, QStringList& rest) {
        if (a == QLatin1String("--even-loudness") || a == QLatin1String("--no-even-loudness")) {
            evenLoudness = a == QLatin1String("--even-loudness") ? 1 : 0;
            return true;
        }
        if (a != QLatin1String("--service"))
            return false;
        service = takeValue(rest, a);
        return true;
    });

    const auto loaded = loadCliStory(ctx, path, "publish");
    if (!loaded)
        return exitcode::Failed;
    Story& story = loaded->story;
    ProgramSettings settings;
    UserAccount account;
    SettingsFile::load(programfolder::settingsFile(ctx.programFolder), settings, account);
    const CheckReport report = runPublishChecks(story, account);
    if (!report.isClean()) {
        QString lines = report.text;
        ctx.err << "Please fix the following errors:\n" << lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return exitcode::Failed;
    }

    CurlGlobal curl;
    loadMp3Codec();
    CurlServiceClient client;
    StderrMessenger messenger(ctx.err);
    const QString base = serviceBaseAddress(service);
    // The story is saved with its new id on the run's worker; the pictures were just remade.
    PublicationRun::QuietSave quietSave;
    quietSave.take = [&story] { return std::optional(takeStoryForSave(story, SystemClock().now())); };
    quietSave.finish = [&story](const SaveResult& result) {
        applyStorySave(story, result);
        return result.ok;
    };
    const bool even = evenLoudness < 0 ? settings.evenLoudness() : evenLoudness == 1;
    PublicationRun run({story, account, client, &messenger, base, quietSave, even});
    run.start();
    // Each step is taken up as soon as the one before has ended (the dialog waits for its
    // timers instead); the bar is drawn ten times a second.
    QElapsedTimer clock;
    clock.start();
    qint64 lastDrawn = -100;
    while (!run.isFinished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        run.preparationTick();
        run.verifyTick();
        run.progressTick();
        if (const qint64 now = clock.elapsed(); now - lastDrawn >= 100) {
            lastDrawn = now;
            drawBar(ctx.err, run);
        }
        QThread::msleep(5);
    }
    drawBar(ctx.err, run);
    ctx.err << "\n";
    unloadMp3Codec();

    if (run.phase() == PublicationRun::Phase::Published) {
        if (!run.failureDetail().isEmpty())
            ctx.err << "warning: " << run.failureDetail() << "\n";
        ctx.out << run.detailAddress() << "\n";
        return exitcode::Ok;
    }
    ctx.err << "pictorelle-cli publish: " << run.statusWord().trimmed() << ": " << run.statusSentence() << "\n";
    const QString detail =
        run.phase() == PublicationRun::Phase::VerifyFailed ? run.verifyErrorText() : run.failureDetail();
    if (!detail.isEmpty())
        ctx.err << detail << "\n";
    return exitcode::Failed;
}

} // namespace

static const CliRegistration
    registration("publish", runPublish,
                 "  publish STORY.sld [--service URL] [--even-loudness | --no-even-loudness]\n"
                 "        Checks and publishes a story to PictorelleWeb; prints its page address.\n"
                 "        The service is --service, else $PICTORELLE_SERVICE, else http://127.0.0.1:8642.\n"
                 "        The narrations are brought to one loudness unless switched off here or in the\n"
                 "        program's settings (EVEN_LOUDNESS=0).\n");
