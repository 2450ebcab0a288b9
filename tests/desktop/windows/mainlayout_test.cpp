#include "desktop/windows/mainlayout.h"

#include <gtest/gtest.h>

TEST(MainLayout, GivenAThousandByEightHundredClientThenThePictureAreaAndAudioRowAreWhereTheyBelong)
{
    const MainLayout l = computeMainLayout(1000, 800, 1);
    EXPECT_EQ(l.pictureArea, QRect(300, 217, 692, 503));
    EXPECT_EQ(l.slideView, QRect(300, 217, 692, 503));
    EXPECT_EQ(l.strip, QRect(7, 50, 985, 150));
    EXPECT_EQ(l.logo, QRect(820, 7, 172, 34));
    EXPECT_EQ(l.toolButtons[3], QRect(274, 7, 81, 26));
    // C = (1000 − 473) / 2 = 263.
    EXPECT_EQ(l.record, QRect(523, 755, 47, 26));
    EXPECT_EQ(l.play, QRect(578, 746, 41, 41));
    EXPECT_EQ(l.stop, QRect(627, 755, 47, 26));
    EXPECT_EQ(l.cueCards, QRect(682, 755, 47, 26));
    EXPECT_EQ(l.importNarration, QRect(737, 755, 47, 26));
    EXPECT_EQ(l.audioLabel, QRect(730, 728, 60, 16));
    EXPECT_EQ(l.timeDisplay, QRect(797, 728, 82, 32));
    // Import Narration sits in the row of Record and Cue Cards, clear of them, the "Audio:"
    // label, the time display and the level meter.
    for (const QRect& other : {l.record, l.play, l.stop, l.cueCards, l.audioLabel, l.timeDisplay, l.levelMeter})
        EXPECT_FALSE(l.importNarration.intersects(other));
    EXPECT_EQ(l.importNarration.top(), l.cueCards.top());
    EXPECT_EQ(l.progressBar, QPoint(523, 724));
    EXPECT_EQ(l.storyValues[2], QRect(90, 324, 210, 64));
    EXPECT_EQ(l.storyLabels[5], QRect(0, 461, 82, 16));
    ASSERT_TRUE(l.slidePanel.has_value());
    EXPECT_EQ(l.slidePanel->heading, QRect(7, 590, 202, 26));
    EXPECT_EQ(l.slidePanel->values[0], QRect(90, 628, 210, 48));
    EXPECT_EQ(l.slidePanel->values[1], QRect(90, 688, 210, 32));
    EXPECT_EQ(l.slidePanel->labels[2], QRect(0, 712, 82, 16));
    EXPECT_TRUE(l.transcriptBox.isEmpty());
}

TEST(MainLayout, GivenAPodcastThenTheTranscriptTakesThePictureAreaAndTheSlidePanelGoes)
{
    const MainLayout l = computeMainLayout(800, 780, 2);
    EXPECT_EQ(l.pictureArea, QRect(300, 217, 492, 483));
    EXPECT_EQ(l.slideView, QRect(300, 217, 0, 0));
    EXPECT_EQ(l.transcriptHeading, QRect(321, 217, 471, 32));
    EXPECT_EQ(l.transcriptCheck, QRect(321, 249, 471, 16));
    EXPECT_EQ(l.transcriptBox, QRect(300, 272, 492, 428));
    ASSERT_TRUE(l.slidePanel.has_value());
    EXPECT_TRUE(l.slidePanel->heading.isEmpty());
    EXPECT_EQ(l.slidePanel->editSlide, QRect(-100, -100, 0, 0));
    // C = (800 − 473) / 2 = 163, truncated.
    EXPECT_EQ(l.record, QRect(423, 735, 47, 26));
}

TEST(MainLayout, GivenStoryTypesThreeAndFourThenTheSlidePanelIsLeftAlone)
{
    EXPECT_FALSE(computeMainLayout(1000, 800, 3).slidePanel.has_value());
    EXPECT_FALSE(computeMainLayout(1000, 800, 4).slidePanel.has_value());
}

TEST(MainLayout, GivenClientsTooShortForTheSlidePanelThenItMovesDownClearOfTheStoryPanelAndInside)
{
    const QRect storyLast = computeMainLayout(1000, 800, 1).storyValues[5];
    for (const int h : {689, 674, 650, MainLayoutMinimum.height()}) {
        SCOPED_TRACE(h);
        const MainLayout l = computeMainLayout(MainLayoutMinimum.width(), h, 1);
        ASSERT_TRUE(l.slidePanel.has_value());
        EXPECT_GT(l.slidePanel->heading.top(), storyLast.bottom() + 1);
        EXPECT_EQ(l.slidePanel->editSlide.top(), l.slidePanel->heading.top());
        const QRect client(0, 0, MainLayoutMinimum.width(), h);
        for (const QRect& r : {l.slidePanel->values[0], l.slidePanel->values[1], l.slidePanel->values[2]}) {
            EXPECT_TRUE(client.contains(r));
            EXPECT_FALSE(r.intersects(l.storyValues[5]));
        }
        // The rest keeps its places against the bottom edge.
        EXPECT_EQ(l.record, QRect((MainLayoutMinimum.width() - 473) / 2 + 260, h - 45, 47, 26));
        for (const QRect& r : {l.record, l.play, l.stop, l.cueCards, l.importNarration, l.timeDisplay, l.levelMeter,
                               l.slidePosition, l.logo})
            EXPECT_TRUE(client.contains(r));
    }
    // From 690 pixels on, the panel is where it always was.
    EXPECT_EQ(computeMainLayout(1000, 690, 1).slidePanel->heading, QRect(7, 480, 202, 26));
    EXPECT_EQ(computeMainLayout(1000, 650, 1).slidePanel->heading, QRect(7, 480, 202, 26));
    EXPECT_EQ(computeMainLayout(1000, 624, 1).slidePanel->values[2], QRect(90, 602, 210, 16));
}
