#include "audio/waveinfo.h"
#include "audio/wavefilesink.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

TEST(WaveInfo, GivenARecordedNarration_ThenItsHeadersAndSampleOffsetAreReported)
{
    TempFolder folder;
    const QString path = folder.file("1.wav");
    {
        WaveFileSink sink(path, 22050, 16, 1);
        sink.write(ramp(88200).constData(), 88200);
    }
    const std::optional<WaveFileInfo> info = probeWaveFile(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->formatTag, 1u);
    EXPECT_EQ(info->channels, 1u);
    EXPECT_EQ(info->samplesPerSecond, 22050u);
    EXPECT_EQ(info->bitsPerSample, 16u);
    EXPECT_EQ(info->dataSize, 88200u);
    EXPECT_EQ(info->dataOffset, 44);
    EXPECT_TRUE(isNarrationFormat(*info));
    EXPECT_EQ(narrationSeconds(info->dataSize), 2);
}

TEST(WaveInfo, GivenAListChunkBeforeData_ThenTheOffsetPointsPastIt)
{
    TempFolder folder;
    const QByteArray list = chunk("LIST", QByteArray(26, 'i'));
    const std::optional<WaveFileInfo> info =
        probeWaveFile(folder.write("l.wav", riff(fmt(1, 1, 22050, 16) + list + chunk("data", ramp(10)))));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->dataOffset, 36 + 34 + 8);
    EXPECT_EQ(info->dataSize, 10u);
}

TEST(WaveInfo, GivenOtherFormats_ThenTheyAreNotNarrations)
{
    EXPECT_TRUE(isNarrationFormat({1, 1, 22050, 16, 0, 44}));
    for (const WaveFileInfo& other : {WaveFileInfo{2, 1, 22050, 16, 0, 44}, WaveFileInfo{1, 2, 22050, 16, 0, 44},
                                      WaveFileInfo{1, 1, 44100, 16, 0, 44}, WaveFileInfo{1, 1, 22050, 8, 0, 44}})
        EXPECT_FALSE(isNarrationFormat(other)) << other.formatTag << other.channels << other.samplesPerSecond;
}

TEST(WaveInfo, GivenDataSizes_ThenSecondsAreRoundedUp)
{
    EXPECT_EQ(narrationSeconds(0), 0);
    EXPECT_EQ(narrationSeconds(1), 1);
    EXPECT_EQ(narrationSeconds(44100), 1);
    EXPECT_EQ(narrationSeconds(44101), 2);
    EXPECT_EQ(narrationSeconds(60 * 44100), 60);
    EXPECT_EQ(narrationSeconds(0xFFFFFFFF), 97392);
}

TEST(WaveInfo, GivenMalformedFiles_ThenProbingFindsNothing)
{
    TempFolder folder;
    const QByteArray good = pcmWave(ramp(1000));
    QByteArray absurd = good;
    absurd.replace(40, 4, le32(0xFFFFFFF0));
    QByteArray notRiff = good;
    notRiff.replace(0, 4, "RIFX");

    EXPECT_FALSE(probeWaveFile(folder.file("missing.wav")));
    EXPECT_FALSE(probeWaveFile(folder.write("empty.wav", {})));
    EXPECT_FALSE(probeWaveFile(folder.write("header.wav", good.left(30))));
    EXPECT_FALSE(probeWaveFile(folder.write("size.wav", good.left(42))));
    EXPECT_FALSE(probeWaveFile(folder.write("data.wav", good.left(44 + 999))));
    EXPECT_FALSE(probeWaveFile(folder.write("absurd.wav", absurd)));
    EXPECT_FALSE(probeWaveFile(folder.write("riff.wav", notRiff)));
    EXPECT_FALSE(probeWaveFile(folder.path()));
    EXPECT_TRUE(probeWaveFile(folder.write("good.wav", good)));
}
