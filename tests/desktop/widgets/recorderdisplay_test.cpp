#include "desktop/widgets/recorderdisplay.h"

#include <gtest/gtest.h>

namespace {

void expectRect(const BarRect& r, int left, int top, int right, int bottom)
{
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right, right);
    EXPECT_EQ(r.bottom, bottom);
}

TEST(ProgressBar, EmptyBarSitsRightOfCentreAboveTheBottom)
{
    const ProgressBarGeometry g = progressBar(800, 600, 0.0f, RecorderState::Stopped, false);
    EXPECT_EQ(g.left, 423);
    EXPECT_EQ(g.top, 524);
    EXPECT_FALSE(g.filled.has_value());
    expectRect(g.rest, 423, 525, 628, 533);
}

TEST(ProgressBar, OriginTruncatesTowardZero)
{
    EXPECT_EQ(progressBar(801, 300, 0.0f, RecorderState::Stopped, false).left, 424);
    EXPECT_EQ(progressBar(474, 300, 0.0f, RecorderState::Stopped, false).left, 260);
    // (100 − 473) / 2 is −186 in C arithmetic, not −187.
    EXPECT_EQ(progressBar(100, 50, 0.0f, RecorderState::Stopped, false).left, 74);
    EXPECT_EQ(progressBar(100, 50, 0.0f, RecorderState::Stopped, false).top, -26);
}

TEST(ProgressBar, TwentyOfSixtySecondsFillsAThird)
{
    const ProgressBarGeometry g = progressBar(800, 600, 20.0f / 60.0f, RecorderState::Recording, false);
    ASSERT_TRUE(g.filled.has_value());
    expectRect(*g.filled, 424, 525, 491, 533);
    EXPECT_EQ(g.filledColour, QColor(255, 0, 0));
    expectRect(g.rest, 491, 525, 628, 533);
    EXPECT_EQ(g.filled->toQRect(), QRect(424, 525, 67, 8));
}

TEST(ProgressBar, FullAndOverfullBars)
{
    const ProgressBarGeometry full = progressBar(800, 600, 1.0f, RecorderState::Recording, false);
    expectRect(*full.filled, 424, 525, 627, 533);
    expectRect(full.rest, 627, 525, 628, 533);

    const ProgressBarGeometry over = progressBar(800, 600, 1.5f, RecorderState::Stopped, true);
    expectRect(*over.filled, 424, 525, 628, 533);
    expectRect(over.rest, 627, 525, 628, 533);
}

TEST(ProgressBar, TinyRatioHasAnEmptyFill)
{
    const ProgressBarGeometry g = progressBar(800, 600, 0.001f, RecorderState::Recording, false);
    ASSERT_TRUE(g.filled.has_value());
    EXPECT_TRUE(g.filled->isEmpty());
    expectRect(g.rest, 423, 525, 628, 533);
}

TEST(ProgressBar, FillColourFollowsPlayingThenState)
{
    EXPECT_EQ(progressBar(800, 600, 0.5f, RecorderState::Stopped, true).filledColour, QColor(0, 255, 0));
    EXPECT_EQ(progressBar(800, 600, 0.5f, RecorderState::Recording, true).filledColour, QColor(0, 255, 0));
    EXPECT_EQ(progressBar(800, 600, 0.5f, RecorderState::Paused, false).filledColour, QColor(210, 9, 9));
    EXPECT_EQ(progressBar(800, 600, 0.5f, RecorderState::Playing, false).filledColour, QColor(0, 0, 0));
    EXPECT_EQ(progressBar(800, 600, 0.5f, RecorderState::Stopped, false).filledColour, QColor(0, 0, 0));
}

TEST(ProgressBar, FrameIsGreyTopLeftAndWhiteBottomRight)
{
    const ProgressBarGeometry g = progressBar(800, 600, 0.5f, RecorderState::Recording, false);
    const QColor grey(128, 128, 128);
    const QColor white(255, 255, 255);
    const BarLine expected[4] = {{423, 524, 629, 524, grey},
                                 {423, 524, 423, 534, grey},
                                 {629, 524, 629, 534, white},
                                 {423, 534, 629, 534, white}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g.frame[i].x1, expected[i].x1) << i;
        EXPECT_EQ(g.frame[i].y1, expected[i].y1) << i;
        EXPECT_EQ(g.frame[i].x2, expected[i].x2) << i;
        EXPECT_EQ(g.frame[i].y2, expected[i].y2) << i;
        EXPECT_EQ(g.frame[i].colour, expected[i].colour) << i;
    }
}

TEST(StatusDisplay, WordsArePaddedToTenAndColouredByState)
{
    EXPECT_EQ(statusText(RecorderState::Playing, true).word, "Playing   ");
    EXPECT_EQ(statusText(RecorderState::Playing, true).colour, QColor(0, 153, 0));
    EXPECT_EQ(statusText(RecorderState::Recording, true).word, "Recording ");
    EXPECT_EQ(statusText(RecorderState::Recording, true).colour, QColor(200, 0, 0));
    // Until the first sound arrives the author is not heard yet.
    EXPECT_EQ(statusText(RecorderState::Recording, true, false).word, "Starting  ");
    EXPECT_EQ(statusText(RecorderState::Recording, true, false).colour, QColor(128, 128, 128));
    EXPECT_EQ(statusText(RecorderState::Paused, true, false).word, "Paused    ");
    EXPECT_EQ(statusText(RecorderState::Paused, true).word, "Paused    ");
    EXPECT_EQ(statusText(RecorderState::Paused, true).colour, QColor(165, 9, 9));
    EXPECT_EQ(statusText(RecorderState::Stopped, true).word, "Stopped   ");
    EXPECT_EQ(statusText(RecorderState::Stopped, true).colour, QColor(128, 128, 128));
    EXPECT_TRUE(statusText(RecorderState::Recording, false).word.isEmpty());
    EXPECT_EQ(statusTimeColour(), QColor(247, 79, 13));
}

TEST(StatusDisplay, TimeShowsTheSecondsOfWhatIsGoingOn)
{
    EXPECT_EQ(statusTimeText(RecorderState::Playing, true, 75, 9, 3), "1:15");
    EXPECT_EQ(statusTimeText(RecorderState::Recording, true, 75, 65, 3), "1:05");
    EXPECT_EQ(statusTimeText(RecorderState::Paused, true, 75, 9, 3), "0:09");
    EXPECT_EQ(statusTimeText(RecorderState::Stopped, true, 75, 9, 60), "1:00");
    EXPECT_EQ(statusTimeText(RecorderState::Playing, false, 75, 9, 3), "");
}

} // namespace
