#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/skinresources.h"

#include <QApplication>
#include <QPainter>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr QSize faceSize(47, 26);
constexpr QPoint inside(20, 12);
// In button coordinates: left of the button, still inside the parent window.
constexpr QPoint offButton(-8, 12);

QPixmap solid(QColor colour, QSize size = faceSize)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// Pixmaps need the application: made per test, not at start-up.
ButtonFaces firstSet()
{
    return {solid(Qt::red), solid(Qt::green), solid(Qt::blue)};
}

ButtonFaces secondSet()
{
    return {solid(Qt::cyan), solid(Qt::magenta), solid(Qt::yellow)};
}

QImage shown(SkinnedButton& button)
{
    return button.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// What a grab shows of a button drawing face: grabbing paints the window colour first.
QImage expected(const QPixmap& face, const QWidget& button)
{
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(button.palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.drawPixmap(0, 0, face);
    return image;
}

// A window shown under the pointer gives its child an enter event; tests start with the
// pointer clear of every window instead.
void pointerOffWindows()
{
    QCursor::setPos(QPoint(500, 400));
}

struct ButtonFixture : ::testing::Test
{
    QWidget window;
    SkinnedButton* button = nullptr;
    std::unique_ptr<QSignalSpy> commands;

    void SetUp() override
    {
        window.setGeometry(0, 0, 200, 100);
        button = new SkinnedButton(&window, QRect(QPoint(30, 30), faceSize), 21007, "Record");
        button->setFaces(firstSet());
        button->setFaces(secondSet(), SkinnedButton::FaceSet::Second);
        commands = std::make_unique<QSignalSpy>(button, &SkinnedButton::commandTriggered);
        pointerOffWindows();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        pointerAway();
    }

    void pointerAway() { QTest::mouseMove(&window, QPoint(190, 90)); }
    void pointerOver() { QTest::mouseMove(button, inside); }

    QColor colourShown() { return shown(*button).pixelColor(inside); }
};

TEST_F(ButtonFixture, NormalThenHoverThenPressedThenClickSendsTheCommandOnce)
{
    EXPECT_EQ(colourShown(), QColor(Qt::red));

    pointerOver();
    EXPECT_TRUE(button->isHovering());
    EXPECT_EQ(colourShown(), QColor(Qt::green));

    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(colourShown(), QColor(Qt::blue));
    EXPECT_EQ(commands->count(), 0);

    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);
    ASSERT_EQ(commands->count(), 1);
    EXPECT_EQ(commands->at(0).at(0).toInt(), 21007);
    EXPECT_EQ(colourShown(), QColor(Qt::green));

    pointerAway();
    EXPECT_FALSE(button->isHovering());
    EXPECT_EQ(colourShown(), QColor(Qt::red));
}

TEST_F(ButtonFixture, PressDraggedOffShowsHoverAndReleasingThereSendsNothing)
{
    pointerOver();
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    QTest::mouseMove(button, offButton);
    // Some window systems report the pointer leaving while the button is held.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_EQ(colourShown(), QColor(Qt::green));

    // Back over the button while still held: pressed again.
    QTest::mouseMove(button, inside);
    EXPECT_EQ(colourShown(), QColor(Qt::blue));

    QTest::mouseMove(button, offButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, offButton);
    EXPECT_EQ(commands->count(), 0);
    EXPECT_FALSE(button->isHovering());
    EXPECT_EQ(colourShown(), QColor(Qt::red));
}

TEST_F(ButtonFixture, RightButtonNeitherPressesNorSendsACommand)
{
    pointerOver();
    QTest::mouseClick(button, Qt::RightButton, {}, inside);
    EXPECT_EQ(commands->count(), 0);
    EXPECT_EQ(colourShown(), QColor(Qt::green));
}

TEST_F(ButtonFixture, LatchedShowsPressedWhereverThePointerGoesAndStillClicks)
{
    button->setLatched(true);
    EXPECT_EQ(colourShown(), QColor(Qt::blue));
    pointerOver();
    EXPECT_EQ(colourShown(), QColor(Qt::blue));
    pointerAway();
    EXPECT_EQ(colourShown(), QColor(Qt::blue));

    // A latched Play button is how the user stops playback.
    pointerOver();
    QTest::mouseClick(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(commands->count(), 1);
    EXPECT_EQ(colourShown(), QColor(Qt::blue));

    pointerAway();
    button->setLatched(false);
    EXPECT_EQ(colourShown(), QColor(Qt::red));
}

TEST_F(ButtonFixture, FaceSetTwoReplacesAllThreeFaces)
{
    button->setFaceSet2(true);
    EXPECT_TRUE(button->isFaceSet2());
    EXPECT_EQ(colourShown(), QColor(Qt::cyan));
    pointerOver();
    EXPECT_EQ(colourShown(), QColor(Qt::magenta));
    QTest::mousePress(button, Qt::LeftButton, {}, inside);
    EXPECT_EQ(colourShown(), QColor(Qt::yellow));
    QTest::mouseRelease(button, Qt::LeftButton, {}, inside);

    // Recording paused: latched and set two together show the second pressed face.
    pointerAway();
    button->setLatched(true);
    EXPECT_EQ(colourShown(), QColor(Qt::yellow));

    button->setFaceSet2(false);
    EXPECT_EQ(colourShown(), QColor(Qt::blue));
}

TEST_F(ButtonFixture, HiddenByTheHideCommandUntilTheShowCommand)
{
    pointerOver();
    button->hideButton();
    EXPECT_TRUE(button->isButtonHidden());
    EXPECT_FALSE(button->isVisible());
    EXPECT_EQ(button->geometry(), QRect(QPoint(30, 30), faceSize));

    button->hideButton();
    EXPECT_FALSE(button->isVisible());

    pointerAway();
    button->showButton();
    EXPECT_FALSE(button->isButtonHidden());
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->geometry(), QRect(QPoint(30, 30), faceSize));
    // Hidden while hovered, it comes back in its normal face.
    EXPECT_EQ(colourShown(), QColor(Qt::red));
}

TEST_F(ButtonFixture, KeepsItsTooltipCommandIdAndPlace)
{
    EXPECT_EQ(button->toolTip(), "Record");
    EXPECT_EQ(button->commandId(), 21007);
    EXPECT_EQ(button->parentWidget(), &window);
    EXPECT_EQ(button->geometry(), QRect(QPoint(30, 30), faceSize));
}

TEST_F(ButtonFixture, AnEmptyFaceDrawsNothing)
{
    button->setFaces({solid(Qt::red), QPixmap(), solid(Qt::blue)});
    pointerOver();
    EXPECT_EQ(shown(*button), expected(QPixmap(), *button));
}

TEST(SkinnedButtonArtwork, ShowsExactlyTheRenderedFaceInEachState)
{
    const SkinResources skin;
    QWidget window;
    window.setGeometry(0, 0, 200, 100);
    SkinnedButton button(&window, QRect(7, 7, 81, 26), 107, "Publish to PictorelleWeb");
    const ButtonFaces faces = skin.faces(1000, 1001, 1002, QSize(81, 26));
    button.setFaces(faces);
    pointerOffWindows();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseMove(&window, QPoint(190, 90));
    // The faces without the keyboard's frame, which an active window's first button gets.
    button.clearFocus();

    EXPECT_EQ(shown(button), expected(faces.normal, button));
    QTest::mouseMove(&button, QPoint(40, 13));
    EXPECT_EQ(shown(button), expected(faces.hover, button));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 13));
    EXPECT_EQ(shown(button), expected(faces.pressed, button));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 13));
}

TEST(SkinnedButtonArtwork, TheLogoFaceIsDrawnFromTheTopLeftOfItsLargerButton)
{
    const SkinResources skin;
    QWidget window;
    SkinnedButton button(&window, QRect(0, 0, 172, 34), 20005, "Pictorelle");
    const QPixmap logo = skin.face(900, QSize(149, 31));
    button.setFaces({logo, logo, logo});
    EXPECT_EQ(shown(button), expected(logo, button));
}

} // namespace

// The keyboard: Tab reaches the buttons, Space and Enter click the focused one, and a frame
// over the face shows which one has the keyboard.
struct KeyboardFixture : ::testing::Test
{
    QWidget window;
    SkinnedButton* first = nullptr;
    SkinnedButton* second = nullptr;

    void SetUp() override
    {
        window.setGeometry(0, 0, 200, 100);
        first = new SkinnedButton(&window, QRect(QPoint(10, 30), faceSize), 21006, "Play");
        second = new SkinnedButton(&window, QRect(QPoint(90, 30), faceSize), 21007, "Record");
        first->setFaces({solid(Qt::black), solid(Qt::black), solid(Qt::black)});
        second->setFaces({solid(Qt::white), solid(Qt::white), solid(Qt::white)});
        pointerOffWindows();
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // The colours on the button's outer two rings of pixels.
    static QSet<QRgb> frameColours(SkinnedButton& button)
    {
        const QImage image = shown(button);
        QSet<QRgb> colours;
        for (int x = 0; x < image.width(); ++x) {
            for (const int y : {0, 1, image.height() - 2, image.height() - 1})
                colours.insert(image.pixel(x, y) | 0xff000000u);
        }
        return colours;
    }
};

TEST_F(KeyboardFixture, TabReachesEachButtonAndTheButtonIsNamedByWhatItDoes)
{
    EXPECT_EQ(first->accessibleName(), "Play");
    EXPECT_EQ(second->accessibleName(), "Record");
    EXPECT_TRUE(first->focusPolicy() & Qt::TabFocus);
    // A click leaves the keyboard where it was.
    EXPECT_FALSE(first->focusPolicy() & Qt::ClickFocus);

    first->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(first->hasFocus());
    QTest::keyClick(&window, Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
    QTest::keyClick(&window, Qt::Key_Tab);
    EXPECT_TRUE(first->hasFocus());
}

TEST_F(KeyboardFixture, SpaceAndEnterClickTheFocusedButtonOnceEach)
{
    QSignalSpy commands(second, &SkinnedButton::commandTriggered);
    second->setFocus(Qt::TabFocusReason);
    QTest::keyClick(second, Qt::Key_Space);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 21007);
    QTest::keyClick(second, Qt::Key_Return);
    QTest::keyClick(second, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(commands.count(), 3);
    // Ctrl+Enter and other keys are not the button's.
    QTest::keyClick(second, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(second, Qt::Key_A);
    EXPECT_EQ(commands.count(), 3);
}

TEST_F(KeyboardFixture, TheFocusFrameShowsOnDarkAndOnLightArtAndGoesWithTheFocus)
{
    // Unfocused, the faces are drawn as they are (the window gives its first button the
    // keyboard when it becomes active).
    QApplication::focusWidget()->clearFocus();
    ASSERT_FALSE(first->hasFocus() || second->hasFocus());
    EXPECT_EQ(frameColours(*first), QSet<QRgb>{qRgb(0, 0, 0)});
    EXPECT_EQ(frameColours(*second), QSet<QRgb>{qRgb(255, 255, 255)});

    first->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(frameColours(*first).contains(qRgb(255, 255, 255))) << "a light frame on dark art";
    second->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(frameColours(*second).contains(qRgb(0, 0, 0))) << "a dark frame on light art";
    EXPECT_EQ(frameColours(*first), QSet<QRgb>{qRgb(0, 0, 0)}) << "the frame left with the focus";
    // The middle of the face stays the art.
    EXPECT_EQ(shown(*second).pixelColor(inside), QColor(Qt::white));
}

TEST_F(ButtonFixture, RenderedFacesAreDrawnForTheButtonsRatioOnceAndFixedFacesReplaceThem)
{
    QList<qreal> ratios;
    button->setFaceRenderer([&ratios](qreal ratio) {
        ratios << ratio;
        QPixmap face(QSize(47, 26) * ratio);
        face.setDevicePixelRatio(ratio);
        face.fill(Qt::darkCyan);
        return ButtonFaces{face, face, face};
    });
    ASSERT_EQ(ratios, QList<qreal>{button->devicePixelRatioF()});
    EXPECT_EQ(colourShown(), QColor(Qt::darkCyan));
    EXPECT_EQ(colourShown(), QColor(Qt::darkCyan));
    EXPECT_EQ(ratios.size(), 1) << "painted again at the same ratio: nothing drawn anew";
    EXPECT_EQ(button->faces(SkinnedButton::FaceSet::Second).normal.toImage().pixelColor(0, 0), QColor(Qt::cyan))
        << "the other set keeps its faces";

    button->setFaces(firstSet());
    EXPECT_EQ(colourShown(), QColor(Qt::red));
    EXPECT_EQ(ratios.size(), 1);
}
