#include "eventually.h"
#include "thumbnailstripfixture.h"

#include <QUndoStack>

namespace {

TEST_F(StripFixture, AnEmptyStoryPaintsWhiteWithAGreyHintAndOffersOnlyAddAndPreview)
{
    show();
    const QImage image = shown();
    int hintPixels = 0;
    for (int y = 0; y < 140; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
            const bool edge = y < 30 || y >= 110 || x < 20 || x >= image.width() - 20;
            if (edge)
                ASSERT_EQ(c, QColor(Qt::white)) << x << "," << y;
            else if (c != QColor(Qt::white))
                ++hintPixels;
        }
    }
    EXPECT_GT(hintPixels, 100) << "the hint tells where pictures go";

    const auto menu = strip->buildContextMenu(-1, false);
    EXPECT_EQ(menuTexts(*menu), QStringList({"&Add Slide", "&Remove Slide", "-", "Preview &Pictorelle"}));
    EXPECT_FALSE(item(*menu, "&Remove Slide")->isEnabled());
    EXPECT_TRUE(item(*menu, "&Add Slide")->isEnabled());

    QSignalSpy commands(strip.get(), &ThumbnailStrip::commandRequested);
    item(*menu, "&Add Slide")->trigger();
    item(*menu, "Preview &Pictorelle")->trigger();
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[0][0].toInt(), 115);
    EXPECT_EQ(commands[1][0].toInt(), 106);
}

TEST_F(StripFixture, ThumbnailsShowPictureSelectionFramesNumberAndLength)
{
    addSlide(Qt::blue, 0);
    addSlide(Qt::green, 65);
    addSlide(Qt::cyan, 600);
    show();
    story.select(1);
    const QImage image = shown();
    EXPECT_EQ(image.pixel(20 + 37, PictureY), qRgb(0, 0, 255));
    // Slide 2 is selected: three orange frames from the picture's edge inwards, then a white one.
    const int x = 115;
    for (int inset = 0; inset < 3; ++inset)
        EXPECT_EQ(image.pixel(x + inset, 20 + 37), mark) << inset;
    EXPECT_EQ(image.pixel(x + 3, 20 + 37), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(x + 74, 94), mark);
    EXPECT_EQ(image.pixel(x + 4, 20 + 37), qRgb(0, 255, 0));
    // Unselected: the picture reaches its edge.
    EXPECT_EQ(image.pixel(20, 20 + 37), qRgb(0, 0, 255));

    int numberPixels = 0;
    for (int py = 109; py < 129; ++py)
        for (int px = x; px < x + 30; ++px)
            numberPixels += image.pixel(px, py) == mark;
    EXPECT_GT(numberPixels, 5);

    EXPECT_EQ(strip->lengthLabel(0), "0:00");
    EXPECT_EQ(strip->lengthLabel(1), "1:05");
    EXPECT_EQ(strip->lengthLabel(2), "10:00");
    EXPECT_EQ(strip->lengthLabel(3), "");
}

TEST_F(StripFixture, DropIndexCountsSlideCentresLeftOfThePoint)
{
    addSlides(4);
    show();
    EXPECT_EQ(strip->dropIndex(0), -1);
    EXPECT_EQ(strip->dropIndex(-5), -1);
    EXPECT_EQ(strip->dropIndex(1), 0);
    EXPECT_EQ(strip->dropIndex(centre(0)), 0);
    EXPECT_EQ(strip->dropIndex(centre(0) + 1), 1);
    EXPECT_EQ(strip->dropIndex(centre(1)), 1);
    EXPECT_EQ(strip->dropIndex(centre(3)), 3);
    EXPECT_EQ(strip->dropIndex(centre(3) + 1), -1);
}

TEST_F(StripFixture, DropIndexCountsInCanvasPixelsWhenScrolled)
{
    addSlides(10);
    show(400);
    strip->findChild<QScrollBar*>()->triggerAction(QAbstractSlider::SliderToMaximum);
    ASSERT_EQ(strip->scrollPosition(), 570);
    EXPECT_EQ(strip->dropIndex(centre(9) - 570), 9);
    EXPECT_EQ(strip->dropIndex(centre(9) - 570 + 1), -1);
    EXPECT_EQ(strip->dropIndex(centre(6) - 570 + 1), 7);
}

TEST_F(StripFixture, DraggingSlideTwoBetweenTheLastTwoReordersSelectsAndMarksModified)
{
    addSlides(4);
    const std::vector<int> before = order();
    show();
    QSignalSpy cue(strip.get(), &ThumbnailStrip::cueCardCommand);
    QSignalSpy changed(story.undoStack(), &QUndoStack::indexChanged);

    drag(centre(1), 295);

    EXPECT_EQ(order(), std::vector<int>({before[0], before[2], before[1], before[3]}));
    EXPECT_TRUE(strip->isSelected(2));
    EXPECT_FALSE(strip->isSelected(1));
    EXPECT_EQ(story.currentIndex(), 2);
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(cue.count(), 2);
    EXPECT_EQ(cue[0], QVariantList({551, 1}));
    EXPECT_EQ(cue[1], QVariantList({552, 2}));
    // The drag ends at the next edge-timer tick and every thumbnail glides home.
    EXPECT_EVENTUALLY((strip->dragSource()) == (-1));
    for (int i = 0; i < 4; ++i)
        EXPECT_EVENTUALLY((strip->placeOf(i).drawn) == (20 + 95 * i));
}

TEST_F(StripFixture, ReleasingLeftOfTheFirstSlideMovesTheDraggedSlideToTheFront)
{
    addSlides(4);
    const std::vector<int> before = order();
    show();
    drag(centre(1), 10);
    EXPECT_EQ(order(), std::vector<int>({before[1], before[0], before[2], before[3]}));
    EXPECT_EQ(story.currentIndex(), 0);
}

TEST_F(StripFixture, ReleasingOnTheSlideOrBesideItLeavesTheOrderAndGlidesBack)
{
    addSlides(4);
    const std::vector<int> before = order();
    show();
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    EXPECT_EQ(strip->dragSource(), 1);
    QTest::mouseMove(strip.get(), QPoint(centre(1) + 5, PictureY));
    // The gap opens after the pointer's slot: slides up to it shift left, the rest right.
    EXPECT_EQ(strip->placeOf(1).target, 115 - 15);
    EXPECT_EQ(strip->placeOf(2).target, 210 + 15);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(centre(1) + 5, PictureY));
    EXPECT_EQ(order(), before);
    EXPECT_FALSE(story.isModified());

    drag(centre(1), 105);
    EXPECT_EQ(order(), before);
    for (int i = 0; i < 4; ++i)
        EXPECT_EVENTUALLY((strip->placeOf(i).drawn) == (20 + 95 * i));
}

TEST_F(StripFixture, ANewDragOpensNoGapUntilItLeavesThePreviousDragsLastSlot)
{
    addSlides(4);
    show();
    drag(centre(1), centre(1) + 5);
    ASSERT_EQ(strip->positions().lastInsertionSlot(), 1);
    EXPECT_EVENTUALLY((strip->dragSource()) == (-1));
    EXPECT_EVENTUALLY((strip->placeOf(2).target) == (210));

    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    QTest::mouseMove(strip.get(), QPoint(centre(1) + 5, PictureY));
    EXPECT_EQ(strip->placeOf(2).target, 210);
    QTest::mouseMove(strip.get(), QPoint(295, PictureY));
    EXPECT_EQ(strip->placeOf(2).target, 210 - 15);
    EXPECT_EQ(strip->placeOf(3).target, 305 + 15);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(295, PictureY));
}

TEST_F(StripFixture, APressOutsideEveryThumbnailClearsTheMarksAndStartsNoDrag)
{
    addSlides(2);
    show();
    story.select(1);
    ASSERT_TRUE(strip->isSelected(1));
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(300, PictureY));
    EXPECT_FALSE(strip->isSelected(0));
    EXPECT_FALSE(strip->isSelected(1));
    EXPECT_EQ(strip->dragSource(), -1);
    EXPECT_EQ(story.currentIndex(), 1) << "the picture view keeps its slide";

    // No frame, nothing to delete.
    removalAnswers = {true};
    QTest::keyClick(strip.get(), Qt::Key_Delete);
    EXPECT_TRUE(removalQuestions.isEmpty());
    EXPECT_EQ(story.count(), 2);

    // A click on the current slide frames it again, though the story has no change to tell.
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    EXPECT_TRUE(strip->isSelected(1));
}

TEST_F(StripFixture, ScrollRangeIsContentWidthBeyondTheStripWidth)
{
    addSlides(2);
    show(400);
    EXPECT_EQ(strip->scrollMaximum(), 0);
    addSlides(8);
    strip->recomputeScrollRange();
    EXPECT_EQ(strip->scrollMaximum(), 95 * 10 + 20 - 400);
    EXPECT_EQ(strip->findChild<QScrollBar*>()->maximum(), 570);
    strip->resize(300, 150);
    EXPECT_EQ(strip->scrollMaximum(), 670);
}

TEST_F(StripFixture, ScrollIntoViewGlidesToTheSlideAndStopsAtTheRangeEnds)
{
    addSlides(10);
    show(400);
    strip->scrollIntoView(2);
    EXPECT_FALSE(strip->isScrollAnimating());

    strip->scrollIntoView(5);
    EXPECT_EQ(strip->scrollTarget(), 95 * 6 - 400 + 20);
    EXPECT_TRUE(strip->isScrollAnimating());
    EXPECT_EVENTUALLY((strip->scrollPosition()) == (190));
    EXPECT_EVENTUALLY(!strip->isScrollAnimating());

    strip->scrollIntoView(0);
    EXPECT_EQ(strip->scrollTarget(), -20);
    EXPECT_EVENTUALLY(!strip->isScrollAnimating());
    EXPECT_EQ(strip->scrollPosition(), 0);

    strip->lineScroll(1);
    EXPECT_EQ(strip->scrollTarget(), 95);
    EXPECT_EVENTUALLY((strip->scrollPosition()) == (95));
    strip->resetScroll();
    EXPECT_EQ(strip->scrollPosition(), 0);
}

} // namespace
