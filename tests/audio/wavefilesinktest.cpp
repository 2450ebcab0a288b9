#include "audio/wavefilesink.h"
#include "audio/waveerrors.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

namespace {

void writeAll(WaveStream& stream, const QByteArray& bytes)
{
    stream.write(bytes.constData(), static_cast<quint32>(bytes.size()));
}

} // namespace

TEST(WaveFileSink, GivenNoSamples_WhenClosed_ThenFileIsTheBare44ByteHeader)
{
    TempFolder folder;
    const QString path = folder.file("0.wav");
    WaveFileSink sink(path, 22050, 16, 1);
    sink.close();

    const QByteArray expected = "RIFF" + le32(36) + "WAVE" + "fmt " + le32(16) + le16(1) + le16(1) + le32(22050) +
                                le32(44100) + le16(2) + le16(16) + "data" + le32(0);
    EXPECT_EQ(TempFolder::read(path), expected);
}

TEST(WaveFileSink, GivenARecordingUnderWay_ThenTheFileOnDiskIsAWaveWhoseSizesFollowEverySecondOfSamples)
{
    // A process killed mid-recording leaves what the disk holds: it must read as a wave
    // whose sizes cover every whole second written so far.
    TempFolder folder;
    const QString path = folder.file("2.wav");
    const QByteArray samples = ramp(44100 * 2 + 22050);
    WaveFileSink sink(path, 22050, 16, 1);
    const auto writtenOnDisk = [&] { return TempFolder::read(path); };
    EXPECT_EQ(writtenOnDisk(), pcmWave({})) << "a valid empty wave before the first sample";

    for (int at = 0; at < 44100 - 4410; at += 4410)
        writeAll(sink, samples.mid(at, 4410));
    EXPECT_EQ(field32(writtenOnDisk(), 40), 0u) << "under a second: not patched yet";

    for (int at = 44100 - 4410; at < samples.size(); at += 4410)
        writeAll(sink, samples.mid(at, 4410));
    const QByteArray midway = writtenOnDisk();
    EXPECT_EQ(field32(midway, 40), 88200u) << "two whole seconds are declared";
    EXPECT_EQ(field32(midway, 4), 36u + 88200u);
    EXPECT_GE(midway.size(), 44 + 88200);
    EXPECT_EQ(midway.mid(44, 88200), samples.left(88200));
    EXPECT_EQ(sink.byteCount(), quint32(samples.size()));

    sink.close();
    EXPECT_EQ(writtenOnDisk(), pcmWave(samples));
}

TEST(WaveFileSink, GivenAByteLimit_ThenSamplesPastItAreDroppedOnWholeFrames)
{
    TempFolder folder;
    const QString path = folder.file("limit.wav");
    WaveFileSink sink(path, 22050, 16, 1);
    sink.setByteLimit(1001); // rounds down to 500 frames
    const QByteArray samples = ramp(2000);
    writeAll(sink, samples.left(600));
    writeAll(sink, samples.mid(600));
    writeAll(sink, samples);
    EXPECT_EQ(sink.byteCount(), 1000u);
    sink.close();
    EXPECT_EQ(TempFolder::read(path), pcmWave(samples.left(1000)));
}

TEST(WaveFileSink, GivenASinkDestroyedWithoutClose_ThenItsFileIsStillConsistent)
{
    TempFolder folder;
    const QString path = folder.file("3.wav");
    {
        WaveFileSink sink(path, 22050, 16, 1);
        writeAll(sink, ramp(300));
    }
    EXPECT_EQ(TempFolder::read(path), pcmWave(ramp(300)));
}

TEST(WaveFileSink, GivenAClosedSink_WhenClosedAgainOrWrittenTo_ThenTheFileStaysAsItWas)
{
    TempFolder folder;
    const QString path = folder.file("4.wav");
    WaveFileSink sink(path, 22050, 16, 1);
    writeAll(sink, ramp(100));
    sink.close();
    const QByteArray closed = TempFolder::read(path);

    writeAll(sink, ramp(50));
    sink.close();

    EXPECT_EQ(TempFolder::read(path), closed);
    EXPECT_EQ(field32(closed, 4), 136u) << "sizes patched exactly once";
}

TEST(WaveFileSink, GivenWrittenSamples_WhenRewoundToZero_ThenTheFileStartsAgainEmpty)
{
    TempFolder folder;
    const QString path = folder.file("5.wav");
    WaveFileSink sink(path, 22050, 16, 1);
    writeAll(sink, ramp(1000));

    EXPECT_FALSE(sink.seek(0, true));
    EXPECT_EQ(TempFolder::read(path).size(), 44) << "truncated to the header at once";
    writeAll(sink, ramp(10, 1));
    sink.close();

    EXPECT_EQ(TempFolder::read(path), pcmWave(ramp(10, 1)));
}

TEST(WaveFileSink, GivenAnyOtherSeek_ThenNothingChangesAndSeekReportsFalse)
{
    TempFolder folder;
    const QString path = folder.file("6.wav");
    WaveFileSink sink(path, 22050, 16, 1);
    writeAll(sink, ramp(100));

    EXPECT_FALSE(sink.seek(5, true));
    EXPECT_FALSE(sink.seek(0, false));
    EXPECT_FALSE(sink.seek(-1, true));
    sink.close();
    EXPECT_FALSE(sink.seek(0, true)) << "closed sink";

    EXPECT_EQ(TempFolder::read(path), pcmWave(ramp(100)));
}

TEST(WaveFileSink, GivenAStereo8BitSink_ThenFormatAndDerivedFieldsFollowTheArgumentsAndReadsDeliverNothing)
{
    TempFolder folder;
    const QString path = folder.file("7.wav");
    WaveFileSink sink(path, 44100, 8, 2);
    EXPECT_EQ(formatOf(sink), std::tuple(44100u, quint16(8), quint16(2)));
    char buffer[8];
    quint32 length = sizeof buffer;
    sink.read(buffer, length);
    EXPECT_EQ(length, 0u) << "a sink delivers nothing";
    sink.close();
    EXPECT_EQ(TempFolder::read(path), pcmWave({}, 44100, 8, 2)) << "average rate 88200, block align 2";
}

TEST(WaveFileSink, GivenAPathWithNonAsciiCharacters_ThenTheFileIsCreatedUnderThatName)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("Erzählung ☂.wav"));
    WaveFileSink(path, 22050, 16, 1).close();
    EXPECT_EQ(TempFolder::read(path).size(), 44);
}

TEST(WaveFileSink, GivenAFolderThatDoesNotExist_ThenConstructionThrowsFileOperation)
{
    TempFolder folder;
    EXPECT_THROW(WaveFileSink(folder.file("missing/8.wav"), 22050, 16, 1), WaveErrors::FileOperation);
}
