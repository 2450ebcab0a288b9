#include "eventually.h"
#include "recorderfakes.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include "audio/inputlevelmeter.h"
#include "audio/inputsourcemonitor.h"
#include "audio/microphonetest.h"
#include "audio/narrationrecorder.h"
#include "story/slide.h"
#include "story/story.h"

#include <QFile>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

const QString UsbMicText = QStringLiteral("The microphone \"USB Mic\" is not connected. Recording from the default "
                                          "microphone instead.");
const QString DisconnectedText =
    QStringLiteral("The microphone was disconnected. The narration recorded up to then is kept.");

struct ChoiceFixture : ::testing::Test
{
    TempFolder folder;
    Story story{folder.path()};
    Slide slide{story};
    FakeBackend backend;
    FakeSoundPlayer player;
    FakeClock clock;
    EventLog events;
    NarrationRecorder recorder{backend, player, clock, events};

    ChoiceFixture()
    {
        slide.setNarrationWavPath(story.workingFolder() + "7.wav");
        backend.labels[QStringLiteral("usb")] = QStringLiteral("USB Mic");
        backend.setInputDevice(QStringLiteral("usb"));
    }

    //! One short take: starts, captures a buffer, stops; what the start said.
    RecordingStart take()
    {
        const RecordingStart started = recorder.record(&slide);
        EXPECT_TRUE(started.started()) << started.message.toStdString();
        EXPECT_TRUE(backend.input->capture(1));
        recorder.stopRecording();
        return started;
    }
};

TEST_F(ChoiceFixture, GivenTheChosenMicrophone_WhenATakeStarts_ThenItRecordsFromItWithoutANotice)
{
    const RecordingStart started = take();
    EXPECT_EQ(backend.input->device, "usb");
    EXPECT_TRUE(started.notice.isEmpty());
    EXPECT_TRUE(started.message.isEmpty());
}

TEST_F(ChoiceFixture, GivenTheChosenMicrophoneUnplugged_WhenTakesStart_ThenTheAuthorIsToldOnceUntilItIsBack)
{
    backend.missing << QStringLiteral("usb");

    const RecordingStart first = take();
    EXPECT_EQ(first.notice, UsbMicText);
    EXPECT_TRUE(first.message.isEmpty());
    EXPECT_EQ(slide.narrationLength(), 1) << "the take from the default microphone is kept";
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured));

    EXPECT_TRUE(take().notice.isEmpty()) << "told once";
    EXPECT_EQ(backend.inputDevice(), "usb") << "the choice stays for when it comes back";

    // WHEN it is plugged in again for one take and then unplugged again THEN the author hears of it again
    backend.missing.clear();
    EXPECT_TRUE(take().notice.isEmpty());
    backend.missing << QStringLiteral("usb");
    EXPECT_EQ(take().notice, UsbMicText);
}

TEST_F(ChoiceFixture, GivenAnotherMissingMicrophoneChosen_WhenATakeStarts_ThenItIsNamedInANewNotice)
{
    backend.missing << QStringLiteral("usb") << QStringLiteral("alsa_input.headset");
    EXPECT_EQ(take().notice, UsbMicText);
    backend.setInputDevice(QStringLiteral("alsa_input.headset"));
    // A microphone never seen is named by its sound-server name.
    EXPECT_EQ(take().notice, "The microphone \"alsa_input.headset\" is not connected. Recording from the default "
                             "microphone instead.");
}

TEST_F(ChoiceFixture, GivenATakeUnderWay_WhenTheMicrophoneIsUnplugged_ThenTheTakeStopsWhole)
{
    recorder.record(&slide);
    // The device cycles eight buffers: they are captured one at a time.
    for (int i = 0; i < 23; ++i)
        ASSERT_TRUE(backend.input->capture(1));
    EXPECT_EVENTUALLY(recorder.recordedSeconds() == 3);
    recorder.recordingTick();
    ASSERT_EQ(recorder.state(), RecorderState::Recording);

    backend.input->loseDevice();
    recorder.recordingTick();

    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_EQ(events.commands, (std::vector<int>{500, 502, -1})) << "stopped first, then the reason";
    EXPECT_EQ(events.interruptions, QStringList{DisconnectedText});
    EXPECT_TRUE(slide.hasNarration());
    EXPECT_FALSE(slide.isRecording());
    EXPECT_EQ(slide.narrationLength(), 3) << "2.3 s recorded, rounded up";
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured));
    EXPECT_EQ(backend.input->captured.size(), 23 * 4410);

    recorder.recordingTick();
    EXPECT_EQ(events.interruptions.size(), 1) << "a later tick says nothing more";
}

TEST_F(ChoiceFixture, GivenAPausedTake_WhenTheMicrophoneIsUnplugged_ThenItStopsAndKeepsWhatCameBefore)
{
    recorder.record(&slide);
    ASSERT_TRUE(backend.input->capture(4));
    recorder.togglePause(&slide);
    backend.input->loseDevice();

    recorder.recordingTick();

    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_EQ(events.interruptions, QStringList{DisconnectedText});
    EXPECT_EQ(slide.narrationLength(), 1);
    EXPECT_EQ(TempFolder::read(slide.narrationWavPath()), wavebytes::pcmWave(backend.input->captured));
}

TEST_F(ChoiceFixture, GivenNothingCapturedYet_WhenTheMicrophoneIsUnplugged_ThenTheSlideKeepsNoNarration)
{
    recorder.record(&slide);
    backend.input->loseDevice();
    recorder.recordingTick();
    EXPECT_EQ(recorder.state(), RecorderState::Stopped);
    EXPECT_EQ(events.interruptions, QStringList{DisconnectedText});
    EXPECT_FALSE(slide.hasNarration());
    EXPECT_EQ(QFile(slide.narrationWavPath()).size(), 44);
}

TEST_F(ChoiceFixture, GivenTheLevelMeter_WhenTheChosenMicrophoneIsMissing_ThenItSaysItReadsTheDefault)
{
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());
    EXPECT_EQ(backend.input->device, "usb");
    EXPECT_FALSE(meter.openedDefaultInstead());
    meter.stop();
    EXPECT_FALSE(meter.openedDefaultInstead());

    backend.missing << QStringLiteral("usb");
    ASSERT_TRUE(meter.start());
    EXPECT_TRUE(meter.openedDefaultInstead());
}

//! Collects the monitor's listings, which arrive on its own thread.
struct Listings
{
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<InputSourceList> seen;

    void add(const InputSourceList& list)
    {
        {
            std::lock_guard guard(lock);
            seen.push_back(list);
        }
        arrived.notify_all();
    }
    bool awaitCount(size_t count)
    {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, std::chrono::seconds(10), [&] { return seen.size() >= count; });
    }
    size_t count()
    {
        std::lock_guard guard(lock);
        return seen.size();
    }
};

InputSourceList sources(std::initializer_list<InputSource> list)
{
    InputSourceList l;
    l.sources = list;
    return l;
}

TEST(InputSourceMonitor, GivenAWatchedBackend_WhenSourcesComeAndGo_ThenEachChangeIsListedAgainUntilItEnds)
{
    FakeBackend backend;
    const InputSource builtIn{QStringLiteral("builtin"), QStringLiteral("Built-in Audio"), true};
    const InputSource usb{QStringLiteral("usb"), QStringLiteral("USB Mic"), false};
    backend.setSources(sources({builtIn}));
    Listings listings;
    {
        InputSourceMonitor monitor(backend, [&](const InputSourceList& list) { listings.add(list); });
        ASSERT_TRUE(listings.awaitCount(1)) << "listed at once";
        EXPECT_EQ(listings.seen[0].sources, std::vector<InputSource>{builtIn});
        ASSERT_TRUE(backend.isWatched());

        backend.setSources(sources({builtIn, usb}));
        ASSERT_TRUE(backend.announceSourcesChanged());
        ASSERT_TRUE(listings.awaitCount(2));
        EXPECT_EQ(listings.seen[1].sources, (std::vector<InputSource>{builtIn, usb}));

        monitor.refresh();
        ASSERT_TRUE(listings.awaitCount(3)) << "refresh lists again";
    }
    EXPECT_FALSE(backend.isWatched()) << "the watch ends with the monitor";
    const size_t seen = listings.count();
    EXPECT_FALSE(backend.announceSourcesChanged());
    EXPECT_EQ(listings.count(), seen);
}

TEST(InputSourceMonitor, GivenABackendThatCannotList_WhenMonitored_ThenTheErrorIsPassedOn)
{
    FakeBackend backend;
    InputSourceList broken;
    broken.error = QStringLiteral("cannot connect to the sound server");
    backend.setSources(broken);
    Listings listings;
    InputSourceMonitor monitor(backend, [&](const InputSourceList& list) { listings.add(list); });
    ASSERT_TRUE(listings.awaitCount(1));
    EXPECT_FALSE(listings.seen[0].ok());
    EXPECT_EQ(listings.seen[0].error, broken.error);
}

TEST(MicrophoneTestVolume, GivenAnotherMicrophoneChosen_WhenCancelled_ThenOnlyTheNewOnesOpeningLevelReturns)
{
    TempFolder folder;
    FakeBackend backend;
    FakeSoundPlayer player;
    FakeMicrophoneVolume first;
    FakeMicrophoneVolume second;
    second.volume = 6554;
    MicrophoneTest test(backend, player, &first, folder.path());
    ASSERT_EQ(test.open(), 51);
    test.sliderReleased(25);
    ASSERT_EQ(first.volume, 16384);

    EXPECT_EQ(test.useVolume(&second), 11) << "6554 of 65535 is 10.0008 %, rounded up";
    test.sliderReleased(40);
    EXPECT_EQ(second.volume, 26214);
    test.cancel();

    EXPECT_EQ(second.volume, 6554) << "the level the new microphone had when chosen";
    EXPECT_EQ(first.volume, 16384) << "the first keeps what was set for it";
    EXPECT_FALSE(test.useVolume(nullptr).has_value());
}

} // namespace
