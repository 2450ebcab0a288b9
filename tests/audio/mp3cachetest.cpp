#include "audio/mp3cache.h"
#include "mp3testsupport.h"
#include "wavebytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <utime.h>

using namespace wavebytes;

namespace {

QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// A wave of the same samples with a longer header: a LIST chunk between fmt and data.
QByteArray waveWithListChunk(const QByteArray& samples)
{
    return riff(fmt(1, 1, 22050, 16) + chunk("LIST", QByteArray("INFOISFT\x04\0\0\0abc\0", 16)) +
                chunk("data", samples));
}

} // namespace

TEST_F(Mp3Fixture, GivenWaves_WhenKeyed_ThenOnlyTheSamplesAndTheirFormatCount)
{
    const QByteArray samples = voiceSamples(1);
    const QByteArray plain = Mp3Cache::keyOf(folder.write("a.wav", pcmWave(samples)));
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_EQ(Mp3Cache::keyOf(folder.write("b.wav", waveWithListChunk(samples))), plain)
        << "another header around the same samples makes the same MP3";

    QByteArray changed = samples;
    changed[1000] = char(changed[1000] ^ 0x40);
    EXPECT_NE(Mp3Cache::keyOf(folder.write("c.wav", pcmWave(changed))), plain) << "one sample differs";
    EXPECT_NE(Mp3Cache::keyOf(folder.write("d.wav", pcmWave(samples, 44100))), plain) << "another rate";
    EXPECT_NE(Mp3Cache::keyOf(folder.write("e.wav", pcmWave(samples.left(samples.size() - 2)))), plain)
        << "one sample fewer";

    EXPECT_TRUE(Mp3Cache::keyOf(folder.write("f.wav", "not a wave at all")).isEmpty());
    EXPECT_TRUE(Mp3Cache::keyOf(folder.file("missing.wav")).isEmpty());
    // Announces more samples than it holds.
    EXPECT_TRUE(Mp3Cache::keyOf(folder.write("g.wav", pcmWave(samples).left(2000))).isEmpty());
}

TEST_F(Mp3Fixture, GivenSamplesEncodedOnce_WhenTheyAreEncodedAgain_ThenTheCacheGivesTheSameMp3WithoutTheEncoder)
{
    Mp3Cache cache(folder.file("cache"));
    const QByteArray wave = pcmWave(voiceSamples(2));
    const QString first = folder.write("one/take.wav", wave);
    const CachedEncode made = encodeThroughCache(cache, first, folder.file("one/take.mp3"), nullptr, nullptr);
    ASSERT_TRUE(made.encode.ok());
    EXPECT_FALSE(made.fromCache);
    const QByteArray mp3 = TempFolder::read(folder.file("one/take.mp3"));
    ASSERT_GT(mp3.size(), 5000);
    EXPECT_EQ(namesIn(cache.folder()), QStringList{QString::fromLatin1(Mp3Cache::keyOf(first)) + ".mp3"})
        << "one complete file under its key, no part left";

    hideCodec();
    RecordingMessenger messenger;
    const QString second = folder.write("two/copy.wav", waveWithListChunk(voiceSamples(2)));
    const QString target = folder.write("two/copy.mp3", "an old MP3 that must go");
    const CachedEncode again = encodeThroughCache(cache, second, target, &messenger, nullptr);

    EXPECT_TRUE(again.encode.ok());
    EXPECT_TRUE(again.fromCache);
    EXPECT_EQ(TempFolder::read(target), mp3);
    EXPECT_TRUE(messenger.messages.empty()) << "nothing was encoded, so nothing is missing";
}

TEST_F(Mp3Fixture, GivenAnEncodeThatFails_WhenThroughTheCache_ThenNothingIsKeptAndNoOldMp3Stays)
{
    Mp3Cache cache(folder.file("cache"));
    const QString target = folder.write("take.mp3", "old");

    const CachedEncode unreadable =
        encodeThroughCache(cache, folder.write("take.wav", "garbage"), target, nullptr, nullptr);
    EXPECT_FALSE(unreadable.encode.ok());
    EXPECT_FALSE(QFileInfo::exists(target));

    EncodeProgress cancelled;
    cancelled.requestCancel();
    const QString wav = folder.write("good.wav", pcmWave(voiceSamples(1)));
    EXPECT_EQ(encodeThroughCache(cache, wav, target, nullptr, &cancelled).encode.error, Mp3EncodeError::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(cache.fill(wav, nullptr, &cancelled).isEmpty());
    EXPECT_TRUE(namesIn(cache.folder()).isEmpty()) << "no part of a cancelled encoding is kept";

    hideCodec();
    RecordingMessenger messenger;
    Mp3EncodeResult result;
    EXPECT_TRUE(cache.fill(wav, &messenger, nullptr, &result).isEmpty());
    EXPECT_EQ(result.error, Mp3EncodeError::CodecMissing);
    EXPECT_EQ(messenger.messages.size(), 1u);
}

TEST_F(Mp3Fixture, GivenAWave_WhenFilled_ThenOnlyTheCacheFolderIsWrittenAndASecondFillEncodesNothing)
{
    const QString wav = folder.write("work/take.wav", pcmWave(voiceSamples(1)));
    Mp3Cache cache(folder.file("cache"));
    const QByteArray key = cache.fill(wav, nullptr, nullptr);
    ASSERT_FALSE(key.isEmpty());
    EXPECT_EQ(key, Mp3Cache::keyOf(wav));
    EXPECT_EQ(namesIn(folder.file("work")), QStringList{"take.wav"});
    EXPECT_TRUE(QFileInfo(cache.fileFor(key)).size() > 0);

    hideCodec();
    EXPECT_EQ(cache.fill(wav, nullptr, nullptr), key) << "kept already: the encoder is not needed";
}

TEST_F(Mp3Fixture, GivenMoreThanItsCapacity_WhenTrimmed_ThenTheLeastRecentlyUsedGoFirst)
{
    Mp3Cache cache(folder.file("cache"), 2500);
    QDir().mkpath(cache.folder());
    const QStringList names{"old", "middle", "new"};
    for (int i = 0; i < names.size(); ++i) {
        const QString path = folder.write("cache/" + names[i] + ".mp3", QByteArray(1000, 'x'));
        const struct utimbuf times
        {
            1000000 + i * 100, 1000000 + i * 100
        };
        ::utime(QFile::encodeName(path).constData(), &times);
    }
    // Fetching marks a file as used.
    ASSERT_TRUE(cache.fetch("old", folder.file("out.mp3")));

    cache.trim();

    EXPECT_EQ(namesIn(cache.folder()), (QStringList{"new.mp3", "old.mp3"}));
    EXPECT_EQ(TempFolder::read(folder.file("out.mp3")), QByteArray(1000, 'x'));
    EXPECT_FALSE(cache.fetch("middle", folder.file("out2.mp3")));
    EXPECT_FALSE(QFileInfo::exists(folder.file("out2.mp3")));
}
