#include "audio/inputlevelmeter.h"
#include "audio/narrationrecorder.h"
#include "audio/pulseaudiobackend.h"
#include "audio/recordingsession.h"
#include "audio/steadymillisecondclock.h"
#include "audio/waveclip.h"
#include "devicetestsupport.h"
#include "extrasources.h"
#include "pulsetestenvironment.h"
#include "recorderfakes.h"
#include "soundanalysis.h"
#include "story/slide.h"
#include "story/story.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

// The test daemon's default source (a monitor, left out of every listing) plays 440 Hz.
constexpr double DefaultCrossings = 880;

//! Two extra microphones on the test daemon, sine sources of their own frequencies.
class PulseChoice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        REQUIRE_PULSE();
        m_sources = std::make_unique<ExtraSources>();
        ASSERT_TRUE(m_sources->load(QStringLiteral("choice_low"), 880));
        ASSERT_TRUE(m_sources->load(QStringLiteral("choice_high"), 1320));
    }

    //! Every source loaded is unloaded, even after a failure.
    void TearDown() override { m_sources.reset(); }

    //! A sine source of the test is unplugged.
    void unplug(const QString& name) { ASSERT_TRUE(m_sources->unplug(name)) << name.toStdString(); }
    void load(const QString& name, int frequency) { ASSERT_TRUE(m_sources->load(name, frequency)); }
    static QString sourceIndex(const QString& name) { return ExtraSources::sourceIndex(name); }

    //! The sources our streams record from, by the daemon's index (its own loopbacks left out).
    static QStringList recordingFrom()
    {
        QStringList sources;
        for (const QString& line : PulseTestEnvironment::pactl({"list", "short", "source-outputs"}).split('\n')) {
            const QStringList fields = line.split('\t');
            if (fields.size() > 2 && fields[2] != QLatin1String("-") && line.contains("protocol-native.c"))
                sources << fields[1];
        }
        return sources;
    }

    //! One second of sound from the backend's chosen microphone; the samples, and what the
    //! start said.
    static QByteArray recordASecond(PulseAudioBackend& backend, const TempFolder& folder,
                                    RecordingStart* start = nullptr)
    {
        const QString path = folder.file(QStringLiteral("second.wav"));
        RecordingStart started;
        auto session = RecordingSession::start(backend, path, started, 1.0);
        if (start)
            *start = started;
        EXPECT_TRUE(session) << started.message.toStdString() << " " << backend.lastError().toStdString();
        if (!session)
            return {};
        EXPECT_TRUE(waitFor([&] { return session->reachedLimit(); }, 10000)) << session->recordedBytes();
        session->finish();
        return WaveClip(path).samples();
    }

    TempFolder folder;

private:
    std::unique_ptr<ExtraSources> m_sources;
};

TEST_F(PulseChoice, GivenTwoMoreMicrophones_WhenListed_ThenTheyShowByNameAndDescriptionAndNoMonitorDoes)
{
    PulseAudioBackend backend;
    const InputSourceList list = backend.listInputSources();
    ASSERT_TRUE(list.ok()) << list.error.toStdString();

    const InputSource* low = list.find(QStringLiteral("choice_low"));
    const InputSource* high = list.find(QStringLiteral("choice_high"));
    ASSERT_TRUE(low);
    ASSERT_TRUE(high);
    EXPECT_EQ(low->description, "Sine source at 880 Hz");
    EXPECT_EQ(high->description, "Sine source at 1320 Hz");
    EXPECT_TRUE(list.find(QStringLiteral("mic"))) << "the script's own sine source is a microphone too";
    for (const InputSource& source : list.sources) {
        EXPECT_FALSE(source.name.endsWith(".monitor")) << source.name.toStdString();
        EXPECT_FALSE(source.isDefault) << "the default source is a monitor: " << source.name.toStdString();
    }

    PulseTestEnvironment::pactl({"set-default-source", "choice_high"});
    const InputSourceList again = backend.listInputSources();
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(again.find(QStringLiteral("choice_high"))->isDefault);
    EXPECT_FALSE(again.find(QStringLiteral("choice_low"))->isDefault);
}

TEST_F(PulseChoice, GivenAChosenMicrophone_WhenRecording_ThenItsToneIsRecordedAndTheNextChoiceIsUsedNext)
{
    PulseAudioBackend backend;
    backend.setInputDevice(QStringLiteral("choice_high"));
    RecordingStart started;
    const QByteArray high = recordASecond(backend, folder, &started);
    EXPECT_TRUE(started.notice.isEmpty()) << started.notice.toStdString();
    EXPECT_NEAR(crossingsPerSecond(high), 2640, 60) << "1320 Hz";

    backend.setInputDevice(QStringLiteral("choice_low"));
    EXPECT_NEAR(crossingsPerSecond(recordASecond(backend, folder)), 1760, 60) << "880 Hz";

    backend.setInputDevice(QString());
    EXPECT_NEAR(crossingsPerSecond(recordASecond(backend, folder)), DefaultCrossings, 40) << "back on the default";
}

TEST_F(PulseChoice, GivenAPreparedInput_WhenAnotherMicrophoneIsChosen_ThenThePreparedStreamMovesToIt)
{
    PulseAudioBackend backend;
    backend.setInputDevice(QStringLiteral("choice_low"));
    backend.prepareInput();
    ASSERT_TRUE(backend.waitForPreparedInput()) << backend.lastError().toStdString();
    const QStringList low{sourceIndex(QStringLiteral("choice_low"))};
    EXPECT_TRUE(waitFor([&] { return recordingFrom() == low; })) << recordingFrom().join(' ').toStdString();

    backend.setInputDevice(QStringLiteral("choice_high"));
    ASSERT_TRUE(backend.waitForPreparedInput());
    const QStringList high{sourceIndex(QStringLiteral("choice_high"))};
    EXPECT_TRUE(waitFor([&] { return recordingFrom() == high; }))
        << "the old stream is closed: " << recordingFrom().join(' ').toStdString();
    // The take leases the prepared stream: the sine source's next block comes up to 2 s later.
    EXPECT_NEAR(crossingsPerSecond(recordASecond(backend, folder)), 2640, 60);
    EXPECT_TRUE(waitFor([&] { return recordingFrom() == high; })) << "handed back, still prepared";
}

TEST_F(PulseChoice, GivenAChosenMicrophone_WhenTheLevelMeterRuns_ThenItReadsThatMicrophone)
{
    PulseAudioBackend backend;
    backend.setInputDevice(QStringLiteral("choice_high"));
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start()) << backend.lastError().toStdString();
    EXPECT_FALSE(meter.openedDefaultInstead());
    const QStringList high{sourceIndex(QStringLiteral("choice_high"))};
    EXPECT_TRUE(waitFor([&] { return recordingFrom() == high; })) << recordingFrom().join(' ').toStdString();
    EXPECT_TRUE(waitFor([&] { return meter.level().peak > 0.05f; }, 10000));
    meter.stop();
    EXPECT_TRUE(waitFor([] { return recordingFrom().isEmpty(); }));
}

TEST_F(PulseChoice, GivenAChosenMicrophoneThatIsNotThere_WhenATakeStarts_ThenTheDefaultRecordsAndTheAuthorIsTold)
{
    PulseAudioBackend backend;
    backend.setInputDevice(QStringLiteral("pictorelle_unplugged"));
    RecordingStart started;
    const QByteArray samples = recordASecond(backend, folder, &started);
    EXPECT_EQ(started.notice, "The microphone \"pictorelle_unplugged\" is not connected. Recording from the default "
                              "microphone instead.");
    EXPECT_NEAR(crossingsPerSecond(samples), DefaultCrossings, 40) << "the default source's 440 Hz";
    EXPECT_EQ(backend.inputDevice(), "pictorelle_unplugged") << "the choice stays";

    // GIVEN a microphone seen in a listing, chosen, then unplugged THEN the message names its description
    ASSERT_TRUE(backend.listInputSources().ok());
    backend.setInputDevice(QStringLiteral("choice_high"));
    unplug(QStringLiteral("choice_high"));
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());
    EXPECT_TRUE(meter.openedDefaultInstead());
    meter.stop();
    recordASecond(backend, folder, &started);
    EXPECT_EQ(started.notice, "The microphone \"Sine source at 1320 Hz\" is not connected. Recording from the "
                              "default microphone instead.");
}

TEST_F(PulseChoice, GivenANarrationRecording_WhenItsMicrophoneIsUnplugged_ThenTheTakeIsKeptWholeAndTheAuthorIsTold)
{
    Story story(folder.path());
    Slide slide(story);
    slide.setNarrationWavPath(story.workingFolder() + "1.wav");
    PulseAudioBackend backend;
    backend.setInputDevice(QStringLiteral("choice_low"));
    FakeSoundPlayer player;
    SteadyMillisecondClock clock;
    EventLog events;
    NarrationRecorder recorder(backend, player, clock, events);

    ASSERT_TRUE(recorder.record(&slide).started()) << backend.lastError().toStdString();
    // More than a second of sound in the file.
    ASSERT_TRUE(waitFor([&] { return recorder.recordedSeconds() >= 2; }, 10000));
    unplug(QStringLiteral("choice_low"));
    // The recording timer's ticks notice the loss; a stream moved to another source never would.
    EXPECT_TRUE(waitFor(
        [&] {
            recorder.recordingTick();
            return recorder.state() == RecorderState::Stopped;
        },
        5000));

    EXPECT_EQ(events.interruptions,
              QStringList{"The microphone was disconnected. The narration recorded up to then is kept."});
    EXPECT_EQ(events.commands, (std::vector<int>{500, 502, -1}));
    const QByteArray file = TempFolder::read(slide.narrationWavPath());
    ASSERT_GT(file.size(), 44 + 22050);
    EXPECT_EQ(file.left(4), "RIFF");
    EXPECT_EQ(wavebytes::field32(file, 4), quint32(file.size() - 8));
    EXPECT_EQ(wavebytes::field32(file, 40), quint32(file.size() - 44));
    const WaveClip clip(slide.narrationWavPath());
    EXPECT_EQ(clip.samplesPerSecond(), 22050u);
    EXPECT_TRUE(slide.hasNarration());
    EXPECT_EQ(slide.narrationLength(), int((clip.dataSize() + 44099) / 44100));
    EXPECT_NEAR(crossingsPerSecond(clip.samples()), 1760, 60) << "only the chosen microphone's 880 Hz";
}

TEST_F(PulseChoice, GivenAWatch_WhenAMicrophoneIsPluggedInAndOut_ThenEachIsTold)
{
    PulseAudioBackend backend;
    std::atomic<int> changes{0};
    const auto watch = backend.watchInputSources([&] { ++changes; });
    ASSERT_TRUE(watch);

    load(QStringLiteral("choice_extra"), 660);
    EXPECT_TRUE(waitFor([&] { return changes > 0; }));
    const int afterPlugging = changes;
    unplug(QStringLiteral("choice_extra"));
    EXPECT_TRUE(waitFor([&] { return changes > afterPlugging; }));
}

TEST(PulseSourcesWithoutServer, GivenNoSoundServer_WhenListing_ThenItSaysWhyAtOnce)
{
    ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");
    PulseAudioBackend backend;
    InputSourceList list;
    expectReturnsWithin(6000, [&] { list = backend.listInputSources(); });
    EXPECT_FALSE(list.ok());
    EXPECT_EQ(list.error, "cannot connect to the sound server");
    EXPECT_TRUE(list.sources.empty());
    EXPECT_FALSE(backend.watchInputSources([] {}));
}

} // namespace
