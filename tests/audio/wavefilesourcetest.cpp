#include "audio/wavefilesource.h"
#include "audio/waveerrors.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

namespace {

// Everything the source still delivers, in pieces of the given size.
QByteArray readRest(WaveStream& stream, quint32 piece = 4410)
{
    QByteArray all;
    QByteArray buffer(piece, '\0');
    for (;;) {
        quint32 length = piece;
        stream.read(buffer.data(), length);
        if (length == 0)
            return all;
        all += buffer.left(length);
    }
}

QByteArray readSome(WaveStream& stream, quint32 count)
{
    QByteArray buffer(count, '\0');
    stream.read(buffer.data(), count);
    return buffer.left(count);
}

} // namespace

TEST(WaveFileSource, GivenASinkWrittenFile_ThenItReportsTheFormatAndDeliversEverySample)
{
    TempFolder folder;
    const QByteArray samples = ramp(10000);
    WaveFileSource source(folder.write("a.wav", pcmWave(samples, 22050, 16, 1)));

    quint32 rate = 0;
    quint16 bits = 0;
    quint16 channels = 0;
    source.getFormat(rate, bits, channels);
    EXPECT_EQ(rate, 22050u);
    EXPECT_EQ(bits, 16u);
    EXPECT_EQ(channels, 1u);
    EXPECT_EQ(source.formatTag(), 1u);
    EXPECT_EQ(source.dataSize(), 10000u);
    EXPECT_EQ(source.dataStart(), 44);
    EXPECT_EQ(readRest(source, 4096), samples);
}

TEST(WaveFileSource, GivenAListChunkBeforeData_ThenTheByteSearchFindsDataAndItsSize)
{
    TempFolder folder;
    const QByteArray list = chunk("LIST", "INFOISFT" + le32(9) + QByteArray("recorder\0", 9) + '\0');
    const QByteArray samples = ramp(777);
    const QByteArray file = riff(fmt(1, 1, 22050, 16) + list + chunk("data", samples));
    WaveFileSource source(folder.write("list.wav", file));

    EXPECT_EQ(source.dataSize(), 777u);
    EXPECT_EQ(source.dataStart(), 36 + list.size() + 8);
    EXPECT_EQ(readRest(source), samples);
}

TEST(WaveFileSource, GivenABrokenPartialMatch_ThenTheBreakingByteIsNotTestedAsANewStart)
{
    TempFolder folder;
    // "ddata" inside the LIST payload: the second 'd' breaks the first match and is consumed,
    // so the search goes on to the real data chunk instead of taking the fake size.
    const QByteArray list = chunk("LIST", "ddata" + le32(3) + "xyz");
    const QByteArray file = riff(fmt(1, 1, 22050, 16) + list + chunk("data", ramp(20)));
    WaveFileSource source(folder.write("ddata.wav", file));
    EXPECT_EQ(source.dataSize(), 20u);
    EXPECT_EQ(readRest(source), ramp(20));
}

TEST(WaveFileSource, GivenMalformedFiles_ThenTheFourHeaderChecksThrowInOrder)
{
    TempFolder folder;
    const QByteArray good = pcmWave(ramp(8));
    auto broken = [&](int at, const char* id) {
        QByteArray bytes = good;
        bytes.replace(at, 4, id);
        return bytes;
    };
    // Each file also breaks every later check, so the order of the checks shows.
    QByteArray allWrong = broken(0, "RIFX");
    allWrong = allWrong.left(12).replace(8, 4, "WAVX") + "fmt?" + QByteArray(40, 'x');
    QByteArray waveWrong = broken(8, "AVI ");
    waveWrong.replace(12, 4, "fmt?");
    const QByteArray fmtWrong = riff("fmt?" + QByteArray(20, 'x'));
    const QByteArray noData = riff(fmt(1, 1, 22050, 16) + chunk("LIST", ramp(40)));

    EXPECT_THROW(WaveFileSource(folder.write("r.wav", allWrong)), WaveErrors::RiffDoesntMatch);
    EXPECT_THROW(WaveFileSource(folder.write("w.wav", waveWrong)), WaveErrors::WaveDoesntMatch);
    EXPECT_THROW(WaveFileSource(folder.write("f.wav", fmtWrong)), WaveErrors::FmtDoesntMatch);
    EXPECT_THROW(WaveFileSource(folder.write("d.wav", noData)), WaveErrors::DataDoesntMatch);
    EXPECT_THROW(WaveFileSource(folder.write("empty.wav", {})), WaveErrors::RiffDoesntMatch);
    EXPECT_THROW(WaveFileSource(folder.write("cut.wav", good.left(40))), WaveErrors::DataDoesntMatch)
        << "\"data\" without its size";
    EXPECT_THROW(WaveFileSource(folder.file("missing.wav")), WaveErrors::FileOperation);
}

TEST(WaveFileSource, GivenAFileShorterThanItsDataSize_ThenReadDeliversOnlyWhatIsThere)
{
    TempFolder folder;
    const QByteArray file = pcmWave(ramp(1000)).left(44 + 300);
    WaveFileSource source(folder.write("short.wav", file));
    EXPECT_EQ(source.dataSize(), 1000u);
    EXPECT_EQ(readRest(source, 128), ramp(300));
}

TEST(WaveFileSource, GivenAbsoluteSeeks_ThenOffsetsAreClampedToTheSamples)
{
    TempFolder folder;
    const QByteArray samples = ramp(1000);
    WaveFileSource source(folder.write("s.wav", pcmWave(samples)));
    readSome(source, 600);

    EXPECT_TRUE(source.seek(10, true));
    EXPECT_EQ(source.remaining(), 990u);
    EXPECT_EQ(readSome(source, 5), samples.mid(10, 5));

    EXPECT_TRUE(source.seek(5000, true));
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_EQ(readRest(source), QByteArray());

    EXPECT_TRUE(source.seek(0, true));
    EXPECT_TRUE(source.seek(-1, true)) << "negative means the end";
    EXPECT_EQ(source.remaining(), 0u);

    EXPECT_TRUE(source.seek(0, true));
    EXPECT_EQ(readRest(source), samples);
}

TEST(WaveFileSource, GivenRelativeSeeks_ThenTheyStopAtTheStartAndTheEndOfTheSamples)
{
    TempFolder folder;
    const QByteArray samples = ramp(1000);
    WaveFileSource source(folder.write("r.wav", pcmWave(samples)));
    readSome(source, 100);

    EXPECT_TRUE(source.seek(50, false));
    EXPECT_EQ(readSome(source, 4), samples.mid(150, 4));
    EXPECT_TRUE(source.seek(-20, false));
    EXPECT_EQ(readSome(source, 4), samples.mid(134, 4));

    EXPECT_TRUE(source.seek(-100000, false));
    EXPECT_EQ(source.remaining(), 1000u);
    EXPECT_EQ(readSome(source, 4), samples.left(4));

    EXPECT_TRUE(source.seek(100000, false));
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_EQ(readRest(source), QByteArray());
}

TEST(WaveFileSource, GivenAClosedSource_ThenSeekFailsAndReadDeliversNothing)
{
    TempFolder folder;
    WaveFileSource source(folder.write("c.wav", pcmWave(ramp(100))));
    source.close();
    source.close();
    EXPECT_FALSE(source.seek(0, true));
    EXPECT_EQ(readRest(source), QByteArray());
}
