#include "desktop/dialogs/cuecardwindow.h"
#include "desktop/dialogs/dialogplacement.h"
#include "eventually.h"

#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct CueCardFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    ProgramSettings settings;
    SkinResources skin;
    QPointer<CueCardWindow> window;

    void TearDown() override { delete window.data(); }

    // Slides without pictures, each with the cue text given (or none).
    void addSlides(const QStringList& cues)
    {
        for (const QString& cue : cues) {
            auto slide = std::make_unique<Slide>(story);
            slide->setCueText(cue);
            slide->setReady(true);
            ASSERT_TRUE(story.add(std::move(slide)));
        }
    }

    void open(int current = 0)
    {
        story.select(current);
        story.setModified(false);
        window = new CueCardWindow(story, settings, skin);
        // A window shown under the pointer gets enter events: keep the pointer clear.
        QCursor::setPos(QPoint(1500, 1000));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.data()));
    }

    // What the main window does with Prev and Next: select, then send the new index back.
    void actAsMainWindow()
    {
        QObject::connect(window.data(), &CueCardWindow::mainWindowCommand, window.data(), [this](int id) {
            const int current = story.currentIndex();
            if (id == CueCardWindow::PreviousSlide && current >= 1)
                story.select(current - 1);
            else if (id == CueCardWindow::NextSlide && current < story.count() - 1)
                story.select(current + 1);
            else
                return;
            window->command(CueCardWindow::ShowSlide, story.currentIndex());
        });
    }

    QString header() const { return window->findChild<QLabel*>(QStringLiteral("cueHeader"))->text(); }
    QPlainTextEdit* note() const { return window->findChild<QPlainTextEdit*>(QStringLiteral("cueNote")); }
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(QLatin1String(name)); }
    QString cue(int index) const { return story.slideAt(index)->cueText(); }

    void type(const QString& text)
    {
        note()->setFocus();
        note()->selectAll();
        QTest::keyClicks(note(), text);
    }
};

TEST_F(CueCardFixture, OpensWithTheDialogTextsOverTheCurrentSlide)
{
    addSlides({"first", "second", "third"});
    open(1);

    EXPECT_EQ(window->objectName(), "CUE_BOX");
    EXPECT_EQ(window->windowTitle(), "Cue Card");
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(header(), "Slide 2");
    EXPECT_EQ(window->findChild<QLabel*>("cueHeader")->font(), skin.labelFont());
    EXPECT_EQ(window->findChild<QLabel*>("cueExplanation")->text(),
              "Use Cue Cards to help you narrate each slide by first typing notes of what you're going to say.\n\n"
              "Cue Cards are not sent to the PictorelleWeb website when the Pictorelle is published.");
    EXPECT_EQ(note()->toPlainText(), "second");
    EXPECT_EQ(button("cuePrev")->text(), "<<  &Prev");
    EXPECT_EQ(button("cueNext")->text(), "&Next  >>");
    EXPECT_EQ(button("cueClose")->text(), "Close");
}

TEST_F(CueCardFixture, ShowSlideStoresTheNoteOnScreenThenShowsTheOther)
{
    addSlides({"first", "second", "third"});
    open(0);

    // GIVEN a new note typed for slide 1
    type("Talk about the harbour");
    // WHEN the strip or the main window asks for slide 3
    window->command(CueCardWindow::ShowSlide, 2);
    // THEN slide 1 keeps the typed note, slide 3's note is on screen, and the story changed
    EXPECT_EQ(cue(0), "Talk about the harbour");
    EXPECT_EQ(note()->toPlainText(), "third");
    EXPECT_EQ(header(), "Slide 3");
    EXPECT_EQ(window->shownIndex(), 2);
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(cue(2), "third");
}

TEST_F(CueCardFixture, SlideMovedRetitlesAndKeepsTheNoteOnScreen)
{
    addSlides({"", "stored note", "", ""});
    open(1);
    const int movedId = story.slideAt(1)->id();
    type("typed, not stored yet");

    // WHEN slide 2 is dragged to position 4
    story.move(1, 3);
    window->command(CueCardWindow::SlideMoved, 3);

    // THEN the header follows the slide and the note on screen stays as typed
    EXPECT_EQ(header(), "Slide 4");
    EXPECT_EQ(note()->toPlainText(), "typed, not stored yet");
    EXPECT_EQ(window->shownIndex(), 3);
    EXPECT_TRUE(button("cuePrev")->isEnabled());
    EXPECT_FALSE(button("cueNext")->isEnabled());

    // AND closing stores the note into the moved slide, not into the one now at position 2
    window->command(CueCardWindow::Close, -1);
    EXPECT_EQ(story.slideAt(3)->id(), movedId);
    EXPECT_EQ(cue(3), "typed, not stored yet");
    EXPECT_EQ(cue(1), "");
}

TEST_F(CueCardFixture, NextAndPrevKeepANoteTypedForSlideTwo)
{
    addSlides({"", "", ""});
    open(1);
    actAsMainWindow();
    QSignalSpy asked(window.data(), &CueCardWindow::mainWindowCommand);

    type("Say hello");
    QTest::keyClick(note(), Qt::Key_Return);
    QTest::keyClicks(note(), "then wave");
    QTest::mouseClick(button("cueNext"), Qt::LeftButton);

    ASSERT_EQ(asked.count(), 1);
    EXPECT_EQ(asked.at(0).at(0).toInt(), CueCardWindow::NextSlide);
    EXPECT_EQ(header(), "Slide 3");
    EXPECT_EQ(note()->toPlainText(), "");
    EXPECT_EQ(cue(1), "Say hello\r\nthen wave");
    EXPECT_TRUE(button("cuePrev")->isEnabled());
    EXPECT_FALSE(button("cueNext")->isEnabled());

    QTest::mouseClick(button("cuePrev"), Qt::LeftButton);
    EXPECT_EQ(asked.at(1).at(0).toInt(), CueCardWindow::PreviousSlide);
    EXPECT_EQ(header(), "Slide 2");
    EXPECT_EQ(note()->toPlainText(), "Say hello\nthen wave");

    QTest::mouseClick(button("cuePrev"), Qt::LeftButton);
    EXPECT_EQ(header(), "Slide 1");
    EXPECT_FALSE(button("cuePrev")->isEnabled());
    EXPECT_TRUE(button("cueNext")->isEnabled());
}

TEST_F(CueCardFixture, OneSlideStoryDisablesPrevAndNext)
{
    addSlides({"only"});
    open(0);

    EXPECT_FALSE(button("cuePrev")->isEnabled());
    EXPECT_FALSE(button("cueNext")->isEnabled());
}

TEST_F(CueCardFixture, GivenNothingTypedWhenTheCardClosesThenTheStoryIsUnchangedAndNoStepIsAdded)
{
    addSlides({"kept", "", ""});
    open(0);
    EXPECT_FALSE(story.isModified());

    QTest::mouseClick(button("cueClose"), Qt::LeftButton);

    EXPECT_FALSE(story.isModified());
    EXPECT_EQ(story.undoStack()->count(), 0);
    EXPECT_EQ(cue(0), "kept");
}

TEST_F(CueCardFixture, GivenNotesTypedOnTwoCardsThenEachCardIsOneUndoStepAndUndoPutsTheNotesBack)
{
    addSlides({"one", "two", ""});
    open(0);
    type(" more");
    type(" and more");
    window->command(CueCardWindow::ShowSlide, 1);
    type(" changed");
    QTest::mouseClick(button("cueClose"), Qt::LeftButton);

    ASSERT_EQ(story.undoStack()->count(), 2);
    EXPECT_EQ(story.undoStack()->undoText(), "Edit Cue Card");
    EXPECT_TRUE(story.undo());
    EXPECT_EQ(cue(1), "two");
    EXPECT_NE(cue(0), "one");
    EXPECT_TRUE(story.undo());
    EXPECT_EQ(cue(0), "one");
    EXPECT_FALSE(story.isModified());
}

TEST_F(CueCardFixture, ReopensWhereItWasClosed)
{
    addSlides({"", "", ""});
    settings.setCueX(130);
    settings.setCueY(90);
    open(0);
    EXPECT_EQ(window->pos(), QPoint(130, 90));

    window->move(260, 170);
    window->command(CueCardWindow::Close, -1);
    EXPECT_EQ(settings.cueX(), 260);
    EXPECT_EQ(settings.cueY(), 170);

    EXPECT_EVENTUALLY(window.isNull());
    open(0);
    EXPECT_EQ(window->pos(), QPoint(260, 170));
}

TEST(Placement, KeptInsideMovesAFrameTheLeastWayOntoTheArea)
{
    const QRect area(0, 30, 1366, 708);
    EXPECT_EQ(keptInside(QPoint(100, 200), QSize(300, 200), area), QPoint(100, 200));
    EXPECT_EQ(keptInside(QPoint(1200, 650), QSize(300, 200), area), QPoint(1066, 538));
    EXPECT_EQ(keptInside(QPoint(-50, 0), QSize(300, 200), area), QPoint(0, 30));
    // Larger than the area: its top-left corner stays in it.
    EXPECT_EQ(keptInside(QPoint(500, 500), QSize(2000, 900), area), QPoint(0, 30));
}

TEST(Placement, BesideAWindowGoesRightThenLeftThenOverItsLowerRightCorner)
{
    const QRect area(0, 0, 1366, 738);
    const QSize card(340, 380);
    // Room on the right: top edges level, 8 px apart.
    EXPECT_EQ(besideWindow(QRect(10, 20, 800, 600), card, area), QPoint(818, 20));
    // Room on the left only.
    EXPECT_EQ(besideWindow(QRect(500, 20, 800, 600), card, area), QPoint(152, 20));
    // No room on either side: over the lower right corner, inside the window.
    EXPECT_EQ(besideWindow(QRect(0, 0, 1366, 738), card, area), QPoint(1018, 350));
    // A window running off the bottom of the screen: the card stays on it.
    EXPECT_EQ(besideWindow(QRect(10, 500, 800, 600), card, area), QPoint(818, 358));
}

struct CueCardPlacementTest : CueCardFixture
{
    QWidget mainWindow;
    QRect area;

    void SetUp() override
    {
        addSlides({"", ""});
        area = mainWindow.screen()->availableGeometry();
    }

    void openBeside(const QRect& mainGeometry)
    {
        mainWindow.setGeometry(mainGeometry);
        mainWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
        window = new CueCardWindow(story, settings, skin, &mainWindow);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    }

    void expectOnScreen() const
    {
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                          << frame.height() << " in " << area.width() << "x" << area.height();
    }
};

TEST_F(CueCardPlacementTest, FirstOpensRightOfTheMainWindowWhenThereIsRoom)
{
    openBeside(QRect(area.topLeft() + QPoint(10, 40), QSize(area.width() / 3, area.height() - 200)));
    expectOnScreen();
    EXPECT_FALSE(window->frameGeometry().intersects(mainWindow.frameGeometry()));
    EXPECT_GT(window->x(), mainWindow.frameGeometry().right());
    EXPECT_EQ(window->y(), mainWindow.frameGeometry().top());
}

TEST_F(CueCardPlacementTest, FirstOpensLeftOfAMainWindowAtTheRightEdge)
{
    const int width = area.width() / 3;
    openBeside(QRect(area.right() + 1 - width, area.top() + 20, width, area.height() / 2));
    expectOnScreen();
    EXPECT_FALSE(window->frameGeometry().intersects(mainWindow.frameGeometry()));
    EXPECT_LT(window->frameGeometry().right(), mainWindow.frameGeometry().left());
}

TEST_F(CueCardPlacementTest, FirstOpensOverTheLowerRightCornerOfAMainWindowThatFillsTheScreen)
{
    openBeside(area);
    expectOnScreen();
    // Clear of the menu bar and the strip at the top left.
    EXPECT_FALSE(window->frameGeometry().contains(mainWindow.geometry().topLeft() + QPoint(20, 20)));
    EXPECT_GT(window->frameGeometry().bottom(), area.center().y());
    EXPECT_GT(window->frameGeometry().right(), area.center().x());
}

TEST_F(CueCardPlacementTest, ReopensWhereTheAuthorLeftItButNeverOffTheScreen)
{
    openBeside(QRect(area.topLeft() + QPoint(10, 40), QSize(area.width() / 3, area.height() - 200)));
    window->move(area.topLeft() + QPoint(60, 50));
    window->command(CueCardWindow::Close, -1);
    EXPECT_EVENTUALLY(window.isNull());
    window = new CueCardWindow(story, settings, skin, &mainWindow);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    EXPECT_EQ(window->pos(), area.topLeft() + QPoint(60, 50));
    delete window.data();

    // Left half off the screen's lower right corner, as a screen change can leave it.
    settings.setCueX(area.right() - 50);
    settings.setCueY(area.bottom() - 20);
    window = new CueCardWindow(story, settings, skin, &mainWindow);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    expectOnScreen();
}

TEST_F(CueCardFixture, StoresAtMost19999CharactersAsTheSlideKeepsThem)
{
    addSlides({"", "", ""});
    open(0);

    // Exactly at the limit: kept whole.
    note()->setPlainText(QString(19999, QLatin1Char('a')));
    window->command(CueCardWindow::ShowSlide, 1);
    EXPECT_EQ(cue(0), QString(19999, QLatin1Char('a')));

    // Beyond it: the rest is dropped.
    note()->setPlainText(QString(19998, QLatin1Char('b')) + "cd");
    window->command(CueCardWindow::ShowSlide, 0);
    EXPECT_EQ(cue(1), QString(19998, QLatin1Char('b')) + "c");

    // A line break counts as CR LF and is never left half stored.
    note()->setPlainText(QString(19998, QLatin1Char('e')) + "\nf");
    window->command(CueCardWindow::ShowSlide, 1);
    EXPECT_EQ(cue(0), QString(19998, QLatin1Char('e')));

    // A character outside the basic plane is never split.
    note()->setPlainText(QString(19998, QLatin1Char('g')) + QString::fromUcs4(U"\U0001F600"));
    window->command(CueCardWindow::ShowSlide, 0);
    EXPECT_EQ(cue(1), QString(19998, QLatin1Char('g')));
}

TEST_F(CueCardFixture, IgnoresIndicesOutsideTheStory)
{
    addSlides({"one", "two", "three"});
    open(1);
    type("changed");

    for (int index : {-1, 3, 50}) {
        window->command(CueCardWindow::ShowSlide, index);
        window->command(CueCardWindow::SlideMoved, index);
    }

    EXPECT_EQ(header(), "Slide 2");
    EXPECT_EQ(note()->toPlainText(), "changed");
    EXPECT_EQ(window->shownIndex(), 1);
    EXPECT_EQ(cue(0), "one");
    EXPECT_EQ(cue(2), "three");

    // The next real store still goes to the slide on screen.
    window->command(CueCardWindow::ShowSlide, 0);
    EXPECT_EQ(cue(1), "changed");
    EXPECT_EQ(note()->toPlainText(), "one");
}

TEST_F(CueCardFixture, ClosingAfterTheShownSlideWentStoresNothing)
{
    addSlides({"one", "two", "three"});
    open(2);
    type("lost with its slide");
    ASSERT_TRUE(story.remove(2));
    story.setModified(false);

    window->command(CueCardWindow::Close, -1);

    EXPECT_FALSE(story.isModified());
    EXPECT_EQ(cue(0), "one");
    EXPECT_EQ(cue(1), "two");
}

TEST_F(CueCardFixture, EscapeClosesOnceAndStores)
{
    addSlides({"", "", ""});
    open(0);
    QSignalSpy closed(window.data(), &CueCardWindow::closed);
    type("remember me");

    QTest::keyClick(note(), Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(cue(0), "remember me");

    // Requests already on their way find the window closed, even after the story moved on.
    story.slideAt(0)->setCueText("a new story's note");
    story.setModified(false);
    window->command(CueCardWindow::Close, -1);
    window->command(CueCardWindow::ShowSlide, 1);
    window->reject();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(cue(0), "a new story's note");
    EXPECT_FALSE(story.isModified());
    EXPECT_EVENTUALLY(window.isNull());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(CueCardFixture, CloseBoxAndCloseCommandEachCloseOnce)
{
    addSlides({"", "", ""});
    for (bool closeBox : {true, false}) {
        open(0);
        QSignalSpy closed(window.data(), &CueCardWindow::closed);
        if (closeBox)
            window->close();
        else
            window->command(CueCardWindow::Cancel, -1);
        EXPECT_EQ(closed.count(), 1) << (closeBox ? "close box" : "command 2");
        // Nothing typed: closing is no change.
        EXPECT_FALSE(story.isModified());
        EXPECT_EVENTUALLY(window.isNull());
    }
}

} // namespace
