// pictorelle-screenshots: pictures of the main window and its dialogs in typical states, for
// reviewing their look.
//   pictorelle-screenshots OUTPUT_FOLDER
// Writes picture-story.png, strip-drag.png, preview.png, publish-checks.png, podcast.png,
// empty.png, recording.png and microphone.png, and the picture story twice more: on a
// 1366 × 768 laptop screen (laptop-1366x768.png) and at device pixel ratio 2
// (picture-story-2x.png). Runs on the offscreen platform, with a big monitor, that laptop screen
// and a screen at ratio 2 side by side, unless QT_QPA_PLATFORM says otherwise (the two extra
// pictures then need screens of those names); plays, records and opens nothing: the recording
// and the microphone dialog take a silent stand-in microphone, and their level meters are set
// by hand.

#include "audio/narrationrecorder.h"
#include "desktop/dialogs/dialogactions.h"
#include "desktop/dialogs/microphonedialog.h"
#include "desktop/dialogs/previewdialog.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "desktop/windows/mainwindow.h"
#include "pictures/pictureimporter.h"
#include "shell/categorychooser.h"
#include "shell/categorytree.h"
#include "story/slide.h"
#include "story/story.h"

#include "quietservices.h"
#include "samplescenes.h"
#include "silentmicrophone.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

const QSize ClientSize(1000, 800);
// The screens of the offscreen desktop the pictures are taken on.
constexpr char ScreenConfig[] = R"({"screens": [
  {"name": "monitor", "x": 0, "y": 0, "width": 1920, "height": 1200, "logicalDpi": 96, "dpr": 1},
  {"name": "laptop", "x": 1920, "y": 0, "width": 1366, "height": 768, "logicalDpi": 96, "dpr": 1},
  {"name": "double", "x": 3286, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "dpr": 2}
]})";
// Thumbnail geometry of the strip, in strip pixels while unscrolled.
constexpr int PictureCentreY = 57;
constexpr int FirstCentreX = 57;
constexpr int SlotPitch = StripPositions::SlotPitch;
// The microphone level the microphone dialog opens with: 70 % of a sound server's full level.
constexpr int FullMicrophoneVolume = 65536;
constexpr int MicrophoneVolume70 = FullMicrophoneVolume * 7 / 10;

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

//! Spins the event loop until done() holds or timeoutMs passed; false on time-out.
bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

//! Lets the strip's scrolling and gliding animations (10 ms steps) come to rest.
void settle()
{
    QTest::qWait(400);
}

//! Feeds meter the levels of a voice speaking up, ending at a peak of 0.6 and an RMS of 0.25
//! (-12 dBFS, amber); the marker still holds the loudest peak a little above the bar.
void showSpeech(LevelMeter& meter)
{
    struct Level
    {
        float peak;
        float rms;
    };
    const Level voice[] = {{0.18f, 0.06f}, {0.42f, 0.15f}, {0.72f, 0.29f}, {0.55f, 0.21f}, {0.6f, 0.25f}};
    meter.clear();
    for (const Level& level : voice)
        meter.setLevel(level.peak, level.rms);
}

//! Calls open, which runs a modal dialog and returns once it closed; the dialog is grabbed
//! as soon as it shows and then closed. A null image when open showed no dialog.
QImage grabModal(const std::function<void()>& open)
{
    QImage shot;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        shot = dialog->grab().toImage();
        dialog->close();
    });
    poll.start();
    open();
    poll.stop();
    return shot;
}

class Session
{
public:
    Session(QString output, QString home) : m_output(std::move(output)), m_home(std::move(home)) {}

    bool prepare()
    {
        if (!QDir().mkpath(m_output)) {
            err() << "pictorelle-screenshots: cannot create " << m_output << "\n";
            return false;
        }
        if (!m_pictures.isValid()) {
            err() << "pictorelle-screenshots: no temporary folder for the sample pictures\n";
            return false;
        }
        m_scenes = samplescenes::writeAll(m_pictures.path());
        if (m_scenes.isEmpty()) {
            err() << "pictorelle-screenshots: cannot write the sample pictures into " << m_pictures.path() << "\n";
            return false;
        }
        const QString categories = QCoreApplication::applicationDirPath() + QStringLiteral("/category.dat");
        if (!m_categories.load(categories))
            err() << "pictorelle-screenshots: no " << categories << ", stories show no category\n";
        return true;
    }

    //! picture-story.png, strip-drag.png, then preview.png and publish-checks.png over the
    //! reordered story.
    bool pictureStory()
    {
        const QString name = QStringLiteral("pictures");
        auto window = openWindow(name);
        if (!window || !fillPictureStory(*window))
            return false;
        window->story().select(2);
        showStoryChanges(*window);
        return save(*window, QStringLiteral("picture-story.png")) &&
               screenShot(*window, "laptop", QStringLiteral("laptop-1366x768.png")) &&
               screenShot(*window, "double", QStringLiteral("picture-story-2x.png")) && dragShot(*window) &&
               previewShot(*window) && checksShot(*window, folderFor(name));
    }

    //! recording.png while slide 4 of the picture story records, then microphone.png over it.
    bool recordingAndMicrophone()
    {
        const QString name = QStringLiteral("recording");
        auto window = openWindow(name, &m_microphone);
        if (!window || !fillPictureStory(*window))
            return false;
        // A slide without a narration: recording over one would ask first, and nobody answers.
        window->story().select(3);
        showStoryChanges(*window);
        window->command(MainWindow::RecordCommand);
        if (window->recorder().state() != RecorderState::Recording || !window->levelMeter()->isVisible()) {
            err() << "pictorelle-screenshots: the narration did not start recording with its level meter\n";
            window->command(MainWindow::StopCommand);
            return false;
        }
        settle();
        // The window's meter timer shows the silent input's level at its next tick: the levels
        // are set and grabbed with no event handled in between.
        showSpeech(*window->levelMeter());
        const bool saved = save(*window, QStringLiteral("recording.png"));
        window->command(MainWindow::StopCommand);
        if (window->recorder().state() != RecorderState::Stopped) {
            err() << "pictorelle-screenshots: the recording did not stop\n";
            return false;
        }
        return saved && microphoneShot(*window, folderFor(name));
    }

    bool podcast()
    {
        auto window = openWindow(QStringLiteral("podcast"));
        if (!window)
            return false;
        window->command(MainWindow::NewPodcast);
        for (int i = 0; i < 3; ++i)
            window->command(MainWindow::AddSlide);
        Story& story = window->story();
        if (story.count() != 4 || !story.isPodcast()) {
            err() << "pictorelle-screenshots: the podcast has " << story.count() << " segments, not 4\n";
            return false;
        }
        story.setTitle(QStringLiteral("The Kitchen Garden Hour, Episode 12"));
        story.setDescription(QStringLiteral("Sowing beans in cold frames, a visit to the allotments by the river "
                                            "and listeners' questions about slugs."));
        story.setTags(QStringLiteral("gardening, vegetables, spring"));
        setCategory(story, 3000000);
        const int lengths[] = {312, 845, 128, 600};
        const char* const titles[] = {"Welcome and the week's weather", "Beans under glass", "At the allotments",
                                      "Your questions"};
        for (int i = 0; i < story.count(); ++i) {
            Slide& segment = *story.slideAt(i);
            segment.setCaption(QString::fromUtf8(titles[i]));
            segment.setHasNarration(true);
            segment.setNarrationLength(lengths[i]);
        }
        story.select(1);
        showStoryChanges(*window);

        QPlainTextEdit* box = window->transcriptBox();
        box->setFocus();
        const QString paragraphs[] = {
            QStringLiteral("Good morning and welcome to the Kitchen Garden Hour. The frost held off this week, "
                           "so the first broad beans went out into the cold frames on Tuesday."),
            QStringLiteral("Later on we walk down to the allotments by the river, where Margaret shows us her "
                           "raised beds and the water butts she built from old barrels."),
            QStringLiteral("And at the end of the hour, as always, your questions. Most of them this week are "
                           "about slugs."),
        };
        for (const QString& paragraph : paragraphs) {
            QTest::keyClicks(box, paragraph);
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Return);
        }
        settle();
        return save(*window, QStringLiteral("podcast.png"));
    }

    bool empty()
    {
        auto window = openWindow(QStringLiteral("empty"));
        if (!window)
            return false;
        settle();
        return save(*window, QStringLiteral("empty.png"));
    }

private:
    //! The program folder of the window named name, ending with "/".
    QString folderFor(const QString& name) const { return m_home + name + QStringLiteral("/"); }

    //! A shown window with a client of ClientSize over a fresh program folder named name;
    //! microphone null: no sound device at all.
    std::unique_ptr<MainWindow> openWindow(const QString& name, AudioBackend* microphone = nullptr)
    {
        const QString folder = folderFor(name);
        if (!QDir().mkpath(folder)) {
            err() << "pictorelle-screenshots: cannot create " << folder << "\n";
            return nullptr;
        }
        auto window =
            std::make_unique<MainWindow>(microphone ? m_services.withMicrophone(folder, &m_importer, *microphone)
                                                    : m_services.forFolder(folder, &m_importer));
        window->move(0, 0);
        window->resize(ClientSize);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            err() << "pictorelle-screenshots: the window was never shown\n";
            return nullptr;
        }
        // The menu bar takes its height from the window: grow the window until the client fits.
        window->resize(window->size() + ClientSize - window->canvas()->size());
        QCoreApplication::processEvents();
        if (window->canvas()->size() != ClientSize) {
            err() << "pictorelle-screenshots: the client is " << window->canvas()->width() << " x "
                  << window->canvas()->height() << ", not " << ClientSize.width() << " x " << ClientSize.height()
                  << "\n";
        }
        // The pointer rests off the window, so no button shows its hover face.
        QCursor::setPos(window->geometry().bottomRight() + QPoint(200, 200));
        return window;
    }

    //! Drops the sample pictures into window's new story, waits for their import and fills in
    //! the story's information, captions and narration lengths. False, said on stderr, when a
    //! picture did not make it.
    bool fillPictureStory(MainWindow& window)
    {
        Story& story = window.story();
        QList<QUrl> urls;
        for (const QString& path : std::as_const(m_scenes))
            urls << QUrl::fromLocalFile(path);
        // Dropped past the last thumbnail: the pictures go to the end in their order.
        const QRect strip = window.strip()->geometry();
        if (window.dropFiles(urls, QPoint(strip.right() - 5, strip.center().y())) != int(urls.size())) {
            err() << "pictorelle-screenshots: the sample pictures were not all added\n";
            return false;
        }
        // The count drops as each result is applied on this thread, so zero means every slide is done.
        if (!waitUntil([&story] { return story.runningImports() == 0; }, 60000)) {
            err() << "pictorelle-screenshots: the picture imports did not finish within a minute\n";
            return false;
        }
        for (int i = 0; i < story.count(); ++i) {
            if (!story.slideAt(i)->isReady()) {
                err() << "pictorelle-screenshots: slide " << i + 1 << " was not imported\n";
                return false;
            }
        }

        story.setTitle(QStringLiteral("A Week Along the Coast"));
        story.setDescription(QStringLiteral("Eight days from the harbour town over the pass to the dunes, with a "
                                            "night under the stars and a balloon ride at dawn."));
        story.setTags(QStringLiteral("travel, coast, hiking, mountains"));
        setCategory(story, 1030000);
        const int narration[] = {42, 35, 58, 0, 21, 60, 0, 0};
        for (int i = 0; i < story.count(); ++i) {
            Slide& slide = *story.slideAt(i);
            slide.setCaption(samplescenes::caption(i));
            slide.setHasNarration(narration[i % std::size(narration)] > 0);
            slide.setNarrationLength(narration[i % std::size(narration)]);
        }
        story.slideAt(2)->setTags(QStringLiteral("lighthouse, cliffs, sea"));
        return true;
    }

    void setCategory(Story& story, int id)
    {
        const QString name = categoryDisplayPath(m_categories, id);
        if (name.isEmpty())
            return;
        story.setCategoryId(id);
        story.setCategoryName(name);
    }

    static void showStoryChanges(MainWindow& window)
    {
        // The panels follow the story by themselves; the layout follows its type.
        window.relayout();
        window.strip()->scrollIntoView(window.story().currentIndex());
        window.strip()->update();
        settle();
    }

    //! window moved onto the screen called screenName, fitted to it there as a user would see
    //! it, then back on the first screen at ClientSize. Skipped, said on stderr, when there is
    //! no such screen.
    bool screenShot(MainWindow& window, const char* screenName, const QString& file)
    {
        QScreen* target = nullptr;
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == QLatin1String(screenName))
                target = screen;
        }
        if (!target) {
            err() << "pictorelle-screenshots: no screen \"" << screenName << "\", no " << file << "\n";
            return true;
        }
        const QPoint home = window.pos();
        window.move(target->availableGeometry().topLeft());
        settle();
        if (window.screen() != target) {
            err() << "pictorelle-screenshots: the window did not move onto the screen \"" << screenName << "\"\n";
            return false;
        }
        if (!target->availableGeometry().contains(window.frameGeometry())) {
            err() << "pictorelle-screenshots: the window reaches off the screen \"" << screenName << "\"\n";
            return false;
        }
        const bool saved = save(window, file);
        window.move(home);
        settle();
        window.resize(window.size() + ClientSize - window.canvas()->size());
        settle();
        return saved;
    }

    //! Presses on the second thumbnail, drags it between the fifth and sixth, takes the picture
    //! with the drag cursor drawn in, then drops it there.
    bool dragShot(MainWindow& window)
    {
        ThumbnailStrip* strip = window.strip();
        const QPoint from(FirstCentreX + SlotPitch, PictureCentreY);
        const QPoint to(FirstCentreX + 4 * SlotPitch + 45, PictureCentreY);
        QTest::mousePress(strip, Qt::LeftButton, {}, from);
        if (strip->dragSource() != 1) {
            err() << "pictorelle-screenshots: pressing on the second thumbnail started no drag\n";
            return false;
        }
        for (int step = 1; step <= 6; ++step)
            QTest::mouseMove(strip, from + (to - from) * step / 6);
        settle();
        QImage shot = window.grab().toImage();
        // A grab leaves the pointer out: draw the drag cursor where the pointer is.
        const QCursor cursor = strip->cursor();
        if (!cursor.pixmap().isNull()) {
            QPainter painter(&shot);
            painter.drawPixmap(strip->mapTo(&window, to) - cursor.hotSpot(), cursor.pixmap());
        }
        const bool saved = saveImage(shot, QStringLiteral("strip-drag.png"));
        QTest::mouseRelease(strip, Qt::LeftButton, {}, to);
        if (!waitUntil([strip] { return strip->dragSource() == -1; }, 2000))
            err() << "pictorelle-screenshots: the drag did not end after the release\n";
        return saved;
    }

    //! The preview player over window's story as it opens on the first slide.
    bool previewShot(MainWindow& window)
    {
        PreviewDialog preview(window.story(), m_services.player, m_services.clock, window.skin(), &window);
        preview.show();
        // A story the player cannot show closes it again at once.
        if (!QTest::qWaitForWindowExposed(&preview) || !preview.isVisible() || preview.shownPictureRect().isEmpty()) {
            err() << "pictorelle-screenshots: the preview showed no picture\n";
            return false;
        }
        const bool saved = saveImage(preview.grab().toImage(), QStringLiteral("preview.png"));
        preview.done(PreviewDialog::CloseCommand);
        return saved;
    }

    //! The checks report for window's story once its tags are gone; the fresh account has no
    //! user name or password either.
    bool checksShot(MainWindow& window, const QString& programFolder)
    {
        window.story().setTags(QString());
        // Without a command hook: after a report of missing story information the window's
        // hook would open the story dialog, modally, with nobody to close it.
        const DialogActions actions = browserDialogActions(m_services.browser, programFolder, m_services.serviceBase);
        const QImage shot = grabModal([&] {
            PublishChecksDialog::run(window.story(), window.account(), PublishChecksDialog::CheckMode, window.skin(),
                                     actions, &window);
        });
        if (shot.isNull()) {
            err() << "pictorelle-screenshots: the checks report never showed\n";
            return false;
        }
        return saveImage(shot, QStringLiteral("publish-checks.png"));
    }

    //! The microphone dialog over window, with the silent microphone at 70 % and a voice on its
    //! level meter.
    bool microphoneShot(MainWindow& window, const QString& programFolder)
    {
        StoredMicrophoneVolume volume(FullMicrophoneVolume, MicrophoneVolume70);
        MicrophoneDialog dialog(
            m_microphone, m_services.player, &volume, m_services.settings, m_services.clock, programFolder,
            browserDialogActions(m_services.browser, programFolder, m_services.serviceBase), window.skin(), &window);
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) {
            err() << "pictorelle-screenshots: the microphone dialog was never shown\n";
            return false;
        }
        // The note only shows when the input did not open or was lost.
        const auto* note = dialog.findChild<QLabel*>(QStringLiteral("note"));
        if (note && !note->isHidden()) {
            err() << "pictorelle-screenshots: the microphone dialog says \"" << note->text() << "\"\n";
            return false;
        }
        // As in the window, the dialog's ticker would show the silent input's level again.
        showSpeech(*dialog.levelMeter());
        const bool saved = saveImage(dialog.grab().toImage(), QStringLiteral("microphone.png"));
        dialog.reject();
        return saved;
    }

    bool save(MainWindow& window, const QString& name) { return saveImage(window.grab().toImage(), name); }

    bool saveImage(const QImage& image, const QString& name)
    {
        const QString path = QDir(m_output).filePath(name);
        if (!image.save(path, "PNG")) {
            err() << "pictorelle-screenshots: cannot write " << path << "\n";
            return false;
        }
        QTextStream(stdout) << path << " (" << image.width() << " x " << image.height() << ")\n";
        return true;
    }

    QString m_output;
    QString m_home;
    QTemporaryDir m_pictures;
    QStringList m_scenes;
    CategoryTree m_categories;
    QuietServices m_services;
    //! The microphone of the recording and the microphone dialog only.
    SilentMicrophone m_microphone;
    PictureImporter m_importer;
};

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir screens;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        QFile config(screens.filePath(QStringLiteral("screens.json")));
        if (screens.isValid() && config.open(QIODevice::WriteOnly) && config.write(ScreenConfig) > 0) {
            config.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    QApplication::setApplicationName(QStringLiteral("Pictorelle Dazuzarid"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool help = args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"));
    if (help || args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        std::fputs("Usage: pictorelle-screenshots OUTPUT_FOLDER\n"
                   "Writes picture-story.png, strip-drag.png, podcast.png, empty.png and recording.png of the\n"
                   "main window, laptop-1366x768.png and picture-story-2x.png of it on a 1366 x 768 screen\n"
                   "and at twice the pixels, and preview.png, publish-checks.png and microphone.png of its\n"
                   "dialogs.\n",
                   help ? stdout : stderr);
        return help ? 0 : 2;
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        err() << "pictorelle-screenshots: no temporary program folder\n";
        return 1;
    }
    Session session(QDir(args[0]).absolutePath(), home.path() + QStringLiteral("/"));
    if (!session.prepare())
        return 1;
    // The recording comes last: windows shown after it drew their text antialiased a shade
    // differently, which made the other shots hard to compare with those of earlier runs.
    const bool ok = session.pictureStory() && session.podcast() && session.empty() && session.recordingAndMicrophone();
    return ok ? 0 : 1;
}
