#include "commandfixture.h"
#include "story/choosecategorycommand.h"
#include "story/editslidetextcommand.h"
#include "story/editstorytextcommand.h"

namespace {

using TextCommands = CommandFixture;

TEST_F(TextCommands, GIVEN_ASlide_WHEN_ItsCaptionIsEdited_THEN_UndoAndRedoSwapTheSavedCaption)
{
    Slide& s = addPicture("a.jpg");
    s.setCaption("old");
    save();
    log.take();

    ASSERT_TRUE(story.push(new EditSlideTextCommand(story, 0, EditField::Caption, "new\nline")));
    EXPECT_EQ(stack().undoText(), "Edit Caption");
    EXPECT_EQ(s.caption(), "new\r\nline");
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(true)"}));

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(s.caption(), "old");
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(false)"}));
    EXPECT_EQ(header(save(), "S0_CAPTION"), "old");

    ASSERT_TRUE(story.redo());
    EXPECT_EQ(log.take(), (QStringList{"slideChanged(0)", "modifiedChanged(true)"}));
    EXPECT_EQ(header(save(), "S0_CAPTION"), "new|-line");
}

TEST_F(TextCommands, GIVEN_TypingInOneField_WHEN_EachKeystrokeIsPushed_THEN_ItIsOneUndoStepPerFieldSlideAndSession)
{
    addPicture("a.jpg");
    addPicture("b.jpg");
    for (const char* typed : {"S", "Se", "Sea"})
        story.push(new EditSlideTextCommand(story, 0, EditField::Caption, typed));
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(story.slideAt(0)->caption(), "Sea");

    // Another field, another slide, another session: each a step of its own.
    story.push(new EditSlideTextCommand(story, 0, EditField::SlideTags, "beach"));
    story.push(new EditSlideTextCommand(story, 1, EditField::SlideTags, "sun"));
    story.push(new EditSlideTextCommand(story, 1, EditField::SlideTags, "sun sky"));
    const int session = nextEditSession();
    story.push(new EditSlideTextCommand(story, 1, EditField::SlideTags, "sun sky sea", session));
    story.push(new EditSlideTextCommand(story, 1, EditField::SlideTags, "sun sky sea x", session));
    EXPECT_EQ(stack().count(), 4);
    EXPECT_EQ(stack().undoText(), "Edit Slide Tags");

    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.slideAt(1)->tags(), "sun sky");
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.slideAt(1)->tags(), "");
    ASSERT_TRUE(story.undo());
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.slideAt(0)->caption(), "");
    EXPECT_FALSE(story.isModified());
}

TEST_F(TextCommands, GIVEN_ASave_WHEN_TypingGoesOn_THEN_TheTypingAfterTheSaveIsAStepOfItsOwn)
{
    story.push(new EditStoryTextCommand(story, EditField::Title, "Hol"));
    story.setModified(false);
    story.push(new EditStoryTextCommand(story, EditField::Title, "Holiday"));
    EXPECT_EQ(stack().count(), 2);
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.title(), "Hol");
    EXPECT_FALSE(story.isModified());
}

TEST_F(TextCommands, GIVEN_TypingBackToTheOldText_WHEN_ItMerges_THEN_TheStepIsDroppedAndTheStoryUnmodified)
{
    story.setTitle("Trip");
    story.setModified(false);
    log.take();
    story.push(new EditStoryTextCommand(story, EditField::Title, "Tri"));
    story.push(new EditStoryTextCommand(story, EditField::Title, "Trip"));
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(story.isModified());
    EXPECT_EQ(log.take(),
              (QStringList{"storyInfoChanged", "modifiedChanged(true)", "storyInfoChanged", "modifiedChanged(false)"}));

    // An edit that changes nothing is no step at all.
    EXPECT_FALSE(story.push(new EditStoryTextCommand(story, EditField::Title, "Trip")));
    // Cut to 47 characters: the longer text stores the same title.
    story.push(new EditStoryTextCommand(story, EditField::Title, QString(47, 'x')));
    story.setModified(false);
    EXPECT_FALSE(story.push(new EditStoryTextCommand(story, EditField::Title, QString(60, 'x'))));
    EXPECT_EQ(stack().count(), 1);
}

TEST_F(TextCommands, GIVEN_TheStoryInfo_WHEN_EachTextIsEdited_THEN_EachIsOneStepThatTheSaveFollows)
{
    addPicture("a.jpg");
    const QString before = save();
    story.push(new EditStoryTextCommand(story, EditField::Title, "Holiday\nat sea"));
    story.push(new EditStoryTextCommand(story, EditField::Description, "Two\nlines"));
    story.push(new EditStoryTextCommand(story, EditField::Tags, "sea sun"));
    story.push(new EditStoryTextCommand(story, EditField::Transcript, "Hello |- there"));
    story.push(new ChooseCategoryCommand(story, "Travel", 2030400));
    story.push(new EditSlideTextCommand(story, 0, EditField::CueText, "say\nhello"));
    EXPECT_EQ(stack().count(), 6);
    QStringList texts;
    for (int i = 0; i < stack().count(); ++i)
        texts << stack().text(i);
    EXPECT_EQ(texts, (QStringList{"Edit Title", "Edit Description", "Edit Tags", "Edit Transcript", "Choose Category",
                                  "Edit Cue Card"}));

    const QString edited = save();
    EXPECT_EQ(header(edited, "SC_TITLE"), "Holiday at sea");
    EXPECT_EQ(header(edited, "SC_DESCRIPTION"), "Two|-lines");
    EXPECT_EQ(header(edited, "SC_TAGS"), "sea sun");
    EXPECT_EQ(header(edited, "SC_TRANSCRIPT"), "14");
    EXPECT_EQ(header(edited, "SC_CATEGORY_NAME"), "Travel");
    EXPECT_EQ(header(edited, "SC_CATEGORY_ID"), "2030400");
    EXPECT_EQ(header(edited, "S0_CUE"), "10");
    EXPECT_TRUE(edited.contains("\nS0_CUE=10\nsay|-hello\n"));

    log.take();
    while (stack().canUndo())
        ASSERT_TRUE(story.undo());
    EXPECT_EQ(log.take(),
              (QStringList{"slideChanged(0)", "modifiedChanged(true)", "storyInfoChanged", "storyInfoChanged",
                           "storyInfoChanged", "storyInfoChanged", "storyInfoChanged"}));
    const QString undone = save();
    for (const char* key :
         {"SC_TITLE", "SC_DESCRIPTION", "SC_TAGS", "SC_TRANSCRIPT", "SC_CATEGORY_NAME", "SC_CATEGORY_ID", "S0_CUE"})
        EXPECT_EQ(header(undone, key), header(before, key)) << key;
    EXPECT_EQ(story.categoryName(), "Click the \"Choose Category\" button");

    while (stack().canRedo())
        ASSERT_TRUE(story.redo());
    const QString redone = save();
    EXPECT_EQ(slideLines(redone), slideLines(edited));
    EXPECT_EQ(header(redone, "SC_CATEGORY_NAME"), "Travel");
    EXPECT_EQ(header(redone, "SC_TITLE"), "Holiday at sea");
}

TEST_F(TextCommands, GIVEN_ACategory_WHEN_TheSameOneIsChosen_THEN_ThePushIsRefused)
{
    ASSERT_TRUE(story.push(new ChooseCategoryCommand(story, "Travel", 2030400)));
    EXPECT_FALSE(story.push(new ChooseCategoryCommand(story, "Travel", 2030400)));
    ASSERT_TRUE(story.push(new ChooseCategoryCommand(story, "Travel", 2030500)));
    EXPECT_EQ(stack().count(), 2);
    log.take();
    ASSERT_TRUE(story.undo());
    EXPECT_EQ(story.categoryId(), 2030400);
    EXPECT_EQ(log.take(), QStringList{"storyInfoChanged"});
}

TEST_F(TextCommands, GIVEN_ASlideTextEdit_WHEN_TheSlideIsGone_THEN_ThePushIsRefused)
{
    EXPECT_FALSE(story.push(new EditSlideTextCommand(story, 0, EditField::Caption, "x")));
    EXPECT_EQ(stack().count(), 0);
}

} // namespace
