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

TEST(WaveClipRead, GivenFactChunksAndExtraBytes_WhenSavedOverALongerFile_ThenTheTargetHoldsTheWaveWrittenBack)
{
    TempFolder folder;
    const QByteArray adpcm = adpcmWave(ramp(256), 505);
    const QByteArray pcmFact = riff(fmt(1, 1, 22050, 16) + chunk("fact", le32(50)) + chunk("data", ramp(100)));
    const QByteArray tagZero = riff(fmt(0, 1, 8000, 8) + le16(0) + chunk("data", ramp(10)));
    const std::pair<QByteArray, QByteArray> cases[] = {
        {adpcm, adpcm},
        {pcmFact, pcmFact},                           // the fact is kept, no extra count is written
        {tagZero, QByteArray(tagZero).remove(36, 2)}, // format tag 0: the count is read, not written back
        {pcmWave(ramp(10)), pcmWave(ramp(10))},
    };
    for (const auto& [original, saved] : cases) {
        WaveClip clip(folder.write("in.wav", original));
        const QString target = folder.write("podcast.wav", QByteArray(5000, 'z'));
        clip.setFileName(target);
        ASSERT_TRUE(clip.save());
        EXPECT_EQ(TempFolder::read(target), saved) << original.left(40).toHex().toStdString();
    }
    const WaveClip clip(folder.write("adpcm.wav", adpcm));
    EXPECT_EQ(clip.factSize(), 4u);
    EXPECT_EQ(clip.factSampleCount(), 505u);
    EXPECT_EQ(clip.extraBytes(), le16(505));
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

TEST(WaveClipRead, GivenMissingCutOrAbsurdFiles_WhenRead_ThenTheErrorNamesTheFileAsItIsAndWhatIsMissing)
{
    TempFolder folder;
    QByteArray hugeData = pcmWave(ramp(16));
    hugeData.replace(40, 4, le32(0xFFFFFFF0));
    struct Case
    {
        QString name;
        QByteArray bytes;
        QString error; // %1: the path
    };
    std::vector<Case> cases = {
        {"3.wav", pcmWave(ramp(44100)).left(44 + 100),
         "%1 ends before its data (expected 44100 sample bytes, found 100)"},
        // Absurd sizes throw instead of allocating.
        {"huge.wav", hugeData, "%1 ends before its data (expected 4294967280 sample bytes, found 16)"},
        {"extra.wav", riff(fmt(2, 1, 22050, 4) + le16(0xFFFF) + chunk("data", ramp(16))),
         "%1 ends before its extra format bytes (expected 65535 bytes, found 24)"},
        {"100%2 %1.wav", pcmWave(ramp(50)).left(60), "%1 ends before its data (expected 50 sample bytes, found 16)"},
    };
    // Cut inside RIFF, fmt, extra count, fact id, fact fields, data id and data size in turn.
    for (int length : {0, 10, 30, 37, 42, 44, 50, 54, 58})
        cases.push_back({QStringLiteral("cut%1.wav").arg(length), adpcmWave(ramp(20), 40).left(length),
                         "%1 ends inside its wave header"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString path = folder.write(c.name, c.bytes);
        EXPECT_EQ(readError(path), c.error.arg(path).toStdString());
    }
    const QString missing = folder.file("missing.wav");
    EXPECT_EQ(readError(missing), "cannot open " + missing.toStdString());
}
