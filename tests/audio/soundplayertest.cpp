#include "audio/devicesoundplayer.h"
#include "devicetestsupport.h"
#include "fakeaudioport.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

namespace {

// Stops growing: the device was reset.
bool playbackStopped(FakeAudioBackend& backend)
{
    return waitFor([&] {
        const qsizetype before = backend.played().size();
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        return backend.played().size() == before;
    });
}

} // namespace

TEST(DeviceSoundPlayer, GivenAWaveInMemory_WhenPlayed_ThenItReturnsAtOncePlaysEveryByteAndEnds)
{
    FakeAudioBackend backend;
    DeviceSoundPlayer player(backend);
    EXPECT_FALSE(player.isPlaying());
    const QByteArray samples = wavebytes::ramp(11025); // 250 ms

    player.playWav(wavebytes::pcmWave(samples));
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(player.waitUntilDone(5000));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.outputFailed());
    EXPECT_EQ(backend.played(), samples);
}

TEST(DeviceSoundPlayer, GivenAFile_WhenPlayedWhileAnotherSoundPlays_ThenTheNewOneReplacesIt)
{
    FakeAudioBackend backend;
    TempFolder folder;
    const QByteArray first = wavebytes::ramp(441000, 1); // 10 s
    const QByteArray second = wavebytes::ramp(8820, 2);
    DeviceSoundPlayer player(backend);
    player.playWav(wavebytes::pcmWave(first));
    ASSERT_TRUE(waitFor([&] { return backend.played().size() > 4410; }));

    player.playFile(folder.write("second.wav", wavebytes::pcmWave(second)));
    ASSERT_TRUE(player.waitUntilDone(5000));
    const QByteArray all = backend.played();
    ASSERT_GT(all.size(), second.size());
    const QByteArray ofFirst = all.left(all.size() - second.size());
    EXPECT_EQ(ofFirst, first.left(ofFirst.size())) << "the first sound, cut short";
    EXPECT_LT(ofFirst.size(), first.size());
    EXPECT_EQ(all.right(second.size()), second) << "then the whole second sound";
}

TEST(DeviceSoundPlayer, GivenAPlayingSound_WhenPurgedOrGivenAMissingOrInvalidFile_ThenItStopsAndPlaysNothing)
{
    FakeAudioBackend backend;
    TempFolder folder;
    const QByteArray longSound = wavebytes::pcmWave(wavebytes::ramp(441000));
    const QString notWave = folder.write("text.wav", "just some text, no RIFF header");
    DeviceSoundPlayer player(backend);

    for (const QString& next : {QString(), folder.file("missing.wav"), notWave}) {
        player.playWav(longSound);
        ASSERT_TRUE(waitFor([&] { return player.isPlaying() && !backend.played().isEmpty(); }));
        if (next.isEmpty())
            player.purge();
        else
            player.playFile(next);
        EXPECT_FALSE(player.isPlaying()) << next.toStdString();
        EXPECT_TRUE(playbackStopped(backend)) << next.toStdString();
        EXPECT_LT(backend.played().size(), qsizetype(441000));
        std::lock_guard lock(backend.state->lock);
        backend.state->played.clear();
    }
    player.playWav("RIFF but nothing else");
    EXPECT_FALSE(player.isPlaying());
}

TEST(DeviceSoundPlayer, GivenAnOutputThatCannotOpen_WhenPlaying_ThenItEndsAndSaysSo)
{
    FakeAudioBackend backend;
    backend.state->failOpen = true;
    DeviceSoundPlayer player(backend);
    player.playWav(wavebytes::pcmWave(wavebytes::ramp(44100)));
    ASSERT_TRUE(player.waitUntilDone(5000));
    EXPECT_TRUE(player.outputFailed());
    EXPECT_TRUE(backend.played().isEmpty());
}

TEST(DeviceSoundPlayer, GivenAPlayingSound_WhenThePlayerIsDestroyed_ThenItStopsWithoutHanging)
{
    FakeAudioBackend backend;
    auto player = std::make_unique<DeviceSoundPlayer>(backend);
    player->playWav(wavebytes::pcmWave(wavebytes::ramp(441000)));
    ASSERT_TRUE(waitFor([&] { return !backend.played().isEmpty(); }));
    expectReturnsWithin(3000, [&] { player.reset(); });
    EXPECT_EQ(backend.state->opens, backend.state->closes);

    // Destroyed right after a request, before its thread picked it up.
    auto hasty = std::make_unique<DeviceSoundPlayer>(backend);
    hasty->playWav(wavebytes::pcmWave(wavebytes::ramp(441000)));
    expectReturnsWithin(3000, [&] { hasty.reset(); });
}
