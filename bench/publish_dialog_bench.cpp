// The window never freezes while publishing: the real publish dialog prepares and uploads a
// picture story (by default the largest: 50 slides of 24-megapixel photos, each narrated for
// 60 seconds with a take of its own, every fifth turned by the author so that its picture is
// remade) to a local pictorelle-web and saves it quietly with its new id, while a 5 ms
// timer on the GUI thread measures how long the event loop was away between its ticks. The
// dialog opens over the program's main window, which shows the story.
// Target: no gap of 50 ms or more from the dialog's opening until its success is shown.
//
// Usage: publish_dialog_bench [--save-at-once] [slides [narration seconds [photo WIDTHxHEIGHT]]]
//        (1 to 50 slides, default 50; 1 to 60 seconds, default 60; default 6000x4000)
// --save-at-once: for comparison, the quiet save is also written whole on the GUI thread in the
// progress tick, as it was before the run wrote it on a worker.
// The photos are made once and kept in the bench cache folder.

#include "audio/mp3codec.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/widgets/skinresources.h"
#include "pictures/pictureimporter.h"
#include "publish/curlglobal.h"
#include "publish/curlserviceclient.h"
#include "publish/publishchecks.h"
#include "shell/useraccount.h"
#include "story/storyfile.h"
#include "story/storysave.h"
#include "story/systemclock.h"

#include "benchmedia.h"
#include "benchphotos.h"
#include "quietservices.h"
#include "referenceservice.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMetaEnum>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int DefaultSlides = 50;
constexpr int DefaultSeconds = 60;
constexpr QSize DefaultPhoto(6000, 4000);
constexpr int TickMs = 5;
constexpr double FreezeMs = 50;
// A run that never ends is given up rather than left hanging.
constexpr int GiveUpMs = 10 * 60 * 1000;

double msBetween(SteadyClock::time_point from, SteadyClock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

const char* phaseName(PublicationRun::Phase phase)
{
    switch (phase) {
    case PublicationRun::Phase::Preparing:
        return "preparing";
    case PublicationRun::Phase::Verifying:
        return "verifying";
    case PublicationRun::Phase::Uploading:
        return "uploading";
    case PublicationRun::Phase::VerifyFailed:
        return "verify failed";
    case PublicationRun::Phase::Published:
        return "published";
    case PublicationRun::Phase::UploadFailed:
        return "upload failed";
    }
    return "?";
}

//! The application, timing every event it delivers from the event loop itself. A long gap
//! between ticks is then traced to the one event handler that held the GUI thread.
class TimedApplication : public QApplication
{
public:
    struct Delivery
    {
        double ms = 0;
        QString receiver;
        QString event;
        QString phase;        //!< the publication's phase before and after the event
        double atSeconds = 0; //!< when it began, from the dialog's opening
    };

    using QApplication::QApplication;

    //! Set while the dialog is open: deliveries are recorded with its phase.
    const PublicationRun* publication = nullptr;
    SteadyClock::time_point opened;
    static constexpr size_t Kept = 5;

    bool notify(QObject* receiver, QEvent* event) override
    {
        // Events sent from inside a handler belong to that handler's time.
        if (m_depth > 0 || !publication)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const PublicationRun::Phase before = publication->phase();
        // The event may delete its receiver (a deferred delete).
        const QPointer<QObject> alive(receiver);
        const QMetaObject* meta = receiver->metaObject();
        ++m_depth;
        const SteadyClock::time_point start = SteadyClock::now();
        const bool handled = QApplication::notify(receiver, event);
        const double ms = msBetween(start, SteadyClock::now());
        --m_depth;
        if (m_longest.size() < Kept || ms > m_longest.back().ms) {
            Delivery d;
            d.ms = ms;
            d.atSeconds = msBetween(opened, start) / 1e3;
            d.receiver =
                alive && !alive->objectName().isEmpty() ? alive->objectName() : QString::fromLatin1(meta->className());
            const char* key = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
            d.event = key ? QString::fromLatin1(key) : QString::number(int(type));
            d.phase = QString::fromLatin1(phaseName(before));
            if (publication->phase() != before)
                d.phase += QStringLiteral(" → ") + QString::fromLatin1(phaseName(publication->phase()));
            m_longest.push_back(d);
            std::sort(m_longest.begin(), m_longest.end(),
                      [](const Delivery& a, const Delivery& b) { return a.ms > b.ms; });
            if (m_longest.size() > Kept)
                m_longest.pop_back();
        }
        return handled;
    }

    //! The longest deliveries, longest first.
    const std::vector<Delivery>& longest() const { return m_longest; }

private:
    int m_depth = 0;
    std::vector<Delivery> m_longest;
};

//! Everything the ticks saw while the dialog was open.
struct Watch
{
    struct Stall
    {
        double ms = 0;
        double atSeconds = 0; //!< when it ended, from the dialog's opening
        PublicationRun::Phase phase = PublicationRun::Phase::Preparing;
    };
    std::vector<double> gapsMs;
    std::vector<Stall> stalls; //!< every gap of FreezeMs or more, in order
    double largestGapMs = 0;
    double largestGapAtSeconds = 0;
    PublicationRun::Phase largestGapPhase = PublicationRun::Phase::Preparing;
    std::map<PublicationRun::Phase, SteadyClock::time_point> phaseSeen;
    std::set<double> fractions;
    std::set<int> fillWidths;
    std::set<QString> statusTexts;
};

double percentile(std::vector<double> sorted, double p)
{
    if (sorted.empty())
        return 0;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = size_t(std::ceil(p * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

} // namespace

int main(int argc, char** argv)
{
    // libcurl's set-up comes first and goes last.
    CurlGlobal curl;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);

    int slides = DefaultSlides;
    int seconds = DefaultSeconds;
    QSize photoSize = DefaultPhoto;
    QStringList arguments = app.arguments().mid(1);
    const bool saveAtOnce = arguments.removeAll(QStringLiteral("--save-at-once")) > 0;
    bool usable = arguments.size() <= 3;
    if (usable && arguments.size() > 0)
        slides = arguments[0].toInt(&usable);
    if (usable && arguments.size() > 1)
        seconds = arguments[1].toInt(&usable);
    if (usable && arguments.size() > 2) {
        const QStringList sides = arguments[2].split(QLatin1Char('x'));
        bool tall = false;
        usable = sides.size() == 2;
        if (usable)
            photoSize = QSize(sides[0].toInt(&usable), sides[1].toInt(&tall));
        usable = usable && tall && photoSize.width() >= 100 && photoSize.height() >= 100;
    }
    if (!usable || slides < 1 || slides > Story::MaxSlides || seconds < 1 || seconds > 60) {
        std::fprintf(stderr,
                     "usage: publish_dialog_bench [--save-at-once] [slides [narration seconds [photo WIDTHxHEIGHT]]]\n"
                     "       (1 to %d slides, default %d; 1 to 60 seconds, default %d; default %dx%d)\n",
                     Story::MaxSlides, DefaultSlides, DefaultSeconds, DefaultPhoto.width(), DefaultPhoto.height());
        return 2;
    }
    if (!loadMp3Codec()) {
        std::fprintf(stderr, "publish_dialog_bench: the MP3 encoder library is missing\n");
        return 1;
    }

    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "publish_dialog_bench: no temporary folder: %s\n", qPrintable(work.errorString()));
        return 1;
    }
    const QString home = work.path() + QStringLiteral("/");
    const QString user = QStringLiteral("bench");
    ReferenceService service(QStringLiteral(PICTORELLE_WEB), home + QStringLiteral("service"));
    if (service.base().isEmpty() || !service.addUser(user, user)) {
        std::fprintf(stderr, "publish_dialog_bench: pictorelle-web did not start\n");
        return 1;
    }
    UserAccount account;
    account.setUserName(user);
    account.setPassword(QString::fromLatin1(QCryptographicHash::hash(user.toUtf8(), QCryptographicHash::Md5).toHex()));

    // The story as a user leaves it before publishing: photos imported, every slide narrated.
    const QStringList photos =
        ensureBenchPhotos(QStringLiteral(PICTORELLE_BENCH_CACHE_DIR "/photos"), slides, photoSize);
    // The story is the main window's, as in the program: its views follow the story's signals
    // behind the modal dialog while publishing, on the same GUI thread.
    QuietServices services;
    PictureImporter importer;
    MainWindow window(services.forFolder(home, &importer));
    window.resize(1024, 720);
    window.show();
    Story& story = window.story();
    for (int i = 0; i < slides; ++i) {
        auto slide = std::make_unique<Slide>(story);
        slide->setSourcePicturePath(photos[i]);
        slide->setCaption(QStringLiteral("Along the harbour, %1").arg(i + 1));
        story.add(std::move(slide));
    }
    story.waitForImports();
    // Each slide its own take, as recorded: no narration is the MP3 of another one.
    const QByteArray speech = benchSpeech(seconds);
    for (int i = 0; i < slides; ++i) {
        Slide& s = *story.slideAt(i);
        QByteArray take = speech;
        qToLittleEndian<qint16>(qint16(i + 1), take.data() + 44);
        QFile wav(s.narrationWavPath());
        if (!wav.open(QIODevice::WriteOnly) || wav.write(take) != take.size()) {
            std::fprintf(stderr, "publish_dialog_bench: cannot write %s\n", qPrintable(s.narrationWavPath()));
            return 1;
        }
        s.setHasNarration(true);
        s.setNarrationLength(seconds);
        // Every fifth slide turned by the author: its picture is remade from the photo while publishing.
        if (i % 5 == 2)
            s.setRotation(1);
    }
    story.setTitle(QStringLiteral("A harbour walk"));
    story.setDescription(QStringLiteral("From the lighthouse to the fish market"));
    story.setCategoryId(8020000);
    story.setTags(QStringLiteral("harbour;boats"));
    // The checks run on the GUI thread before the dialog opens.
    const SteadyClock::time_point checking = SteadyClock::now();
    const CheckReport checks = runPublishChecks(story, account);
    const double checksMs = msBetween(checking, SteadyClock::now());
    if (!checks.isClean()) {
        std::fprintf(stderr, "publish_dialog_bench: the story does not pass the checks:\n%s", qPrintable(checks.text));
        return 1;
    }

    SkinResources skin;
    DialogActions actions = browserDialogActions(services.browser, home, service.base());

    // As the main window's quiet save after a successful upload (the pictures were just remade
    // by the preparation): taken from the story and handed back on the GUI thread, written by
    // the run's worker in between.
    double takeMs = 0;
    double handOverMs = 0;
    SteadyClock::time_point taken;
    SteadyClock::time_point handedOver;
    bool saved = false;
    PublicationRun::QuietSave quietSave;
    quietSave.take = [&] {
        const SteadyClock::time_point start = SteadyClock::now();
        story.setModified(true);
        if (saveAtOnce)
            saveStory(story, SystemClock(), SavedPictures::AlreadyRemade);
        std::optional<StorySave> save = takeStoryForSave(story, QDateTime::currentDateTime());
        taken = SteadyClock::now();
        takeMs = msBetween(start, taken);
        return save;
    };
    quietSave.finish = [&](const SaveResult& result) {
        const SteadyClock::time_point start = SteadyClock::now();
        applyStorySave(story, result);
        if (result.ok)
            story.setModified(false);
        saved = result.ok;
        handedOver = SteadyClock::now();
        handOverMs = msBetween(start, handedOver);
        return result.ok;
    };
    CurlServiceClient client;
    const SteadyClock::time_point opened = SteadyClock::now();
    PublishDialog dialog(story, account, client, service.base(), skin, actions, quietSave, &window);
    const PublicationRun& run = dialog.publication();
    const auto* statusWord = dialog.findChild<QLabel*>(QStringLiteral("statusWord"));
    const auto* statusSentence = dialog.findChild<QLabel*>(QStringLiteral("statusSentence"));
    auto* okButton = dialog.findChild<QPushButton*>(QStringLiteral("ok"));
    if (!statusWord || !statusSentence || !okButton) {
        std::fprintf(stderr, "publish_dialog_bench: the dialog has no status labels or Ok button\n");
        return 1;
    }

    // The 5 ms tick measures how long the event loop was away: a gap well over 5 ms is time
    // the window could neither paint nor answer the user.
    Watch watch;
    SteadyClock::time_point lastTick = SteadyClock::now();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const SteadyClock::time_point now = SteadyClock::now();
        const double gap = msBetween(lastTick, now);
        lastTick = now;
        watch.gapsMs.push_back(gap);
        const PublicationRun::Phase phase = run.phase();
        const double at = msBetween(opened, now) / 1e3;
        if (gap >= FreezeMs)
            watch.stalls.push_back({gap, at, phase});
        if (gap > watch.largestGapMs) {
            watch.largestGapMs = gap;
            watch.largestGapAtSeconds = at;
            watch.largestGapPhase = phase;
        }
        watch.phaseSeen.try_emplace(phase, now);
        watch.fractions.insert(run.barFraction());
        watch.fillWidths.insert(PublishDialog::filledWidth(dialog.size(), run.barFraction()));
        watch.statusTexts.insert(statusWord->text() + QStringLiteral(" / ") + statusSentence->text());
        // Closes the dialog as the user would once the result shows.
        if (run.isFinished() && okButton->isVisible())
            okButton->click();
    });
    // A verify error opens its own modal box over the dialog: it is read and closed.
    QString verifyBox;
    QTimer modals;
    QObject::connect(&modals, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box && box != &dialog) {
            verifyBox = box->objectName() + QStringLiteral(": ") + box->windowTitle();
            box->reject();
        }
    });
    bool gaveUp = false;
    QTimer::singleShot(GiveUpMs, &dialog, [&] {
        gaveUp = true;
        dialog.reject();
    });

    app.opened = opened;
    app.publication = &run;
    tick.start(TickMs);
    modals.start(20);
    lastTick = SteadyClock::now();
    dialog.exec();
    tick.stop();
    modals.stop();
    app.publication = nullptr;
    const SteadyClock::time_point closed = SteadyClock::now();

    if (run.phase() != PublicationRun::Phase::Published || gaveUp) {
        std::fprintf(stderr, "publish_dialog_bench: publishing failed%s: %s / %s / %s / %s%s\n",
                     gaveUp ? " (given up after 10 minutes)" : "", qPrintable(run.statusWord()),
                     qPrintable(run.statusSentence()), qPrintable(run.failureDetail()),
                     qPrintable(run.verifyErrorText()),
                     qPrintable(verifyBox.isEmpty() ? QString() : " / " + verifyBox));
        return 1;
    }
    if (story.uniqueId() <= 0 || !saved || !run.failureDetail().isEmpty()) {
        std::fprintf(stderr, "publish_dialog_bench: published without a new id or without saving it: %s\n",
                     qPrintable(run.failureDetail()));
        return 1;
    }
    // The same save at once on the GUI thread, as the quiet save was made before it had a worker.
    const SteadyClock::time_point atOnceStart = SteadyClock::now();
    const SaveResult atOnce = saveStory(story, SystemClock(), SavedPictures::AlreadyRemade);
    const double atOnceMs = msBetween(atOnceStart, SteadyClock::now());
    if (!atOnce.ok) {
        std::fprintf(stderr, "publish_dialog_bench: the save at once failed: %s\n", qPrintable(atOnce.error));
        return 1;
    }

    const auto seen = [&](PublicationRun::Phase phase) {
        const auto it = watch.phaseSeen.find(phase);
        return it == watch.phaseSeen.end() ? closed : it->second;
    };
    const SteadyClock::time_point verifying = seen(PublicationRun::Phase::Verifying);
    const SteadyClock::time_point uploading = seen(PublicationRun::Phase::Uploading);
    const SteadyClock::time_point published = seen(PublicationRun::Phase::Published);
    const std::vector<double>& gaps = watch.gapsMs;
    const auto frozen = std::count_if(gaps.begin(), gaps.end(), [](double g) { return g >= FreezeMs; });

    std::printf("Publish dialog: %d slides of %d x %d photos (every fifth turned) with %d s narrations of their own\n"
                "to a local pictorelle-web (%d cores)\n",
                slides, photoSize.width(), photoSize.height(), seconds, QThread::idealThreadCount());
    int mp3s = 0;
    qint64 mp3Bytes = 0;
    qint64 jpegBytes = 0;
    for (int i = 0; i < story.count(); ++i) {
        const Slide& s = *story.slideAt(i);
        mp3s += s.isMp3Encoded() ? 1 : 0;
        mp3Bytes += QFileInfo(s.narrationMp3Path()).size();
        jpegBytes += QFileInfo(s.slideJpegPath()).size();
    }
    std::printf("  sent %d MP3s (%.1f MB) and %d pictures (%.1f MB)\n", mp3s, double(mp3Bytes) / 1e6, story.count(),
                double(jpegBytes) / 1e6);
    std::printf("  checks before the dialog  %8.1f ms on the GUI thread\n", checksMs);
    std::printf("  until \"%s\" shows        %8.2f s\n", qPrintable(run.statusWord()),
                msBetween(opened, published) / 1e3);
    std::printf("    preparing (Compressing)  %8.2f s\n", msBetween(opened, verifying) / 1e3);
    std::printf("    verifying               %8.2f s\n", msBetween(verifying, uploading) / 1e3);
    std::printf("    uploading and saving    %8.2f s\n", msBetween(uploading, published) / 1e3);
    std::printf("  quiet save of the new id  %8.1f ms on the GUI thread (taking %.1f%s, handing over %.1f);\n"
                "                            %8.0f ms from taken to handed over (written on a worker);\n"
                "                            %8.0f ms for the same save at once on the GUI thread\n",
                takeMs + handOverMs, takeMs, saveAtOnce ? " with a save at once" : "", handOverMs,
                msBetween(taken, handedOver), atOnceMs);
    std::printf("  5 ms ticks                %8zu\n", gaps.size());
    std::printf("  gap median                %8.1f ms\n", percentile(gaps, 0.5));
    std::printf("  gap 99th percentile       %8.1f ms\n", percentile(gaps, 0.99));
    std::printf("  largest gap               %8.1f ms   (ending %.2f s in, while %s; target under %.0f ms: %s)\n",
                watch.largestGapMs, watch.largestGapAtSeconds, phaseName(watch.largestGapPhase), FreezeMs,
                watch.largestGapMs < FreezeMs ? "met" : "MISSED");
    std::printf("  gaps of %.0f ms or more    %8lld\n", FreezeMs, static_cast<long long>(frozen));
    for (const Watch::Stall& stall : watch.stalls)
        std::printf("    %8.1f ms  ending %.2f s in, while %s\n", stall.ms, stall.atSeconds, phaseName(stall.phase));
    std::printf("  bar fractions seen        %8zu   (%zu distinct filled widths)\n", watch.fractions.size(),
                watch.fillWidths.size());
    std::printf("  status texts seen         %8zu\n", watch.statusTexts.size());
    for (const QString& text : watch.statusTexts)
        std::printf("    %s\n", qPrintable(text));
    std::printf("  longest event handlers on the GUI thread:\n");
    for (const TimedApplication::Delivery& d : app.longest())
        std::printf("    %8.1f ms  %s to %s (%.2f s in, %s)\n", d.ms, qPrintable(d.event), qPrintable(d.receiver),
                    d.atSeconds, qPrintable(d.phase));
    unloadMp3Codec();
    return 0;
}
