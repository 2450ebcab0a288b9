#include "audio/wavefilesource.h"
#include "audio/waveerrors.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

using namespace wavebytes;

namespace {

QByteArray readSome(WaveStream& stream, quint32 count)
{
    QByteArray buffer(count, '\0');
    stream.read(buffer.data(), count);
    return buffer.left(count);
}

} // namespace

TEST(WaveFileSource, GivenWavesWithOtherChunksOrMissingSamples_ThenTheDataChunkIsFoundAndItsRealSamplesDelivered)
{
    TempFolder folder;
    const QByteArray list = chunk("LIST", "INFOISFT" + le32(9) + QByteArray("recorder\0", 9) + '\0');
    // "ddata" inside the LIST payload: the second 'd' breaks the first match and is consumed,
    // so the search goes on to the real data chunk instead of taking the fake size.
    const QByteArray ddata = chunk("LIST", "ddata" + le32(3) + "xyz");
    struct Case
    {
        const char* what;
        QByteArray file;
        quint32 dataSize;
        qint64 dataStart;
        QByteArray samples;
    };
    const Case cases[] = {
        {"plain", pcmWave(ramp(10000)), 10000, 44, ramp(10000)},
        {"LIST", riff(fmt(1, 1, 22050, 16) + list + chunk("data", ramp(777))), 777, 36 + list.size() + 8, ramp(777)},
        {"ddata", riff(fmt(1, 1, 22050, 16) + ddata + chunk("data", ramp(20))), 20, 36 + ddata.size() + 8, ramp(20)},
        {"shorter than its data size", pcmWave(ramp(1000)).left(44 + 300), 1000, 44, ramp(300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WaveFileSource source(folder.write("a.wav", c.file));
        EXPECT_EQ(formatOf(source), std::tuple(22050u, quint16(16), quint16(1)));
        EXPECT_EQ(source.formatTag(), 1u);
        EXPECT_EQ(source.dataSize(), c.dataSize);
        EXPECT_EQ(source.dataStart(), c.dataStart);
        EXPECT_EQ(readRest(source, 128), c.samples);
    }
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

TEST(WaveFileSource, GivenSeeks_ThenOffsetsAreClampedToTheSamplesUntilTheSourceIsClosed)
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

    // Relative seeks stop at the start and the end of the samples.
    EXPECT_TRUE(source.seek(100, true));
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

    ASSERT_TRUE(source.seek(0, true));
    source.close();
    source.close();
    EXPECT_FALSE(source.seek(0, true));
    EXPECT_EQ(readRest(source), QByteArray());
}
