// Dragging slides along the strip: the insertion bar, where drops land, edge scrolling, the wheel.
#include "eventually.h"
#include "thumbnailstripfixture.h"

#include <QWheelEvent>

#include <set>

namespace {

// A row above the pictures where only the insertion bar paints.
constexpr int BarRow = 17;

//! The client x columns of the bar row in the mark colour.
std::set<int> barColumns(const QImage& image)
{
    std::set<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, BarRow) == mark)
            columns.insert(x);
    return columns;
}

//! The four columns of a bar centred on client x.
std::set<int> barAt(int x)
{
    return {x - 2, x - 1, x, x + 1};
}

void turnWheel(QWidget* over, int delta)
{
    const QPoint at(over->width() / 2, over->height() / 2);
    QWheelEvent wheel(at, over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(over, &wheel);
}

struct Drop
{
    int from;
    int x;                  //!< client x of the release, the strip unscrolled
    int slot;               //!< the bar's slot: the dragged slide lands after it (-1: first)
    std::vector<int> order; //!< indexes of the slides before the drop, in their new order
    const char* where;
};

TEST_F(StripFixture, TheBarMarksWhereTheDraggedSlideLandsLeftHalfBeforeRightHalfAfter)
{
    addSlides(5);
    const std::vector<int> before = order();
    show(600);
    const std::vector<Drop> drops = {
        {2, 20 + 8, -1, {2, 0, 1, 3, 4}, "left third of the first"},
        {2, 20 + 37, -1, {2, 0, 1, 3, 4}, "last pixel of the first's left half"},
        {2, 20 + 38, 0, {0, 2, 1, 3, 4}, "first pixel of the first's right half"},
        {3, 20 + 60, 0, {0, 3, 1, 2, 4}, "right part of the first"},
        {4, 115 + 20, 0, {0, 4, 1, 2, 3}, "left part of the second"},
        {0, 305 + 10, 2, {1, 2, 0, 3, 4}, "left part of the fourth"},
        {0, 305 + 70, 3, {1, 2, 3, 0, 4}, "right part of the fourth"},
        {1, 400 + 5, 3, {0, 2, 3, 1, 4}, "left part of the last"},
        {1, 400 + 60, 4, {0, 2, 3, 4, 1}, "right part of the last"},
        {0, 550, 4, {1, 2, 3, 4, 0}, "beyond the last"},
    };
    for (const Drop& drop : drops) {
        SCOPED_TRACE(drop.where);
        QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(drop.from), PictureY));
        EXPECT_EQ(strip->markerSlot(), ThumbnailStrip::NoMarker) << "no bar before the pointer moves";
        QTest::mouseMove(strip.get(), QPoint(drop.x, PictureY));
        EXPECT_EQ(strip->markerSlot(), drop.slot);
        EXPECT_EQ(barColumns(shown()), barAt(ThumbnailStrip::markerX(drop.slot)));
        QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(drop.x, PictureY));

        std::vector<int> expected;
        for (int i : drop.order)
            expected.push_back(before[size_t(i)]);
        EXPECT_EQ(order(), expected);
        EXPECT_EQ(strip->markerSlot(), ThumbnailStrip::NoMarker);
        EXPECT_TRUE(barColumns(shown()).empty()) << "the bar goes with the drop";
        EXPECT_EVENTUALLY((strip->dragSource()) == (-1));
        ASSERT_TRUE(story.undo());
        ASSERT_EQ(order(), before);
    }
}

TEST_F(StripFixture, TheBarFollowsThePointerAndADropBesideTheDraggedSlideMovesNothing)
{
    addSlides(4);
    const std::vector<int> before = order();
    show();
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    QTest::mouseMove(strip.get(), QPoint(centre(3) + 10, PictureY));
    EXPECT_EQ(strip->markerSlot(), 3);
    // Back over the dragged slide's own right half: after itself.
    QTest::mouseMove(strip.get(), QPoint(centre(1) + 10, PictureY));
    EXPECT_EQ(strip->markerSlot(), 1);
    EXPECT_EQ(barColumns(shown()), barAt(ThumbnailStrip::markerX(1)));
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(centre(1) + 10, PictureY));
    EXPECT_EQ(order(), before);
    EXPECT_FALSE(story.isModified());

    // Its own left half: before itself.
    drag(centre(1), centre(1) - 10);
    EXPECT_EQ(order(), before);
    EXPECT_FALSE(story.isModified());
}

TEST_F(StripFixture, ThePlaceDoesNotDependOnWhereThePointerCameFrom)
{
    addSlides(4);
    const std::vector<int> before = order();
    show();
    // Over the first slide's right half the first slide moves aside; its left third still means
    // before it.
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(2), PictureY));
    QTest::mouseMove(strip.get(), QPoint(20 + 60, PictureY));
    ASSERT_EQ(strip->markerSlot(), 0);
    QTest::mouseMove(strip.get(), QPoint(20 + 25, PictureY));
    EXPECT_EQ(strip->markerSlot(), -1);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(20 + 25, PictureY));
    EXPECT_EQ(order(), std::vector<int>({before[2], before[0], before[1], before[3]}));
    EXPECT_EVENTUALLY((strip->dragSource()) == (-1));

    // And from the left, over the third slide: its right half means after it.
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(0), PictureY));
    QTest::mouseMove(strip.get(), QPoint(210 + 10, PictureY));
    ASSERT_EQ(strip->markerSlot(), 1);
    QTest::mouseMove(strip.get(), QPoint(210 + 50, PictureY));
    EXPECT_EQ(strip->markerSlot(), 2);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(210 + 50, PictureY));
    EXPECT_EQ(order(), std::vector<int>({before[0], before[1], before[2], before[3]}))
        << "the slide moved first goes back after the third one";
}

TEST_F(StripFixture, APressWithoutAMoveShowsNoBar)
{
    addSlides(3);
    show();
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    EXPECT_TRUE(barColumns(shown()).empty());
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    EXPECT_TRUE(barColumns(shown()).empty());
}

TEST_F(StripFixture, ADragHeldAtEitherEdgeScrollsTheStripAndDropsAtTheScrolledToPlace)
{
    addSlides(6);
    const std::vector<int> before = order();
    show(400);
    ASSERT_EQ(strip->scrollMaximum(), 95 * 6 + 20 - 400);

    // Held 4 px inside the right edge, as far as the drag cursor may go.
    const int right = 400 - 5;
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    QTest::mouseMove(strip.get(), QPoint(right, PictureY));
    EXPECT_EQ(strip->markerSlot(), 3) << "unscrolled, the pointer is over the fifth slide's left half";
    EXPECT_EVENTUALLY((strip->scrollPosition()) == (190));
    EXPECT_EQ(strip->markerSlot(), 5) << "the bar followed the scroll to the end of the row";
    EXPECT_EQ(barColumns(shown()), barAt(ThumbnailStrip::markerX(5) - 190));
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(right, PictureY));
    EXPECT_EQ(order(), std::vector<int>({before[0], before[2], before[3], before[4], before[5], before[1]}));
    EXPECT_EVENTUALLY((strip->dragSource()) == (-1));

    // Back at the left edge from the far end: the slide now last goes first.
    const int left = 4;
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(5) - 190, PictureY));
    ASSERT_EQ(strip->dragSource(), 5);
    QTest::mouseMove(strip.get(), QPoint(left, PictureY));
    EXPECT_EQ(strip->markerSlot(), 1);
    EXPECT_EVENTUALLY((strip->scrollPosition()) == (0));
    EXPECT_EQ(strip->markerSlot(), -1);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(left, PictureY));
    EXPECT_EQ(order(), std::vector<int>({before[1], before[0], before[2], before[3], before[4], before[5]}));
}

TEST_F(StripFixture, ADragAwayFromTheEdgesDoesNotScroll)
{
    addSlides(6);
    show(400);
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    QTest::mouseMove(strip.get(), QPoint(400 - 20, PictureY));
    // Several edge-timer periods.
    QTest::qWait(350);
    EXPECT_EQ(strip->scrollTarget(), 0);
    EXPECT_EQ(strip->scrollPosition(), 0);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(400 - 20, PictureY));
}

TEST_F(StripFixture, TheWheelTurnedAwayScrollsTowardsTheFirstSlideOneLinePerNotch)
{
    addSlides(12);
    show(400);
    ASSERT_GT(strip->scrollMaximum(), 4 * 95);
    turnWheel(strip.get(), -120);
    EXPECT_EQ(strip->scrollTarget(), 95) << "towards the user: on along the row";
    turnWheel(strip.get(), -360);
    EXPECT_EQ(strip->scrollTarget(), 4 * 95);
    turnWheel(strip.get(), 240);
    EXPECT_EQ(strip->scrollTarget(), 2 * 95) << "away from the user: back towards the start";
    turnWheel(strip.get(), 30);
    EXPECT_EQ(strip->scrollTarget(), 95) << "a fine-grained wheel still moves one line";
    turnWheel(strip.get(), 0);
    EXPECT_EQ(strip->scrollTarget(), 95);
    turnWheel(strip.get(), 600);
    EXPECT_EQ(strip->scrollTarget(), 0) << "no further than the first slide";
    EXPECT_EVENTUALLY((strip->scrollPosition()) == (0) && !strip->isScrollAnimating());
}

} // namespace
