#include "audio/wavememorysource.h"
#include "audio/playtest.h"
#include "audio/waveerrors.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

namespace {

QByteArray readAll(WaveStream& stream)
{
    QByteArray all;
    QByteArray piece(1000, '\0');
    for (;;) {
        quint32 length = 1000;
        stream.read(piece.data(), length);
        if (length == 0)
            return all;
        all += piece.left(length);
    }
}

} // namespace

TEST(WaveMemorySource, GivenAWave_ThenItReportsTheFormatAndDeliversEverySampleAndSeeks)
{
    const QByteArray samples = ramp(5000);
    WaveMemorySource source(pcmWave(samples, 11025, 8, 2));
    quint32 rate = 0;
    quint16 bits = 0;
    quint16 channels = 0;
    source.getFormat(rate, bits, channels);
    EXPECT_EQ(rate, 11025u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(readAll(source), samples);

    EXPECT_TRUE(source.seek(100, true));
    EXPECT_EQ(readAll(source), samples.mid(100));
    EXPECT_TRUE(source.seek(-300, false));
    EXPECT_EQ(readAll(source), samples.right(300));
    EXPECT_TRUE(source.seek(-1, true)) << "a negative absolute offset means the end";
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_TRUE(source.seek(99999, true));
    EXPECT_EQ(source.remaining(), 0u) << "clamped to the samples";
    source.close();
    EXPECT_FALSE(source.seek(0, true));
    EXPECT_TRUE(readAll(source).isEmpty());
}

TEST(WaveMemorySource, GivenDataBehindAnotherChunkOrShorterThanClaimed_ThenOnlyTheRealSamplesAreDelivered)
{
    const QByteArray samples = ramp(600);
    const QByteArray withList = riff(fmt(1, 1, 22050, 16) + chunk("LIST", "INFOsome") + chunk("data", samples));
    WaveMemorySource listed(withList);
    EXPECT_EQ(readAll(listed), samples);

    QByteArray truncated = pcmWave(samples);
    truncated.chop(100);
    WaveMemorySource shortSource(truncated);
    EXPECT_EQ(readAll(shortSource), samples.left(500));
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
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(field32(wav, 4), 36u + 127890u);
    EXPECT_EQ(wav.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(wav.mid(12, 24), fmt(1, 1, 22050, 16));
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(field32(wav, 40), 127890u);
    WaveMemorySource source(wav);
    const QByteArray samples = readAll(source);
    ASSERT_EQ(samples.size(), 127890);
    int loud = 0;
    for (qsizetype i = 0; i < samples.size(); i += 2)
        loud += std::abs(qint16(field16(samples, int(i)))) > 3000;
    EXPECT_GT(loud, 2000) << "a spoken sentence, not silence";
}
