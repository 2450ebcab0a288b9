#include "commandfixture.h"
#include "story/clearnarrationcommand.h"
#include "story/editstorytextcommand.h"
#include "story/recordnarrationcommand.h"

namespace {

struct NarrationCommands : CommandFixture
{
    //! What the recorder does to the slide for a take of that many seconds.
    void record(Slide& slide, int seconds, const QByteArray& bytes)
    {
        slide.setRecording(true);
        home.write(QString("temp/%1.wav").arg(slide.id()), bytes);
        slide.setHasNarration(true);
        slide.setMp3Encoded(false);
        slide.setNarrationLength(seconds);
        slide.setRecording(false);
    }
};

TEST_F(NarrationCommands, GIVEN_ANarration_WHEN_ItIsCleared_THEN_ItsTakeIsKeptUntilTheCommandLeavesTheStack)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF take of a");
    s.setMp3Encoded(true);
    const QString take = s.narrationWavPath();
    save();
    log.take();

    auto* command = new ClearNarrationCommand(story, 0);
    ASSERT_TRUE(story.push(command));
    EXPECT_EQ(stack().undoText(), "Clear Narration");
    EXPECT_FALSE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 0);
    EXPECT_FALSE(QFileInfo::exists(take));
    const QString kept = command->keptTake();
    EXPECT_EQ(TempFolder::read(kept), "RIFF take of a");
    EXPECT_EQ(QFileInfo(kept).path(), QFileInfo(take).path());
    EXPECT_TRUE(kept.endsWith(".wav")); // the reset's pattern takes it
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(true)"}));

    ASSERT_TRUE(story.undo());
    EXPECT_TRUE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 12);
    EXPECT_TRUE(s.isMp3Encoded());
    EXPECT_EQ(TempFolder::read(take), "RIFF take of a");
    EXPECT_FALSE(QFileInfo::exists(kept));
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(false)"}));
    const QString afterUndo = save();
    EXPECT_EQ(header(afterUndo, "S0_DURATION"), "12");
    EXPECT_EQ(header(afterUndo, "SC_LENGTH"), "12");
    EXPECT_EQ(namedMedia(afterUndo, 0, "AUDIO_PATH"), "RIFF take of a");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(true)"}));
    const QString afterRedo = save();
    EXPECT_EQ(header(afterRedo, "S0_DURATION"), "0");
    EXPECT_EQ(header(afterRedo, "S0_AUDIO_PATH"), "");
    EXPECT_EQ(header(afterRedo, "SC_LENGTH"), "0");

    // Still there while it can be undone; gone with the command.
    EXPECT_EQ(TempFolder::read(kept), "RIFF take of a");
    stack().clear();
    EXPECT_FALSE(QFileInfo::exists(kept));
    EXPECT_FALSE(QFileInfo::exists(take));
}

TEST_F(NarrationCommands, GIVEN_AnUndoneClear_WHEN_ANewEditDropsIt_THEN_TheTakeStaysInPlace)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF take of a");
    ASSERT_TRUE(story.push(new ClearNarrationCommand(story, 0)));
    ASSERT_TRUE(story.undo());
    ASSERT_TRUE(story.push(new EditStoryTextCommand(story, EditField::Title, "t")));
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF take of a");
    EXPECT_TRUE(s.hasNarration());
}

TEST_F(NarrationCommands, GIVEN_NoNarrationOrARecording_WHEN_ItIsCleared_THEN_ThePushIsRefusedAndUndoWaits)
{
    Slide& s = addPicture("a.jpg");
    EXPECT_FALSE(story.push(new ClearNarrationCommand(story, 0)));
    EXPECT_FALSE(story.push(new ClearNarrationCommand(story, 3)));
    giveTake(s, 12, "RIFF");
    s.setRecording(true);
    EXPECT_FALSE(story.push(new ClearNarrationCommand(story, 0)));
    EXPECT_EQ(stack().count(), 0);
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF");
    s.setRecording(false);

    ASSERT_TRUE(story.push(new ClearNarrationCommand(story, 0)));
    s.setMp3Busy(true);
    EXPECT_FALSE(story.undo());
    s.setMp3Busy(false);
    EXPECT_TRUE(story.undo());
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF");
}

TEST_F(NarrationCommands, GIVEN_AnOldTake_WHEN_ANewOneIsRecordedOverIt_THEN_UndoAndRedoSwapTheTakes)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    const QString take = s.narrationWavPath();
    save();

    std::unique_ptr<RecordNarrationCommand> command = RecordNarrationCommand::begin(story, 0);
    ASSERT_TRUE(command);
    const QString keptOld = command->keptOldTake();
    EXPECT_FALSE(QFileInfo::exists(take)); // the recorder starts a fresh file
    EXPECT_EQ(TempFolder::read(keptOld), "RIFF old take");
    record(s, 5, "RIFF new take");
    log.take();
    RecordNarrationCommand* raw = command.get();
    ASSERT_TRUE(story.push(command.release()));
    EXPECT_EQ(stack().undoText(), "Record Narration");
    EXPECT_EQ(log.take(), QStringList{"modifiedChanged(true)"});

    ASSERT_TRUE(story.undo());
    EXPECT_TRUE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 12);
    EXPECT_FALSE(s.isMp3Encoded());
    EXPECT_EQ(TempFolder::read(take), "RIFF old take");
    const QString keptNew = raw->keptNewTake();
    EXPECT_EQ(TempFolder::read(keptNew), "RIFF new take");
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(false)"}));
    const QString afterUndo = save();
    EXPECT_EQ(header(afterUndo, "S0_DURATION"), "12");
    EXPECT_EQ(namedMedia(afterUndo, 0, "AUDIO_PATH"), "RIFF old take");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(s.narrationLength(), 5);
    EXPECT_EQ(TempFolder::read(take), "RIFF new take");
    EXPECT_EQ(TempFolder::read(keptOld), "RIFF old take"); // while it can be undone
    EXPECT_FALSE(QFileInfo::exists(keptNew));
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(true)"}));
    const QString afterRedo = save();
    EXPECT_EQ(header(afterRedo, "S0_DURATION"), "5");
    EXPECT_EQ(header(afterRedo, "SC_LENGTH"), "5");
    EXPECT_EQ(namedMedia(afterRedo, 0, "AUDIO_PATH"), "RIFF new take");

    stack().clear();
    EXPECT_FALSE(QFileInfo::exists(keptOld));
    EXPECT_EQ(TempFolder::read(take), "RIFF new take");
}

TEST_F(NarrationCommands, GIVEN_AnUndoneRecording_WHEN_ANewEditDropsIt_THEN_TheNewTakeGoesAndTheOldStays)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    auto command = RecordNarrationCommand::begin(story, 0);
    record(s, 5, "RIFF new take");
    RecordNarrationCommand* raw = command.get();
    ASSERT_TRUE(story.push(command.release()));
    ASSERT_TRUE(story.undo());
    const QString keptNew = raw->keptNewTake();
    EXPECT_TRUE(QFileInfo::exists(keptNew));
    ASSERT_TRUE(story.push(new EditStoryTextCommand(story, EditField::Title, "t")));
    EXPECT_FALSE(QFileInfo::exists(keptNew));
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF old take");
    EXPECT_EQ(s.narrationLength(), 12);
}

TEST_F(NarrationCommands, GIVEN_AFirstTake_WHEN_ItIsUndone_THEN_TheSlideHasNoNarrationAgain)
{
    Slide& s = addPicture("a.jpg");
    auto command = RecordNarrationCommand::begin(story, 0);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->keptOldTake(), "");
    record(s, 7, "RIFF first");
    ASSERT_TRUE(story.push(command.release()));
    ASSERT_TRUE(story.undo());
    EXPECT_FALSE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 0);
    EXPECT_FALSE(QFileInfo::exists(s.narrationWavPath()));
    EXPECT_EQ(header(save(), "S0_AUDIO_PATH"), "");
    ASSERT_TRUE(story.redo());
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF first");
    EXPECT_EQ(s.narrationLength(), 7);
}

TEST_F(NarrationCommands, GIVEN_ABegunRecording_WHEN_ItIsDroppedWithoutAPush_THEN_TheOldTakeComesBack)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    {
        auto command = RecordNarrationCommand::begin(story, 0);
        ASSERT_TRUE(command);
        EXPECT_FALSE(QFileInfo::exists(s.narrationWavPath()));
        // The recording did not start.
    }
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF old take");
    EXPECT_EQ(stack().count(), 0);
    EXPECT_TRUE(QDir(story.workingFolder()).entryList({"*-kept*"}).isEmpty());

    s.setRecording(true);
    EXPECT_EQ(RecordNarrationCommand::begin(story, 0), nullptr);
    EXPECT_EQ(RecordNarrationCommand::begin(story, 4), nullptr);
    s.setRecording(false);

    // Begun, then the story was reset: nothing of the old story comes back.
    auto stale = RecordNarrationCommand::begin(story, 0);
    const QString take = s.narrationWavPath();
    story.reset();
    stale.reset();
    EXPECT_FALSE(QFileInfo::exists(take));
}

TEST_F(NarrationCommands, GIVEN_ARecordedTake_WHEN_TheSlideRecordsAgain_THEN_UndoWaits)
{
    Slide& s = addPicture("a.jpg");
    auto command = RecordNarrationCommand::begin(story, 0);
    record(s, 3, "RIFF");
    ASSERT_TRUE(story.push(command.release()));
    s.setRecording(true);
    EXPECT_FALSE(story.canUndoNow());
    EXPECT_FALSE(story.undo());
    EXPECT_EQ(s.narrationLength(), 3);
    s.setRecording(false);
    EXPECT_TRUE(story.undo());
}

} // namespace
