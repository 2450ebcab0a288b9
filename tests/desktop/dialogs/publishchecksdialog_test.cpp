#include "publishdialogfixture.h"

namespace {

TEST_F(PublishChecksDialogTest, GivenANewEmptyStoryWhenCheckedThenEveryProblemIsListedInOrder)
{
    ModalWatcher modals;
    EXPECT_EQ(runChecks(PublishChecksDialog::CheckMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_EQ(modals.seen[0].name, "PUBLISH_ERROR_BOX");
    EXPECT_EQ(modals.seen[0].caption, "Publish Pictorelle");
    EXPECT_EQ(modals.seen[0].heading, "Please fix the following errors:");
    EXPECT_EQ(modals.seen[0].body, " - At least 1 slide needed\n"
                                   " - Pictorelle TITLE required\n"
                                   " - Pictorelle DESCRIPTION required\n"
                                   " - Pictorelle CATEGORY required\n"
                                   " - Pictorelle TAG required\n"
                                   " - USERNAME required, see Settings -> Program Settings -> User Settings\n"
                                   " - PASSWORD required, see Settings -> Program Settings -> User Settings\n");
    // Information is missing, but a story without slides has nothing to describe yet.
    EXPECT_TRUE(hooks.commands.isEmpty());
}

TEST_F(PublishChecksDialogTest, GivenTheSameEmptyStoryInPublishModeThenTheReportShowsAndNothingIsPublished)
{
    ModalWatcher modals;
    EXPECT_EQ(runChecks(PublishChecksDialog::PublishMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_TRUE(modals.seen[0].body.startsWith(" - At least 1 slide needed\n"));
}

TEST_F(PublishChecksDialogTest, GivenACleanStoryThenPublishModeNeverShowsAndCheckModeSaysNoErrors)
{
    addSlide(12);
    fillEverything();
    ModalWatcher modals;
    EXPECT_EQ(runChecks(PublishChecksDialog::PublishMode), 1);
    EXPECT_EQ(runChecks(7), 1); // any mode above 0 publishes
    EXPECT_TRUE(modals.seen.isEmpty());

    EXPECT_EQ(runChecks(PublishChecksDialog::CheckMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_EQ(modals.seen[0].body, " - No errors found\n");
    EXPECT_TRUE(hooks.commands.isEmpty());
}

TEST_F(PublishChecksDialogTest, GivenSlidesAndMissingTagsWhenOkIsPressedThenTheStoryInfoDialogIsAskedFor)
{
    addSlide(12);
    fillEverything();
    story.setTags(QString());
    ModalWatcher modals;
    modals.onModal = [](QDialog& dialog) { QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton); };
    EXPECT_EQ(runChecks(PublishChecksDialog::PublishMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_EQ(modals.seen[0].body, " - Pictorelle TAG required\n");
    EXPECT_EQ(hooks.commands, QList<int>{21000});
}

TEST_F(PublishChecksDialogTest, GivenOnlyAMissingNarrationThenNoStoryInfoDialogFollows)
{
    addSlide(12);
    addSlide(0);
    addSlide(30);
    fillEverything();
    ModalWatcher modals;
    EXPECT_EQ(runChecks(PublishChecksDialog::PublishMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_EQ(modals.seen[0].body, " - Slide 2:  missing audio recording\n");
    EXPECT_TRUE(hooks.commands.isEmpty());
}

TEST_F(PublishChecksDialogTest, GivenAPodcastOverFifteenMinutesThenTheReportShowsItsLengthAndTheExcessOnTwoLines)
{
    fillEverything();
    story.setType(2);
    addSlide(500);
    addSlide(500);
    ModalWatcher modals;
    EXPECT_EQ(runChecks(PublishChecksDialog::PublishMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_EQ(modals.seen[0].body, " - Podcast too long, duration 16:40\n"
                                   "     1 minutes 40 seconds over 15 minute max\n");
    EXPECT_TRUE(hooks.commands.isEmpty()) << "the length is no story information";

    // Exactly fifteen minutes publishes without a word.
    story.slideAt(1)->setNarrationLength(400);
    modals.seen.clear();
    EXPECT_EQ(runChecks(PublishChecksDialog::PublishMode), 1);
    EXPECT_TRUE(modals.seen.isEmpty());

    story.slideAt(1)->setNarrationLength(450);
    EXPECT_EQ(runChecks(PublishChecksDialog::CheckMode), 0);
    ASSERT_EQ(modals.seen.size(), 1);
    EXPECT_EQ(modals.seen[0].body, " - Podcast too long, duration 15:50\n"
                                   "     50 seconds over 15 minute max\n");
}

TEST_F(PublishChecksDialogTest, GivenTheReportWhenHelpIsPressedThenThePublishingPageOpensAndTheReportStays)
{
    ModalWatcher modals;
    bool stayedOpen = false;
    modals.onModal = [&](QDialog& dialog) {
        QTest::mouseClick(button(dialog, "help"), Qt::LeftButton);
        stayedOpen = dialog.isVisible();
        QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
    };
    EXPECT_EQ(runChecks(PublishChecksDialog::CheckMode), 0);
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(hooks.opener.opened.size(), 1);
    EXPECT_EQ(hooks.opener.opened[0], weblinks::helpPageAddress(home.path(), weblinks::PublishPage));
}

TEST_F(PublishChecksDialogTest, GivenAnErrorTextThenTheVerifyErrorDialogShowsItAsPlainWords)
{
    const QString sentence = QStringLiteral("Wrong <b>user</b> name & password");
    VerifyErrorDialog dialog(sentence, skin, hooks.actions(), &owner);
    EXPECT_EQ(dialog.objectName(), "VERIFY_ERROR_BOX");
    EXPECT_EQ(dialog.windowTitle(), "Publish errors");
    EXPECT_EQ(labelText(dialog, "heading"), "The following error occured :");
    EXPECT_EQ(labelText(dialog, "errorText"), sentence);
    EXPECT_EQ(dialog.findChild<QLabel*>("errorText")->textFormat(), Qt::PlainText);
    dialog.show();
    QTest::mouseClick(button(dialog, "help"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(hooks.opener.opened.size(), 1);
    dialog.setResult(-5);
    QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
}

} // namespace
