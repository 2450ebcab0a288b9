#include "audio/waveclip.h"
#include "audio/waveerrors.h"
#include "audio/wavefilesource.h"
#include "audio/waveinfo.h"
#include "mutation.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <QFile>
#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace wavebytes;

namespace {

//! What reading one damaged file through every wave reader did; empty when all was sound.
std::string readEverything(const QString& path, const QByteArray& bytes)
{
    const qint64 fileSize = bytes.size();
    std::string fault;
    try {
        const WaveClip clip(path);
        // Never more samples or extra bytes than the file holds.
        if (clip.samples().size() + clip.extraBytes().size() > fileSize)
            fault += "WaveClip holds more than the file; ";
        try {
            const WaveClip joined = clip.concatenate(clip);
            if (joined.samples().size() != 2 * clip.samples().size())
                fault += "the joined clip lost samples; ";
        } catch (const std::runtime_error&) {
            // The documented refusal: different format tags cannot occur here, the 4 GiB bound can.
        }
    } catch (const WaveErrors::ClipUnreadable&) {
    } catch (...) {
        fault += "WaveClip threw something undocumented; ";
    }

    try {
        if (const auto info = probeWaveFile(path); info && info->dataOffset + info->dataSize > fileSize)
            fault += "probeWaveFile announces samples past the end; ";
    } catch (...) {
        fault += "probeWaveFile threw; ";
    }

    try {
        WaveFileSource source(path);
        quint32 rate = 0;
        quint16 bits = 0;
        quint16 channels = 0;
        source.getFormat(rate, bits, channels);
        // Reading to the end stops: each read delivers something until one delivers nothing.
        char buffer[512];
        qint64 delivered = 0;
        for (int reads = 0;; ++reads) {
            quint32 length = sizeof buffer;
            source.read(buffer, length);
            if (length == 0)
                break;
            delivered += length;
            if (delivered > fileSize || reads > fileSize) {
                fault += "WaveFileSource reads past the file; ";
                break;
            }
        }
        for (const auto& [offset, absolute] : {std::pair<qint64, bool>{-1, true},
                                               {0, true},
                                               {qint64(1) << 40, false},
                                               {-(qint64(1) << 40), false},
                                               {3, true}}) {
            if (!source.seek(offset, absolute))
                fault += "seek refused on an open source; ";
            quint32 length = sizeof buffer;
            source.read(buffer, length);
            if (length > source.dataSize())
                fault += "a read after seeking delivered too much; ";
        }
    } catch (const WaveErrors::FileOperation&) {
    } catch (const WaveErrors::RiffDoesntMatch&) {
    } catch (const WaveErrors::WaveDoesntMatch&) {
    } catch (const WaveErrors::FmtDoesntMatch&) {
    } catch (const WaveErrors::DataDoesntMatch&) {
    } catch (...) {
        fault += "WaveFileSource threw something undocumented; ";
    }
    return fault;
}

struct WaveMutationFixture : ::testing::Test
{
    TempFolder folder;
    QString path = folder.file("damaged.wav");
    int files = 0;

    void expectSound(const QByteArray& bytes, const std::string& what)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(bytes), bytes.size());
        file.close();
        ++files;
        const std::string fault = readEverything(path, bytes);
        EXPECT_EQ(fault, "") << what << " (" << bytes.size() << " bytes: " << bytes.left(64).toHex().toStdString()
                             << ")";
    }

    //! Three shapes of wave: plain PCM, PCM with a "LIST" chunk before the data, and a
    //! compressed format with extra bytes and a "fact" chunk.
    static QList<QByteArray> originals()
    {
        return {
            pcmWave(ramp(120)),
            riff(fmt(1, 1, 22050, 16) + chunk("LIST", QByteArray(14, 'i')) + chunk("data", ramp(64, 1))),
            riff(fmt(0x11, 1, 22050, 4) + le16(2) + le16(505) + chunk("fact", le32(77)) + chunk("data", ramp(90, 2)))};
    }
};

TEST_F(WaveMutationFixture, GivenEveryTruncationOfShortWavesWhenReadThenEachReaderFailsCleanlyOrReadsWhatIsThere)
{
    for (const QByteArray& original : originals())
        for (int length = 0; length <= original.size(); ++length)
            expectSound(original.left(length), "truncated to " + std::to_string(length));
}

TEST_F(WaveMutationFixture, GivenSeededBitFlipsInsertionsAndDeletionsWhenReadThenNoReaderCrashesOrOverreads)
{
    std::mt19937 random(0x57A7E);
    for (const QByteArray& original : originals()) {
        for (int round = 0; round < 400; ++round) {
            const QByteArray bytes = Mutation{}.apply(original, random);
            expectSound(bytes, "round " + std::to_string(round));
        }
    }
}

TEST_F(WaveMutationFixture, GivenHeaderSizesZeroOddHugeOrPastTheEndWhenReadThenNoReaderCrashesOrAllocatesThem)
{
    const QList<quint32> sizes{0, 1, 3, 119, 121, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
    const QByteArray pcm = pcmWave(ramp(120));
    const QByteArray compressed = originals().at(2);
    const auto withField32 = [](QByteArray bytes, int at, quint32 value) {
        bytes.replace(at, 4, le32(value));
        return bytes;
    };
    const auto withField16 = [](QByteArray bytes, int at, quint16 value) {
        bytes.replace(at, 2, le16(value));
        return bytes;
    };
    for (quint32 size : sizes) {
        const std::string n = std::to_string(size);
        expectSound(withField32(pcm, 40, size), "data size " + n);
        expectSound(withField32(pcm, 4, size), "RIFF size " + n);
        expectSound(withField32(pcm, 16, size), "fmt size " + n);
        expectSound(withField32(compressed, 44, size), "fact size " + n);
        expectSound(withField32(compressed, 56, size), "compressed data size " + n);
        // A "LIST" chunk whose size runs past the end, before the data.
        expectSound(riff(fmt(1, 1, 22050, 16) + "LIST" + le32(size) + QByteArray(6, 'l') + chunk("data", ramp(8))),
                    "LIST size " + n);
    }
    for (quint16 value : {quint16(0), quint16(1), quint16(0x7FFF), quint16(0xFFFF)}) {
        const std::string n = std::to_string(value);
        expectSound(withField16(compressed, 36, value), "extra count " + n);
        expectSound(withField16(pcm, 22, value), "channels " + n);
        expectSound(withField16(pcm, 34, value), "bits " + n);
        expectSound(withField16(pcm, 20, value), "format tag " + n);
    }
    EXPECT_GT(files, 60);
}

} // namespace
