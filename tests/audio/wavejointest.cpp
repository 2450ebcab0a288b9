#include "audio/wavejoin.h"
#include "audio/waveclip.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace wavebytes;

namespace {

QByteArray withAverageRate(QByteArray wave, quint32 averageBytesPerSecond)
{
    const QByteArray field = le32(averageBytesPerSecond);
    wave.replace(28, 4, field);
    return wave;
}

} // namespace

TEST(WaveJoin, GivenOneNarration_WhenJoined_ThenTheOutputIsAByteForByteCopy)
{
    TempFolder folder;
    const QByteArray wave = pcmWave(ramp(44100 * 2, 3));
    const QString in = folder.write("1.wav", wave);

    const WaveJoinResult result = joinNarrationWaves({in}, folder.file("out.wav"));

    ASSERT_TRUE(result.ok()) << waveJoinErrorText(result).toStdString();
    EXPECT_EQ(result.dataSize, 44100 * 2);
    EXPECT_EQ(TempFolder::read(folder.file("out.wav")), wave);
}

TEST(WaveJoin, GivenSeveralNarrations_WhenJoined_ThenTheBytesEqualJoiningTheirClipsOneByOne)
{
    TempFolder folder;
    // Different lengths and seeds; the last file's header carries an unusual average rate,
    // which shows whose header the joined file takes.
    const QStringList inputs = {
        folder.write("1.wav", pcmWave(ramp(30000, 1))),
        folder.write("2.wav", pcmWave(ramp(2, 2))),
        folder.write("3.wav", pcmWave(ramp(44101, 3))),
        folder.write("4.wav", withAverageRate(pcmWave(ramp(7000, 4)), 12345)),
    };
    WaveClip chained(inputs[0]);
    for (int i = 1; i < inputs.size(); ++i)
        chained = chained.concatenate(WaveClip(inputs[i]));
    chained.setFileName(folder.file("chained.wav"));
    ASSERT_TRUE(chained.save());

    const WaveJoinResult result = joinNarrationWaves(inputs, folder.file("joined.wav"));

    ASSERT_TRUE(result.ok()) << waveJoinErrorText(result).toStdString();
    const QByteArray joined = TempFolder::read(folder.file("joined.wav"));
    EXPECT_EQ(joined, TempFolder::read(folder.file("chained.wav")));
    EXPECT_EQ(field32(joined, 28), 12345u);
    EXPECT_EQ(joined.mid(44), ramp(30000, 1) + ramp(2, 2) + ramp(44101, 3) + ramp(7000, 4));
}

TEST(WaveJoin, GivenANarrationWithAListChunkBeforeItsSamples_WhenJoined_ThenOnlyItsSamplesAreTaken)
{
    TempFolder folder;
    const QString tagged = folder.write(
        "1.wav", riff(fmt(1, 1, 22050, 16) + chunk("LIST", "INFOsome words") + chunk("data", ramp(900, 1))));
    const QString plain = folder.write("2.wav", pcmWave(ramp(100, 2)));

    ASSERT_TRUE(joinNarrationWaves({tagged, plain}, folder.file("out.wav")).ok());

    EXPECT_EQ(TempFolder::read(folder.file("out.wav")), pcmWave(ramp(900, 1) + ramp(100, 2)));
}

TEST(WaveJoin, GivenABadNarration_WhenJoined_ThenTheErrorNamesItAndNothingIsWritten)
{
    TempFolder folder;
    const QString good = folder.write("1.wav", pcmWave(ramp(4000, 1)));
    struct Case
    {
        QString bad;
        WaveJoinError error;
        QString text;
    };
    const QString missing = folder.file("7.wav");
    const QString noise = folder.write("noise.wav", "RIFF, but nothing else that a wave needs");
    const QString cd = folder.write("cd.wav", pcmWave(ramp(4000, 2), 44100, 16, 2));
    const std::vector<Case> cases = {
        {missing, WaveJoinError::InputMissing, "Segment 3 has no recorded narration (" + missing + " is missing)."},
        {noise, WaveJoinError::InputUnreadable,
         "Segment 3's narration cannot be read (" + noise + " is not a readable wave file)."},
        {cd, WaveJoinError::InputFormat,
         "Segment 3's narration is not in the recording format of PCM, 22050 Hz, 16-bit, mono (" + cd + ")."},
    };
    for (const Case& c : cases) {
        const WaveJoinResult result = joinNarrationWaves({good, good, c.bad, good}, folder.file("out.wav"));
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.index, 2);
        EXPECT_EQ(waveJoinErrorText(result), c.text);
        EXPECT_FALSE(QFile::exists(folder.file("out.wav")));
    }
    EXPECT_EQ(waveJoinErrorText(joinNarrationWaves({good, missing}, folder.file("out.wav")), "Input"),
              "Input 2 has no recorded narration (" + missing + " is missing).");
    EXPECT_EQ(joinNarrationWaves({}, folder.file("out.wav")).error, WaveJoinError::NoInputs);
}

TEST(WaveJoin, GivenAnEarlierOutput_WhenAJoinIsCancelledOrFails_ThenTheEarlierFileIsUntouchedAndNoTempRemains)
{
    TempFolder folder;
    const QString in = folder.write("1.wav", pcmWave(ramp(4000, 1)));
    const QString out = folder.write("out.wav", "earlier");
    const std::atomic<bool> cancel{true};

    EXPECT_EQ(joinNarrationWaves({in, in}, out, &cancel).error, WaveJoinError::Cancelled);
    EXPECT_EQ(joinNarrationWaves({in, folder.file("gone.wav")}, out).error, WaveJoinError::InputMissing);

    EXPECT_EQ(TempFolder::read(out), "earlier");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"1.wav", "out.wav"}));
}
