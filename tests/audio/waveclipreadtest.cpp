#include "audio/waveclip.h"
#include "audio/waveerrors.h"
#include "audio/wavefilesink.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

namespace {

// The message of the ClipUnreadable that reading path throws, empty when it reads.
std::string readError(const QString& path)
{
    try {
        WaveClip clip(path);
    } catch (const WaveErrors::ClipUnreadable& error) {
        return error.what();
    }
    return {};
}

// An IMA ADPCM style file: extra count 2, a "fact" chunk, then the data.
QByteArray adpcmWave(const QByteArray& samples, quint32 factSamples)
{
    const QByteArray fmtWithExtra = fmt(0x11, 1, 22050, 4) + le16(2) + le16(505);
    return riff(fmtWithExtra + chunk("fact", le32(factSamples)) + chunk("data", samples));
}

} // namespace

TEST(WaveClipRead, GivenASinkWrittenNarration_ThenTheClipHoldsItsFormatAndSamples)
{
    TempFolder folder;
    const QString path = folder.file("1.wav");
    {
        WaveFileSink sink(path, 22050, 16, 1);
        sink.write(ramp(1000).constData(), 1000);
    }
    const WaveClip clip(path);
    EXPECT_EQ(clip.fileName(), path);
    EXPECT_EQ(clip.formatTag(), 1u);
    EXPECT_EQ(clip.channels(), 1u);
    EXPECT_EQ(clip.samplesPerSecond(), 22050u);
    EXPECT_EQ(clip.bitsPerSample(), 16u);
    EXPECT_EQ(clip.riffSize(), 1036u);
    EXPECT_EQ(clip.dataSize(), 1000u);
    EXPECT_EQ(clip.samples(), ramp(1000));
    EXPECT_EQ(clip.factSize(), WaveClip::noFact);
    EXPECT_EQ(clip.extraCount(), 0u);
}

TEST(WaveClipRead, GivenAFactChunkAndExtraBytes_WhenSavedElsewhere_ThenTheFileIsWrittenBackByteForByte)
{
    TempFolder folder;
    const QByteArray original = adpcmWave(ramp(256), 505);
    WaveClip clip(folder.write("fact.wav", original));
    EXPECT_EQ(clip.factSize(), 4u);
    EXPECT_EQ(clip.factSampleCount(), 505u);
    EXPECT_EQ(clip.extraCount(), 2u);
    EXPECT_EQ(clip.extraBytes(), le16(505));

    clip.setFileName(folder.file("copy.wav"));
    ASSERT_TRUE(clip.save());
    EXPECT_EQ(TempFolder::read(folder.file("copy.wav")), original);
}

TEST(WaveClipRead, GivenAPcmFileWithAFactChunk_ThenFactIsKeptAndNoExtraCountIsWritten)
{
    TempFolder folder;
    const QByteArray original = riff(fmt(1, 1, 22050, 16) + chunk("fact", le32(50)) + chunk("data", ramp(100)));
    WaveClip clip(folder.write("pcmfact.wav", original));
    EXPECT_EQ(clip.factSampleCount(), 50u);
    clip.setFileName(folder.file("out.wav"));
    ASSERT_TRUE(clip.save());
    EXPECT_EQ(TempFolder::read(folder.file("out.wav")), original);
}

TEST(WaveClipRead, GivenFormatTagZero_ThenTheCountIsReadButNotWrittenBack)
{
    TempFolder folder;
    const QByteArray body = fmt(0, 1, 8000, 8) + le16(0) + chunk("data", ramp(10));
    WaveClip clip(folder.write("zero.wav", riff(body)));
    EXPECT_EQ(clip.samples(), ramp(10));
    clip.setFileName(folder.file("out.wav"));
    ASSERT_TRUE(clip.save());
    EXPECT_EQ(TempFolder::read(folder.file("out.wav")), riff(body).remove(36, 2));
}

TEST(WaveClipRead, GivenALongerFileAtTheTarget_WhenSaved_ThenItIsReplacedWhole)
{
    TempFolder folder;
    const QString target = folder.write("podcast.wav", QByteArray(5000, 'z'));
    WaveClip clip(folder.write("1.wav", pcmWave(ramp(10))));
    clip.setFileName(target);
    ASSERT_TRUE(clip.save());
    EXPECT_EQ(TempFolder::read(target), pcmWave(ramp(10)));
}

TEST(WaveClipRead, GivenATargetThatCannotBeWritten_ThenSaveReportsFailure)
{
    TempFolder folder;
    WaveClip clip(folder.write("1.wav", pcmWave(ramp(10))));
    clip.setFileName(folder.file("missing/podcast.wav"));
    EXPECT_FALSE(clip.save());
    // A device that is always full: the failure shows only when the bytes are flushed.
    clip.setFileName(QStringLiteral("/dev/full"));
    EXPECT_FALSE(clip.save());
}

TEST(WaveClipRead, GivenAMissingFile_ThenReadingNamesIt)
{
    TempFolder folder;
    const QString path = folder.file("3.wav");
    EXPECT_EQ(readError(path), "cannot open " + path.toStdString());
}

TEST(WaveClipRead, GivenFilesThatEndInsideTheirHeaders_ThenReadingSaysSo)
{
    TempFolder folder;
    const QByteArray full = adpcmWave(ramp(20), 40);
    // Cut inside RIFF, fmt, extra count, fact id, fact fields, data id and data size in turn.
    for (int length : {0, 10, 30, 37, 42, 44, 50, 54, 58}) {
        const QString path = folder.write(QStringLiteral("cut%1.wav").arg(length), full.left(length));
        EXPECT_EQ(readError(path), path.toStdString() + " ends inside its wave header") << length;
    }
}

TEST(WaveClipRead, GivenAFileShorterThanItsDataSize_ThenReadingTellsWhatIsMissing)
{
    TempFolder folder;
    const QString path = folder.write("3.wav", pcmWave(ramp(44100)).left(44 + 100));
    EXPECT_EQ(readError(path), path.toStdString() + " ends before its data (expected 44100 sample bytes, found 100)");
}

TEST(WaveClipRead, GivenAbsurdSizes_ThenReadingThrowsInsteadOfAllocating)
{
    TempFolder folder;
    QByteArray hugeData = pcmWave(ramp(16));
    hugeData.replace(40, 4, le32(0xFFFFFFF0));
    const QString dataPath = folder.write("huge.wav", hugeData);
    EXPECT_EQ(readError(dataPath),
              dataPath.toStdString() + " ends before its data (expected 4294967280 sample bytes, found 16)");

    const QByteArray hugeExtra = riff(fmt(2, 1, 22050, 4) + le16(0xFFFF) + chunk("data", ramp(16)));
    const QString extraPath = folder.write("extra.wav", hugeExtra);
    EXPECT_EQ(readError(extraPath),
              extraPath.toStdString() + " ends before its extra format bytes (expected 65535 bytes, found 24)");
}

TEST(WaveClipRead, GivenAPercentSignInThePath_ThenTheMessageKeepsThePathAsItIs)
{
    TempFolder folder;
    const QString path = folder.write("100%2 %1.wav", pcmWave(ramp(50)).left(60));
    EXPECT_EQ(readError(path), path.toStdString() + " ends before its data (expected 50 sample bytes, found 16)");
}
