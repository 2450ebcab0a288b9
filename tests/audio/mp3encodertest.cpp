#include "audio/mp3encoder.h"
#include "audio/mp3codec.h"
#include "mp3testsupport.h"
#include "wavebytes.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <thread>
#include <vector>

using namespace wavebytes;

namespace {

// LAME adds its encoder delay and pads the last frame: two or three 78/79-byte frames beyond
// the 3000 bytes per second of audio (measured: +167 to +225 bytes for 0.1 s to 300 s).
constexpr qint64 frameRoundingTolerance = 300;

std::vector<int> encodeRecordingProgress(const QString& wav, const QString& mp3, Mp3EncodeResult& result,
                                         EncodeProgress* state = nullptr)
{
    std::vector<int> seen;
    Mp3EncodeOptions options;
    options.state = state;
    options.progress = [&seen](int percent) { seen.push_back(percent); };
    result = encodeWaveToMp3(nullptr, wav, mp3, options);
    return seen;
}

} // namespace

TEST_F(Mp3Fixture, GivenTwoEncodesAtOnce_WhenBothRun_ThenEachReportsOnlyItsOwnProgressPerSecondOfSource)
{
    const QString three = folder.write("three.wav", pcmWave(voiceSamples(3)));
    const QString two = folder.write("two.wav", pcmWave(voiceSamples(2)));
    EncodeProgress threeProgress, twoProgress;
    Mp3EncodeResult threeResult, twoResult;
    std::vector<int> threeSeen, twoSeen;

    std::thread first(
        [&] { threeSeen = encodeRecordingProgress(three, folder.file("three.mp3"), threeResult, &threeProgress); });
    std::thread second(
        [&] { twoSeen = encodeRecordingProgress(two, folder.file("two.mp3"), twoResult, &twoProgress); });
    first.join();
    second.join();

    EXPECT_TRUE(threeResult.ok());
    EXPECT_TRUE(twoResult.ok());
    EXPECT_EQ(threeSeen, (std::vector<int>{0, 33, 66}));
    EXPECT_EQ(twoSeen, (std::vector<int>{0, 50}));
    EXPECT_EQ(threeProgress.percent(), 66) << "stays at the last value until the next conversion";
    EXPECT_EQ(twoProgress.percent(), 50);

    // 66150 bytes: a whole second, then the half second left.
    const QString shorter = folder.write("short.wav", pcmWave(voiceSamples(1.5)));
    EXPECT_EQ(encodeRecordingProgress(shorter, folder.file("short.mp3"), threeResult), (std::vector<int>{0, 66}));
}

TEST_F(Mp3Fixture, GivenACancelledProgress_WhenAnEncodeStarts_ThenItMakesNoMp3AndRemovesTheOldOne)
{
    const QString wav = folder.write("n.wav", pcmWave(voiceSamples(2)));
    const QString mp3 = folder.write("n.mp3", "an MP3 from an earlier publication");
    EncodeProgress progress;
    progress.requestCancel();

    EXPECT_EQ(encodeToMp3(nullptr, wav, mp3, &progress), 0);

    EXPECT_FALSE(QFile::exists(mp3));
    EXPECT_EQ(progress.percent(), 0);
}

TEST_F(Mp3Fixture, GivenNarrationsAndACdWave_WhenEncoded_ThenEachIsABareStreamOfNarrationFramesAt3000BytesPerSecond)
{
    struct Case
    {
        int seconds;
        int rate;
        int channels;
    };
    for (const Case c :
         {Case{1, 22050, 1}, Case{3, 22050, 1}, Case{10, 22050, 1}, Case{60, 22050, 1}, Case{4, 44100, 2}}) {
        SCOPED_TRACE(std::to_string(c.seconds) + " s at " + std::to_string(c.rate));
        const QString wav =
            folder.write("n.wav", pcmWave(voiceSamples(c.seconds, c.rate, c.channels), c.rate, 16, c.channels));
        const QString mp3 = folder.file("n.mp3");

        ASSERT_EQ(encodeToMp3(nullptr, wav, mp3), 1);

        const QByteArray bytes = TempFolder::read(mp3);
        const Mp3Walk walk = walkMp3Frames(bytes);
        EXPECT_EQ(walk.frameBytes, bytes.size()) << "frames from the first byte to the last: no tag at either end";
        EXPECT_TRUE(walk.allNarrationFrames) << "MPEG-2 Layer III, 24 kbit/s, 22050 Hz, mono";
        EXPECT_GE(qint64(walk.frames) * 576, c.seconds * 22050) << "every sample is in a frame";
        EXPECT_GE(bytes.size(), 3000 * c.seconds);
        EXPECT_LE(bytes.size(), 3000 * c.seconds + frameRoundingTolerance);
        // An info frame is either filled ("Xing"/"Info") or left as zeros behind its header.
        const QByteArray firstFrameBody = bytes.mid(4, 74);
        EXPECT_FALSE(firstFrameBody.contains("Xing") || firstFrameBody.contains("Info"));
        EXPECT_NE(firstFrameBody, QByteArray(74, '\0')) << "the first frame carries audio";
    }
}

TEST_F(Mp3Fixture, GivenNoEncoderLibrary_WhenEncoding_ThenTheUserIsToldAndNoMp3Remains)
{
    const QString wav = folder.write("n.wav", pcmWave(voiceSamples(2)));
    const QString mp3 = folder.write("n.mp3", "an MP3 from an earlier publication");
    hideCodec();
    ASSERT_FALSE(isMp3CodecPresent());
    ASSERT_FALSE(loadMp3Codec());
    RecordingMessenger messenger;

    EXPECT_EQ(encodeToMp3(&messenger, wav, mp3), 0);

    ASSERT_EQ(messenger.messages.size(), 1u);
    EXPECT_EQ(messenger.messages[0].caption, "Pictorelle - MP3 encoding error");
    EXPECT_EQ(messenger.messages[0].text, "MP3 encoder didn't load.\nPlease re-install Pictorelle.");
    EXPECT_EQ(messenger.messages[0].icon, Messenger::Icon::Warning);
    EXPECT_FALSE(QFile::exists(mp3)) << "the earlier MP3 is deleted before anything else";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"n.wav"});
}

TEST_F(Mp3Fixture, GivenASourceThatIsNotA16BitPcmWave_WhenEncoding_ThenNoMp3IsMade)
{
    struct Case
    {
        const char* name;
        QByteArray bytes; // empty: no file at all
        Mp3EncodeError error;
    };
    const std::vector<Case> cases = {
        {"missing.wav", {}, Mp3EncodeError::SourceUnreadable},
        {"text.wav", "not a wave file at all, just words", Mp3EncodeError::SourceUnreadable},
        {"cut.wav", pcmWave(voiceSamples(2)).left(30000), Mp3EncodeError::SourceUnreadable},
        {"eight.wav", pcmWave(ramp(22050), 22050, 8, 1), Mp3EncodeError::SourceFormat},
        {"float.wav", riff(fmt(3, 1, 22050, 32) + chunk("data", ramp(8000))), Mp3EncodeError::SourceFormat},
    };
    for (const Case& c : cases) {
        const QString wav = c.bytes.isEmpty() ? folder.file(c.name) : folder.write(c.name, c.bytes);
        const QString mp3 = folder.write("out.mp3", "an earlier MP3");
        RecordingMessenger messenger;

        const Mp3EncodeResult result = encodeWaveToMp3(&messenger, wav, mp3);

        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(result.path, wav) << c.name;
        EXPECT_TRUE(mp3EncodeErrorText(result).contains(wav)) << c.name;
        EXPECT_EQ(encodeToMp3(&messenger, wav, mp3), 0) << c.name;
        EXPECT_FALSE(QFile::exists(mp3)) << c.name;
        EXPECT_TRUE(messenger.messages.empty()) << c.name << ": only a missing encoder is a message";
    }
}

TEST_F(Mp3Fixture, GivenAnEncodeThatCannotFinish_WhenItStops_ThenNoPartialMp3IsLeft)
{
    const QString wav = folder.write("n.wav", pcmWave(voiceSamples(3)));

    const Mp3EncodeResult unwritable = encodeWaveToMp3(nullptr, wav, folder.file("no/such/folder/n.mp3"));
    EXPECT_EQ(unwritable.error, Mp3EncodeError::WriteFailed);

    EncodeProgress progress;
    Mp3EncodeOptions options;
    options.state = &progress;
    options.progress = [&progress](int percent) {
        if (percent >= 33)
            progress.requestCancel();
    };
    const Mp3EncodeResult cancelled = encodeWaveToMp3(nullptr, wav, folder.file("n.mp3"), options);
    EXPECT_EQ(cancelled.error, Mp3EncodeError::Cancelled);
    EXPECT_EQ(progress.percent(), 33) << "stopped before the second second of source";
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"n.wav"})
        << "neither the MP3 nor a temporary file remains";
}

TEST_F(Mp3Fixture, GivenTheLibraryLoaded_WhenLoadedAgainAndUnloaded_ThenEachStepReportsItsState)
{
    EXPECT_TRUE(isMp3CodecPresent());
    EXPECT_TRUE(loadMp3Codec()) << "a second load keeps the library";
    EXPECT_TRUE(unloadMp3Codec());
    EXPECT_FALSE(unloadMp3Codec()) << "nothing left to unload";
    const QString wav = folder.write("n.wav", pcmWave(voiceSamples(1)));
    RecordingMessenger messenger;
    EXPECT_EQ(encodeToMp3(&messenger, wav, folder.file("n.mp3")), 0) << "an unloaded library cannot encode";
    EXPECT_EQ(messenger.messages.size(), 1u);
    EXPECT_TRUE(loadMp3Codec());
    EXPECT_EQ(encodeToMp3(&messenger, wav, folder.file("n.mp3")), 1);
}
