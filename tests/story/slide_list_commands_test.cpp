#include "commandfixture.h"
#include "story/addslidescommand.h"
#include "story/deleteslidecommand.h"
#include "story/editstorytextcommand.h"
#include "story/moveslidecommand.h"

namespace {

using SlideListCommands = CommandFixture;

TEST_F(SlideListCommands, GIVEN_TwoSlides_WHEN_ASlideIsAddedFirst_THEN_UndoTakesItOutAndRedoPutsTheSameSlideBack)
{
    addPicture("a.jpg");
    addPicture("b.jpg");
    save();
    log.take();

    auto c = newPicture("c.jpg");
    Slide* raw = c.get();
    const int id = c->id();
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, std::move(c), 0)));
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().undoText(), "Add Slide");
    EXPECT_EQ(story.slideAt(0), raw);
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(0)", "currentChanged(0)", "modifiedChanged(true)"}));

    // Not while its picture is still being imported.
    EXPECT_FALSE(story.canUndoNow());
    EXPECT_FALSE(story.undo());
    EXPECT_EQ(stack().index(), 1);
    importer.finishAll();
    const QString jpeg = raw->slideJpegPath();
    log.take();
    const QString withC = save();
    EXPECT_EQ(log.take(), QStringList{"modifiedChanged(false)"});

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.count(), 2);
    EXPECT_EQ(story.indexOfId(id), -1);
    EXPECT_TRUE(QFileInfo::exists(jpeg)); // kept for the redo
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(0)", "currentChanged(0)", "modifiedChanged(true)"}));
    const size_t imports = importer.started.size();
    ASSERT_TRUE(story.redo());
    EXPECT_EQ(story.slideAt(0), raw);
    EXPECT_EQ(raw->id(), id);
    EXPECT_EQ(raw->slideJpegPath(), jpeg);
    EXPECT_TRUE(raw->isReady());
    EXPECT_EQ(importer.started.size(), imports); // not imported again
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(0)", "currentChanged(0)", "modifiedChanged(false)"}));

    ASSERT_TRUE(story.undo());
    const QString afterUndo = save();
    EXPECT_EQ(header(afterUndo, "SC_SLIDES"), "2");
    EXPECT_EQ(namedMedia(afterUndo, 0, "IMAGE_PATH"), "JPEG of a.jpg");
    EXPECT_EQ(namedMedia(afterUndo, 1, "IMAGE_PATH"), "JPEG of b.jpg");
    EXPECT_EQ(slideLines(afterUndo).size(), 16);

    ASSERT_TRUE(story.redo());
    const QString afterRedo = save();
    EXPECT_EQ(slideLines(afterRedo), slideLines(withC));
    EXPECT_EQ(header(afterRedo, "SC_SLIDES"), "3");
    EXPECT_EQ(namedMedia(afterRedo, 0, "IMAGE_PATH"), "JPEG of c.jpg");
    EXPECT_EQ(namedMedia(afterRedo, 1, "IMAGE_PATH"), "JPEG of a.jpg");
    EXPECT_EQ(namedMedia(afterRedo, 2, "IMAGE_PATH"), "JPEG of b.jpg");
}

TEST_F(SlideListCommands, GIVEN_ADropOfThreeFiles_WHEN_OneIsAlreadyInTheStory_THEN_TheOthersAreOneStep)
{
    Slide& a = addPicture("a.jpg");
    addPicture("b.jpg");
    log.take();
    std::vector<std::unique_ptr<Slide>> dropped;
    dropped.push_back(newPicture("c.jpg"));
    dropped.push_back(newPicture("d.jpg"));
    dropped.push_back(newPicture("a.jpg"));
    const int c = dropped[0]->id();
    const int d = dropped[1]->id();
    auto* command = new AddSlidesCommand(story, std::move(dropped), 1);
    ASSERT_TRUE(story.push(command));
    EXPECT_EQ(command->addedIds(), (std::vector<int>{c, d}));
    // Every file of a drop goes to the same index, as Story::add puts them.
    EXPECT_EQ(story.count(), 4);
    EXPECT_EQ(story.slideAt(0), &a);
    EXPECT_EQ(story.slideAt(1)->id(), d);
    EXPECT_EQ(story.slideAt(2)->id(), c);
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(1)", "slideAdded(1)", "modifiedChanged(true)"}));
    importer.finishAll();
    log.take();

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.count(), 2);
    EXPECT_EQ(story.currentIndex(), 0);
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(1)", "slideRemoved(1)", "modifiedChanged(false)"}));
    ASSERT_TRUE(story.redo());
    EXPECT_EQ(story.slideAt(1)->id(), d);
    EXPECT_EQ(story.slideAt(2)->id(), c);
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(1)", "slideAdded(1)", "modifiedChanged(true)"}));
}

TEST_F(SlideListCommands, GIVEN_AFullStory_WHEN_A51stSlideIsAdded_THEN_ThePushIsRefusedAndTheStackUnchanged)
{
    for (int i = 0; i < Story::MaxSlides - 1; ++i)
        ASSERT_TRUE(story.add(newSegment()));
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, newSegment())));
    EXPECT_EQ(stack().undoText(), "Add Segment");
    story.setModified(false);
    log.take();

    EXPECT_FALSE(story.push(new AddSlidesCommand(story, newSegment())));
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().index(), 1);
    EXPECT_EQ(story.count(), Story::MaxSlides);
    EXPECT_FALSE(story.isModified());
    EXPECT_TRUE(log.take().isEmpty());

    // A picture already in the story, alone, is refused the same way.
    story.reset();
    addPicture("a.jpg");
    EXPECT_FALSE(story.push(new AddSlidesCommand(story, newPicture("a.jpg"))));
    EXPECT_EQ(stack().count(), 0);
}

TEST_F(SlideListCommands, GIVEN_ThreeSlides_WHEN_TheMiddleOneIsDeleted_THEN_UndoPutsTheSameSlideBackWithItsFiles)
{
    addPicture("a.jpg");
    Slide& b = addPicture("b.jpg");
    addPicture("c.jpg");
    giveTake(b, 12, "RIFF take of b");
    b.setCaption("middle");
    ASSERT_TRUE(story.select(1));
    const QString before = save();
    const QString jpeg = b.slideJpegPath();
    const QString take = b.narrationWavPath();
    log.take();

    ASSERT_TRUE(story.push(new DeleteSlideCommand(story, 1)));
    EXPECT_EQ(stack().undoText(), "Delete Slide");
    EXPECT_EQ(story.count(), 2);
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(1)", "currentChanged(1)", "modifiedChanged(true)"}));
    // A delete never deletes a working file.
    EXPECT_TRUE(QFileInfo::exists(jpeg));
    EXPECT_TRUE(QFileInfo::exists(take));

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.slideAt(1), &b);
    EXPECT_EQ(story.currentIndex(), 1);
    EXPECT_EQ(log.take(), (QStringList{"slideAdded(1)", "currentChanged(1)", "modifiedChanged(false)"}));
    const QString afterUndo = save();
    EXPECT_EQ(slideLines(afterUndo), slideLines(before));
    EXPECT_EQ(header(afterUndo, "SC_LENGTH"), "12");
    EXPECT_EQ(namedMedia(afterUndo, 1, "IMAGE_PATH"), "JPEG of b.jpg");
    EXPECT_EQ(namedMedia(afterUndo, 1, "AUDIO_PATH"), "RIFF take of b");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(1)", "currentChanged(1)", "modifiedChanged(true)"}));
    const QString afterRedo = save();
    EXPECT_EQ(header(afterRedo, "SC_SLIDES"), "2");
    EXPECT_EQ(header(afterRedo, "SC_LENGTH"), "0");
    EXPECT_EQ(header(afterRedo, "S1_CAPTION"), "");
    EXPECT_EQ(namedMedia(afterRedo, 1, "IMAGE_PATH"), "JPEG of c.jpg");
    EXPECT_EQ(header(afterRedo, "S1_AUDIO_PATH"), "");

    // The deleted slide goes with the command; its files wait for the next reset.
    stack().clear();
    EXPECT_EQ(story.count(), 2);
    EXPECT_TRUE(QFileInfo::exists(jpeg));
    EXPECT_TRUE(QFileInfo::exists(take));
    story.reset();
    EXPECT_FALSE(QFileInfo::exists(take));
}

TEST_F(SlideListCommands, GIVEN_ABusySlide_WHEN_ItIsDeleted_THEN_ThePushIsRefusedAndItsRedoWaits)
{
    Slide& a = addPicture("a.jpg");
    story.add(newPicture("b.jpg")); // still importing
    a.setRecording(true);
    EXPECT_FALSE(story.push(new DeleteSlideCommand(story, 0)));
    EXPECT_FALSE(story.push(new DeleteSlideCommand(story, 1)));
    EXPECT_FALSE(story.push(new DeleteSlideCommand(story, 7)));
    EXPECT_EQ(stack().count(), 0);
    EXPECT_EQ(story.count(), 2);
    a.setRecording(false);
    importer.finishAll();

    ASSERT_TRUE(story.push(new DeleteSlideCommand(story, 0)));
    ASSERT_TRUE(story.undo());
    story.slideAt(0)->setMp3Busy(true);
    EXPECT_FALSE(story.canRedoNow());
    EXPECT_FALSE(story.redo());
    EXPECT_EQ(story.count(), 2);
    story.slideAt(0)->setMp3Busy(false);
    // Nothing runs under a recording, not even an edit of another slide.
    story.slideAt(1)->setRecording(true);
    EXPECT_FALSE(story.redo());
    story.slideAt(1)->setRecording(false);
    EXPECT_TRUE(story.redo());
    EXPECT_EQ(story.count(), 1);
}

TEST_F(SlideListCommands, GIVEN_FourSlides_WHEN_TheSecondIsMovedLast_THEN_UndoMovesItBackAndTheCurrentSlideFollows)
{
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        addPicture(n);
    ASSERT_TRUE(story.select(1));
    log.take();

    ASSERT_TRUE(story.push(new MoveSlideCommand(story, 1, 3)));
    EXPECT_EQ(stack().undoText(), "Move Slide");
    EXPECT_EQ(log.take(), (QStringList{"slideMoved(1,3)", "currentChanged(3)", "modifiedChanged(true)"}));

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(log.take(), (QStringList{"slideMoved(3,1)", "currentChanged(1)", "modifiedChanged(false)"}));
    const QString afterUndo = save();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(namedMedia(afterUndo, i, "IMAGE_PATH"), QByteArray("JPEG of ") + char('a' + i) + ".jpg");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(log.take(), (QStringList{"slideMoved(1,3)", "currentChanged(3)", "modifiedChanged(true)"}));
    const QString afterRedo = save();
    EXPECT_EQ(namedMedia(afterRedo, 1, "IMAGE_PATH"), "JPEG of c.jpg");
    EXPECT_EQ(namedMedia(afterRedo, 2, "IMAGE_PATH"), "JPEG of d.jpg");
    EXPECT_EQ(namedMedia(afterRedo, 3, "IMAGE_PATH"), "JPEG of b.jpg");

    EXPECT_FALSE(story.push(new MoveSlideCommand(story, 2, 2)));
    EXPECT_FALSE(story.push(new MoveSlideCommand(story, 0, 4)));
    EXPECT_EQ(stack().count(), 1);
}

TEST_F(SlideListCommands, GIVEN_APodcast_WHEN_SegmentsAreAddedAndDeleted_THEN_TheStepsAreNamedForSegments)
{
    story.setType(int(StoryType::Podcast));
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, newSegment(), -1, AddSlidesCommand::Current::LastAdded)));
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, newSegment(), -1, AddSlidesCommand::Current::LastAdded)));
    EXPECT_EQ(stack().undoText(), "Add Segment");
    EXPECT_EQ(story.currentIndex(), 1);
    log.take();

    ASSERT_TRUE(story.push(new DeleteSlideCommand(story, 0)));
    EXPECT_EQ(stack().undoText(), "Delete Segment");
    EXPECT_EQ(log.take(), (QStringList{"slideRemoved(0)", "currentChanged(0)"}));
    ASSERT_TRUE(story.undo());
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.count(), 1);
    EXPECT_EQ(story.currentIndex(), 0);
    ASSERT_TRUE(story.redo());
    EXPECT_EQ(story.count(), 2);
    EXPECT_EQ(story.currentIndex(), 1);
}

TEST_F(SlideListCommands, GIVEN_AnUndoneAdd_WHEN_AnotherEditIsPushed_THEN_TheAddIsGoneForGood)
{
    addPicture("a.jpg");
    ASSERT_TRUE(story.push(new AddSlidesCommand(story, newPicture("b.jpg"))));
    importer.finishAll();
    ASSERT_TRUE(story.undo());
    ASSERT_TRUE(story.push(new EditStoryTextCommand(story, EditField::Title, "new")));
    EXPECT_EQ(stack().count(), 1);
    EXPECT_FALSE(story.canRedoNow());
    EXPECT_EQ(story.count(), 1);
    // The picture may be chosen again now.
    EXPECT_TRUE(story.push(new AddSlidesCommand(story, newPicture("b.jpg"))));
}

} // namespace
