#include "desktop/dialogs/loadingbox.h"
#include "eventually.h"
#include "fixedclock.h"

#include "pictures/pictureimporter.h"
#include "story/story.h"
#include "story/storyfile.h"
#include "tempfolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

constexpr int Slides = 20;
//! How long a read waits to see the window's timer fire: far beyond a tick when the window
//! runs its events, and a failure (not a hang) when the read blocks them.
constexpr int TickWaitMs = 10000;

struct LoadingBoxFixture : ::testing::Test
{
    TempFolder home;
    PictureImporter importer{2};
    QWidget owner;
    QString storyFile;
    std::unique_ptr<Story> current;

    void SetUp() override
    {
        storyFile = saveStory20();
        current = std::make_unique<Story>(home.path(), &importer);
        current->setTitle("Current");
        owner.setGeometry(100, 100, 600, 400);
    }

    //! A 20-slide picture story with a narration on every slide, saved as the program saves.
    QString saveStory20()
    {
        Story story(home.path(), &importer);
        story.setTitle("Twenty");
        QDir().mkpath(home.path() + "pictures");
        for (int i = 0; i < Slides; ++i) {
            QImage image(48, 32, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 17, 200, 200));
            const QString path = home.file(QString("pictures/p%1.png").arg(i));
            EXPECT_TRUE(image.save(path, "PNG"));
            auto slide = std::make_unique<Slide>(story);
            slide->setSourcePicturePath(path);
            Slide& added = *slide;
            EXPECT_TRUE(story.add(std::move(slide)));
            QFile wav(added.narrationWavPath());
            EXPECT_TRUE(wav.open(QIODevice::WriteOnly) && wav.write("RIFF narration " + QByteArray::number(i)) > 0);
            added.setNarrationLength(3);
            added.setHasNarration(true);
        }
        story.waitForImports();
        const SaveResult saved = saveStory(story, FixedClock());
        EXPECT_TRUE(saved.ok) << saved.error.toStdString();
        return saved.storyFile;
    }

    QStringList stagingLeft() const
    {
        return QDir(home.path()).entryList({"*-load-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

TEST_F(LoadingBoxFixture, GIVEN_A20SlideStory_WHEN_TheBoxReadsIt_THEN_TheWindowKeepsHandlingEventsAndTheStoryEndsLoaded)
{
    QSemaphore ticked;
    std::atomic<bool> readerSawTick{false};
    std::atomic<bool> readOffGuiThread{false};
    const QThread* gui = QThread::currentThread();
    // The real read, held until the window's timer has fired while the read is under way.
    LoadingBox::Reader reader = [&](const QString& path, const QString& workingFolder) {
        readOffGuiThread = QThread::currentThread() != gui;
        readerSawTick = ticked.tryAcquire(1, TickWaitMs);
        return readStoryForLoad(path, workingFolder);
    };
    LoadingBox box(*current, storyFile, &owner, reader);

    int ticksWhileReading = 0;
    QStringList titlesWhileReading;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!box.isReading())
            return;
        if (ticksWhileReading++ == 0)
            ticked.release();
        titlesWhileReading << current->title();
    });
    timer.start();
    box.exec();
    timer.stop();

    EXPECT_TRUE(readOffGuiThread);
    EXPECT_TRUE(readerSawTick);
    EXPECT_GE(ticksWhileReading, 1);
    ASSERT_FALSE(titlesWhileReading.isEmpty());
    EXPECT_EQ(titlesWhileReading.first(), "Current"); // the story is replaced only once the read is done
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_TRUE(box.hasLoaded());
    EXPECT_FALSE(box.isReading());
    EXPECT_TRUE(box.report().opened);
    EXPECT_EQ(box.report().slidesAdded, Slides);
    EXPECT_TRUE(box.report().warnings.isEmpty()) << box.report().warnings.join("; ").toStdString();
    EXPECT_EQ(current->title(), "Twenty");
    EXPECT_EQ(current->storyFilePath(), storyFile);
    ASSERT_EQ(current->count(), Slides);
    EXPECT_EQ(current->totalLength(), 3 * Slides);
    for (int i = 0; i < Slides; ++i) {
        const Slide& s = *current->slideAt(i);
        EXPECT_EQ(s.id(), i + 1);
        EXPECT_TRUE(s.hasNarration()) << i;
        EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF narration " + QByteArray::number(i)) << i;
    }
    EXPECT_EVENTUALLY(current->runningImports() == 0);
    for (int i = 0; i < Slides; ++i)
        EXPECT_TRUE(current->slideAt(i)->isReady()) << i;
    // Nothing of the read is left beside the working folder.
    EXPECT_EQ(stagingLeft(), QStringList());
}

TEST_F(LoadingBoxFixture, GIVEN_AFileThatCannotBeOpened_WHEN_TheBoxReadsIt_THEN_TheStoryIsResetAndTheReportSaysSo)
{
    const QString missing = home.file("save/gone/gone.sld");
    LoadingBox box(*current, missing, &owner);
    box.exec();

    EXPECT_TRUE(box.hasLoaded());
    EXPECT_FALSE(box.report().opened);
    EXPECT_EQ(box.report().warnings,
              QStringList{"The story file " + QDir::toNativeSeparators(missing) + " could not be opened."});
    EXPECT_EQ(current->title(), "");
    EXPECT_EQ(current->count(), 0);
}

TEST_F(LoadingBoxFixture, GIVEN_AReadUnderWay_WHEN_TheBoxGoes_THEN_ItWaitsForTheReadAndLeavesTheStoryAlone)
{
    QSemaphore mayRead;
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    LoadingBox::Reader reader = [&](const QString& path, const QString& workingFolder) {
        started = true;
        mayRead.tryAcquire(1, TickWaitMs);
        LoadedStory loaded = readStoryForLoad(path, workingFolder);
        finished = true;
        return loaded;
    };
    auto box = std::make_unique<LoadingBox>(*current, storyFile, &owner, reader);
    box->show();
    ASSERT_EVENTUALLY(started.load());
    EXPECT_TRUE(box->isReading());

    mayRead.release();
    box.reset();
    EXPECT_TRUE(finished);
    QCoreApplication::processEvents();
    EXPECT_EQ(current->title(), "Current");
    EXPECT_EQ(current->count(), 0);
    EXPECT_EQ(stagingLeft(), QStringList());
}

} // namespace
