#include "desktop/widgets/strippositions.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

using Place = StripPositions::Place;

// Outside the unnamed namespace: GoogleTest finds them by the argument's namespace.
static bool operator==(const Place& a, const Place& b)
{
    return a.home == b.home && a.target == b.target && a.drawn == b.drawn;
}

static std::ostream& operator<<(std::ostream& out, const Place& p)
{
    return out << "{home " << p.home << ", target " << p.target << ", drawn " << p.drawn << "}";
}

namespace {

//! Glides until settled; the number of steps that moved something, or -1 past 1000.
int glideToRest(StripPositions& positions)
{
    int steps = 0;
    while (positions.glide())
        if (++steps > 1000)
            return -1;
    return steps;
}

TEST(StripPositions, GIVEN_SlideIds_WHEN_Reset_THEN_EachStandsOnSlotTwentyPlusNinetyFiveTimesItsIndex)
{
    StripPositions positions;
    positions.selectOnly(7);
    positions.reset({7, 3, 9});
    EXPECT_EQ(positions.place(7, 0), (Place{20, 20, 20}));
    EXPECT_EQ(positions.place(3, 1), (Place{115, 115, 115}));
    EXPECT_EQ(positions.place(9, 2), (Place{210, 210, 210}));
    EXPECT_TRUE(positions.isSettled());
    EXPECT_FALSE(positions.isSelected(7));
    EXPECT_EQ(positions.lastInsertionSlot(), -1);
    EXPECT_FALSE(positions.glide());

    // A slide the strip was never told of stands on the slot asked for.
    EXPECT_FALSE(positions.contains(4));
    EXPECT_EQ(positions.place(4, 5), (Place{495, 495, 495}));
}

TEST(StripPositions, GIVEN_ThreeSlides_WHEN_ANewOneArrivesFirst_THEN_ItGlidesFromTheEndInStepsOfAtMost128)
{
    StripPositions positions;
    positions.reset({1, 2, 3});
    positions.arrive({4, 1, 2, 3}, 0);
    EXPECT_EQ(positions.place(4, 0), (Place{20, 20, 305}));
    EXPECT_EQ(positions.place(1, 1), (Place{115, 115, 20}));
    EXPECT_FALSE(positions.isSettled());

    int last = positions.place(4, 0).drawn;
    for (int step = 0; step < 100 && positions.glide(); ++step) {
        const int now = positions.place(4, 0).drawn;
        EXPECT_LE(last - now, 128);
        EXPECT_GE(now, 20) << "never past its target";
        last = now;
    }
    EXPECT_TRUE(positions.isSettled());
    EXPECT_EQ(positions.place(4, 0), (Place{20, 20, 20}));
    EXPECT_EQ(positions.place(3, 3), (Place{305, 305, 305}));
}

TEST(StripPositions, GIVEN_ASlideThatLeft_WHEN_ItIsPutBack_THEN_ItAppearsInItsPlace)
{
    StripPositions positions;
    positions.reset({1, 2, 3, 4});
    positions.selectOnly(2);
    positions.leave({1, 3, 4}, 1);
    EXPECT_FALSE(positions.contains(2));
    EXPECT_FALSE(positions.isSelected(2)) << "a frame goes with its slide";
    EXPECT_EQ(positions.place(3, 1), (Place{115, 115, 210}));
    EXPECT_EQ(positions.place(4, 2), (Place{210, 210, 305}));
    EXPECT_EQ(positions.place(1, 0), (Place{20, 20, 20}));
    ASSERT_GT(glideToRest(positions), 0);

    positions.arrive({1, 2, 3, 4}, 1);
    EXPECT_EQ(positions.place(2, 1), (Place{115, 115, 115}));
    EXPECT_EQ(positions.place(3, 2), (Place{210, 210, 115}));
    EXPECT_EQ(positions.place(4, 3), (Place{305, 305, 210}));
}

TEST(StripPositions, GIVEN_AnOpenDragGap_WHEN_TheSameSlotComesAgainOrASlideLeaves_THEN_TheGapStays)
{
    StripPositions positions;
    positions.reset({1, 2, 3, 4});
    ASSERT_EQ(glideToRest(positions), 0);

    EXPECT_TRUE(positions.openGap({1, 2, 3, 4}, 1));
    EXPECT_EQ(positions.lastInsertionSlot(), 1);
    EXPECT_EQ(positions.place(1, 0).target, 20 - 15);
    EXPECT_EQ(positions.place(2, 1).target, 115 - 15);
    EXPECT_EQ(positions.place(3, 2).target, 210 + 15);
    EXPECT_EQ(positions.place(4, 3).target, 305 + 15);
    EXPECT_FALSE(positions.openGap({1, 2, 3, 4}, 1));

    positions.leave({2, 3, 4}, 0);
    EXPECT_EQ(positions.place(2, 0), (Place{20, 20 - 15, 115}));
    EXPECT_EQ(positions.place(3, 1), (Place{115, 115 + 15, 210}));

    positions.aimHome();
    ASSERT_GT(glideToRest(positions), 0);
    EXPECT_EQ(positions.place(3, 1), (Place{115, 115, 115}));
    // Before the first slide: every slide aims right.
    EXPECT_TRUE(positions.openGap({2, 3, 4}, -1));
    EXPECT_EQ(positions.place(2, 0).target, 20 + 15);
}

TEST(StripPositions, GIVEN_ANewOrder_WHEN_LinedUp_THEN_EachGlidesToItsNewSlotFromWhereItWas)
{
    StripPositions positions;
    positions.reset({1, 2, 3});
    positions.lineUp({3, 1, 2});
    EXPECT_EQ(positions.place(3, 0), (Place{20, 20, 210}));
    EXPECT_EQ(positions.place(1, 1), (Place{115, 115, 20}));
    ASSERT_GT(glideToRest(positions), 0);
    EXPECT_EQ(positions.place(3, 0), (Place{20, 20, 20}));

    // Settled, and asked to glide on: nothing moves.
    positions.unsettle();
    EXPECT_FALSE(positions.isSettled());
    EXPECT_FALSE(positions.glide());
    EXPECT_TRUE(positions.isSettled());
}

TEST(StripPositions, GIVEN_AFrame_WHEN_AnotherSlideIsFramedAlone_THEN_OnlyThatOneIsFramed)
{
    StripPositions positions;
    positions.reset({1, 2});
    positions.selectOnly(1);
    EXPECT_TRUE(positions.isSelected(1));
    positions.selectOnly(2);
    EXPECT_FALSE(positions.isSelected(1));
    EXPECT_TRUE(positions.isSelected(2));
    positions.clearSelection();
    EXPECT_FALSE(positions.isSelected(2));
}

} // namespace
