#include "audio/devicesoundplayer.h"
#include "audio/playtest.h"
#include "audio/pulseaudiobackend.h"
#include "audio/wavefilesink.h"
#include "audio/waveindevice.h"
#include "audio/wavememorysource.h"
#include "audio/waveoutdevice.h"
#include "devicetestsupport.h"
#include "pulsetestenvironment.h"
#include "soundanalysis.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QtEndian>
#include <QtMath>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr double bytesPerSecond = 44100;

//! Records from the default source for the given stretches: recording, paused, recording, …
QByteArray recordWave(const TempFolder& folder, const std::vector<int>& stretchesMs)
{
    const QString path = folder.file("take.wav");
    PulseAudioBackend backend;
    {
        WaveFileSink sink(path, 22050, 16, 1);
        WaveInDevice device(backend.createInputPort());
        EXPECT_TRUE(device.attach(&sink)) << backend.lastError().toStdString();
        EXPECT_TRUE(device.start());
        for (size_t i = 0; i < stretchesMs.size(); ++i) {
            if (i % 2 == 1)
                device.pause();
            else if (i > 0)
                device.resume();
            std::this_thread::sleep_for(std::chrono::milliseconds(stretchesMs[i]));
        }
        device.detach();
        sink.close();
    }
    return TempFolder::read(path);
}

QByteArray tone(double hz, double seconds)
{
    QByteArray samples(qsizetype(seconds * 22050) * 2, '\0');
    for (qsizetype i = 0; i < samples.size() / 2; ++i)
        qToLittleEndian<qint16>(qint16(12000 * std::sin(2 * M_PI * hz * double(i) / 22050)), samples.data() + 2 * i);
    return samples;
}

// A client's stream plays on a sink (the daemon's own loopbacks do not count).
bool sinkInputPlaying()
{
    return PulseTestEnvironment::pactl({"list", "short", "sink-inputs"}).contains("protocol-native.c");
}

//! The samples of the loud stretch of a recording (above a quiet threshold).
QByteArray loudPart(const QByteArray& samples)
{
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i + 1 < samples.size(); i += 2) {
        if (std::abs(qFromLittleEndian<qint16>(samples.constData() + i)) > 2000) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return first < 0 ? QByteArray() : samples.mid(first, last - first + 2);
}

} // namespace

TEST(PulseWaveInDevice, GivenTheTestMicrophone_WhenRecordingTwoSeconds_ThenTheFileHoldsTwoSecondsOfTheTone)
{
    REQUIRE_PULSE();
    TempFolder folder;
    const QByteArray file = recordWave(folder, {2000});
    ASSERT_GE(file.size(), 44);
    const quint32 dataSize = wavebytes::field32(file, 40);
    EXPECT_EQ(qsizetype(dataSize), file.size() - 44);
    EXPECT_NEAR(dataSize, 2 * bytesPerSecond, 0.08 * 2 * bytesPerSecond);
    const QByteArray samples = file.mid(44);
    EXPECT_NEAR(crossingsPerSecond(samples), 880, 40) << "a 440 Hz tone crosses zero 880 times a second";
    EXPECT_GT(peakLevel(samples), 1000);
}

TEST(PulseWaveInDevice, GivenARecording_WhenPausedForASecond_ThenThePausedTimeIsNotRecorded)
{
    REQUIRE_PULSE();
    TempFolder folder;
    const QByteArray file = recordWave(folder, {1000, 1000, 1000});
    ASSERT_GE(file.size(), 44);
    EXPECT_NEAR(wavebytes::field32(file, 40), 2 * bytesPerSecond, 0.08 * 2 * bytesPerSecond);
}

TEST(PulseWaveInDevice, GivenNoSoundServer_WhenAttaching_ThenItFailsPromptlyAndSaysWhy)
{
    ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");
    PulseAudioBackend backend;
    MemorySink sink;
    WaveInDevice device(backend.createInputPort());
    expectReturnsWithin(6000, [&] { EXPECT_FALSE(device.attach(&sink)); });
    EXPECT_TRUE(backend.lastError().startsWith("cannot connect to the sound server"))
        << backend.lastError().toStdString();
    EXPECT_TRUE(device.start());
    expectReturnsWithin(2000, [&] { EXPECT_TRUE(device.detach()); });
    EXPECT_TRUE(sink.bytes().isEmpty());
}

TEST(PulseWaveOutDevice, GivenAOneSecondTone_WhenPlayed_ThenTheSinkReceivesItAndDrainedComesAtItsEnd)
{
    REQUIRE_PULSE();
    QProcess monitor;
    monitor.start("parecord", {"--raw", "--device=speaker.monitor", "--format=s16le", "--rate=22050", "--channels=1",
                               "--latency-msec=20"});
    ASSERT_TRUE(monitor.waitForStarted());
    ASSERT_TRUE(waitFor([] {
        return PulseTestEnvironment::pactl({"list", "short", "source-outputs"}).contains("protocol-native.c");
    }));

    PulseAudioBackend backend;
    WaveMemorySource source(wavebytes::pcmWave(tone(1000, 1.0)));
    WaveOutDevice device(backend.createOutputPort());
    ASSERT_TRUE(device.attach(&source)) << backend.lastError().toStdString();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(device.start());
    ASSERT_TRUE(waitFor([&] { return device.isDrained(); }, 4000));
    EXPECT_GT(clock.elapsed(), 800) << "drained only once the second of sound was played";
    device.detach();

    QByteArray heard;
    waitFor(
        [&] {
            monitor.waitForReadyRead(50);
            heard += monitor.readAllStandardOutput();
            return loudPart(heard).size() >= 0.95 * bytesPerSecond;
        },
        2000);
    monitor.terminate();
    monitor.waitForFinished();
    const QByteArray loud = loudPart(heard);
    EXPECT_NEAR(loud.size(), bytesPerSecond, 0.1 * bytesPerSecond) << "one second of sound reached the sink";
    EXPECT_NEAR(crossingsPerSecond(loud), 2000, 60) << "the 1000 Hz tone";
}

TEST(PulseSoundPlayer, GivenThePlaytestSample_WhenPlayedAndPurged_ThenItPlaysOnTheSinkAndStops)
{
    REQUIRE_PULSE();
    PulseAudioBackend backend;
    DeviceSoundPlayer player(backend);

    player.playWav(playtestSample());
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(waitFor(sinkInputPlaying)) << "the sample plays on the sink";
    player.purge();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_TRUE(waitFor([] { return !sinkInputPlaying(); }, 2000)) << "purge stopped it";
    EXPECT_FALSE(player.outputFailed());
}

TEST(PulseSoundPlayer, GivenAShortFile_WhenPlayed_ThenItEndsByItselfAfterItsLength)
{
    REQUIRE_PULSE();
    TempFolder folder;
    const QString path = folder.write("short.wav", wavebytes::pcmWave(tone(600, 0.5)));
    PulseAudioBackend backend;
    DeviceSoundPlayer player(backend);
    QElapsedTimer clock;
    clock.start();
    player.playFile(path);
    ASSERT_TRUE(player.waitUntilDone(4000));
    EXPECT_GT(clock.elapsed(), 350);
    EXPECT_FALSE(player.outputFailed());
    EXPECT_FALSE(player.isPlaying());
}
