// The strip following the story's changes: slots, glides and frames.
#include "eventually.h"
#include "story/addslidescommand.h"
#include "story/deleteslidecommand.h"
#include "story/moveslidecommand.h"
#include "thumbnailstripfixture.h"

namespace {

constexpr int slot(int i)
{
    return 20 + 95 * i;
}

//! Every slide has come to rest on its home slot.
bool allHome(const ThumbnailStrip& strip, int count)
{
    for (int i = 0; i < count; ++i) {
        const StripPositions::Place place = strip.placeOf(i);
        if (place.drawn != slot(i) || place.target != slot(i) || place.home != slot(i))
            return false;
    }
    return strip.positions().isSettled();
}

//! The slides framed, by index.
std::vector<int> framed(const ThumbnailStrip& strip, const Story& story)
{
    std::vector<int> indexes;
    for (int i = 0; i < story.count(); ++i)
        if (strip.isSelected(i))
            indexes.push_back(i);
    return indexes;
}

TEST_F(StripFixture, GIVEN_ThreeSlides_WHEN_AFourthIsAddedFirst_THEN_ItGlidesInFromTheEndAndTheOthersOneSlotRight)
{
    addSlides(3);
    show();
    ASSERT_TRUE(allHome(*strip, 3));

    addSlide(Qt::red, 0, SlideKind::Legacy, 0);

    const StripPositions::Place added = strip->placeOf(0);
    EXPECT_EQ(added.home, slot(0));
    EXPECT_EQ(added.target, slot(0));
    EXPECT_EQ(added.drawn, slot(3)) << "it glides from where it was appended";
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(strip->placeOf(i).home, slot(i));
        EXPECT_EQ(strip->placeOf(i).target, slot(i));
        EXPECT_EQ(strip->placeOf(i).drawn, slot(i - 1));
    }
    EXPECT_FALSE(strip->positions().isSettled());
    EXPECT_EVENTUALLY(allHome(*strip, 4));
}

TEST_F(StripFixture, GIVEN_FourSlides_WHEN_TheCurrentOneIsDeletedAndTheDeleteUndone_THEN_TheRestGlideAndTheFrameFollows)
{
    addSlides(4);
    const std::vector<int> before = order();
    show();
    story.select(1);
    ASSERT_EQ(framed(*strip, story), std::vector<int>{1});

    ASSERT_TRUE(story.push(new DeleteSlideCommand(story, 1)));

    EXPECT_EQ(strip->placeOf(0).drawn, slot(0));
    EXPECT_EQ(strip->placeOf(0).target, slot(0));
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(strip->placeOf(i).home, slot(i));
        EXPECT_EQ(strip->placeOf(i).target, slot(i));
        EXPECT_EQ(strip->placeOf(i).drawn, slot(i + 1)) << "glides one slot left";
    }
    EXPECT_EQ(framed(*strip, story), std::vector<int>{1}) << "the next slide took the deleted one's place";
    EXPECT_EVENTUALLY(allHome(*strip, 3));

    ASSERT_TRUE(story.undo());
    ASSERT_EQ(order(), before);
    // The slide put back appears in its place; the ones after it glide one slot right.
    EXPECT_EQ(strip->placeOf(1).drawn, slot(1));
    EXPECT_EQ(strip->placeOf(1).target, slot(1));
    for (int i = 2; i < 4; ++i) {
        EXPECT_EQ(strip->placeOf(i).target, slot(i));
        EXPECT_EQ(strip->placeOf(i).drawn, slot(i - 1));
    }
    EXPECT_EQ(framed(*strip, story), std::vector<int>{1});
    EXPECT_EVENTUALLY(allHome(*strip, 4));
}

TEST_F(StripFixture, GIVEN_ADragHoldingAGapOpen_WHEN_ASlideGoes_THEN_TheGapStaysOpenOneSlotFurtherLeft)
{
    addSlides(4);
    show();
    QTest::mousePress(strip.get(), Qt::LeftButton, {}, QPoint(centre(2), PictureY));
    QTest::mouseMove(strip.get(), QPoint(centre(2) + 5, PictureY));
    ASSERT_EQ(strip->placeOf(3).target, slot(3) + 15);

    ASSERT_TRUE(story.remove(0));

    EXPECT_EQ(strip->placeOf(2).home, slot(2));
    EXPECT_EQ(strip->placeOf(2).target, slot(2) + 15);
    EXPECT_EQ(strip->placeOf(1).target, slot(1) - 15);
    QTest::mouseRelease(strip.get(), Qt::LeftButton, {}, QPoint(centre(2) + 5, PictureY));
    EXPECT_EVENTUALLY(allHome(*strip, 3));
}

TEST_F(StripFixture, GIVEN_FourSlides_WHEN_TheFirstIsMovedLastAndBack_THEN_AllLineUpOnTheirSlotsAndTheMovedOneIsFramed)
{
    addSlides(4);
    show();

    ASSERT_TRUE(story.push(new MoveSlideCommand(story, 0, 3)));

    EXPECT_EQ(strip->placeOf(3).home, slot(3));
    EXPECT_EQ(strip->placeOf(3).target, slot(3));
    EXPECT_EQ(strip->placeOf(3).drawn, slot(0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(strip->placeOf(i).target, slot(i));
        EXPECT_EQ(strip->placeOf(i).drawn, slot(i + 1));
    }
    EXPECT_EQ(framed(*strip, story), std::vector<int>{3});
    EXPECT_EVENTUALLY(allHome(*strip, 4));

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(strip->placeOf(0).target, slot(0));
    EXPECT_EQ(strip->placeOf(0).drawn, slot(3));
    EXPECT_EQ(framed(*strip, story), std::vector<int>{0});
    EXPECT_EVENTUALLY(allHome(*strip, 4));
}

TEST_F(StripFixture, GIVEN_SlidesShown_WHEN_TheCurrentSlideChanges_THEN_OnlyTheNewCurrentOneIsFramed)
{
    addSlides(2);
    show();
    EXPECT_EQ(framed(*strip, story), std::vector<int>{0}) << "the first slide is current until another is chosen";
    ASSERT_TRUE(story.select(1));
    EXPECT_EQ(framed(*strip, story), std::vector<int>{1});
    EXPECT_EQ(shown().pixel(slot(1), PictureY), mark);
    EXPECT_NE(shown().pixel(slot(0), PictureY), mark);
    ASSERT_TRUE(story.select(0));
    EXPECT_EQ(framed(*strip, story), std::vector<int>{0});

    ASSERT_TRUE(story.remove(1));
    ASSERT_TRUE(story.remove(0));
    EXPECT_TRUE(framed(*strip, story).empty());
    // The first slide of an empty story becomes the current one.
    addSlide(Qt::blue);
    EXPECT_EQ(framed(*strip, story), std::vector<int>{0});
}

TEST_F(StripFixture, GIVEN_AStripMidGlide_WHEN_TheStoryIsReplaced_THEN_AllStandOnTheirSlotsAndTheCurrentIsFramed)
{
    addSlides(3);
    show();
    drag(centre(0), centre(0) + 5);
    ASSERT_EQ(strip->positions().lastInsertionSlot(), 0);
    addSlide(Qt::red, 0, SlideKind::Legacy, 0);
    ASSERT_FALSE(strip->positions().isSettled());
    ASSERT_FALSE(framed(*strip, story).empty());

    {
        // As a load does: the story tells nothing until it is whole, then storyReset.
        const Story::Replacing replacing(story);
        story.reset();
        addSlide(Qt::green);
        addSlide(Qt::blue);
        addSlide(Qt::cyan, 0, SlideKind::Legacy, 0);
        story.select(2);
        EXPECT_EQ(strip->positions().lastInsertionSlot(), 0) << "nothing is told before the replacement ends";
    }

    EXPECT_TRUE(allHome(*strip, 3));
    EXPECT_EQ(strip->positions().lastInsertionSlot(), -1);
    EXPECT_EQ(framed(*strip, story), std::vector<int>{2}) << "a story just loaded frames its current slide";
    EXPECT_EQ(shown().pixel(slot(2), PictureY), mark);
    EXPECT_NE(shown().pixel(slot(1), PictureY), mark);
    ASSERT_TRUE(story.select(1));
    EXPECT_EQ(framed(*strip, story), std::vector<int>{1});

    {
        // A story loaded without a current slide: the first one is current.
        const Story::Replacing replacing(story);
        story.reset();
        addSlide(Qt::green);
        addSlide(Qt::blue);
    }
    EXPECT_EQ(framed(*strip, story), std::vector<int>{0});

    {
        const Story::Replacing replacing(story);
        story.reset();
    }
    EXPECT_TRUE(framed(*strip, story).empty()) << "an empty story has nothing to frame";
}

TEST_F(StripFixture, GIVEN_TheFramesClearedByAClickBesideTheThumbnails_WHEN_SlidesAreAdded_THEN_TheCurrentIsFramedAgain)
{
    addSlides(2);
    show();
    ASSERT_TRUE(story.select(1));
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(350, PictureY));
    ASSERT_TRUE(framed(*strip, story).empty());

    // Added behind the current slide, which stays current.
    std::vector<std::unique_ptr<Slide>> pictures;
    for (int i = 0; i < 2; ++i) {
        pictures.push_back(std::make_unique<Slide>(story));
        pictures.back()->setReady(true);
    }
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, std::move(pictures), -1)));
    ASSERT_EQ(story.count(), 4);
    EXPECT_EQ(story.currentIndex(), 1);
    EXPECT_EQ(framed(*strip, story), std::vector<int>{1});
    EXPECT_EQ(shown().pixel(slot(1), PictureY), mark);

    // Added first, after a click above the pictures.
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(0), 5));
    ASSERT_TRUE(framed(*strip, story).empty());
    auto first = std::make_unique<Slide>(story);
    first->setReady(true);
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, std::move(first), 0)));
    EXPECT_EQ(framed(*strip, story), std::vector<int>{story.currentIndex()});

    // A new segment becomes the current slide and takes the frame.
    auto segment = std::make_unique<Slide>(story);
    segment->setKind(SlideKind::Segment);
    segment->setReady(true);
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, std::move(segment), -1, AddSlidesCommand::Current::LastAdded)));
    EXPECT_EQ(framed(*strip, story), std::vector<int>{5});
    EXPECT_EQ(story.currentIndex(), 5);

    // Undone and redone, the frame stays on the current slide.
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(framed(*strip, story), std::vector<int>{story.currentIndex()});
    ASSERT_TRUE(story.redo());
    EXPECT_EQ(framed(*strip, story), std::vector<int>{5});
}

} // namespace
