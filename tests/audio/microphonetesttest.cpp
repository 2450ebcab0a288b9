#include "recorderfakes.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include "audio/microphonetest.h"
#include "audio/playtest.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct MicTestFixture : ::testing::Test
{
    TempFolder folder;
    FakeBackend backend;
    FakeSoundPlayer player;
    FakeMicrophoneVolume volume;
};

TEST_F(MicTestFixture, GivenTheDialogOpen_WhenTheSliderIsReleased_ThenTheLevelFollowsUntilCancelRestoresItOrOkKeepsIt)
{
    MicrophoneTest test(backend, player, &volume, folder.path());
    EXPECT_EQ(test.open(), 51) << "the slider is placed for the current level";
    EXPECT_EQ(test.buttonText(), "Record");
    test.sliderReleased(25);
    EXPECT_EQ(volume.volume, 16384);
    test.sliderReleased(90);
    test.cancel();
    EXPECT_EQ(volume.volume, 32768) << "the level the dialog opened with";
    EXPECT_EQ(player.calls.last(), "purge");

    player.calls.clear();
    test.open();
    test.sliderReleased(90);
    test.ok(25);
    EXPECT_EQ(volume.volume, 16384);
    EXPECT_EQ(player.calls.last(), "purge");
}

TEST_F(MicTestFixture, UnreadableLevelLeavesTheSliderUnsetAndOkChangesNothing)
{
    volume.readable = false;
    MicrophoneTest test(backend, player, &volume, folder.path());
    EXPECT_FALSE(test.open().has_value());
    test.ok(0);
    test.cancel();
    EXPECT_TRUE(volume.levelsSet.empty());
}

TEST_F(MicTestFixture, WithoutAVolumeControlTheSliderStaysUnsetButRecordingWorks)
{
    MicrophoneTest test(backend, player, nullptr, folder.path());
    EXPECT_FALSE(test.open().has_value());
    test.sliderReleased(40);
    test.ok(40);
    test.cancel();
    EXPECT_EQ(volume.volume, 32768);
    EXPECT_TRUE(volume.levelsSet.empty());

    const MicTestStep step = test.record();
    EXPECT_TRUE(step.error.isEmpty());
    EXPECT_TRUE(test.isRecording());
}

TEST_F(MicTestFixture, PlaySamplePlaysTheVoiceSample)
{
    MicrophoneTest test(backend, player, &volume, folder.path());
    test.playSample();
    EXPECT_EQ(player.calls, QStringList{QStringLiteral("wav:%1").arg(playtestSample().size())});
}

TEST_F(MicTestFixture, RecordTwiceStartsOneRecording)
{
    MicrophoneTest test(backend, player, &volume, folder.path());
    test.open();
    const MicTestStep first = test.record();
    const MicTestStep second = test.record();

    EXPECT_EQ(first.buttonText, "Recording");
    EXPECT_EQ(first.startTimer, 1);
    EXPECT_EQ(second.buttonText, "Recording");
    EXPECT_EQ(second.startTimer, 0);
    EXPECT_EQ(backend.inputPortsMade, 1);
    EXPECT_EQ(test.recordingPath(), folder.path() + "temp.wav");
}

TEST_F(MicTestFixture, TestRecordingPlaysBackThenTheButtonReturns)
{
    MicrophoneTest test(backend, player, &volume, folder.path());
    test.open();
    test.record();
    ASSERT_TRUE(backend.input->capture(3));

    const MicTestStep played = test.timer1();
    EXPECT_EQ(played.buttonText, "Playing");
    EXPECT_EQ(played.stopTimer, 1);
    EXPECT_EQ(played.startTimer, 2);
    EXPECT_FALSE(test.isRecording());
    EXPECT_EQ(player.calls.last(), "file:" + folder.path() + "temp.wav");
    EXPECT_EQ(TempFolder::read(folder.file("temp.wav")), wavebytes::pcmWave(backend.input->captured));

    const MicTestStep idle = test.timer2();
    EXPECT_EQ(idle.buttonText, "Record");
    EXPECT_EQ(idle.stopTimer, 2);
    EXPECT_EQ(idle.startTimer, 0);
}

TEST_F(MicTestFixture, RecordingAgainDuringPlaybackStopsThePlaybackTimer)
{
    MicrophoneTest test(backend, player, &volume, folder.path());
    test.record();
    test.timer1();
    const MicTestStep again = test.record();
    EXPECT_EQ(again.buttonText, "Recording");
    EXPECT_EQ(again.startTimer, 1);
    EXPECT_EQ(again.stopTimer, 2);
    EXPECT_EQ(backend.inputPortsMade, 2);
}

TEST_F(MicTestFixture, InputThatCannotOpenIsReportedAndLeavesNothing)
{
    backend.openSucceeds = false;
    MicrophoneTest test(backend, player, &volume, folder.path());
    const MicTestStep step = test.record();
    EXPECT_EQ(step.error,
              "No microphone was found. Check that a microphone is connected and selected in the sound settings.");
    EXPECT_EQ(step.buttonText, "Record");
    EXPECT_EQ(step.startTimer, 0);
    EXPECT_FALSE(test.isRecording());
    EXPECT_FALSE(QFile::exists(folder.file("temp.wav")));

    backend.openSucceeds = true;
    EXPECT_TRUE(test.record().error.isEmpty());
    EXPECT_TRUE(test.isRecording());
}

TEST_F(MicTestFixture, CancelFinishesARunningTestRecording)
{
    MicrophoneTest test(backend, player, &volume, folder.path());
    test.open();
    test.record();
    ASSERT_TRUE(backend.input->capture(1));
    test.cancel();
    EXPECT_FALSE(test.isRecording());
    EXPECT_EQ(TempFolder::read(folder.file("temp.wav")), wavebytes::pcmWave(backend.input->captured));
}

} // namespace
