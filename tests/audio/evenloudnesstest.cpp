#include "audio/encodeprogress.h"
#include "audio/loudness.h"
#include "audio/mp3cache.h"
#include "audio/narrationencoding.h"
#include "mp3testsupport.h"
#include "speechsignal.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr int rate = 22050;

// A speech-like take of that many seconds at that loudness (the seed makes each one its own).
QByteArray takeAt(double lufs, double seconds, unsigned seed)
{
    return speechsignal::waveFile(speechsignal::atLoudness(speechsignal::speechLike(seconds, rate, seed), lufs));
}

// Loudness of the decoded audio from..to seconds.
double decodedLufs(const std::vector<std::int16_t>& decoded, double from, double to)
{
    const auto first = std::min(decoded.size(), size_t(from * rate));
    const auto last = std::min(decoded.size(), size_t(to * rate));
    return speechsignal::meter(std::span(decoded.data() + first, last - first)).lufs;
}

} // namespace

TEST_F(Mp3Fixture, GivenTheEvenLoudnessSwitch_WhenMp3sAreKept_ThenEvenedAndPlainOnesNeverStandInForEachOther)
{
    EXPECT_EQ(mp3EncoderSettings(), "mp3 22050 Hz mono cbr 24 q7");
    EXPECT_EQ(mp3EncoderSettings(true), "mp3 22050 Hz mono cbr 24 q7 r128 -16 -1");

    const QString wav = folder.write("take.wav", takeAt(-30, 4, 1));
    const QByteArray plain = Mp3Cache::keyOf(wav);
    const QByteArray even = Mp3Cache::keyOf(wav, true);
    ASSERT_FALSE(plain.isEmpty());
    ASSERT_FALSE(even.isEmpty());
    EXPECT_NE(plain, even);
    EXPECT_EQ(Mp3Cache::keyOf(wav, false), plain);

    Mp3Cache cache(folder.file("cache"));
    const CachedEncode off = encodeThroughCache(cache, wav, folder.file("off.mp3"), nullptr, nullptr, false);
    ASSERT_TRUE(off.encode.ok());
    EXPECT_FALSE(off.fromCache);
    const CachedEncode on = encodeThroughCache(cache, wav, folder.file("on.mp3"), nullptr, nullptr, true);
    ASSERT_TRUE(on.encode.ok());
    EXPECT_FALSE(on.fromCache) << "the MP3 made with the switch off is not taken with it on";
    const QByteArray offMp3 = TempFolder::read(folder.file("off.mp3"));
    const QByteArray onMp3 = TempFolder::read(folder.file("on.mp3"));
    EXPECT_NE(offMp3, onMp3);
    EXPECT_EQ(TempFolder::read(cache.fileFor(plain)), offMp3);
    EXPECT_EQ(TempFolder::read(cache.fileFor(even)), onMp3);

    // Switching back and forth fetches each setting's own MP3, without the encoder.
    hideCodec();
    const CachedEncode onAgain = encodeThroughCache(cache, wav, folder.file("on2.mp3"), nullptr, nullptr, true);
    const CachedEncode offAgain = encodeThroughCache(cache, wav, folder.file("off2.mp3"), nullptr, nullptr, false);
    EXPECT_TRUE(onAgain.fromCache);
    EXPECT_TRUE(offAgain.fromCache);
    EXPECT_EQ(TempFolder::read(folder.file("on2.mp3")), onMp3);
    EXPECT_EQ(TempFolder::read(folder.file("off2.mp3")), offMp3);
}

TEST_F(Mp3Fixture,
       GivenTakesAtDifferentLevels_WhenEncodedEvenedOut_ThenTheMp3sMeasureTheTargetAndTheTakesStayAsRecorded)
{
    Mp3Cache cache(folder.file("cache"));
    for (const double level : {-30.0, -23.0, -8.0}) {
        SCOPED_TRACE(level);
        const QByteArray take = takeAt(level, 5, 2);
        const QString wav = folder.write(QStringLiteral("take%1.wav").arg(-level), take);
        const QString mp3 = folder.file(QStringLiteral("take%1.mp3").arg(-level));
        const NarrationMp3 made = encodeNarration(wav, mp3, nullptr, nullptr, &cache, true);
        ASSERT_TRUE(made.encoded);
        EXPECT_EQ(made.mp3Size, QFileInfo(mp3).size());
        EXPECT_EQ(TempFolder::read(wav), take) << "the take is byte for byte as it was";
        const std::vector<std::int16_t> decoded = speechsignal::decodeMp3(mp3);
        ASSERT_FALSE(decoded.empty()) << "the ffmpeg tool is needed";
        EXPECT_NEAR(speechsignal::meter(decoded).lufs, loudness::TargetLufs, 1.5);

        // Switched off, the MP3 is the plain encoding of the take, at the take's own level.
        const QString plainMp3 = folder.file(QStringLiteral("plain%1.mp3").arg(-level));
        ASSERT_TRUE(encodeNarration(wav, plainMp3, nullptr, nullptr, &cache, false).encoded);
        ASSERT_TRUE(encodeWaveToMp3(nullptr, wav, folder.file("reference.mp3")).ok());
        EXPECT_EQ(TempFolder::read(plainMp3), TempFolder::read(folder.file("reference.mp3")));
        EXPECT_NEAR(speechsignal::meter(speechsignal::decodeMp3(plainMp3)).lufs, level, 1.5);
        EXPECT_EQ(TempFolder::read(wav), take);
    }
}

TEST_F(Mp3Fixture, GivenSegmentsOfDifferentLoudness_WhenTheirPodcastIsAssembledEvenedOut_ThenEachSegmentSoundsAsLoud)
{
    const std::vector<std::pair<double, double>> segments = {{-31, 5}, {-9, 4}, {-21, 5}}; // level, seconds
    PodcastJob job;
    std::vector<QByteArray> takes;
    for (size_t i = 0; i < segments.size(); ++i) {
        takes.push_back(takeAt(segments[i].first, segments[i].second, unsigned(10 + i)));
        job.segmentWavPaths.append(folder.write(QStringLiteral("temp/segment%1.wav").arg(i), takes.back()));
    }
    job.podcastWavPath = folder.file("temp/podcast.wav");
    job.podcastMp3Path = folder.file("temp/podcast.mp3");
    job.mp3CacheFolder = folder.file("cache");
    job.evenLoudness = true;

    const PodcastResult result = assemblePodcastFiles(job, nullptr);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    for (size_t i = 0; i < takes.size(); ++i)
        EXPECT_EQ(TempFolder::read(job.segmentWavPaths[qsizetype(i)]), takes[i]) << "segment " << i;
    const QString plainJoin = folder.file("joined.wav");
    ASSERT_TRUE(joinNarrationWaves(job.segmentWavPaths, plainJoin).ok());
    EXPECT_EQ(TempFolder::read(job.podcastWavPath), TempFolder::read(plainJoin)) << "the joined WAV is as recorded";

    const std::vector<std::int16_t> decoded = speechsignal::decodeMp3(job.podcastMp3Path);
    ASSERT_FALSE(decoded.empty()) << "the ffmpeg tool is needed";
    double start = 0;
    for (size_t i = 0; i < segments.size(); ++i) {
        SCOPED_TRACE(i);
        // The decoder's delay is well under the quarter second left out at either end.
        EXPECT_NEAR(decodedLufs(decoded, start + 0.25, start + segments[i].second - 0.25), loudness::TargetLufs, 1.5);
        start += segments[i].second;
    }
    const Mp3Cache cache(job.mp3CacheFolder);
    EXPECT_EQ(TempFolder::read(cache.fileFor(Mp3Cache::keyOf(job.segmentWavPaths, true))),
              TempFolder::read(job.podcastMp3Path))
        << "kept under the segments' evened key";

    // Switched off, the podcast's MP3 is the plain encoding of the joined WAV.
    job.evenLoudness = false;
    ASSERT_TRUE(assemblePodcastFiles(job, nullptr).ok());
    ASSERT_TRUE(encodeWaveToMp3(nullptr, plainJoin, folder.file("reference.mp3")).ok());
    EXPECT_EQ(TempFolder::read(job.podcastMp3Path), TempFolder::read(folder.file("reference.mp3")));
}

TEST_F(Mp3Fixture, GivenSeveralWaves_WhenEncodedAsOne_ThenPlainTheyMatchTheirJoinAndEvenedTheirBoundsCount)
{
    const QStringList waves = {folder.write("a.wav", takeAt(-25, 2, 20)), folder.write("b.wav", takeAt(-12, 3, 21))};
    const QString joined = folder.file("joined.wav");
    ASSERT_TRUE(joinNarrationWaves(waves, joined).ok());

    ASSERT_TRUE(encodeWavesToMp3(nullptr, waves, folder.file("waves.mp3")).ok());
    ASSERT_TRUE(encodeWaveToMp3(nullptr, joined, folder.file("joined.mp3")).ok());
    EXPECT_EQ(TempFolder::read(folder.file("waves.mp3")), TempFolder::read(folder.file("joined.mp3")));
    EXPECT_EQ(Mp3Cache::keyOf(waves), Mp3Cache::keyOf(joined)) << "the same samples, the same MP3";

    // Evened out, the same samples split elsewhere make another MP3.
    EXPECT_NE(Mp3Cache::keyOf(waves, true), Mp3Cache::keyOf(joined, true));
    EXPECT_EQ(Mp3Cache::keyOf(QStringList{waves[0]}, true), Mp3Cache::keyOf(waves[0], true));

    const QString stereo =
        folder.write("stereo.wav", speechsignal::waveFile(std::vector<std::int16_t>(8000, 5), rate, 2));
    const Mp3EncodeResult mixed = encodeWavesToMp3(nullptr, {waves[0], stereo, waves[1]}, folder.file("mixed.mp3"));
    EXPECT_EQ(mixed.error, Mp3EncodeError::SourceFormat);
    EXPECT_EQ(mixed.path, stereo);
    EXPECT_FALSE(QFile::exists(folder.file("mixed.mp3")));
    EXPECT_TRUE(Mp3Cache::keyOf(QStringList{waves[0], stereo}).isEmpty());
}

TEST_F(Mp3Fixture, GivenAnEvenedEncodingUnderWay_WhenCancelled_ThenItStopsAndLeavesNoMp3)
{
    const QString wav = folder.write("long.wav", takeAt(-28, 20, 30));
    EncodeProgress progress;
    Mp3EncodeOptions options;
    options.state = &progress;
    options.evenLoudness = true;
    std::vector<int> published;
    options.progress = [&](int percent) {
        published.push_back(percent);
        if (percent >= 20)
            progress.requestCancel();
    };
    const Mp3EncodeResult result = encodeWaveToMp3(nullptr, wav, folder.file("long.mp3"), options);
    EXPECT_EQ(result.error, Mp3EncodeError::Cancelled);
    EXPECT_FALSE(QFile::exists(folder.file("long.mp3")));
    ASSERT_FALSE(published.empty());
    EXPECT_LT(published.back(), 50) << "stopped at the next second, not at the end";
}
