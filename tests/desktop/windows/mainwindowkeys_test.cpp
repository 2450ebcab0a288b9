#include "mainwindowfixture.h"
#include "modalhelper.h"

#include "desktop/widgets/panelvalue.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/slideview.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "shell/programfolder.h"
#include "story/editstorytextcommand.h"
#include "story/slide.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QMenu>

#include <algorithm>
#include <utility>

namespace {

QStringList savedStories(const TempFolder& home)
{
    QStringList files;
    QDirIterator it(programfolder::saveFolder(home.path()), {QStringLiteral("*.sld")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// Where a Tab stop stands in the canvas; the slide view, which spans several rows, in the
// row of its rotate buttons.
QRect tabPlace(MainWindow& window, const QWidget* stop)
{
    SlideView* view = window.slideView();
    if (stop == view) {
        const QRect buttons = view->rotateLeftButton()->geometry();
        return QRect(view->x(), view->y() + buttons.y(), view->width(), buttons.height());
    }
    return QRect(stop->mapTo(window.canvas(), QPoint(0, 0)), stop->size());
}

QAction* editAction(MainWindow& window, const QString& text)
{
    for (QAction* menu : window.menuBar()->actions()) {
        if (menu->text() != QStringLiteral("&Edit") || !menu->menu())
            continue;
        for (QAction* item : menu->menu()->actions()) {
            if (item->text() == text)
                return item;
        }
    }
    return nullptr;
}

} // namespace

//! The window shown, active, with the keyboard in the strip.
class MainWindowKeysTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        showWithClient(1000, 800);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->strip()->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(window->strip()->hasFocus());
    }

    //! Sends key to whatever has the keyboard, then lets posted commands run.
    void press(const QKeySequence& key)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keySequence(target, key);
        QCoreApplication::processEvents();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }
};

TEST_F(MainWindowKeysTest, NewAsksAboutUnsavedWorkThenStartsAFreshStory)
{
    window->story().setTitle(QStringLiteral("Harbour"));
    window->story().setModified(true);
    prompter.saveAnswers = {Prompter::SaveAnswer::Cancel, Prompter::SaveAnswer::No};

    press(QKeySequence::New);
    EXPECT_EQ(prompter.saveQuestions, 1);
    EXPECT_EQ(window->story().title(), "Harbour") << "Cancel keeps the story";

    press(QKeySequence::New);
    EXPECT_EQ(prompter.saveQuestions, 2);
    EXPECT_TRUE(window->story().title().isEmpty());
    EXPECT_FALSE(window->story().isModified());
}

TEST_F(MainWindowKeysTest, SaveStoresTheStoryAndSaysSo)
{
    window->story().setTitle(QStringLiteral("Harbour"));
    window->story().setModified(true);
    press(QKeySequence::Save);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith("File -> Save|")) << prompter.messages[0].toStdString();
    EXPECT_FALSE(window->story().isModified());
    EXPECT_EQ(savedStories(home).size(), 1);
}

TEST_F(MainWindowKeysTest, OpenShowsTheStoryLibrary)
{
    QString opened;
    whenModalOpens([&opened](QDialog& dialog) {
        opened = dialog.objectName();
        dialog.reject();
    });
    press(QKeySequence::Open);
    EXPECT_EQ(opened, "LOAD_BOX");
}

TEST_F(MainWindowKeysTest, QuitAsksAboutUnsavedWorkAndCancelKeepsTheWindow)
{
    window->story().setModified(true);
    window->story().setTitle(QStringLiteral("Harbour"));
    prompter.saveAnswers = {Prompter::SaveAnswer::Cancel};
    // Ctrl+Q, as Linux desktops have it, whatever the platform's key scheme.
    press(QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(prompter.saveQuestions, 1);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowKeysTest, UndoAndRedoKeysTakeBackAndRepeatAnEdit)
{
    window->story().push(new EditStoryTextCommand(window->story(), EditField::Title, QStringLiteral("Harbour")));
    ASSERT_EQ(window->story().title(), "Harbour");

    press(QKeySequence::Undo);
    EXPECT_TRUE(window->story().title().isEmpty());
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->story().title(), "Harbour");
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(window->story().title().isEmpty());
    press(QKeySequence::Redo);
    EXPECT_EQ(window->story().title(), "Harbour");
}

TEST_F(MainWindowKeysTest, CtrlRStartsARecordingAndStopsIt)
{
    addPictures(1);
    press(Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_TRUE(window->button(MainWindow::RecordCommand)->isLatched());
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(audio.input->capture(1));

    // Not a pause: the second press finishes the take.
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_TRUE(QFile::exists(window->story().slideAt(0)->narrationWavPath()));
    EXPECT_EQ(window->story().undoStack()->undoText(), "Record Narration");
}

TEST_F(MainWindowKeysTest, SpaceInTheStripStartsARecordingAndStopsIt)
{
    addPictures(1);
    press(Qt::Key_Space);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(audio.input->capture(1));
    press(Qt::Key_Space);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_TRUE(window->story().slideAt(0)->hasNarration());
}

TEST_F(MainWindowKeysTest, LeftAndRightInTheStripSelectTheNeighbourUpToTheEnds)
{
    addPictures(3);
    window->story().select(0);
    press(Qt::Key_Right);
    EXPECT_EQ(window->story().currentIndex(), 1);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    EXPECT_EQ(window->story().currentIndex(), 2);
    press(Qt::Key_Left);
    EXPECT_EQ(window->story().currentIndex(), 1);
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    EXPECT_EQ(window->story().currentIndex(), 0);
}

TEST_F(MainWindowKeysTest, DeleteInTheStripAsksAndDeletesOnlyOnYes)
{
    addPictures(2);
    window->story().select(1);
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->strip()->isSelected(1));

    press(Qt::Key_Delete);
    ASSERT_EQ(prompter.questions.size(), 1);
    EXPECT_TRUE(prompter.questions[0].startsWith("Pictorelle|Delete slide 2?")) << prompter.questions[0].toStdString();
    EXPECT_EQ(window->story().count(), 2) << "No keeps the slide";

    prompter.yesNoAnswers = {true};
    press(Qt::Key_Delete);
    EXPECT_EQ(prompter.questions.size(), 2);
    EXPECT_EQ(window->story().count(), 1);
}

TEST_F(MainWindowKeysTest, TabGoesThroughTheToolButtonsInLayoutOrderAndSpaceClicksTheFocusedOne)
{
    QList<QWidget*> visited;
    for (int i = 0; i < 40; ++i) {
        press(Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (visited.contains(focus))
            break;
        visited << focus;
    }
    // The round starts at the strip: from the top left control on, it runs in layout order.
    const auto place = [this](const QWidget* stop) { return tabPlace(*window, stop); };
    const auto topLeft = std::min_element(visited.begin(), visited.end(), [&](const QWidget* a, const QWidget* b) {
        return std::pair(place(a).top(), place(a).x()) < std::pair(place(b).top(), place(b).x());
    });
    std::rotate(visited.begin(), topLeft, visited.end());
    QStringList names;
    for (QWidget* widget : visited)
        names << widget->accessibleName();
    for (const int id : {MainWindow::RecordCommand, MainWindow::PlayCommand, MainWindow::StopCommand,
                         MainWindow::CueCards, MainWindow::EditStory, MainWindow::EditSlide, MainWindow::AddSlide,
                         MainWindow::PreviousSlide, MainWindow::NextSlide}) {
        EXPECT_TRUE(visited.contains(window->button(id))) << names.join(", ").toStdString();
    }
    EXPECT_TRUE(visited.contains(window->strip()));
    EXPECT_TRUE(visited.contains(window->slideView()));

    // Row by row from the top, left to right within a row.
    for (qsizetype i = 1; i < visited.size(); ++i) {
        const QRect a = place(visited[i - 1]);
        const QRect b = place(visited[i]);
        const bool sameRow = b.center().y() >= a.top() && b.center().y() <= a.bottom();
        EXPECT_TRUE(sameRow ? b.x() > a.x() : b.center().y() > a.bottom())
            << names.join(", ").toStdString() << ": " << names[i - 1].toStdString() << " then "
            << names[i].toStdString();
    }

    // Space on the focused Cue Cards button clicks it: with no slides it says why nothing opens.
    SkinnedButton* cueCards = window->button(MainWindow::CueCards);
    while (QApplication::focusWidget() != cueCards)
        press(Qt::Key_Tab);
    press(Qt::Key_Space);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0], "Pictorelle|You need to add a slide image before using Cue Cards.");
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
}

TEST_F(MainWindowKeysTest, EveryControlAndTextBoxHasAName)
{
    const QList<SkinnedButton*> buttons = window->findChildren<SkinnedButton*>();
    ASSERT_GE(buttons.size(), 14);
    for (const SkinnedButton* button : buttons)
        EXPECT_FALSE(button->accessibleName().isEmpty()) << button->commandId();
    EXPECT_EQ(window->button(MainWindow::RecordCommand)->accessibleName(), "Record");
    EXPECT_EQ(window->button(MainWindow::PlayCommand)->accessibleName(), "Play");
    EXPECT_EQ(window->button(MainWindow::StopCommand)->accessibleName(), "Stop");
    EXPECT_EQ(window->button(MainWindow::CueCards)->accessibleName(), "Cue Cards");
    EXPECT_EQ(window->strip()->accessibleName(), "Slides");
    EXPECT_EQ(window->transcriptBox()->accessibleName(), "Audio Transcript");
    QStringList values;
    for (const PanelValue* value : window->findChildren<PanelValue*>()) {
        EXPECT_FALSE(value->accessibleName().isEmpty()) << value->objectName().toStdString();
        values << value->accessibleName();
    }
    EXPECT_TRUE(values.contains("Caption")) << values.join(", ").toStdString();
    EXPECT_TRUE(values.contains("Title")) << values.join(", ").toStdString();
}

TEST_F(MainWindowKeysTest, KeysTypedInATextBoxStayInTheBox)
{
    window->command(MainWindow::NewPodcast);
    window->command(MainWindow::AddSlide);
    ASSERT_EQ(window->story().count(), 2);
    ASSERT_EQ(window->story().currentIndex(), 1);
    QPlainTextEdit* box = window->transcriptBox();
    box->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(box->hasFocus());

    QTest::keyClicks(box, "ab c");
    press(Qt::Key_Home);
    // Left at the start and Right at the end have nowhere to go in the box: still not the strip's.
    press(Qt::Key_Left);
    press(Qt::Key_End);
    press(Qt::Key_Right);
    press(Qt::Key_Left);
    press(Qt::Key_Delete);
    press(Qt::Key_Space);
    EXPECT_EQ(box->toPlainText(), "ab  ");
    EXPECT_EQ(window->story().currentIndex(), 1);
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_TRUE(prompter.questions.isEmpty());

    // Tab is no character here: it moves on to the next control.
    press(Qt::Key_Tab);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(box->toPlainText(), "ab  ");
}

TEST_F(MainWindowKeysTest, TabReachesTheRotateButtonsRightAfterTheSlideViewAndSpaceTurnsThePicture)
{
    addPictures(2);
    window->story().select(1);
    QCoreApplication::processEvents();
    SlideView* view = window->slideView();
    ASSERT_FALSE(view->rotateLeftButton()->isVisible());

    for (int i = 0; i < 40 && QApplication::focusWidget() != view; ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view);
    EXPECT_EQ(view->accessibleName(), "Slide Picture");
    EXPECT_TRUE(view->rotateLeftButton()->isVisible());
    EXPECT_TRUE(view->rotateRightButton()->isVisible());

    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), view->rotateLeftButton());
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view->rotateRightButton());
    press(Qt::Key_Space);
    EXPECT_EQ(window->story().slideAt(1)->rotation(), 1);
    EXPECT_EQ(window->story().slideAt(0)->rotation(), 0);
    EXPECT_TRUE(window->story().isModified());

    // Then on to the controls under the picture; the buttons hide behind the keyboard.
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->button(MainWindow::PreviousSlide));
    EXPECT_FALSE(view->rotateLeftButton()->isVisible());

    // Left and Right with the keyboard on the picture page through the slides, as in the strip.
    for (int i = 0; i < 40 && QApplication::focusWidget() != view; ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view);
    press(Qt::Key_Left);
    EXPECT_EQ(window->story().currentIndex(), 0);
}

TEST_F(MainWindowKeysTest, RotateKeysAndTheEditMenuTurnTheCurrentPictureAsStepsThatUndo)
{
    QAction* left = editAction(*window, QStringLiteral("Rotate &Left"));
    QAction* right = editAction(*window, QStringLiteral("Rotate Ri&ght"));
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(left->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+["), QKeySequence("Ctrl+L")}));
    EXPECT_EQ(right->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+]"), QKeySequence("Ctrl+Shift+L")}));
    // No other item of the menu bar answers to them.
    for (QAction* menu : window->menuBar()->actions()) {
        for (QAction* item : menu->menu()->actions()) {
            if (item == left || item == right)
                continue;
            for (const QKeySequence& key : left->shortcuts() + right->shortcuts())
                EXPECT_FALSE(item->shortcuts().contains(key)) << item->text().toStdString();
        }
    }

    // GIVEN no slide THEN the items are disabled and the keys do nothing
    EXPECT_FALSE(left->isEnabled());
    EXPECT_FALSE(right->isEnabled());
    press(Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_FALSE(window->story().isModified());

    addPictures(1);
    QCoreApplication::processEvents();
    Slide& slide = *window->story().slideAt(0);
    ASSERT_TRUE(left->isEnabled());
    const QSize wide = slide.picture().size();
    ASSERT_GT(wide.width(), wide.height());

    // WHEN the keys are pressed in the strip
    press(Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(slide.rotation(), 1);
    EXPECT_EQ(slide.picture().size(), wide.transposed());
    press(Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(slide.rotation(), 2);
    press(Qt::Key_BracketLeft, Qt::ControlModifier);
    press(Qt::Key_L, Qt::ControlModifier);
    press(Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(slide.rotation(), -1);
    left->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(slide.rotation(), -2);

    // THEN each is one step of Undo
    press(QKeySequence::Undo);
    EXPECT_EQ(slide.rotation(), -1);
    press(QKeySequence::Undo);
    EXPECT_EQ(slide.rotation(), 0);
    EXPECT_EQ(slide.picture().size(), wide);

    // A podcast has no picture to turn.
    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    window->command(MainWindow::NewPodcast);
    QCoreApplication::processEvents();
    EXPECT_FALSE(left->isEnabled());
    EXPECT_FALSE(right->isEnabled());
}
