#include "eventually.h"
#include "mainwindowfixture.h"

#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/skinnedbutton.h"
#include "desktop/widgets/statusdisplay.h"
#include "meterfeed.h"
#include "story/slide.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

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
    // Until the input delivers, the author is not heard yet.
    EXPECT_EQ(window->timeDisplay()->word(), "Starting  ");
    clock.advance(20'000);

    // 6 s of sound: a tenth of the 60 s limit; the bar (207 px from x 523, y 724) is red over
    // its first tenth. The wall clock's 20 s count for nothing.
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(audio.input->capture(1));
    EXPECT_EVENTUALLY_WITHIN(window->recorder().barRatio() >= 0.1f, 2000);
    EXPECT_EQ(window->timeDisplay()->word(), "Recording ");
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:06");
    EXPECT_EQ(pixelAt(window->canvas(), QPoint(523 + 15, 729)), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(window->canvas(), QPoint(523 + 40, 729)), QColor(Qt::black));

    window->command(MainWindow::StopCommand);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->recordingTimerActive());
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), 6);
    EXPECT_TRUE(QFile::exists(window->story().slideAt(0)->narrationWavPath()));
    EXPECT_EQ(window->timeDisplay()->word(), "Stopped   ");
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:06");
}

TEST_F(MainWindowTest, GivenARecordingThatReachesTheLimitThenTheTimerStopsIt)
{
    showWithClient(1000, 800);
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_TRUE(window->recordingTimerActive());
    // Sound keeps coming until the take holds its 60 s; the next tick ends it.
    for (int i = 0; i < 700 && window->recordingTimerActive(); ++i) {
        if (!audio.input->capture(1))
            break;
        if (i >= 600)
            QTest::qWait(20);
    }
    EXPECT_EVENTUALLY_WITHIN(!window->recordingTimerActive(), 2000);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), 60);
    EXPECT_EQ(QFile(window->story().slideAt(0)->narrationWavPath()).size(), 44 + 60 * 44100);
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
    EXPECT_EVENTUALLY_WITHIN((window->recorder().barRatio()) == (2.0f / 60.0f), 2000);
    EXPECT_EQ(window->timeDisplay()->timeText(), "0:02");
    EXPECT_EQ(pixelAt(window->canvas(), QPoint(524, 729)), QColor(0, 255, 0));

    clock.advance(2'000);
    EXPECT_EVENTUALLY_WITHIN(!window->playbackTimerActive(), 2000);
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

TEST_F(MainWindowTest, GivenARecordingThenTheLevelMeterUnderTheTimeDisplayShowsTheMicrophoneUntilStop)
{
    showWithClient(1000, 800);
    addPictures(1);
    LevelMeter* meter = window->levelMeter();
    ASSERT_NE(meter, nullptr);
    EXPECT_FALSE(meter->isVisible());
    EXPECT_EQ(meterAudio.inputPortsMade, 0) << "no stream before a recording";

    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    ASSERT_TRUE(meter->isVisible());
    EXPECT_EQ(meter->geometry(), QRect(797, 764, 82, 10));
    EXPECT_EQ(audio.inputPortsMade, 1) << "the narration keeps its own stream";
    ASSERT_EQ(meterAudio.inputPortsMade, 1);
    const std::shared_ptr<FakeInput> meterInput = meterAudio.input;

    // A loud take turns the bar red.
    ASSERT_TRUE(deliverToMeter(*meterInput, squareWave(32767)));
    window->levelMeterTick();
    EXPECT_GE(meter->peak(), 0.99f);
    const QImage loud = meter->grab().toImage();
    int red = 0;
    for (int x = 0; x < loud.width(); ++x) {
        const QColor c = loud.pixelColor(x, loud.height() / 2);
        red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
    }
    EXPECT_GE(red, loud.width() / 2);

    // The meter's own timer shows a quieter level without being asked.
    ASSERT_TRUE(deliverToMeter(*meterInput, squareWave(3277)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return meter->peak() > 0.05f && meter->peak() < 0.15f; }, 5000));

    // A pause keeps the meter, so the author can check the microphone before going on.
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Paused);
    EXPECT_TRUE(meter->isVisible());

    window->command(MainWindow::StopCommand);
    EXPECT_FALSE(meter->isVisible());
    EXPECT_EQ(meter->peak(), 0.0f);
    EXPECT_EQ(meterInput->callLog(), QStringList({"open", "start", "reset", "close"}));
}

TEST_F(MainWindowTest, GivenAMeterStreamThatCannotOpenThenTheNarrationRecordsWithoutAMeter)
{
    meterAudio.openSucceeds = false;
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    EXPECT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_FALSE(window->levelMeter()->isVisibleTo(window.get()));
    window->command(MainWindow::StopCommand);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
}

TEST_F(MainWindowTest, GivenTheMeterInputGoneDuringARecordingThenTheMeterGoesQuiet)
{
    showWithClient(1000, 800);
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    const std::shared_ptr<FakeInput> meterInput = meterAudio.input;
    ASSERT_TRUE(deliverToMeter(*meterInput, squareWave(20000)));
    window->levelMeterTick();
    ASSERT_GT(window->levelMeter()->peak(), 0.5f);

    // The sound server hands every buffer back unfilled.
    meterInput->handBackAll();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->levelMeter()->isVisible(); }, 5000));
    EXPECT_EQ(window->recorder().state(), RecorderState::Recording) << "the narration goes on";
}

TEST_F(MainWindowTest, GivenARecordingThenSaveFinishesItFirstAndStoresAWholeNarrationFile)
{
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    ASSERT_TRUE(audio.input->capture(3));
    clock.advance(5'000);

    window->command(MainWindow::SaveStory);
    EXPECT_EQ(window->recorder().state(), RecorderState::Stopped);
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
    EXPECT_FALSE(window->levelMeter()->isVisibleTo(window.get()));
    const Slide* slide = window->story().slideAt(0);
    EXPECT_EQ(slide->narrationLength(), 1) << "0.3 s of sound, rounded up";
    EXPECT_FALSE(window->story().isModified());

    // The saved narration is a finished wave file: its RIFF and data sizes match its length.
    const QFileInfoList waves = QFileInfo(window->story().storyFilePath()).dir().entryInfoList({"*.wav"});
    ASSERT_EQ(waves.size(), 1);
    QFile wave(waves[0].filePath());
    ASSERT_TRUE(wave.open(QIODevice::ReadOnly));
    const QByteArray bytes = wave.readAll();
    ASSERT_GE(bytes.size(), 44);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 4), quint32(bytes.size() - 8));
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 40), quint32(bytes.size() - 44));
    EXPECT_GT(bytes.size(), 44) << "the captured buffers are in it";
}
