#include "audio/waveclip.h"
#include "audio/wavefilesink.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

using namespace wavebytes;

namespace {

QString recordNarration(const TempFolder& folder, const QString& name, const QByteArray& samples)
{
    const QString path = folder.file(name);
    WaveFileSink sink(path, 22050, 16, 1);
    sink.write(samples.constData(), static_cast<quint32>(samples.size()));
    sink.close();
    return path;
}

std::string concatenationError(const WaveClip& first, const WaveClip& second)
{
    try {
        first.concatenate(second);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(WaveClipJoin, GivenTwoNarrations_WhenJoined_ThenSizesAddUpAndSamplesKeepTheirOrder)
{
    TempFolder folder;
    const WaveClip first(recordNarration(folder, "1.wav", ramp(1000, 1)));
    const WaveClip second(recordNarration(folder, "2.wav", ramp(500, 2)));

    WaveClip joined = first.concatenate(second);
    EXPECT_EQ(joined.dataSize(), 1500u);
    EXPECT_EQ(joined.riffSize(), 1536u);
    EXPECT_EQ(joined.samples(), ramp(1000, 1) + ramp(500, 2));
    EXPECT_EQ(joined.fileName(), "output.wav");

    const QString podcast = folder.file("podcast.wav");
    joined.setFileName(podcast);
    ASSERT_TRUE(joined.save());
    EXPECT_EQ(TempFolder::read(podcast), pcmWave(ramp(1000, 1) + ramp(500, 2)));
}

TEST(WaveClipJoin, GivenPcmAndNonPcm_WhenJoined_ThenTheTextExceptionIsThrown)
{
    TempFolder folder;
    const WaveClip pcm(folder.write("pcm.wav", pcmWave(ramp(10))));
    const WaveClip adpcm(folder.write("adpcm.wav", riff(fmt(2, 1, 22050, 4) + le16(0) + chunk("data", ramp(10)))));
    EXPECT_EQ(concatenationError(pcm, adpcm), "Can't concatenate waves with different format tags");
    EXPECT_EQ(concatenationError(adpcm, pcm), "Can't concatenate waves with different format tags");
}

TEST(WaveClipJoin, GivenDifferentRatesWithTheSameTag_ThenTheSecondClipsFormatWins)
{
    TempFolder folder;
    const WaveClip mono(folder.write("m.wav", pcmWave(ramp(10), 22050, 16, 1)));
    const WaveClip stereo(folder.write("s.wav", pcmWave(ramp(8), 44100, 16, 2)));
    const WaveClip joined = mono.concatenate(stereo);
    EXPECT_EQ(joined.samplesPerSecond(), 44100u);
    EXPECT_EQ(joined.channels(), 2u);
    EXPECT_EQ(joined.dataSize(), 18u);
}

TEST(WaveClipJoin, GivenNonPcmClipsWithFactAndExtraBytes_ThenTheJoinedFileHasTheSecondsExtraAndNoFact)
{
    TempFolder folder;
    auto adpcm = [&](const QString& name, quint16 extra, const QByteArray& samples) {
        const QByteArray body =
            fmt(0x11, 1, 22050, 4) + le16(2) + le16(extra) + chunk("fact", le32(99)) + chunk("data", samples);
        return WaveClip(folder.write(name, riff(body)));
    };
    WaveClip joined = adpcm("a.wav", 505, ramp(30, 1)).concatenate(adpcm("b.wav", 1017, ramp(20, 2)));
    EXPECT_EQ(joined.extraBytes(), le16(1017));
    EXPECT_EQ(joined.factSize(), WaveClip::noFact);

    joined.setFileName(folder.file("out.wav"));
    ASSERT_TRUE(joined.save());
    const QByteArray expected =
        riff(fmt(0x11, 1, 22050, 4) + le16(2) + le16(1017) + chunk("data", ramp(30, 1) + ramp(20, 2)));
    EXPECT_EQ(TempFolder::read(folder.file("out.wav")), expected) << "RIFF size matches the bytes saved";
}

TEST(WaveClipJoin, GivenCopiesAndAssignments_ThenEachIsAnIndependentWholeClip)
{
    TempFolder folder;
    const QByteArray file = pcmWave(ramp(100));
    auto original = std::make_unique<WaveClip>(folder.write("1.wav", file));
    WaveClip copy(*original);
    WaveClip assigned;
    assigned = *original;
    original.reset();

    copy.setFileName(folder.file("copy.wav"));
    assigned.setFileName(folder.file("assigned.wav"));
    ASSERT_TRUE(copy.save());
    ASSERT_TRUE(assigned.save());
    EXPECT_EQ(TempFolder::read(folder.file("copy.wav")), file);
    EXPECT_EQ(TempFolder::read(folder.file("assigned.wav")), file);
    EXPECT_EQ(TempFolder::read(folder.file("1.wav")), file) << "the source file is untouched";
}
