// The window never freezes while publishing: the real publish dialog prepares and uploads a
// picture story (1600 × 1200 photos, 30-second narrations) to a local pictorelle-web, while a
// 5 ms timer on the GUI thread measures how long the event loop was away between its ticks.
// Target: no gap of 100 ms or more from the dialog's opening until its success is shown.
//
// Usage: publish_dialog_bench [slides]   (1 to 50, default 20)

#include "audio/mp3codec.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/widgets/skinresources.h"
#include "pictures/pictureimporter.h"
#include "publish/curlglobal.h"
#include "publish/curlserviceclient.h"
#include "publish/publishchecks.h"
#include "shell/useraccount.h"
#include "story/storyfile.h"
#include "story/systemclock.h"

#include "benchmedia.h"
#include "benchphotos.h"
#include "quietservices.h"
#include "referenceservice.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QLabel>
#include <QMetaEnum>
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
#include <set>
#include <vector>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int DefaultSlides = 20;
constexpr int NarrationSeconds = 30;
constexpr int TickMs = 5;
constexpr double FreezeMs = 100;
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
        QString phase; //!< the publication's phase before and after the event
    };

    using QApplication::QApplication;

    //! Set while the dialog is open: deliveries are recorded with its phase.
    const PublicationRun* publication = nullptr;

    bool notify(QObject* receiver, QEvent* event) override
    {
        // Events sent from inside a handler belong to that handler's time.
        if (m_depth > 0 || !publication)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const PublicationRun::Phase before = publication->phase();
        ++m_depth;
        const SteadyClock::time_point start = SteadyClock::now();
        const bool handled = QApplication::notify(receiver, event);
        const double ms = msBetween(start, SteadyClock::now());
        --m_depth;
        if (m_longest.size() < 3 || ms > m_longest.back().ms) {
            Delivery d;
            d.ms = ms;
            d.receiver = receiver->objectName().isEmpty() ? QString::fromLatin1(receiver->metaObject()->className())
                                                          : receiver->objectName();
            const char* key = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
            d.event = key ? QString::fromLatin1(key) : QString::number(int(type));
            d.phase = QString::fromLatin1(phaseName(before));
            if (publication->phase() != before)
                d.phase += QStringLiteral(" → ") + QString::fromLatin1(phaseName(publication->phase()));
            m_longest.push_back(d);
            std::sort(m_longest.begin(), m_longest.end(),
                      [](const Delivery& a, const Delivery& b) { return a.ms > b.ms; });
            if (m_longest.size() > 3)
                m_longest.pop_back();
        }
        return handled;
    }

    //! The three longest deliveries, longest first.
    const std::vector<Delivery>& longest() const { return m_longest; }

private:
    int m_depth = 0;
    std::vector<Delivery> m_longest;
};

//! Everything the ticks saw while the dialog was open.
struct Watch
{
    std::vector<double> gapsMs;
    double largestGapMs = 0;
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
    if (argc > 1) {
        bool ok = false;
        slides = QString::fromLocal8Bit(argv[1]).toInt(&ok);
        if (!ok || slides < 1 || slides > Story::MaxSlides) {
            std::fprintf(stderr, "usage: publish_dialog_bench [slides]   (1 to %d, default %d)\n", Story::MaxSlides,
                         DefaultSlides);
            return 2;
        }
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
    const QStringList photos = ensureBenchPhotos(home + QStringLiteral("photos"), slides, QSize(1600, 1200));
    PictureImporter importer;
    Story story(home, &importer);
    for (int i = 0; i < slides; ++i) {
        auto slide = std::make_unique<Slide>(story);
        slide->setSourcePicturePath(photos[i]);
        slide->setCaption(QStringLiteral("Along the harbour, %1").arg(i + 1));
        story.add(std::move(slide));
    }
    story.waitForImports();
    benchNarrate(story, benchSpeech(NarrationSeconds), NarrationSeconds);
    story.setTitle(QStringLiteral("A harbour walk"));
    story.setDescription(QStringLiteral("From the lighthouse to the fish market"));
    story.setCategoryId(8020000);
    story.setTags(QStringLiteral("harbour;boats"));
    const CheckReport checks = runPublishChecks(story, account);
    if (!checks.isClean()) {
        std::fprintf(stderr, "publish_dialog_bench: the story does not pass the checks:\n%s", qPrintable(checks.text));
        return 1;
    }

    QuietServices services;
    SkinResources skin;
    DialogActions actions = browserDialogActions(services.browser, home, service.base());
    QWidget owner;
    owner.resize(800, 600);
    owner.show();

    // As the main window's quiet save after a successful upload (the pictures were just remade
    // by the preparation); it runs on the GUI thread.
    double saveMs = 0;
    const auto quietSave = [&] {
        const SteadyClock::time_point start = SteadyClock::now();
        story.setModified(true);
        if (saveStory(story, SystemClock(), SavedPictures::AlreadyRemade).ok)
            story.setModified(false);
        saveMs = msBetween(start, SteadyClock::now());
        return !story.isModified();
    };
    CurlServiceClient client;
    const SteadyClock::time_point opened = SteadyClock::now();
    PublishDialog dialog(story, account, client, service.base(), skin, actions, quietSave, &owner);
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
        if (gap > watch.largestGapMs) {
            watch.largestGapMs = gap;
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
    if (story.uniqueId() <= 0 || saveMs == 0) {
        std::fprintf(stderr, "publish_dialog_bench: published without a new id or without saving it\n");
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

    std::printf("Publish dialog: %d slides of 1600 x 1200 with %d s narrations to a local pictorelle-web (%d cores)\n",
                slides, NarrationSeconds, QThread::idealThreadCount());
    std::printf("  until \"%s\" shows        %8.2f s\n", qPrintable(run.statusWord()),
                msBetween(opened, published) / 1e3);
    std::printf("    preparing (Compressing)  %8.2f s\n", msBetween(opened, verifying) / 1e3);
    std::printf("    verifying               %8.2f s\n", msBetween(verifying, uploading) / 1e3);
    std::printf("    uploading and saving    %8.2f s   (quiet save of the new id on the GUI thread: %.0f ms)\n",
                msBetween(uploading, published) / 1e3, saveMs);
    std::printf("  5 ms ticks                %8zu\n", gaps.size());
    std::printf("  gap median                %8.1f ms\n", percentile(gaps, 0.5));
    std::printf("  gap 99th percentile       %8.1f ms\n", percentile(gaps, 0.99));
    std::printf("  largest gap               %8.1f ms   (while %s; target under %.0f ms: %s)\n", watch.largestGapMs,
                phaseName(watch.largestGapPhase), FreezeMs, watch.largestGapMs < FreezeMs ? "met" : "MISSED");
    std::printf("  gaps of %.0f ms or more    %8lld\n", FreezeMs, static_cast<long long>(frozen));
    std::printf("  bar fractions seen        %8zu   (%zu distinct filled widths)\n", watch.fractions.size(),
                watch.fillWidths.size());
    std::printf("  status texts seen         %8zu\n", watch.statusTexts.size());
    for (const QString& text : watch.statusTexts)
        std::printf("    %s\n", qPrintable(text));
    std::printf("  longest event handlers on the GUI thread:\n");
    for (const TimedApplication::Delivery& d : app.longest())
        std::printf("    %8.1f ms  %s to %s (%s)\n", d.ms, qPrintable(d.event), qPrintable(d.receiver),
                    qPrintable(d.phase));
    unloadMp3Codec();
    return 0;
}
