#include "mainwindowfixture.h"
#include "shell/settingsfile.h"
#include "shell/useraccount.h"

#include "desktop/widgets/panelvalue.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/slideview.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "desktop/windows/mainlayout.h"
#include "story/slide.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace {

QString labelText(const MainWindow& window, const char* name)
{
    if (const QLabel* label = window.findChild<QLabel*>(QLatin1String(name)))
        return label->text();
    if (const PanelValue* value = window.findChild<PanelValue*>(QLatin1String(name)))
        return value->text();
    return QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

QAction* menuAction(const MainWindow& window, int id)
{
    for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
        if (action->data().toInt() == id && !action->menu())
            return action;
    }
    return nullptr;
}

} // namespace

TEST_F(MainWindowTest, GivenTwoWindowSizesThenTheControlsFollowTheLayout)
{
    showWithClient(1000, 800);
    ASSERT_EQ(window->canvas()->size(), QSize(1000, 800));
    EXPECT_EQ(window->slideView()->geometry(), QRect(300, 217, 692, 503));
    EXPECT_EQ(window->strip()->geometry(), QRect(7, 50, 985, 150));
    EXPECT_EQ(window->button(MainWindow::RecordCommand)->geometry(), QRect(523, 755, 47, 26));
    EXPECT_EQ(window->timeDisplay()->geometry(), QRect(797, 728, 82, 32));
    EXPECT_FALSE(window->transcriptBox()->isVisible());

    showWithClient(1200, 900);
    ASSERT_EQ(window->canvas()->size(), QSize(1200, 900));
    EXPECT_EQ(window->slideView()->geometry(), QRect(300, 217, 892, 603));
    EXPECT_EQ(window->button(MainWindow::LogoCommand)->geometry(), QRect(1020, 7, 172, 34));
    EXPECT_EQ(window->button(MainWindow::EditSlide)->geometry(), QRect(210, 690, 66, 26));
}

TEST_F(MainWindowTest, GivenNewPodcastThenTheTranscriptControlsReplaceThePictureAndSlidePanel)
{
    showWithClient(1000, 800);
    window->command(MainWindow::NewPodcast);
    EXPECT_EQ(window->story().type(), 2);
    EXPECT_EQ(window->story().count(), 1);
    EXPECT_FALSE(window->story().isModified());
    EXPECT_EQ(window->transcriptBox()->geometry(), QRect(300, 272, 692, 448));
    EXPECT_TRUE(window->transcriptBox()->isVisible());
    EXPECT_TRUE(window->transcriptCheck()->isChecked());
    EXPECT_FALSE(window->slideView()->isVisible());
    EXPECT_FALSE(window->button(MainWindow::EditSlide)->isVisible());
    EXPECT_EQ(labelText(*window, "storyHeading"), "Podcast");

    window->command(MainWindow::NewPictorelle);
    EXPECT_EQ(window->story().type(), 1);
    EXPECT_TRUE(window->slideView()->isVisible());
    EXPECT_FALSE(window->transcriptBox()->isVisible());
    EXPECT_EQ(labelText(*window, "storyHeading"), "Pictorelle Info");
}

TEST_F(MainWindowTest, GivenTheWindowThenItsNamesAndMenuAreThoseOfTheProgram)
{
    EXPECT_EQ(window->objectName(), "Pictorelle Dazuzarid");
    EXPECT_EQ(window->windowTitle(), "Pictorelle Dazuzarid");
    EXPECT_EQ(window->strip()->objectName(), "THUMB_CLASS");
    EXPECT_EQ(window->slideView()->objectName(), "PREVIEW_CLASS");
    const std::pair<int, const char*> items[] = {{105, "&New Pictorelle"},
                                                 {109, "New &Podcast"},
                                                 {110, "&Load Pictorelle"},
                                                 {120, "&Save Pictorelle"},
                                                 {140, "E&xit"},
                                                 {115, "&Add Slide"},
                                                 {106, "Pre&view"},
                                                 {116, "&Check Pictorelle for errors"},
                                                 {107, "&Publish to PictorelleWeb"},
                                                 {111, "&Program Settings"},
                                                 {114, "&Help"},
                                                 {117, "&Tutorial"},
                                                 {112, "&Visit PictorelleWeb"},
                                                 {113, "Check for Program &Updates"},
                                                 {141, "&About"}};
    for (const auto& [id, text] : items) {
        QAction* action = menuAction(*window, id);
        ASSERT_NE(action, nullptr) << id;
        EXPECT_EQ(action->text(), QString::fromUtf8(text));
    }
}

// ---- Panels -------------------------------------------------------------------------------

TEST_F(MainWindowTest, GivenAnEmptyStoryThenThePanelsShowTheirEmptyTexts)
{
    EXPECT_EQ(labelText(*window, "categoryValue"), "No Category Selected");
    EXPECT_EQ(labelText(*window, "lengthValue"), "0:00");
    EXPECT_EQ(labelText(*window, "slidesValue"), "0");
    EXPECT_EQ(labelText(*window, "slideHeading"), "Slide info");
    EXPECT_EQ(labelText(*window, "slidePosition"), "Slide");
    EXPECT_EQ(labelText(*window, "captionValue"), "(optional)");
    EXPECT_EQ(labelText(*window, "slideTagsValue"), "(optional)");
    EXPECT_EQ(labelText(*window, "slideLengthValue"), "");
    EXPECT_EQ(window->timeDisplay()->word(), "");
    EXPECT_EQ(window->timeDisplay()->timeText(), "");
}

TEST_F(MainWindowTest, GivenSlidesThenThePanelsShowTheCurrentSlideAndTheTotals)
{
    addPictures(3);
    window->story().slideAt(0)->setNarrationLength(65);
    window->story().slideAt(0)->setHasNarration(true);
    window->story().slideAt(1)->setNarrationLength(9);
    window->story().slideAt(1)->setCaption(QStringLiteral("Harbour at dawn"));
    window->story().setCategoryId(2030400);
    window->story().setCategoryName(QStringLiteral("Lifestyle > Travel > Africa"));
    window->story().select(1);
    EXPECT_EQ(labelText(*window, "lengthValue"), "1:14");
    EXPECT_EQ(labelText(*window, "slidesValue"), "3");
    EXPECT_EQ(labelText(*window, "categoryValue"), "Lifestyle > Travel > Africa");
    EXPECT_EQ(labelText(*window, "slideHeading"), "Slide 2 info");
    EXPECT_EQ(labelText(*window, "slidePosition"), "2 of 3");
    EXPECT_EQ(labelText(*window, "captionValue"), "Harbour at dawn");
    EXPECT_EQ(labelText(*window, "slideLengthValue"), "0:09");
    EXPECT_EQ(window->timeDisplay()->word(), "Stopped   ");
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:09");

    window->command(MainWindow::NextSlide);
    EXPECT_EQ(window->story().currentIndex(), 2);
    EXPECT_EQ(labelText(*window, "slidePosition"), "3 of 3");
    window->command(MainWindow::NextSlide);
    EXPECT_EQ(window->story().currentIndex(), 2);
    window->command(MainWindow::PreviousSlide);
    window->command(MainWindow::PreviousSlide);
    window->command(MainWindow::PreviousSlide);
    EXPECT_EQ(window->story().currentIndex(), 0);
    EXPECT_EQ(window->timeDisplay()->timeText(), "1:05");
}

// ---- Commands on an empty story -----------------------------------------------------------

TEST_F(MainWindowTest, GivenAnEmptyStoryThenEditSlideAndCueCardsExplainAndTheAudioButtonsDoNothing)
{
    window->command(MainWindow::EditSlide);
    window->command(MainWindow::CueCards);
    ASSERT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(prompter.messages[0], "Pictorelle|You need to add a slide image before editing the slide info.");
    EXPECT_EQ(prompter.messages[1], "Pictorelle|You need to add a slide image before using Cue Cards.");
    for (int id : {MainWindow::PlayCommand, MainWindow::RecordCommand, MainWindow::StopCommand,
                   MainWindow::PreviousSlide, MainWindow::NextSlide, MainWindow::SaveStory})
        window->command(id);
    EXPECT_EQ(prompter.messages.size(), 2);
    EXPECT_EQ(audio.inputPortsMade, 0);
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_FALSE(QDir(home.path() + "save").exists());
    EXPECT_FALSE(window->story().isModified());
}

// ---- New, save and the save-changes prompt ------------------------------------------------

TEST_F(MainWindowTest, GivenAnUnchangedStoryThenNewResetsWithoutAsking)
{
    addPictures(1);
    window->story().setModified(false);
    window->command(MainWindow::NewPictorelle);
    EXPECT_EQ(prompter.saveQuestions, 0);
    EXPECT_EQ(window->story().count(), 0);
}

TEST_F(MainWindowTest, GivenAChangedStoryThenNewAsksAndCancelKeepsEverything)
{
    addPictures(2);
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::Cancel};
    window->command(MainWindow::NewPictorelle);
    EXPECT_EQ(prompter.saveQuestions, 1);
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_TRUE(window->story().isModified());
}

TEST_F(MainWindowTest, GivenAChangedStoryThenNewAnsweredNoDiscardsWithoutSaving)
{
    addPictures(2);
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    window->command(MainWindow::NewPodcast);
    EXPECT_EQ(window->story().count(), 1);
    EXPECT_TRUE(window->story().isPodcast());
    EXPECT_FALSE(QDir(home.path() + "save").exists());
}

TEST_F(MainWindowTest, GivenASavedStoryThenYesSavesQuietlyIntoItsFolderBeforeTheReset)
{
    addPictures(2);
    window->story().setTitle(QStringLiteral("Coast walk"));
    window->command(MainWindow::SaveStory);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].contains("Coast walk")) << prompter.messages[0].toStdString();
    const QString file = window->story().storyFilePath();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(window->story().isModified());

    window->story().setTitle(QStringLiteral("Coast walk, second"));
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::Yes};
    window->command(MainWindow::NewPictorelle);
    EXPECT_EQ(prompter.messages.size(), 1) << "the save from the prompt is quiet";
    EXPECT_EQ(window->story().count(), 0);
    EXPECT_EQ(QDir(home.path() + "save").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(saved.readAll().constData()));
    EXPECT_TRUE(text.contains("Coast walk, second"));
}

TEST_F(MainWindowTest, GivenAFailingSaveThenTheUserIsToldAndTheStoryStaysChanged)
{
    addPictures(1);
    window->story().setModified(true);
    // A plain file where the save folder belongs makes every save fail.
    QFile blocker(home.path() + "save");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    window->command(MainWindow::SaveStory);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith("Pictorelle|"));
    EXPECT_TRUE(window->story().isModified());
}

// ---- Closing ------------------------------------------------------------------------------

TEST_F(MainWindowTest, GivenAChangedStoryThenClosingAsksAndCancelKeepsTheWindowOpen)
{
    window->show();
    addPictures(1);
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::Cancel, Prompter::SaveAnswer::No};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(QFile::exists(home.path() + "pictorelle.ini"));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(prompter.saveQuestions, 2);
    EXPECT_TRUE(QFile::exists(home.path() + "pictorelle.ini")) << "closing writes the settings";
}

TEST_F(MainWindowTest, GivenBackgroundWorkThenCloseIsIgnoredSilentlyUntilItEnds)
{
    window->show();
    window->story().setMp3Position(3);
    window->story().setModified(true);
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompter.saveQuestions, 0);
    EXPECT_TRUE(prompter.messages.isEmpty());
    window->story().setMp3Position(-1);
    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    EXPECT_TRUE(window->close());
}

TEST_F(MainWindowTest, GivenAPictureStillImportingThenCloseWaitsForIt)
{
    window->show();
    auto slide = std::make_unique<Slide>(window->story());
    slide->setSourcePicturePath(picture("big.png", QSize(3000, 2000)));
    ASSERT_TRUE(window->story().add(std::move(slide)));
    window->story().setModified(false);
    ASSERT_GT(window->story().runningImports(), 0);
    EXPECT_FALSE(window->close());
    window->story().waitForImports();
    EXPECT_TRUE(window->close());
}

// ---- Adding pictures ----------------------------------------------------------------------

TEST_F(MainWindowTest, GivenAddSlideThenOnlySupportedPicturesAreAddedAndTheFolderIsRemembered)
{
    settings.setAddPhotoFolder(home.path() + "start");
    prompter.pictureToChoose = picture("Beach.PNG");
    window->command(MainWindow::AddSlide);
    EXPECT_EQ(prompter.pictureFolders, QStringList{home.path() + "start"});
    EXPECT_EQ(window->story().count(), 1);
    EXPECT_TRUE(window->story().isModified());
    EXPECT_EQ(settings.addPhotoFolder(), home.path() + "pictures");

    window->story().setModified(false);
    QDir().mkpath(home.path() + "other");
    prompter.pictureToChoose = home.write("other/picture.tga", "not really");
    window->command(MainWindow::AddSlide);
    EXPECT_EQ(window->story().count(), 1);
    EXPECT_FALSE(window->story().isModified());
    EXPECT_EQ(settings.addPhotoFolder(), home.path() + "other") << "an unsupported choice still moves the folder";

    prompter.pictureToChoose.clear();
    window->command(MainWindow::AddSlide);
    EXPECT_EQ(settings.addPhotoFolder(), home.path() + "other");
    window->story().waitForImports();
}

TEST_F(MainWindowTest, GivenAddSlideThenTheCurrentSlideShowsItsFrame)
{
    showWithClient(1000, 800);
    ThumbnailStrip& strip = *window->strip();
    prompter.pictureToChoose = picture("first.png");
    window->command(MainWindow::AddSlide);
    window->story().waitForImports();
    ASSERT_EQ(window->story().count(), 1);
    EXPECT_TRUE(strip.isSelected(0));

    // A click beside the thumbnails takes the frame away; the next slide added brings it back.
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(strip.width() - 30, 50));
    ASSERT_FALSE(strip.isSelected(0));
    prompter.pictureToChoose = picture("second.png");
    window->command(MainWindow::AddSlide);
    window->story().waitForImports();
    ASSERT_EQ(window->story().count(), 2);
    EXPECT_TRUE(strip.isSelected(window->story().currentIndex()));
    EXPECT_FALSE(strip.isSelected(1 - window->story().currentIndex()));
}

TEST_F(MainWindowTest, GivenAPodcastThenAddSlideAppendsASegmentWithoutAsking)
{
    window->command(MainWindow::NewPodcast);
    window->command(MainWindow::AddSlide);
    EXPECT_TRUE(prompter.pictureFolders.isEmpty());
    ASSERT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->story().slideAt(1)->kind(), SlideKind::Segment);
    EXPECT_EQ(window->story().currentIndex(), 1);
    EXPECT_TRUE(window->story().isModified());
}

TEST_F(MainWindowTest, GivenADropOfMixedThingsThenOnlyThePicturesBecomeSlides)
{
    QDir().mkpath(home.path() + "folder.png");
    const QString txt = home.write("notes.txt", "text");
    const QString a = picture("a.png");
    const QString b = picture("b.png");
    const QString link = home.path() + "link.png";
    ASSERT_TRUE(QFile::link(a, link));
    const QList<QUrl> urls = {QUrl::fromLocalFile(home.path() + "folder.png"),
                              QUrl::fromLocalFile(link),
                              QUrl::fromLocalFile(txt),
                              QUrl::fromLocalFile(a),
                              QUrl::fromLocalFile(b),
                              QUrl(QStringLiteral("https://example.com/c.png"))};
    EXPECT_EQ(window->dropFiles(urls, QPoint(900, 120)), 2);
    ASSERT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->story().slideAt(0)->chosenPicturePath(), a);
    EXPECT_EQ(window->story().slideAt(1)->chosenPicturePath(), b);
    EXPECT_TRUE(window->story().isModified());
    window->story().waitForImports();
}

TEST_F(MainWindowTest, GivenFilesDroppedBetweenTwoSlidesThenTheyGoThereInReverseOrder)
{
    addPictures(2);
    const QString c = picture("c.png");
    const QString d = picture("d.png");
    // x 100 lies between the first slide's centre (57) and the second's (152).
    EXPECT_EQ(window->dropFiles({QUrl::fromLocalFile(c), QUrl::fromLocalFile(d)}, QPoint(100, 120)), 2);
    ASSERT_EQ(window->story().count(), 4);
    EXPECT_EQ(window->story().slideAt(1)->chosenPicturePath(), d);
    EXPECT_EQ(window->story().slideAt(2)->chosenPicturePath(), c);
    window->story().waitForImports();
}

TEST_F(MainWindowTest, GivenAPodcastThenDropsAddNothing)
{
    window->command(MainWindow::NewPodcast);
    EXPECT_EQ(window->dropFiles({QUrl::fromLocalFile(picture("a.png"))}, QPoint(10, 100)), 0);
    EXPECT_EQ(window->story().count(), 1);
}

TEST_F(MainWindowTest, GivenARealDropEventThenTheCanvasHandsTheUrisToTheWindow)
{
    showWithClient(1000, 800);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(picture("drop.jpg"))});
    const QPoint at(500, 400);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->canvas(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->canvas(), &drop);
    EXPECT_EQ(window->story().count(), 1);
    window->story().waitForImports();
}

// ---- Keys, wheel, narration commands ------------------------------------------------------

TEST_F(MainWindowTest, GivenArrowKeysOnTheWindowThenTheyMoveBetweenSlides)
{
    showWithClient(1000, 800);
    addPictures(3);
    window->story().select(0);
    window->canvas()->setFocus();
    QTest::keyClick(window->canvas(), Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->story().currentIndex(), 1);
    QTest::keyClick(window->canvas(), Qt::Key_Left);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->story().currentIndex(), 0);
}

TEST_F(MainWindowTest, GivenTheWheelOverTheWindowOrTheStripThenBothScrollTheStripTheSameWayOneStepPerNotch)
{
    showWithClient(1000, 800);
    addPictures(20);
    ThumbnailStrip& strip = *window->strip();
    strip.resetScroll();
    ASSERT_GT(strip.scrollMaximum(), 5 * 95);
    const auto turn = [](QWidget* over, int delta) {
        const QPoint at(over->width() / 2, over->height() / 2);
        QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(over, &wheel);
    };
    // Towards the user: on along the row, over the window as over the strip.
    turn(window->canvas(), -120);
    EXPECT_EQ(strip.scrollTarget(), 95);
    turn(&strip, -120);
    EXPECT_EQ(strip.scrollTarget(), 2 * 95);
    turn(window->canvas(), -360);
    EXPECT_EQ(strip.scrollTarget(), 5 * 95);
    // Away from the user: back towards the first slide, both alike.
    turn(window->canvas(), 120);
    EXPECT_EQ(strip.scrollTarget(), 4 * 95);
    turn(&strip, 120);
    EXPECT_EQ(strip.scrollTarget(), 3 * 95);
    turn(window->canvas(), 240);
    EXPECT_EQ(strip.scrollTarget(), 95);
    turn(&strip, 240);
    EXPECT_EQ(strip.scrollTarget(), 0);
}

TEST_F(MainWindowTest, GivenANarrationThenClearAsksAndOnlyAYesThrowsItAway)
{
    addPictures(1);
    Slide* slide = window->story().slideAt(0);
    const QString wav = home.write("temp/narration.wav", "RIFF");
    slide->setNarrationWavPath(wav);
    slide->setHasNarration(true);
    slide->setNarrationLength(12);
    window->story().setModified(false);

    prompter.narrationAnswers = {false};
    window->command(MainWindow::ClearNarration);
    EXPECT_TRUE(slide->hasNarration());
    EXPECT_FALSE(window->story().isModified());

    prompter.narrationAnswers = {true};
    window->command(MainWindow::ClearNarration);
    EXPECT_FALSE(slide->hasNarration());
    EXPECT_EQ(slide->narrationLength(), 0);
    EXPECT_TRUE(window->story().isModified());
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:00");
    ASSERT_EQ(prompter.narrationPrompts.size(), 2u);
    EXPECT_EQ(prompter.narrationPrompts[0], Prompter::NarrationPrompt::Clear);

    window->command(MainWindow::ClearNarration);
    EXPECT_EQ(prompter.narrationPrompts.size(), 2u) << "nothing to clear: no question";
}

// ---- Help and web pages -------------------------------------------------------------------

TEST_F(MainWindowTest, GivenTheHelpMenuThenPagesOpenThroughTheDesktopWithTheirAddresses)
{
    home.write(QStringLiteral("docs/introduction.htm"), "<html></html>");
    menuAction(*window, MainWindow::HelpCommand)->trigger();
    menuAction(*window, MainWindow::VisitWebsite)->trigger();
    menuAction(*window, MainWindow::CheckForUpdates)->trigger();
    ASSERT_EQ(browser.opened.size(), 3);
    EXPECT_EQ(browser.opened[0], QUrl::fromLocalFile(home.path() + "docs/introduction.htm"));
    EXPECT_EQ(browser.opened[1].toString(), "http://web.test:81");
    EXPECT_EQ(browser.opened[2].toString(), "http://web.test:81/?page=check&ver=1.0");
}

// ---- Settings and the working folder ------------------------------------------------------

TEST_F(MainWindowTest, GivenNoSettingsFileThenLoadReportsAFirstStartAndClosingWritesOne)
{
    EXPECT_FALSE(window->loadSettings());
    window->show();
    window->move(40, 60);
    window->resize(900, 820);
    QCoreApplication::processEvents();
    window->story().setModified(false);
    ASSERT_TRUE(window->close());
    window.reset();

    ProgramSettings reread;
    UserAccount account;
    ASSERT_TRUE(SettingsFile::load(home.path() + "pictorelle.ini", reread, account));
    EXPECT_EQ(reread.windowWidth(), 900);
    EXPECT_EQ(reread.windowHeight(), 820);

    createWindow();
    EXPECT_TRUE(window->loadSettings());
    EXPECT_EQ(window->size(), QSize(900, 820));
}

TEST_F(MainWindowTest, GivenLeftoversInTheWorkingFolderThenANewWindowRemovesOnlyMediaFiles)
{
    window.reset();
    const QString jpg = home.write("temp/old.jpg", "x");
    const QString wav = home.write("temp/podcast.wav", "x");
    const QString mp3 = home.write("temp/c1.mp3", "x");
    const QString txt = home.write("temp/keep.txt", "x");
    createWindow();
    EXPECT_FALSE(QFile::exists(jpg));
    EXPECT_FALSE(QFile::exists(wav));
    EXPECT_FALSE(QFile::exists(mp3));
    EXPECT_TRUE(QFile::exists(txt));
}

// ---- The podcast transcript ---------------------------------------------------------------

TEST_F(MainWindowTest, GivenPastingIntoTheTranscriptThenTheBoxKeepsFiftyThousand)
{
    window->command(MainWindow::NewPodcast);
    window->transcriptBox()->setPlainText(QString(50010, QLatin1Char('a')));
    EXPECT_EQ(window->transcriptBox()->toPlainText().size(), 50000);
    window->transcriptCheck()->click();
    EXPECT_EQ(window->story().transcript().size(), 50000);
    EXPECT_FALSE(window->story().transcriptPublish());
}

TEST_F(MainWindowTest, GivenTypingInTheTranscriptThenTheStoryIsChangedUntilSavedAndClosingAsks)
{
    showWithClient(1000, 800);
    window->command(MainWindow::NewPodcast);
    auto segment = std::make_unique<Slide>(window->story());
    segment->setKind(SlideKind::Segment);
    ASSERT_TRUE(window->story().add(std::move(segment)));
    window->story().setModified(false);
    // Filling the box from the story is no edit.
    EXPECT_FALSE(window->story().isModified());

    QTest::keyClicks(window->transcriptBox(), QStringLiteral("Show notes"));
    EXPECT_TRUE(window->story().isModified());

    window->command(MainWindow::SaveStory, 1);
    ASSERT_FALSE(window->story().isModified());
    EXPECT_EQ(window->story().transcript(), "Show notes");

    // The next keystroke counts again, and so does the publish switch.
    QTest::keyClicks(window->transcriptBox(), QStringLiteral("!"));
    EXPECT_TRUE(window->story().isModified());
    window->command(MainWindow::SaveStory, 1);
    ASSERT_FALSE(window->story().isModified());
    QTest::mouseClick(window->transcriptCheck(), Qt::LeftButton, {}, QPoint(6, 8));
    EXPECT_TRUE(window->story().isModified());

    // Closing now asks; Cancel keeps the window and the text.
    prompter.saveAnswers = {Prompter::SaveAnswer::Cancel};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompter.saveQuestions, 1);
    EXPECT_EQ(window->transcriptBox()->toPlainText(), "Show notes!");
}

TEST_F(MainWindowTest, GivenTheWindowThenNewSlidesWaitBehindTheProgramsOwnPlaceholderPicture)
{
    const Slide slide(window->story());
    EXPECT_EQ(slide.thumbnail(),
              SkinResources::placeholderThumbnailImage().scaled(75, 75).convertToFormat(QImage::Format_RGB32));
}

TEST_F(MainWindowTest, GivenADescriptionLongerThanItsFourRowsThenOnlyWholeLinesShowAndTheLastIsShortened)
{
    showWithClient(1000, 800);
    window->story().setDescription(QString(QStringLiteral("harbour lights and ")).repeated(12));
    const auto* value = window->findChild<PanelValue*>(QStringLiteral("descriptionValue"));
    ASSERT_NE(value, nullptr);
    const QStringList lines = value->visibleLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines.last().endsWith(QChar(0x2026))) << lines.last().toStdString();
    for (const QString& line : lines)
        EXPECT_LE(QFontMetrics(value->font()).horizontalAdvance(line), 210);

    window->story().setDescription(QStringLiteral("One line\r\nand a second"));
    EXPECT_EQ(value->visibleLines(), QStringList({"One line", "and a second"}));
}
