#include "audio/wavememorysource.h"
#include "audio/playtest.h"
#include "audio/waveerrors.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

TEST(WaveMemorySource, GivenAWave_ThenItReportsTheFormatAndDeliversEverySampleAndSeeks)
{
    const QByteArray samples = ramp(5000);
    WaveMemorySource source(pcmWave(samples, 11025, 8, 2));
    EXPECT_EQ(formatOf(source), std::tuple(11025u, quint16(8), quint16(2)));
    EXPECT_EQ(readRest(source), samples);

    EXPECT_TRUE(source.seek(100, true));
    EXPECT_EQ(readRest(source), samples.mid(100));
    EXPECT_TRUE(source.seek(-300, false));
    EXPECT_EQ(readRest(source), samples.right(300));
    EXPECT_TRUE(source.seek(-1, true)) << "a negative absolute offset means the end";
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_TRUE(source.seek(99999, true));
    EXPECT_EQ(source.remaining(), 0u) << "clamped to the samples";
    ASSERT_TRUE(source.seek(0, true));
    source.close();
    EXPECT_FALSE(source.seek(0, true));
    EXPECT_TRUE(readRest(source).isEmpty());
}

TEST(WaveMemorySource, GivenDataBehindAnotherChunkOrShorterThanClaimed_ThenOnlyTheRealSamplesAreDelivered)
{
    const QByteArray samples = ramp(600);
    const QByteArray withList = riff(fmt(1, 1, 22050, 16) + chunk("LIST", "INFOsome") + chunk("data", samples));
    WaveMemorySource listed(withList);
    EXPECT_EQ(readRest(listed), samples);

    QByteArray truncated = pcmWave(samples);
    truncated.chop(100);
    WaveMemorySource shortSource(truncated);
    EXPECT_EQ(readRest(shortSource), samples.left(500));
}

TEST(WaveMemorySource, GivenBrokenHeaders_ThenEachCheckThrowsItsError)
{
    QByteArray good = pcmWave(ramp(10));
    QByteArray notRiff = good;
    notRiff[0] = 'X';
    QByteArray notWave = good;
    notWave[8] = 'X';
    QByteArray notFmt = good;
    notFmt[12] = 'X';
    const QByteArray noData = riff(fmt(1, 1, 22050, 16) + chunk("LIST", "nothing here"));
    EXPECT_THROW(WaveMemorySource{QByteArray()}, WaveErrors::RiffDoesntMatch);
    EXPECT_THROW(WaveMemorySource{notRiff}, WaveErrors::RiffDoesntMatch);
    EXPECT_THROW(WaveMemorySource{notWave}, WaveErrors::WaveDoesntMatch);
    EXPECT_THROW(WaveMemorySource{notFmt}, WaveErrors::FmtDoesntMatch);
    EXPECT_THROW(WaveMemorySource{noData}, WaveErrors::DataDoesntMatch);
    EXPECT_THROW(WaveMemorySource{good.left(40)}, WaveErrors::DataDoesntMatch);
}

TEST(PlaytestSample, GivenTheEmbeddedSample_ThenItIsA22050HzMonoWaveOf127890SampleBytesWithSound)
{
    const QByteArray wav = playtestSample();
    ASSERT_EQ(wav.size(), 44 + 127890);
    EXPECT_EQ(wav.left(44), pcmWave(QByteArray(127890, '\0')).left(44));
    int loud = 0;
    for (int i = 44; i + 1 < wav.size(); i += 2)
        loud += std::abs(qint16(field16(wav, i))) > 3000;
    EXPECT_GT(loud, 2000) << "a spoken sentence, not silence";
}
