#include "eventually.h"
#include "recorderfakes.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include "audio/narrationrecorder.h"
#include "story/slide.h"
#include "story/story.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct RecorderFixture : ::testing::Test
{
    TempFolder folder;
    Story story{folder.path()};
    Slide slide{story};
    FakeBackend backend;
    FakeSoundPlayer player;
    FakeClock clock;
    EventLog events;
    NarrationRecorder recorder{backend, player, clock, events};

    RecorderFixture() { slide.setNarrationWavPath(story.workingFolder() + "7.wav"); }

    //! The input delivers this many 100 ms buffers, one at a time, the recording timer
    //! ticking after each; stops early once the recording has stopped. The buffers delivered.
    int captureTicking(int buffers)
    {
        int delivered = 0;
        while (delivered < buffers && recorder.state() != RecorderState::Stopped) {
            if (!backend.input->capture(1))
                break;
            ++delivered;
            recorder.recordingTick();
        }
        return delivered;
    }

    //! The device writes captured buffers on its own thread: waits until the file has them.
    void waitForRecordedBytes(quint32 bytes)
    {
        EXPECT_EVENTUALLY(quint64(recorder.recordedSeconds()) * 44100 >= bytes);
    }
};

TEST_F(RecorderFixture, RecordStartsOnTheSlideAndMarksIt)
{
    // GIVEN a picture slide whose old narration was encoded
    slide.setMp3Encoded(true);
    // WHEN recording starts
    const RecordingStart started = recorder.record(&slide);
    // THEN the slide is marked, the window is told and the file exists as an empty wave
    EXPECT_TRUE(started.started());
    EXPECT_EQ(recorder.state(), RecorderState::Recording);
    EXPECT_EQ(events.commands, std::vector<int>{500});
    EXPECT_TRUE(recorder.recordLatched());
    EXPECT_FALSE(recorder.recordPausedLook());
    EXPECT_EQ(recorder.limit(), 60);
    EXPECT_TRUE(slide.hasNarration());
    EXPECT_TRUE(slide.isRecording());
    EXPECT_FALSE(slide.isMp3Encoded());
    EXPECT_EQ(QFile(slide.narrationWavPath()).size(), 44);
}

TEST_F(RecorderFixture, PictureSlideStopsItselfAtSixtySecondsOfAudio)
{
    // GIVEN a picture slide recording while the input keeps delivering sound
    recorder.record(&slide);
    // WHEN more than 60 seconds of sound arrive
    captureTicking(1600);
    // THEN the take ends with exactly the limit's audio
    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_EQ(slide.narrationLength(), 60);
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured.left(60 * 44100)));
    EXPECT_GE(recorder.barRatio(), 1.0f);
    EXPECT_EQ(events.commands, (std::vector<int>{500, 502}));
    EXPECT_FALSE(slide.isRecording());
    EXPECT_FALSE(recorder.recordLatched());
    EXPECT_EQ(recorder.limit(), 0);
}

TEST_F(RecorderFixture, PodcastSegmentMeasuresAgainstNineHundredSeconds)
{
    slide.setKind(SlideKind::Segment);
    recorder.record(&slide);
    EXPECT_EQ(recorder.limit(), 900);
    ASSERT_TRUE(backend.input->capture(5));
    EXPECT_EVENTUALLY(recorder.recordingTick() >= 0.5f / 900.0f);
    EXPECT_FLOAT_EQ(recorder.recordingTick(), 0.5f / 900.0f);
    EXPECT_EQ(recorder.state(), RecorderState::Recording);
}

TEST_F(RecorderFixture, LengthIsTheAudioRecordedRoundedUpOnceWhateverTheClockSays)
{
    // GIVEN 2.2 s of sound, a pause of 10 s on the clock, then 3.1 s more
    recorder.record(&slide);
    clock.advance(900);
    ASSERT_EQ(captureTicking(22), 22);
    recorder.togglePause(&slide);
    EXPECT_EQ(recorder.state(), RecorderState::Paused);
    EXPECT_TRUE(recorder.recordPausedLook());
    clock.advance(10'000);
    waitForRecordedBytes(22 * 4410);
    EXPECT_EQ(recorder.recordedSeconds(), 3);
    recorder.togglePause(&slide);
    EXPECT_EQ(recorder.state(), RecorderState::Recording);
    EXPECT_FALSE(recorder.recordPausedLook());
    ASSERT_EQ(captureTicking(31), 31);
    clock.advance(3100);
    // WHEN the recording stops
    recorder.stopRecording();
    // THEN 5.3 s of audio count as 6 seconds, not 3 + 4 per stretch
    EXPECT_EQ(slide.narrationLength(), 6);
    EXPECT_EQ(QFile(slide.narrationWavPath()).size(), 44 + 53 * 4410);
    EXPECT_EQ(recorder.recordedSeconds(), 6);
    EXPECT_EQ(events.commands, (std::vector<int>{500, 502}));
}

TEST_F(RecorderFixture, TimeBeforeTheFirstSoundCountsNothingAndIsNotCapturing)
{
    // GIVEN a recording whose input has not delivered anything yet
    recorder.record(&slide);
    clock.advance(5000);
    EXPECT_EQ(recorder.recordedSeconds(), 0);
    EXPECT_FALSE(recorder.isCapturing());
    // WHEN the first sound arrives
    ASSERT_TRUE(backend.input->capture(1));
    // THEN it is recording, and counts from that sound
    EXPECT_EVENTUALLY(recorder.isCapturing());
    EXPECT_EQ(recorder.recordedSeconds(), 1);
}

TEST_F(RecorderFixture, ATakeWithoutAnySoundLeavesTheSlideWithoutNarration)
{
    recorder.record(&slide);
    clock.advance(3000);
    recorder.stopRecording();
    EXPECT_FALSE(slide.hasNarration());
    EXPECT_EQ(slide.narrationLength(), 0);
    EXPECT_EQ(QFile(slide.narrationWavPath()).size(), 44);
}

TEST_F(RecorderFixture, StopWhilePausedResumesThenKeepsEveryCapturedByte)
{
    recorder.record(&slide);
    ASSERT_TRUE(backend.input->capture(2));
    clock.advance(1500);
    recorder.togglePause(&slide);
    clock.advance(20'000);

    recorder.stopRecording();

    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_FALSE(recorder.recordPausedLook());
    EXPECT_EQ(slide.narrationLength(), 1) << "0.2 s of audio, rounded up";
    const QStringList calls = backend.input->callLog();
    EXPECT_LT(calls.lastIndexOf("resume"), calls.indexOf("reset"));
    EXPECT_LT(calls.indexOf("pause"), calls.lastIndexOf("resume"));
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured));
    EXPECT_EQ(backend.input->captured.size(), 2 * 4410);
}

TEST_F(RecorderFixture, SecondRecordWhilePausedDoesNothing)
{
    recorder.record(&slide);
    recorder.togglePause(&slide);

    const RecordingStart again = recorder.record(&slide);

    EXPECT_EQ(again.error, RecordingError::Ignored);
    EXPECT_EQ(recorder.state(), RecorderState::Paused);
    EXPECT_EQ(backend.inputPortsMade, 1);
    EXPECT_EQ(events.commands, std::vector<int>{500});
}

TEST_F(RecorderFixture, PlayWithoutNarrationSendsNothing)
{
    recorder.play(&slide);
    recorder.play(nullptr);
    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_TRUE(events.commands.empty());
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_FALSE(recorder.playLatched());
}

TEST_F(RecorderFixture, PlayWhileRecordingStopsThenPlaysTheNewNarration)
{
    recorder.record(&slide);
    ASSERT_EQ(captureTicking(42), 42);

    recorder.play(&slide);

    EXPECT_EQ(events.commands, (std::vector<int>{500, 502, 501}));
    EXPECT_EQ(slide.narrationLength(), 5);
    EXPECT_EQ(recorder.state(), RecorderState::Playing);
    EXPECT_EQ(player.calls, QStringList{"file:" + slide.narrationWavPath()});
    EXPECT_TRUE(recorder.playLatched());
    EXPECT_FALSE(recorder.recordLatched());
}

TEST_F(RecorderFixture, PlaybackEndsOneSecondAfterTheNarration)
{
    slide.setHasNarration(true);
    slide.setNarrationLength(3);
    recorder.play(&slide);
    EXPECT_EQ(events.commands, std::vector<int>{501});

    clock.advance(3999);
    EXPECT_FLOAT_EQ(recorder.playbackTick(), 3.0f / 60.0f);
    EXPECT_EQ(recorder.state(), RecorderState::Playing);
    clock.advance(1);
    recorder.playbackTick();

    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_EQ(events.commands, (std::vector<int>{501, 503}));
    EXPECT_EQ(player.calls.last(), "purge");
    EXPECT_FALSE(recorder.playLatched());
    EXPECT_FALSE(recorder.isPlaying());
    recorder.playbackTick();
    EXPECT_EQ(events.commands.size(), 2u);
}

TEST_F(RecorderFixture, RecordWhilePlayingStopsPlaybackFirst)
{
    slide.setHasNarration(true);
    recorder.play(&slide);
    recorder.record(&slide);
    EXPECT_EQ(events.commands, (std::vector<int>{501, 503, 500}));
    EXPECT_EQ(recorder.state(), RecorderState::Recording);
}

TEST_F(RecorderFixture, NoMicrophoneIsReportedAndLeavesTheOldNarration)
{
    // GIVEN a slide with a narration, and no input that opens
    const QByteArray old = wavebytes::pcmWave(wavebytes::ramp(882));
    folder.write("temp/7.wav", old);
    slide.setHasNarration(true);
    slide.setNarrationLength(4);
    slide.setMp3Encoded(true);
    backend.openSucceeds = false;
    // WHEN recording is asked for
    const RecordingStart started = recorder.record(&slide);
    // THEN the user learns why, and nothing changed
    EXPECT_EQ(started.error, RecordingError::NoInput);
    EXPECT_EQ(started.message,
              "No microphone was found. Check that a microphone is connected and selected in the sound settings.");
    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_TRUE(events.commands.empty());
    EXPECT_FALSE(recorder.recordLatched());
    EXPECT_TRUE(slide.hasNarration());
    EXPECT_FALSE(slide.isRecording());
    EXPECT_TRUE(slide.isMp3Encoded());
    EXPECT_EQ(slide.narrationLength(), 4);
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), old);
    EXPECT_EQ(QDir(story.workingFolder()).entryList(QDir::Files), QStringList{"7.wav"});
}

TEST_F(RecorderFixture, NoMicrophoneLeavesNoFileForANewNarration)
{
    backend.openSucceeds = false;
    recorder.record(&slide);
    EXPECT_FALSE(slide.hasNarration());
    EXPECT_FALSE(QFile::exists(slide.narrationWavPath()));
    recorder.stopRecording();
    EXPECT_TRUE(events.commands.empty());
}

TEST_F(RecorderFixture, UnwritableFileIsReported)
{
    slide.setNarrationWavPath(folder.path() + "missing/folder/7.wav");
    const RecordingStart started = recorder.record(&slide);
    EXPECT_EQ(started.error, RecordingError::FileNotCreated);
    EXPECT_EQ(started.message, "The recording file could not be created: " + folder.path() + "missing/folder/7.wav");
    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_EQ(backend.inputPortsMade, 0);
    EXPECT_TRUE(events.commands.empty());
    EXPECT_FALSE(slide.hasNarration());
    EXPECT_FALSE(slide.isRecording());
}

TEST_F(RecorderFixture, RecordingOverANarrationReplacesIt)
{
    folder.write("temp/7.wav", wavebytes::pcmWave(wavebytes::ramp(882)));
    slide.setHasNarration(true);
    recorder.record(&slide);
    ASSERT_TRUE(backend.input->capture(1));
    clock.advance(100);
    recorder.stopRecording();
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured));
    EXPECT_EQ(slide.narrationLength(), 1);
    EXPECT_EQ(QDir(story.workingFolder()).entryList(QDir::Files), QStringList{"7.wav"});
}

TEST_F(RecorderFixture, DestroyedWhileRecordingCompletesTheFile)
{
    {
        NarrationRecorder other(backend, player, clock, events);
        other.record(&slide);
        ASSERT_TRUE(backend.input->capture(1));
    }
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured));
    EXPECT_EQ(events.commands, std::vector<int>{500});
}

} // namespace
