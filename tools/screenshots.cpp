// pictorelle-screenshots: pictures of the main window in typical states, for reviewing its look.
//   pictorelle-screenshots OUTPUT_FOLDER
// Writes picture-story.png, strip-drag.png, podcast.png and empty.png. Runs on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise; plays, records and opens nothing.

#include "app/categorychooser.h"
#include "app/categorytree.h"
#include "app/mainwindow.h"
#include "pictures/pictureimporter.h"
#include "story/slide.h"
#include "story/story.h"
#include "views/thumbnailstrip.h"

#include "quietservices.h"
#include "samplescenes.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QUrl>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

const QSize ClientSize(1000, 800);
// Thumbnail geometry of the strip, in strip pixels while unscrolled.
constexpr int PictureCentreY = 57;
constexpr int FirstCentreX = 57;
constexpr int SlotPitch = Story::SlotPitch;

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

    bool pictureStoryAndDrag()
    {
        auto window = openWindow(QStringLiteral("pictures"));
        if (!window)
            return false;
        Story& story = window->story();
        QList<QUrl> urls;
        for (const QString& path : std::as_const(m_scenes))
            urls << QUrl::fromLocalFile(path);
        // Dropped past the last thumbnail: the pictures go to the end in their order.
        const QRect strip = window->strip()->geometry();
        if (window->dropFiles(urls, QPoint(strip.right() - 5, strip.center().y())) != int(urls.size())) {
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
        story.select(2);
        showStoryChanges(*window);
        if (!save(*window, QStringLiteral("picture-story.png")))
            return false;
        return dragShot(*window);
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
        window->copyTranscriptIntoStory();
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
    //! A shown window with a client of ClientSize over a fresh program folder named name.
    std::unique_ptr<MainWindow> openWindow(const QString& name)
    {
        const QString folder = m_home + name + QStringLiteral("/");
        if (!QDir().mkpath(folder)) {
            err() << "pictorelle-screenshots: cannot create " << folder << "\n";
            return nullptr;
        }
        auto window = std::make_unique<MainWindow>(m_services.forFolder(folder, &m_importer));
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
        window.refreshStoryPanel();
        window.refreshSlidePanel(true);
        window.refreshTimeDisplay();
        window.relayout();
        window.strip()->scrollIntoView(window.story().currentIndex());
        window.strip()->update();
        settle();
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
    PictureImporter m_importer;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication::setApplicationName(QStringLiteral("Pictorelle Dazuzarid"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool help = args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"));
    if (help || args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        std::fputs("Usage: pictorelle-screenshots OUTPUT_FOLDER\n"
                   "Writes picture-story.png, strip-drag.png, podcast.png and empty.png of the main window.\n",
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
    const bool ok = session.pictureStoryAndDrag() && session.podcast() && session.empty();
    return ok ? 0 : 1;
}
