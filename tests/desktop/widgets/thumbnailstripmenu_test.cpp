#include "thumbnailstripfixture.h"

#include <QUndoStack>

namespace {

TEST_F(StripFixture, ContextMenuDependsOnWhatWasHit)
{
    addSlide(Qt::red, 12);
    addSlide(Qt::green, 0);
    addSlide(Qt::blue, 30, SlideKind::Segment);
    show();

    const auto label = strip->buildContextMenu(0, true);
    EXPECT_EQ(menuTexts(*label), QStringList({"&Play", "&Clear Audio", "&Import Narration…", "&Cue Card", "-", "-",
                                              "Preview &Pictorelle"}));
    EXPECT_TRUE(item(*label, "&Play")->isEnabled());
    EXPECT_EQ(story.currentIndex(), 0);
    EXPECT_EQ(strip->contextSlide(), 0);

    const auto silent = strip->buildContextMenu(1, false);
    EXPECT_EQ(menuTexts(*silent),
              QStringList({"&Play", "&Clear Audio", "&Import Narration…", "&Cue Card", "&Change Photo", "-",
                           "&Add Slide", "&Remove Slide", "-", "Preview &Pictorelle"}));
    EXPECT_FALSE(item(*silent, "&Play")->isEnabled());
    EXPECT_FALSE(item(*silent, "&Clear Audio")->isEnabled());
    EXPECT_TRUE(item(*silent, "&Change Photo")->isEnabled());
    EXPECT_TRUE(item(*silent, "&Remove Slide")->isEnabled());
    EXPECT_TRUE(strip->isSelected(1));

    const auto segment = strip->buildContextMenu(2, false);
    EXPECT_EQ(menuTexts(*segment), QStringList({"&Play", "&Clear Audio", "&Import Narration…", "&Cue Card", "-",
                                                "&Add Slide", "&Remove Slide", "-", "Preview &Pictorelle"}));

    QSignalSpy commands(strip.get(), &ThumbnailStrip::commandRequested);
    QSignalSpy photo(strip.get(), &ThumbnailStrip::changePhotoRequested);
    item(*segment, "&Play")->trigger();
    item(*segment, "&Clear Audio")->trigger();
    item(*segment, "&Cue Card")->trigger();
    item(*silent, "&Change Photo")->trigger();
    ASSERT_EQ(commands.count(), 3);
    EXPECT_EQ(commands[0][0].toInt(), 21006);
    EXPECT_EQ(commands[1][0].toInt(), 21009);
    EXPECT_EQ(commands[2][0].toInt(), 21010);
    // Every menu acts on the context slide of the latest right-click.
    ASSERT_EQ(photo.count(), 1);
    EXPECT_EQ(photo[0][0].toInt(), 2);
}

TEST_F(StripFixture, ImportNarrationAsksForTheContextSlideAndWaitsWhileItRecords)
{
    addSlide(Qt::red, 12);
    addSlide(Qt::green, 0);
    show();
    QSignalSpy narration(strip.get(), &ThumbnailStrip::importNarrationRequested);
    const auto first = strip->buildContextMenu(1, false);
    item(*first, "&Import Narration…")->trigger();
    ASSERT_EQ(narration.count(), 1);
    EXPECT_EQ(narration[0][0].toInt(), 1);
    EXPECT_TRUE(strip->isSelected(1));
    EXPECT_EQ(item(*first, "Import &Segment…"), nullptr) << "a picture story takes no segments";

    story.slideAt(0)->setRecording(true);
    const auto recording = strip->buildContextMenu(0, true);
    EXPECT_FALSE(item(*recording, "&Import Narration…")->isEnabled());
    story.slideAt(0)->setRecording(false);

    const auto none = strip->buildContextMenu(-1, false);
    EXPECT_EQ(item(*none, "&Import Narration…"), nullptr);
}

TEST_F(StripFixture, APodcastsMenuImportsASegmentAfterTheSlideRightClickedOrTheSelectedOne)
{
    story.setType(int(StoryType::Podcast));
    addSlide(Qt::red, 12, SlideKind::Segment);
    addSlide(Qt::green, 30, SlideKind::Segment);
    show();
    QSignalSpy segment(strip.get(), &ThumbnailStrip::importSegmentRequested);
    const auto onSlide = strip->buildContextMenu(0, false);
    EXPECT_EQ(menuTexts(*onSlide),
              QStringList({"&Play", "&Clear Audio", "&Import Narration…", "&Cue Card", "-", "&Add Slide",
                           "Import &Segment…", "&Remove Slide", "-", "Preview &Pictorelle"}));
    item(*onSlide, "Import &Segment…")->trigger();
    ASSERT_EQ(segment.count(), 1);
    EXPECT_EQ(segment[0][0].toInt(), 0);

    story.select(1);
    const auto beside = strip->buildContextMenu(-1, false);
    EXPECT_EQ(menuTexts(*beside),
              QStringList({"&Add Slide", "Import &Segment…", "&Remove Slide", "-", "Preview &Pictorelle"}));
    item(*beside, "Import &Segment…")->trigger();
    ASSERT_EQ(segment.count(), 2);
    EXPECT_EQ(segment[1][0].toInt(), 1);

    const auto label = strip->buildContextMenu(1, true);
    EXPECT_EQ(item(*label, "Import &Segment…"), nullptr);
}

TEST_F(StripFixture, RemoveSlideClosesTheCueCardStopsRecordingAndRemoves)
{
    addSlides(3);
    const std::vector<int> before = order();
    story.slideAt(1)->setRecording(true);
    show();
    QSignalSpy cue(strip.get(), &ThumbnailStrip::cueCardCommand);
    QSignalSpy changed(story.undoStack(), &QUndoStack::indexChanged);
    QSignalSpy stop(strip.get(), &ThumbnailStrip::stopRecordingRequested);
    QObject::connect(strip.get(), &ThumbnailStrip::stopRecordingRequested, strip.get(),
                     [this](int index) { story.slideAt(index)->setRecording(false); });

    const auto menu = strip->buildContextMenu(1, false);
    removalAnswers = {true};
    item(*menu, "&Remove Slide")->trigger();

    EXPECT_EQ(removalQuestions, QStringList({"Delete slide 2?\nIts narration is deleted too."}))
        << "a slide being recorded loses its narration";
    EXPECT_EQ(order(), std::vector<int>({before[0], before[2]}));
    ASSERT_EQ(cue.count(), 1);
    EXPECT_EQ(cue[0], QVariantList({1, -1}));
    ASSERT_EQ(stop.count(), 1);
    EXPECT_EQ(stop[0][0].toInt(), 1);
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(StripFixture, ASlideTheStoryRefusesToRemoveStaysAndNothingIsMarkedModified)
{
    addSlides(2);
    story.slideAt(0)->setReady(false);
    show();
    const auto menu = strip->buildContextMenu(0, false);
    removalAnswers = {true};
    item(*menu, "&Remove Slide")->trigger();
    EXPECT_EQ(story.count(), 2);
    EXPECT_FALSE(story.isModified());
}

TEST_F(StripFixture, GivenRemoveSlideFromTheMenuWhenTheQuestionIsAnsweredNoThenNothingChanges)
{
    addSlide(Qt::red, 0);
    addSlide(Qt::green, 12);
    const std::vector<int> before = order();
    show();
    QSignalSpy cue(strip.get(), &ThumbnailStrip::cueCardCommand);
    QSignalSpy changed(story.undoStack(), &QUndoStack::indexChanged);

    const auto menu = strip->buildContextMenu(0, false);
    item(*menu, "&Remove Slide")->trigger();
    const auto second = strip->buildContextMenu(1, false);
    item(*second, "&Remove Slide")->trigger();

    EXPECT_EQ(removalQuestions, QStringList({"Delete slide 1?", "Delete slide 2?\nIts narration is deleted too."}));
    EXPECT_EQ(order(), before);
    EXPECT_TRUE(cue.isEmpty()) << "the cue card stays open when nothing is removed";
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_FALSE(story.isModified());
}

TEST_F(StripFixture, GivenNoWayToAskThenDeleteAndRemoveSlideRemoveNothing)
{
    addSlides(2);
    show();
    strip->setRemovalQuestion({});
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(0), PictureY));
    QTest::keyClick(strip.get(), Qt::Key_Delete);
    const auto menu = strip->buildContextMenu(1, false);
    item(*menu, "&Remove Slide")->trigger();
    EXPECT_EQ(story.count(), 2);
    EXPECT_FALSE(story.isModified());
}

TEST_F(StripFixture, DoubleClickPlaysOnlyASlideWithNarration)
{
    addSlide(Qt::red, 0);
    addSlide(Qt::green, 65);
    show();
    QSignalSpy commands(strip.get(), &ThumbnailStrip::commandRequested);

    QTest::mouseDClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(0), PictureY));
    EXPECT_TRUE(strip->isSelected(0));
    EXPECT_EQ(commands.count(), 0);

    QTest::mouseDClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    EXPECT_TRUE(strip->isSelected(1));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), 21006);
}

TEST_F(StripFixture, KeysSelectNeighboursAndDeleteRemovesTheSelectedSlide)
{
    addSlides(3);
    const std::vector<int> before = order();
    show();
    QSignalSpy commands(strip.get(), &ThumbnailStrip::commandRequested);
    QSignalSpy changed(story.undoStack(), &QUndoStack::indexChanged);

    // The story's current slide is framed from the start: Delete asks about it.
    QTest::keyClick(strip.get(), Qt::Key_Delete);
    EXPECT_EQ(story.count(), 3);
    EXPECT_EQ(removalQuestions, QStringList{"Delete slide 1?"});

    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(1), PictureY));
    QTest::keyClick(strip.get(), Qt::Key_Left);
    QTest::keyClick(strip.get(), Qt::Key_Right);
    QTest::keyClick(strip.get(), Qt::Key_Delete);
    EXPECT_EQ(order(), before) << "the question's default answer keeps the slide";
    EXPECT_FALSE(story.isModified());
    removalAnswers = {true};
    QTest::keyClick(strip.get(), Qt::Key_Delete);

    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[0][0].toInt(), 21002);
    EXPECT_EQ(commands[1][0].toInt(), 21003);
    EXPECT_EQ(removalQuestions, QStringList({"Delete slide 1?", "Delete slide 2?", "Delete slide 2?"}));
    EXPECT_EQ(order(), std::vector<int>({before[0], before[2]}));
    EXPECT_TRUE(story.isModified());
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(StripFixture, GivenTheQuestionOpenWhenTheSlideMovesMeanwhileThenYesRemovesThatSlideWhereItIsNow)
{
    addSlides(3);
    const std::vector<int> before = order();
    show();
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, QPoint(centre(2), PictureY));
    strip->setRemovalQuestion([this](const QString&) {
        // Something else reorders the slides while the question is open.
        story.move(2, 0);
        return true;
    });
    QTest::keyClick(strip.get(), Qt::Key_Delete);
    EXPECT_EQ(order(), std::vector<int>({before[0], before[1]}));
}

} // namespace
