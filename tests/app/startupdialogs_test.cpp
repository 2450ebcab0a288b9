#include "mainwindowfixture.h"

#include "story/slide.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace {

//! Closes every modal dialog that opens, remembering their object names, until stopped.
class ModalRecorder : public QObject
{
public:
    QStringList opened;

    ModalRecorder()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened << dialog->objectName();
                dialog->reject();
            }
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};

} // namespace

TEST_F(MainWindowTest, GivenAFirstStartThenTheTutorialAndThenTheAccountDialogOpen)
{
    ModalRecorder modals;
    window->runStartUpDialogs(true);
    EXPECT_EQ(modals.opened, QStringList({"TUTORIAL_BOX", "USERNAME_BOX"}));
}

TEST_F(MainWindowTest, GivenALaterStartWithANameButNoPasswordThenOnlyTheAccountDialogOpens)
{
    window->account().setUserName(QStringLiteral("alice"));
    ModalRecorder modals;
    window->runStartUpDialogs(false);
    EXPECT_EQ(modals.opened, QStringList({"USERNAME_BOX"}));
}

TEST_F(MainWindowTest, GivenAFilledAccountThenALaterStartOpensNothing)
{
    window->account().setUserName(QStringLiteral("alice"));
    window->account().setPassword(QStringLiteral("5ebe2294ecd0e0f08eab7690d2a6ee69"));
    ModalRecorder modals;
    window->runStartUpDialogs(false);
    EXPECT_TRUE(modals.opened.isEmpty());
}

TEST_F(MainWindowTest, GivenPreviewThenThePlayerOpensOnlyWithSlides)
{
    ModalRecorder modals;
    window->command(MainWindow::PreviewStory);
    EXPECT_TRUE(modals.opened.isEmpty());
    addPictures(1);
    window->command(MainWindow::PreviewStory);
    EXPECT_EQ(modals.opened, QStringList({"PREVIEW_BOX"}));
}

TEST_F(MainWindowTest, GivenTheMenusThenEachSmallDialogOpensWithItsName)
{
    ModalRecorder modals;
    window->command(MainWindow::ProgramSettingsCommand);
    window->command(MainWindow::TutorialCommand);
    window->command(MainWindow::AboutCommand);
    window->command(MainWindow::AccountSettings);
    EXPECT_EQ(modals.opened, QStringList({"PROGRAM_BOX", "TUTORIAL_BOX", "ABOUT_BOX", "USERNAME_BOX"}));
}

TEST_F(MainWindowTest, GivenSlidesThenCueCardsOpenOnceAndFollowTheSlideAndCloseOnNew)
{
    addPictures(3);
    window->story().select(0);
    window->story().slideAt(1)->setCueText(QStringLiteral("Mention the tide"));
    window->command(MainWindow::CueCards);
    auto* cue = window->findChild<QDialog*>(QStringLiteral("CUE_BOX"));
    ASSERT_NE(cue, nullptr);
    EXPECT_TRUE(cue->isVisible());
    window->command(MainWindow::NextSlide);
    auto* note = cue->findChild<QPlainTextEdit*>();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->toPlainText(), "Mention the tide");
    window->command(MainWindow::CueCards);
    EXPECT_EQ(window->findChildren<QDialog*>(QStringLiteral("CUE_BOX")).size(), 1);

    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    window->command(MainWindow::NewPictorelle);
    QTRY_VERIFY(window->findChild<QDialog*>(QStringLiteral("CUE_BOX")) == nullptr);
}

TEST_F(MainWindowTest, GivenTheEditButtonsThenTheInfoDialogsOpenAndMarkTheStoryChangedEvenWhenCancelled)
{
    addPictures(2);
    window->story().setModified(false);
    ModalRecorder modals;
    window->command(MainWindow::EditStory);
    EXPECT_TRUE(window->story().isModified());
    window->story().setModified(false);
    window->command(MainWindow::EditSlide);
    EXPECT_TRUE(window->story().isModified());
    EXPECT_EQ(modals.opened, QStringList({"MY_SLIDECAST_BOX", "MY_SLIDE_BOX"}));
}

TEST_F(MainWindowTest, GivenAStoryWithProblemsThenCheckAndPublishShowTheReportAndPublishStopsThere)
{
    ModalRecorder modals;
    window->command(MainWindow::CheckStory);
    window->command(MainWindow::PublishStory);
    EXPECT_EQ(modals.opened, QStringList({"PUBLISH_ERROR_BOX", "PUBLISH_ERROR_BOX"}));
}
