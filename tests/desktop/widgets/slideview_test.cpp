#include "desktop/widgets/slideview.h"

#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"
#include "pictures/picturework.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor background(230, 228, 228);
const QColor pictureColour(Qt::blue);
const QColor cornerColour(Qt::red);
constexpr QSize viewSize(500, 400);
constexpr QPoint overView(250, 200);
// In window coordinates: right of and below the view, still inside the window.
constexpr QPoint offView(560, 460);
constexpr QPoint onButton(20, 12);

// A wide picture with a red top-left corner, so its orientation can be read back.
QImage markedPicture(QSize size = QSize(640, 480))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(pictureColour);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixelColor(x, y, cornerColour);
    return image;
}

struct SlideViewFixture : ::testing::Test
{
    TempFolder home;
    Story story{home.path()};
    SkinResources skin;
    QWidget window;
    SlideView* view = nullptr;
    // Where the keyboard is until Tab brings it to the view, as the strip is in the main window.
    QLineEdit* elsewhere = nullptr;

    void SetUp() override
    {
        window.setGeometry(0, 0, 600, 500);
        view = new SlideView(story, skin, &window);
        view->setGeometry(QRect(QPoint(0, 0), viewSize));
        elsewhere = new QLineEdit(&window);
        elsewhere->setGeometry(0, 420, 100, 30);
    }

    // A window shown under the pointer gives its children an enter event.
    void showWindow()
    {
        QCursor::setPos(QPoint(900, 900));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        elsewhere->setFocus(Qt::OtherFocusReason);
        QTest::mouseMove(&window, offView);
    }

    // A key to whatever has the keyboard.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }

    Slide& addSlide(SlideKind kind = SlideKind::Picture, const QImage& picture = markedPicture())
    {
        auto owned = std::make_unique<Slide>(story);
        Slide& slide = *owned;
        slide.setKind(kind);
        EXPECT_TRUE(story.add(std::move(owned)));
        if (kind == SlideKind::Picture) {
            slide.replacePicture(picture);
            slide.setThumbnail(buildThumbnailBitmap(picture));
            slide.setReady(true);
        }
        return slide;
    }

    bool buttonsShown() const
    {
        const bool left = view->rotateLeftButton()->isVisible();
        EXPECT_EQ(left, view->rotateRightButton()->isVisible());
        return left;
    }

    QImage shown() { return view->grab().toImage(); }

    bool allBackground()
    {
        const QImage image = shown();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != background)
                    return false;
        return true;
    }
};

TEST(SlideViewGeometry, FitsIntoTheViewLessTenPixelsEachSideAndCentres)
{
    // Wider than the box: full box width, height scaled with truncation.
    EXPECT_EQ(SlideView::pictureRect(QSize(640, 480), QSize(500, 400)), QRect(10, 20, 480, 360));
    // Taller than the box: full box height.
    EXPECT_EQ(SlideView::pictureRect(QSize(480, 640), QSize(500, 400)), QRect(108, 10, 285, 380));
    // Never enlarged.
    EXPECT_EQ(SlideView::pictureRect(QSize(640, 480), QSize(1000, 800)), QRect(180, 160, 640, 480));
    EXPECT_EQ(SlideView::pictureRect(QSize(480, 380), QSize(500, 400)), QRect(10, 10, 480, 380));
    // Odd sizes: half the view less half the picture, each halved with truncation.
    EXPECT_EQ(SlideView::pictureRect(QSize(101, 51), QSize(1000, 800)), QRect(450, 375, 101, 51));
    // Sizes truncate after multiplying: 333 × 480 / 1000 = 159.84.
    EXPECT_EQ(SlideView::pictureRect(QSize(1000, 333), QSize(500, 400)).size(), QSize(480, 159));
}

TEST(SlideViewGeometry, NothingToDrawInABoxOfNoSizeOrForAnEmptyPicture)
{
    EXPECT_TRUE(SlideView::pictureRect(QSize(640, 480), QSize(20, 400)).isEmpty());
    EXPECT_TRUE(SlideView::pictureRect(QSize(640, 480), QSize(0, 0)).isEmpty());
    EXPECT_TRUE(SlideView::pictureRect(QSize(0, 480), QSize(500, 400)).isEmpty());
}

TEST_F(SlideViewFixture, IsAPreviewWindowWithButtonsPlacedUnderTheCentre)
{
    EXPECT_EQ(view->objectName(), "PREVIEW_CLASS");
    showWindow();
    EXPECT_EQ(view->rotateLeftButton()->geometry(), QRect(199, 354, 47, 26));
    EXPECT_EQ(view->rotateRightButton()->geometry(), QRect(254, 354, 47, 26));
    EXPECT_EQ(view->rotateLeftButton()->commandId(), 21004);
    EXPECT_EQ(view->rotateRightButton()->commandId(), 21005);
    EXPECT_EQ(view->rotateLeftButton()->toolTip(), "Rotate Left");
    EXPECT_EQ(view->rotateRightButton()->toolTip(), "Rotate Right");
    EXPECT_FALSE(view->rotateLeftButton()->currentFace().isNull());

    view->resize(300, 200);
    EXPECT_EQ(view->rotateLeftButton()->geometry(), QRect(99, 154, 47, 26));
    EXPECT_EQ(view->rotateRightButton()->geometry(), QRect(154, 154, 47, 26));
}

TEST_F(SlideViewFixture, PaintsThePictureCentredWithBackgroundMargins)
{
    addSlide();
    const QImage image = shown();

    EXPECT_EQ(image.pixelColor(overView), pictureColour);
    EXPECT_EQ(image.pixelColor(12, 200), pictureColour);
    EXPECT_EQ(image.pixelColor(250, 22), pictureColour);
    // Margins: 10 px left and right, 20 px above and below.
    for (const QPoint margin :
         {QPoint(0, 0), QPoint(9, 200), QPoint(490, 200), QPoint(250, 19), QPoint(250, 380), QPoint(499, 399)})
        EXPECT_EQ(image.pixelColor(margin), background) << margin.x() << "," << margin.y();
}

TEST_F(SlideViewFixture, ShowsOnlyBackgroundWithoutAReadyPicture)
{
    EXPECT_TRUE(allBackground()) << "empty story";

    Slide& slide = addSlide();
    slide.setReady(false);
    EXPECT_TRUE(allBackground()) << "picture still importing";

    slide.setReady(true);
    EXPECT_FALSE(allBackground());
}

TEST_F(SlideViewFixture, ShowsOnlyBackgroundForAPodcastSegment)
{
    story.setType(int(StoryType::Podcast));
    addSlide(SlideKind::Segment);
    EXPECT_TRUE(allBackground());
}

TEST_F(SlideViewFixture, FourRotateRightPressesRestoreThePictureAndCountFour)
{
    Slide& slide = addSlide();
    const QImage first = slide.picture();
    showWindow();
    QTest::mouseMove(view, overView);
    ASSERT_TRUE(buttonsShown());
    QSignalSpy strip(&story, &Story::slideChanged);

    QTest::mouseClick(view->rotateRightButton(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(slide.picture().size(), QSize(480, 640));
    // Clockwise: the top-left corner turns to the top-right.
    EXPECT_EQ(slide.picture().pixelColor(479, 0), cornerColour);
    EXPECT_EQ(slide.rotation(), 1);
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(strip.count(), 1);

    for (int press = 0; press < 3; ++press)
        QTest::mouseClick(view->rotateRightButton(), Qt::LeftButton, {}, onButton);
    EXPECT_EQ(slide.rotation(), 4);
    EXPECT_EQ(slide.picture(), first);
    EXPECT_EQ(strip.count(), 4);
}

TEST_F(SlideViewFixture, RotateLeftTurnsCounterClockwiseAndRebuildsTheThumbnail)
{
    Slide& slide = addSlide();
    const QImage wideThumbnail = slide.thumbnail();
    // A wide picture leaves white bands above and below in its thumbnail.
    ASSERT_EQ(wideThumbnail.pixelColor(37, 0), QColor(Qt::white));
    showWindow();
    QTest::mouseMove(view, overView);
    QSignalSpy strip(&story, &Story::slideChanged);

    QTest::mouseClick(view->rotateLeftButton(), Qt::LeftButton, {}, onButton);

    EXPECT_EQ(slide.rotation(), -1);
    EXPECT_EQ(slide.picture().size(), QSize(480, 640));
    // Counter-clockwise: the top-left corner turns to the bottom-left.
    EXPECT_EQ(slide.picture().pixelColor(0, 639), cornerColour);
    const QImage tallThumbnail = slide.thumbnail();
    EXPECT_EQ(tallThumbnail.size(), QSize(75, 75));
    EXPECT_EQ(tallThumbnail.pixelColor(37, 0), pictureColour);
    EXPECT_EQ(tallThumbnail.pixelColor(0, 37), QColor(Qt::white));
    EXPECT_EQ(strip.count(), 1);

    // The view shows the turned picture: now taller than wide.
    const QImage image = shown();
    EXPECT_EQ(image.pixelColor(100, 200), background);
    EXPECT_EQ(image.pixelColor(120, 200), pictureColour);
    EXPECT_EQ(image.pixelColor(250, 15), pictureColour);
}

TEST_F(SlideViewFixture, RotateDoesNothingWithoutAReadySlide)
{
    QSignalSpy strip(&story, &Story::slideChanged);
    view->rotateRight();
    EXPECT_FALSE(story.isModified());

    Slide& slide = addSlide();
    slide.setReady(false);
    strip.clear();
    view->rotateLeft();
    EXPECT_EQ(slide.rotation(), 0);
    EXPECT_EQ(slide.picture().size(), QSize(640, 480));
    EXPECT_FALSE(story.isModified());
    EXPECT_EQ(strip.count(), 0);
}

TEST_F(SlideViewFixture, ButtonsAppearOnlyWhileThePointerIsOverTheView)
{
    addSlide();
    showWindow();
    EXPECT_FALSE(buttonsShown());

    QTest::mouseMove(view, overView);
    EXPECT_TRUE(buttonsShown());
    // Onto a button: still over the picture area.
    QTest::mouseMove(view->rotateLeftButton(), onButton);
    EXPECT_TRUE(buttonsShown());
    QTest::mouseMove(view, overView);
    EXPECT_TRUE(buttonsShown());

    QTest::mouseMove(&window, offView);
    EXPECT_FALSE(buttonsShown());
}

TEST_F(SlideViewFixture, ButtonsAppearWhenTheFirstSlideArrivesUnderARestingPointer)
{
    showWindow();
    QTest::mouseMove(view, overView);
    EXPECT_FALSE(buttonsShown()) << "empty story";

    addSlide();
    QTest::mouseMove(view, overView + QPoint(5, 5));
    EXPECT_TRUE(buttonsShown());
}

TEST_F(SlideViewFixture, ButtonsNeverAppearForAPodcast)
{
    story.setType(int(StoryType::Podcast));
    addSlide(SlideKind::Segment);
    showWindow();

    QTest::mouseMove(view, overView);
    EXPECT_FALSE(buttonsShown());
    QTest::mouseMove(view, QPoint(240, 360));
    EXPECT_FALSE(buttonsShown());
}

TEST_F(SlideViewFixture, RightClickAsksForTheMenuAtTheScreenPoint)
{
    addSlide();
    showWindow();
    QSignalSpy menu(view, &SlideView::contextMenuRequested);

    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(30, 40));
    EXPECT_EQ(menu.count(), 0);
    QTest::mouseClick(view, Qt::RightButton, {}, QPoint(30, 40));
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toPoint(), view->mapToGlobal(QPoint(30, 40)));
}

TEST_F(SlideViewFixture, TabShowsTheRotateButtonsAndReachesThemWhileThePointerIsAway)
{
    Slide& slide = addSlide();
    showWindow();
    ASSERT_FALSE(buttonsShown());
    const QImage unfocused = shown();

    // GIVEN the keyboard brought to the view with Tab
    press(Qt::Key_Tab);
    ASSERT_TRUE(view->hasFocus());
    // THEN the buttons show and the view draws a focus ring
    EXPECT_TRUE(buttonsShown());
    EXPECT_NE(shown().pixelColor(1, 200), unfocused.pixelColor(1, 200));
    EXPECT_EQ(view->rotateLeftButton()->accessibleName(), "Rotate Left");
    EXPECT_EQ(view->rotateRightButton()->accessibleName(), "Rotate Right");

    // WHEN Tab goes on to the buttons, which Space and Enter press
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view->rotateLeftButton());
    EXPECT_TRUE(buttonsShown());
    press(Qt::Key_Space);
    EXPECT_EQ(slide.rotation(), -1);
    EXPECT_EQ(slide.picture().size(), QSize(480, 640));
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), view->rotateRightButton());
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    EXPECT_EQ(slide.rotation(), 1);

    // THEN each press is a step on the story's undo stack
    EXPECT_EQ(story.undoStack()->count(), 3);
    story.undo();
    story.undo();
    story.undo();
    EXPECT_EQ(slide.rotation(), 0);
    EXPECT_EQ(slide.picture(), markedPicture());

    // WHEN the keyboard leaves the view and its buttons THEN they hide again
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), elsewhere);
    EXPECT_FALSE(buttonsShown());
}

TEST_F(SlideViewFixture, ShiftTabComesBackThroughBothButtonsToTheView)
{
    addSlide();
    showWindow();
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), view->rotateRightButton());
    EXPECT_TRUE(buttonsShown());
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), view->rotateLeftButton());
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), view);
    EXPECT_TRUE(buttonsShown());
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), elsewhere);
    EXPECT_FALSE(buttonsShown());
}

TEST_F(SlideViewFixture, TheKeyboardShowsTheButtonsOnlyWhenThereIsAPictureToTurn)
{
    showWindow();
    press(Qt::Key_Tab);
    ASSERT_TRUE(view->hasFocus());
    EXPECT_FALSE(buttonsShown()) << "empty story";
    // Tab passes the hidden buttons by.
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), elsewhere);

    press(Qt::Key_Tab);
    ASSERT_TRUE(view->hasFocus());
    addSlide();
    EXPECT_TRUE(buttonsShown()) << "first slide arrives under the keyboard";
    story.setType(int(StoryType::Podcast));
    EXPECT_FALSE(buttonsShown()) << "a podcast";
}

TEST_F(SlideViewFixture, LeftAndRightGoOnToTheWindowOtherKeysStopAtTheView)
{
    addSlide();
    showWindow();
    press(Qt::Key_Tab);
    ASSERT_TRUE(view->hasFocus());
    for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_A, Qt::Key_Delete}) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
        EXPECT_EQ(event.isAccepted(), key != Qt::Key_Left && key != Qt::Key_Right) << key;
    }
    EXPECT_EQ(story.count(), 1);
    EXPECT_EQ(story.slideAt(0)->rotation(), 0);
}

} // namespace
