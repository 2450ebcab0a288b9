#include "audio/waverepair.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

TEST(RepairRecordedWave, GivenSamplesPastTheDeclaredSizes_ThenTheSizesCoverEveryWholeFrame)
{
    TempFolder folder;
    QByteArray wav = pcmWave(ramp(1000));
    // As a killed recording leaves it: sizes of an empty wave, 1000 bytes and a torn frame after.
    wav.replace(4, 4, le32(36));
    wav.replace(40, 4, le32(0));
    wav += 'x';
    const QString path = folder.write("cut.wav", wav);

    EXPECT_EQ(repairRecordedWave(path), 1000u);
    EXPECT_EQ(TempFolder::read(path), pcmWave(ramp(1000)));
    // A whole file stays as it is.
    EXPECT_EQ(repairRecordedWave(path), 1000u);
    EXPECT_EQ(TempFolder::read(path), pcmWave(ramp(1000)));
}

TEST(RepairRecordedWave, GivenFilesThatAreNotRecordingsOfOurs_ThenTheyAreLeftAlone)
{
    TempFolder folder;
    const QByteArray text = "not a wave at all, but long enough to hold a header of forty-four bytes";
    const QString notWave = folder.write("text.wav", text);
    EXPECT_FALSE(repairRecordedWave(notWave).has_value());
    EXPECT_EQ(TempFolder::read(notWave), text);

    QByteArray compressed = pcmWave(ramp(100));
    compressed.replace(20, 2, le16(85)); // MP3 in a RIFF wrapper
    const QString other = folder.write("mp3.wav", compressed);
    EXPECT_FALSE(repairRecordedWave(other).has_value());
    EXPECT_EQ(TempFolder::read(other), compressed);

    EXPECT_FALSE(repairRecordedWave(folder.file("missing.wav")).has_value());
    const QString shortFile = folder.write("short.wav", "RIFF");
    EXPECT_FALSE(repairRecordedWave(shortFile).has_value());
}
