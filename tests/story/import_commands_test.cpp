#include "commandfixture.h"
#include "story/editstorytextcommand.h"
#include "story/importnarrationcommand.h"

namespace {

struct ImportCommands : CommandFixture
{
    //! A take as the decoder leaves it: a finished wave file in the working folder.
    QString decoded(const QByteArray& bytes, const QString& name = "import-x1.wav")
    {
        return home.write("temp/" + name, bytes);
    }

    QStringList keptFiles() const { return QDir(story.workingFolder()).entryList({"*-kept*"}, QDir::Files); }

    void makePodcast(int segments)
    {
        story.setType(int(StoryType::Podcast));
        for (int i = 0; i < segments; ++i) {
            auto segment = newSegment();
            Slide* raw = segment.get();
            ASSERT_TRUE(story.add(std::move(segment)));
            giveTake(*raw, 10 + i, "RIFF segment " + QByteArray::number(i));
        }
    }
};

TEST_F(ImportCommands, GIVEN_ANarration_WHEN_ATakeIsImportedOverIt_THEN_UndoAndRedoSwapTheTakes)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    s.setMp3Encoded(true);
    const QString take = s.narrationWavPath();
    save();
    log.take();

    const QString file = decoded("RIFF imported take");
    auto* command = new ImportNarrationCommand(story, 0, file, 41);
    ASSERT_TRUE(story.push(command));
    EXPECT_EQ(stack().undoText(), "Import Narration");
    EXPECT_TRUE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 41);
    EXPECT_FALSE(s.isMp3Encoded()) << "the MP3 of the old take is not this take's";
    EXPECT_EQ(TempFolder::read(take), "RIFF imported take");
    EXPECT_FALSE(QFileInfo::exists(file)) << "the decoded file became the take";
    const QString keptOld = command->keptOldTake();
    EXPECT_EQ(TempFolder::read(keptOld), "RIFF old take");
    // narrationChanged is what the background MP3 preparation listens to.
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(true)"}));
    const QString afterImport = save();
    EXPECT_EQ(header(afterImport, "S0_DURATION"), "41");
    EXPECT_EQ(namedMedia(afterImport, 0, "AUDIO_PATH"), "RIFF imported take");
    log.take();

    ASSERT_TRUE(story.undo());
    EXPECT_TRUE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 12);
    EXPECT_EQ(TempFolder::read(take), "RIFF old take");
    const QString keptNew = command->keptNewTake();
    EXPECT_EQ(TempFolder::read(keptNew), "RIFF imported take");
    EXPECT_EQ(log.take(), (QStringList{"narrationChanged(0)", "modifiedChanged(true)"}));
    EXPECT_EQ(namedMedia(save(), 0, "AUDIO_PATH"), "RIFF old take");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(s.narrationLength(), 41);
    EXPECT_EQ(TempFolder::read(take), "RIFF imported take");
    EXPECT_EQ(TempFolder::read(keptOld), "RIFF old take");
    EXPECT_FALSE(QFileInfo::exists(keptNew));

    // Done for good: the old take goes with the command, the imported one stays.
    stack().clear();
    EXPECT_FALSE(QFileInfo::exists(keptOld));
    EXPECT_EQ(TempFolder::read(take), "RIFF imported take");
    EXPECT_TRUE(keptFiles().isEmpty());
}

TEST_F(ImportCommands, GIVEN_AnUndoneImport_WHEN_ANewEditDropsIt_THEN_TheImportedTakeGoesAndTheOldStays)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    auto* command = new ImportNarrationCommand(story, 0, decoded("RIFF imported"), 30);
    ASSERT_TRUE(story.push(command));
    ASSERT_TRUE(story.undo());
    const QString keptNew = command->keptNewTake();
    EXPECT_TRUE(QFileInfo::exists(keptNew));
    ASSERT_TRUE(story.push(new EditStoryTextCommand(story, EditField::Title, "t")));
    EXPECT_FALSE(QFileInfo::exists(keptNew));
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF old take");
    EXPECT_EQ(s.narrationLength(), 12);
    EXPECT_TRUE(keptFiles().isEmpty());
}

TEST_F(ImportCommands, GIVEN_ASlideWithoutNarration_WHEN_AnImportIsUndone_THEN_ItHasNoNarrationAgain)
{
    Slide& s = addPicture("a.jpg");
    ASSERT_TRUE(story.push(new ImportNarrationCommand(story, 0, decoded("RIFF first"), 9)));
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF first");
    EXPECT_EQ(story.totalLength(), 9);
    ASSERT_TRUE(story.undo());
    EXPECT_FALSE(s.hasNarration());
    EXPECT_EQ(s.narrationLength(), 0);
    EXPECT_FALSE(QFileInfo::exists(s.narrationWavPath()));
    EXPECT_EQ(header(save(), "S0_AUDIO_PATH"), "");
    ASSERT_TRUE(story.redo());
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF first");
    EXPECT_EQ(s.narrationLength(), 9);
}

TEST_F(ImportCommands, GIVEN_ASlideThatRecordsOrEncodes_WHEN_AnImportIsPushed_THEN_NothingOfTheStoryChanges)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    s.setMp3Encoded(true);
    save();
    const auto untouched = [&](const char* when) {
        SCOPED_TRACE(when);
        EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF old take");
        EXPECT_TRUE(s.hasNarration());
        EXPECT_EQ(s.narrationLength(), 12);
        EXPECT_TRUE(s.isMp3Encoded());
        EXPECT_EQ(stack().count(), 0);
        EXPECT_FALSE(story.isModified());
        EXPECT_TRUE(keptFiles().isEmpty());
    };
    log.take();

    s.setRecording(true);
    const QString whileRecording = decoded("RIFF new", "import-a.wav");
    EXPECT_FALSE(story.push(new ImportNarrationCommand(story, 0, whileRecording, 5)));
    EXPECT_FALSE(QFileInfo::exists(whileRecording)) << "a refused take is deleted";
    s.setRecording(false);
    log.take();
    untouched("recording");

    s.setMp3Busy(true);
    const QString whileEncoding = decoded("RIFF new", "import-b.wav");
    EXPECT_FALSE(story.push(new ImportNarrationCommand(story, 0, whileEncoding, 5)));
    EXPECT_FALSE(QFileInfo::exists(whileEncoding));
    s.setMp3Busy(false);
    untouched("encoding");

    const QString noSlide = decoded("RIFF new", "import-c.wav");
    EXPECT_FALSE(story.push(new ImportNarrationCommand(story, 3, noSlide, 5)));
    EXPECT_FALSE(QFileInfo::exists(noSlide));
    EXPECT_FALSE(story.push(new ImportNarrationCommand(story, 0, story.workingFolder() + "import-none.wav", 5)));
    untouched("no slide, no file");
    EXPECT_TRUE(log.take().isEmpty());

    // A command made and dropped unpushed leaves nothing behind either.
    const QString unpushed = decoded("RIFF new", "import-d.wav");
    {
        ImportNarrationCommand dropped(story, 0, unpushed, 5);
    }
    EXPECT_FALSE(QFileInfo::exists(unpushed));
    untouched("unpushed");
}

TEST_F(ImportCommands, GIVEN_AnImportedTake_WHEN_TheSlideRecordsOrEncodes_THEN_UndoAndRedoWait)
{
    Slide& s = addPicture("a.jpg");
    giveTake(s, 12, "RIFF old take");
    ASSERT_TRUE(story.push(new ImportNarrationCommand(story, 0, decoded("RIFF new"), 3)));
    s.setMp3Busy(true);
    EXPECT_FALSE(story.canUndoNow());
    EXPECT_FALSE(story.undo());
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF new");
    s.setMp3Busy(false);
    ASSERT_TRUE(story.undo());
    s.setRecording(true);
    EXPECT_FALSE(story.redo());
    EXPECT_EQ(TempFolder::read(s.narrationWavPath()), "RIFF old take");
    s.setRecording(false);
    EXPECT_TRUE(story.redo());
    EXPECT_EQ(s.narrationLength(), 3);
}

TEST_F(ImportCommands, GIVEN_APodcast_WHEN_ASegmentIsImported_THEN_ItStandsAfterTheOneChosenAndUndoTakesItOut)
{
    makePodcast(3);
    story.select(0);
    const std::vector<int> before = {story.slideAt(0)->id(), story.slideAt(1)->id(), story.slideAt(2)->id()};
    log.take();

    const QString file = decoded("RIFF imported segment");
    ASSERT_TRUE(story.push(new ImportSegmentCommand(story, 1, file, 600)));
    EXPECT_EQ(stack().undoText(), "Import Segment");
    ASSERT_EQ(story.count(), 4);
    Slide* segment = story.slideAt(1);
    EXPECT_EQ(segment->kind(), SlideKind::Segment);
    EXPECT_TRUE(segment->isReady());
    EXPECT_TRUE(segment->hasNarration());
    EXPECT_EQ(segment->narrationLength(), 600);
    EXPECT_FALSE(segment->isMp3Encoded());
    const QString take = segment->narrationWavPath();
    EXPECT_EQ(TempFolder::read(take), "RIFF imported segment");
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(story.currentIndex(), 1);
    EXPECT_EQ(story.slideAt(0)->id(), before[0]);
    EXPECT_EQ(story.slideAt(2)->id(), before[1]);
    const QStringList told = log.take();
    EXPECT_TRUE(told.contains("slideAdded(1)")) << told.join(' ').toStdString();
    EXPECT_TRUE(told.contains("narrationChanged(1)")) << told.join(' ').toStdString();
    EXPECT_EQ(story.totalLength(), 10 + 11 + 12 + 600);

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.count(), 3);
    EXPECT_EQ(story.currentIndex(), 0);
    EXPECT_EQ(story.totalLength(), 10 + 11 + 12);
    EXPECT_EQ(TempFolder::read(take), "RIFF imported segment") << "kept for redo";
    ASSERT_TRUE(story.redo());
    ASSERT_EQ(story.count(), 4);
    EXPECT_EQ(story.slideAt(1)->narrationWavPath(), take);
    EXPECT_EQ(story.slideAt(1)->narrationLength(), 600);
    EXPECT_EQ(TempFolder::read(take), "RIFF imported segment");

    // Undone for good: the segment's take goes with the command.
    ASSERT_TRUE(story.undo());
    stack().clear();
    EXPECT_FALSE(QFileInfo::exists(take));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(TempFolder::read(story.slideAt(i)->narrationWavPath()), "RIFF segment " + QByteArray::number(i));
}

TEST_F(ImportCommands, GIVEN_AFullPodcast_WHEN_ASegmentIsImported_THEN_ItIsRefusedAndItsTakeDeleted)
{
    makePodcast(Story::MaxSlides);
    save();
    log.take();
    const QString file = decoded("RIFF one too many");
    EXPECT_FALSE(story.push(new ImportSegmentCommand(story, -1, file, 5)));
    EXPECT_EQ(story.count(), Story::MaxSlides);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(story.isModified());
    EXPECT_FALSE(story.push(new ImportSegmentCommand(story, -1, story.workingFolder() + "import-none.wav", 5)));
    EXPECT_EQ(story.count(), Story::MaxSlides);
}

TEST_F(ImportCommands, GIVEN_NoInsertIndex_WHEN_ASegmentIsImported_THEN_ItGoesAtTheEnd)
{
    makePodcast(2);
    ASSERT_TRUE(story.push(new ImportSegmentCommand(story, -1, decoded("RIFF last"), 4)));
    ASSERT_EQ(story.count(), 3);
    EXPECT_EQ(TempFolder::read(story.slideAt(2)->narrationWavPath()), "RIFF last");
    EXPECT_EQ(story.currentIndex(), 2);
}

} // namespace
