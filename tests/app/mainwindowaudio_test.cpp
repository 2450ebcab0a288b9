#include "mainwindowfixture.h"

#include "app/statusdisplay.h"
#include "story/slide.h"
#include "views/skinnedbutton.h"

#include <QFile>

namespace {

QColor pixelAt(QWidget* widget, QPoint point)
{
    return widget->grab().toImage().pixelColor(point);
}

} // namespace

TEST_F(MainWindowTest, GivenRecordThenTheButtonLatchesTheTimerRunsAndTheBarFillsRedUntilStop)
{
    showWithClient(1000, 800);
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_TRUE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_TRUE(window->recordingTimerActive());
    EXPECT_TRUE(window->story().isModified());
    EXPECT_EQ(window->timeDisplay()->word(), "Recording ");

    // Half of the 60 s limit: the bar (207 px from x 523, y 724) is red over its first half.
    clock.advance(30'000);
    QTRY_COMPARE_WITH_TIMEOUT(window->recorder().barRatio(), 0.5f, 2000);
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:30");
    EXPECT_EQ(pixelAt(window->canvas(), QPoint(523 + 50, 729)), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(window->canvas(), QPoint(523 + 160, 729)), QColor(Qt::black));

    window->command(MainWindow::StopCommand);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->recordingTimerActive());
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), 30);
    EXPECT_TRUE(QFile::exists(window->story().slideAt(0)->narrationWavPath()));
    EXPECT_EQ(window->timeDisplay()->word(), "Stopped   ");
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:30");
}

TEST_F(MainWindowTest, GivenARecordingThatReachesTheLimitThenTheTimerStopsIt)
{
    showWithClient(1000, 800);
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_TRUE(window->recordingTimerActive());
    // The rounded-up seconds reach the limit just before 60 s have passed.
    clock.advance(59'500);
    QTRY_VERIFY_WITH_TIMEOUT(!window->recordingTimerActive(), 2000);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), 60);
}

TEST_F(MainWindowTest, GivenRecordPressedTwiceThenTheRecordingPausesWithTheSecondFaces)
{
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    window->command(MainWindow::RecordCommand);
    EXPECT_EQ(window->recorder().state(), RecorderState::Paused);
    SkinnedButton* record = window->button(MainWindow::RecordCommand);
    EXPECT_TRUE(record->isLatched());
    EXPECT_TRUE(record->isFaceSet2());
    EXPECT_EQ(window->timeDisplay()->word(), "Paused    ");
    window->command(MainWindow::StopCommand);
    EXPECT_FALSE(record->isFaceSet2());
}

TEST_F(MainWindowTest, GivenNoMicrophoneThenTheUserIsToldAndNothingStaysLatched)
{
    audio.openSucceeds = false;
    addPictures(1);
    window->story().setModified(false);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_EQ(prompter.messages[0], "Pictorelle|No microphone was found. Check that a microphone is connected and "
                                    "selected in the sound settings.");
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_FALSE(window->recordingTimerActive());
    EXPECT_FALSE(window->story().isModified());
    EXPECT_FALSE(window->story().slideAt(0)->hasNarration());
}

TEST_F(MainWindowTest, GivenAnUnwritableNarrationFileThenTheUserIsToldWhichFile)
{
    addPictures(1);
    Slide* slide = window->story().slideAt(0);
    slide->setNarrationWavPath(home.path() + "missing-folder/narration.wav");
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].contains(home.path() + "missing-folder/narration.wav"));
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
}

TEST_F(MainWindowTest, GivenANarrationThenRecordAsksFirstAndNoLeavesItAlone)
{
    addPictures(1);
    Slide* slide = window->story().slideAt(0);
    slide->setHasNarration(true);
    slide->setNarrationLength(20);
    window->story().setModified(false);
    prompter.narrationAnswers = {false};
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(prompter.narrationPrompts.size(), 1u);
    EXPECT_EQ(prompter.narrationPrompts[0], Prompter::NarrationPrompt::RecordOver);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_EQ(slide->narrationLength(), 20);
    EXPECT_FALSE(window->story().isModified());
    EXPECT_EQ(audio.inputPortsMade, 0);
}

TEST_F(MainWindowTest, GivenANarrationThenPlayPlaysItGreenAndStopsOneSecondAfterItsLength)
{
    showWithClient(1000, 800);
    addPictures(1);
    Slide* slide = window->story().slideAt(0);
    slide->setNarrationWavPath(home.write("temp/n.wav", "RIFF"));
    slide->setHasNarration(true);
    slide->setNarrationLength(3);
    window->command(MainWindow::PlayCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Playing);
    EXPECT_TRUE(player.calls.contains("file:" + slide->narrationWavPath()));
    EXPECT_TRUE(window->button(MainWindow::PlayCommand)->isLatched());
    EXPECT_TRUE(window->playbackTimerActive());
    EXPECT_EQ(window->timeDisplay()->word(), "Playing   ");

    clock.advance(2'000);
    QTRY_COMPARE_WITH_TIMEOUT(window->recorder().barRatio(), 2.0f / 60.0f, 2000);
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:02");
    EXPECT_EQ(pixelAt(window->canvas(), QPoint(524, 729)), QColor(0, 255, 0));

    clock.advance(2'000);
    QTRY_VERIFY_WITH_TIMEOUT(!window->playbackTimerActive(), 2000);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->button(MainWindow::PlayCommand)->isLatched());
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:03");
}

TEST_F(MainWindowTest, GivenPlaybackThenPlayAgainStopsIt)
{
    addPictures(1);
    Slide* slide = window->story().slideAt(0);
    slide->setHasNarration(true);
    slide->setNarrationLength(10);
    window->command(MainWindow::PlayCommand);
    ASSERT_TRUE(window->playbackTimerActive());
    window->command(MainWindow::PlayCommand);
    EXPECT_FALSE(window->playbackTimerActive());
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_TRUE(player.calls.contains("purge"));
}

TEST_F(MainWindowTest, GivenARecordingThenNewStopsItBeforeTheSlideGoes)
{
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    window->command(MainWindow::NewPictorelle);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->recordingTimerActive());
    EXPECT_EQ(window->story().count(), 0);
    EXPECT_EQ(window->timeDisplay()->timeText(), "");
}
