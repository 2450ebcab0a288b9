#include "mainwindowfixture.h"

#include "desktop/widgets/slideview.h"
#include "desktop/widgets/statusdisplay.h"
#include "desktop/widgets/thumbnailstrip.h"
#include "story/linereader.h"
#include "story/slide.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenuBar>

namespace {

QAction* editAction(const MainWindow& window, int id)
{
    for (QAction* action : window.menuBar()->findChildren<QAction*>())
        if (action->data().toInt() == id && !action->menu())
            return action;
    return nullptr;
}

//! A window with three imported picture slides, the middle one narrated, saved once.
class UndoTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        addPictures(3);
        Slide& middle = *window->story().slideAt(1);
        narration = home.write(QStringLiteral("temp/%1.wav").arg(middle.id()), "RIFF narration bytes");
        middle.setNarrationWavPath(narration);
        middle.setHasNarration(true);
        middle.setNarrationLength(12);
        window->story().select(1);
        window->command(MainWindow::SaveStory, 1);
        ASSERT_FALSE(window->story().isModified());
        undo = editAction(*window, MainWindow::UndoCommand);
        redo = editAction(*window, MainWindow::RedoCommand);
        ASSERT_NE(undo, nullptr);
        ASSERT_NE(redo, nullptr);
    }

    //! The story file as the next save writes it.
    QString savedFile()
    {
        window->command(MainWindow::SaveStory, 1);
        QFile file(window->story().storyFilePath());
        return file.open(QIODevice::ReadOnly) ? fromUtf16Le(file.readAll()) : QString();
    }

    QString narration;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
};

} // namespace

TEST_F(UndoTest, GivenTheEditMenuThenUndoAndRedoHaveTheStandardKeysAndNothingToDoYet)
{
    EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_TRUE(redo->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    EXPECT_TRUE(redo->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    EXPECT_EQ(undo->text(), "&Undo");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    const QList<QAction*> menus = window->menuBar()->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus.at(1)->text(), "&Edit");
}

TEST_F(UndoTest, GivenASlideDeletedInTheStripThenUndoPutsTheSameSlideBackAndTheSaveHasItAgain)
{
    const int id = window->story().slideAt(1)->id();
    prompter.yesNoAnswers = {true};
    QTest::keyClick(window->strip(), Qt::Key_Delete);
    ASSERT_EQ(window->story().count(), 2);
    EXPECT_TRUE(QFile::exists(narration)) << "the take waits while the delete can be undone";
    EXPECT_EQ(undo->text(), "&Undo Delete Slide");
    EXPECT_TRUE(window->story().isModified());

    undo->trigger();
    ASSERT_EQ(window->story().count(), 3);
    EXPECT_EQ(window->story().slideAt(1)->id(), id);
    EXPECT_FALSE(window->story().isModified()) << "back at the saved state";
    EXPECT_EQ(redo->text(), "&Redo Delete Slide");
    const QString restored = savedFile();
    EXPECT_TRUE(restored.contains("S1_DURATION=12\n"));
    EXPECT_TRUE(restored.contains("S2_IMAGE_PATH="));

    redo->trigger();
    EXPECT_EQ(window->story().count(), 2);
    EXPECT_EQ(window->story().indexOfId(id), -1);
    const QString deleted = savedFile();
    EXPECT_TRUE(deleted.contains("SC_SLIDES=2\n"));
    EXPECT_FALSE(deleted.contains("S1_DURATION=12\n"));
}

TEST_F(UndoTest, GivenANarrationClearedThenUndoBringsTheTakeBackAndRedoClearsItAgain)
{
    prompter.narrationAnswers = {true};
    window->command(MainWindow::ClearNarration);
    Slide* slide = window->story().slideAt(1);
    EXPECT_FALSE(slide->hasNarration());
    EXPECT_FALSE(QFile::exists(narration));
    EXPECT_EQ(undo->text(), "&Undo Clear Narration");

    window->command(MainWindow::UndoCommand);
    EXPECT_TRUE(slide->hasNarration());
    EXPECT_EQ(slide->narrationLength(), 12);
    EXPECT_EQ(TempFolder::read(narration), "RIFF narration bytes");
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:12") << "the panels follow the story";
    EXPECT_TRUE(savedFile().contains("S1_DURATION=12\n"));

    window->command(MainWindow::RedoCommand);
    EXPECT_FALSE(slide->hasNarration());
    EXPECT_TRUE(savedFile().contains("S1_DURATION=0\nS1_TYPE=0\n"));
}

TEST_F(UndoTest, GivenARotationInTheSlideViewThenUndoTurnsItBackAndTheSaveFollows)
{
    window->story().select(0);
    const QImage before = window->story().slideAt(0)->picture();
    window->slideView()->rotateRight();
    EXPECT_EQ(window->story().slideAt(0)->rotation(), 1);
    EXPECT_EQ(undo->text(), "&Undo Rotate Slide");
    EXPECT_EQ(window->story().slideAt(0)->picture().size(), before.size().transposed());

    window->command(MainWindow::UndoCommand);
    EXPECT_EQ(window->story().slideAt(0)->rotation(), 0);
    EXPECT_EQ(window->story().slideAt(0)->picture(), before);
    EXPECT_FALSE(window->story().isModified());

    window->command(MainWindow::RedoCommand);
    EXPECT_EQ(window->story().slideAt(0)->rotation(), 1);
    EXPECT_TRUE(window->story().isModified());
    // The saved picture is made again with the turn: portrait from the landscape source.
    window->command(MainWindow::SaveStory, 1);
    const QImage saved(QFileInfo(window->story().storyFilePath()).absolutePath() + "/0.jpg");
    EXPECT_LT(saved.width(), saved.height());
}

TEST_F(UndoTest, GivenARecordingThenUndoWaitsUntilItStops)
{
    prompter.yesNoAnswers = {true};
    QTest::keyClick(window->strip(), Qt::Key_Delete);
    window->story().select(0);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_FALSE(undo->isEnabled());
    window->command(MainWindow::UndoCommand);
    EXPECT_EQ(window->story().count(), 2) << "nothing is undone under a running take";
    window->command(MainWindow::StopCommand);
    EXPECT_TRUE(undo->isEnabled());
}
