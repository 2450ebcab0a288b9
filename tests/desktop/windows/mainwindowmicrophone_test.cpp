#include "eventually.h"
#include "mainwindowfixture.h"

#include "desktop/widgets/skinnedbutton.h"
#include "shell/programfolder.h"
#include "shell/settingsfile.h"
#include "story/slide.h"

#include <QFile>
#include <QUndoStack>

namespace {

const QString MissingText = QStringLiteral(
    "Pictorelle|The microphone \"USB Mic\" is not connected. Recording from the default microphone instead.");
const QString DisconnectedText =
    QStringLiteral("Pictorelle|The microphone was disconnected. The narration recorded up to then is kept.");

//! The window of a program whose settings file names a USB microphone.
class MainWindowMicrophoneTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        audio.labels[QStringLiteral("usb")] = QStringLiteral("USB Mic");
        ProgramSettings stored;
        stored.setInputDevice(QStringLiteral("usb"));
        ASSERT_TRUE(SettingsFile::save(programfolder::settingsFile(home.path()), stored, window->account()));
        ASSERT_TRUE(window->loadSettings());
    }
};

TEST_F(MainWindowMicrophoneTest, GivenTheStoredMicrophone_WhenTheWindowLoadsItsSettings_ThenNarrationsAndTheMeterUseIt)
{
    EXPECT_EQ(settings.inputDevice(), "usb");
    EXPECT_EQ(audio.inputDevice(), "usb");
    EXPECT_EQ(meterAudio.inputDevice(), "usb");
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_EQ(audio.input->device, "usb");
    EXPECT_EQ(meterAudio.input->device, "usb");
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.messages.join('\n').toStdString();
}

TEST_F(MainWindowMicrophoneTest, GivenTheStoredMicrophoneUnplugged_WhenTakesAreRecorded_ThenTheAuthorIsToldOnce)
{
    audio.missing << QStringLiteral("usb");
    addPictures(1);

    window->command(MainWindow::RecordCommand);
    EXPECT_EQ(prompter.messages, QStringList{MissingText});
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording) << "the take goes on from the default";
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(audio.input->capture(1));
    window->command(MainWindow::StopCommand);
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), 2);

    prompter.narrationAnswers.push_back(true);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_EQ(prompter.messages, QStringList{MissingText}) << "told once";
    window->command(MainWindow::StopCommand);
}

TEST_F(MainWindowMicrophoneTest, GivenATake_WhenTheMicrophoneIsUnplugged_ThenItIsKeptAsAStepAndTheAuthorIsTold)
{
    showWithClient(1000, 800);
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_TRUE(window->recordingTimerActive());
    for (int i = 0; i < 25; ++i)
        ASSERT_TRUE(audio.input->capture(1));
    EXPECT_EVENTUALLY(window->recorder().recordedSeconds() == 3);

    audio.input->loseDevice();

    // The recording timer's next tick finds the microphone gone.
    EXPECT_EVENTUALLY(!window->recordingTimerActive());
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_EQ(prompter.messages, QStringList{DisconnectedText});
    const Slide* slide = window->story().slideAt(0);
    EXPECT_TRUE(slide->hasNarration());
    EXPECT_FALSE(slide->isRecording());
    EXPECT_EQ(slide->narrationLength(), 3);
    EXPECT_EQ(QFile(slide->narrationWavPath()).size(), 44 + 25 * 4410);
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_EVENTUALLY(window->story().undoStack()->undoText() == "Record Narration");
}

} // namespace
