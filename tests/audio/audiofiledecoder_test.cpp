#include "audio/audiofiledecoder.h"
#include "audio/waveinfo.h"
#include "audiofixtures.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>

using namespace audiofixtures;

namespace {

constexpr double SineRms = 32767.0 / 8 / M_SQRT2;

//! A sound file of the test's own, made by ffmpeg; the folder the takes go to is separate, so
//! that a test can tell exactly what a decode left behind.
struct AudioFileDecoderTest : ::testing::Test
{
    TempFolder input;
    TempFolder output;

    QString make(const QString& name, const QStringList& args) const
    {
        QString error;
        const QString path = makeWithFfmpeg(input.file(name), args, &error);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString() << ": " << error.toStdString();
        return path;
    }

    AudioDecodeResult decode(const QString& path, const AudioDecodeOptions& options = {}) const
    {
        return AudioFileDecoder(path).decodeToFolder(output.path(), options);
    }

    QStringList leftInOutput() const { return QDir(output.path()).entryList(QDir::Files | QDir::Hidden); }
};

struct FormatCase
{
    const char* name;
    QStringList args; //!< ffmpeg's arguments before the output file
    double seconds;
    double lengthToleranceMs;
    double levelTolerance; //!< share of the sine's RMS
};

std::ostream& operator<<(std::ostream& os, const FormatCase& c)
{
    return os << c.name;
}

QStringList sine(int rate, double seconds, const QStringList& output)
{
    return sineInput(440, rate, seconds) + output;
}

//! The same sine at 1/8 of full scale in every channel of the layout ("stereo", "5.1").
QStringList sineInEvery(const char* layout, int channels, int rate, double seconds, const QStringList& output)
{
    QStringList each;
    for (int i = 0; i < channels; ++i)
        each << QStringLiteral("0.125*sin(2*PI*440*t)");
    return QStringList{"-f", "lavfi", "-i",
                       QStringLiteral("aevalsrc=%1:s=%2:d=%3:c=%4")
                           .arg(each.join('|'))
                           .arg(rate)
                           .arg(seconds)
                           .arg(QLatin1String(layout))} +
           output;
}

const FormatCase formatCases[] = {
    {"stereo48k.flac", sineInEvery("stereo", 2, 48000, 3, {}), 3, 2, 0.01},
    // LAME's own filtering leaves a steady sine about 0.5 dB lower.
    {"mono44k.mp3", sine(44100, 3, {"-c:a", "libmp3lame", "-b:a", "128k"}), 3, 3, 0.08},
    {"stereo44k.mp3", sineInEvery("stereo", 2, 44100, 3, {"-c:a", "libmp3lame", "-b:a", "160k"}), 3, 3, 0.08},
    {"vorbis44k.ogg", sine(44100, 3, {"-c:a", "libvorbis"}), 3, 3, 0.05},
    {"opus48k.opus", sine(48000, 3, {"-c:a", "libopus", "-b:a", "64k"}), 3, 3, 0.08},
    {"aac44k.m4a", sine(44100, 3, {"-c:a", "aac", "-b:a", "128k"}), 3, 3, 0.05},
    {"unsigned8bit.wav", sine(11025, 3, {"-c:a", "pcm_u8"}), 3, 1, 0.01},
    {"float44k.wav", sine(44100, 3, {"-c:a", "pcm_f32le"}), 3, 1, 0.01},
    // The LFE channel is left out of the mix; the other five make up the level.
    {"sixchannel96k.wav", sineInEvery("5.1", 6, 96000, 3, {"-c:a", "pcm_s24le"}), 3, 1, 0.01},
    {"mono16k.wav", sine(16000, 2.5, {"-c:a", "pcm_s16le"}), 2.5, 1, 0.01},
};

struct DecodedFormats : AudioFileDecoderTest, ::testing::WithParamInterface<FormatCase>
{};

TEST_P(DecodedFormats, GIVEN_ASineInThatFormat_WHEN_Decoded_THEN_ItIsANarrationOfTheSameLengthPitchAndLevel)
{
    const FormatCase& c = GetParam();
    const QString file = make(QString::fromLatin1(c.name), c.args);
    ASSERT_FALSE(file.isEmpty());
    std::vector<int> percents;
    AudioDecodeOptions options;
    options.progress = [&](int percent) { percents.push_back(percent); };
    const AudioDecodeResult r = decode(file, options);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_TRUE(r.error.isEmpty());
    EXPECT_FALSE(r.trimmed);
    EXPECT_EQ(QFileInfo(r.wavePath).absolutePath() + "/", output.path());
    EXPECT_TRUE(r.wavePath.endsWith(".wav"));
    EXPECT_EQ(leftInOutput(), QStringList{QFileInfo(r.wavePath).fileName()}) << "no temporary file stays";

    const auto info = probeWaveFile(r.wavePath);
    ASSERT_TRUE(info);
    EXPECT_TRUE(isNarrationFormat(*info));
    EXPECT_EQ(info->dataOffset, 44);
    EXPECT_EQ(info->dataSize, r.dataBytes);
    EXPECT_EQ(QFileInfo(r.wavePath).size(), 44 + qint64(r.dataBytes));
    EXPECT_NEAR(double(r.lengthMs()), c.seconds * 1000, c.lengthToleranceMs + 1);
    EXPECT_EQ(r.seconds(), int(std::ceil(double(r.dataBytes) / 44100)));

    const QByteArray samples = narrationSamples(r.wavePath);
    ASSERT_EQ(samples.size(), qsizetype(r.dataBytes));
    // Pitch over the middle, away from any fade in or out of the codec.
    const qsizetype count = samples.size() / 2;
    EXPECT_NEAR(toneFrequency(samples, count / 4, count * 3 / 4), 440.0, 0.5);
    const QByteArray middle = samples.mid(samples.size() / 4 & ~1, samples.size() / 2 & ~1);
    EXPECT_NEAR(rms(middle), SineRms, SineRms * c.levelTolerance);
    // Nothing but the tone: no alias or image of the rate conversion stands out.
    EXPECT_LT(powerAt(middle, 660) + powerAt(middle, 880) + powerAt(middle, 2000), powerAt(middle, 440) * 1e-3);

    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

INSTANTIATE_TEST_SUITE_P(Formats, DecodedFormats, ::testing::ValuesIn(formatCases),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST_F(AudioFileDecoderTest, GIVEN_ATakeInTheRecordingFormat_WHEN_Decoded_THEN_EverySampleStaysAsItWas)
{
    QByteArray samples;
    for (int i = 0; i < 22050; ++i) {
        const auto v = qint16(std::lround(12000 * std::sin(2 * M_PI * 300 * i / 22050.0)) + (i % 7) - 3);
        samples.append(reinterpret_cast<const char*>(&v), 2);
    }
    const QString file = input.write("take.wav", wavebytes::pcmWave(samples));
    const AudioDecodeResult r = decode(file);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(narrationSamples(r.wavePath), samples);
    EXPECT_EQ(r.seconds(), 1);
}

TEST_F(AudioFileDecoderTest, GIVEN_StereoWithOneSilentChannel_WHEN_Decoded_THEN_TheMonoTakeHasHalfTheLevel)
{
    const QString file =
        make("left-only.wav", {"-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*440*t)|0:s=44100:d=2", "-c:a", "pcm_s16le"});
    const AudioDecodeResult r = decode(file);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QByteArray samples = narrationSamples(r.wavePath);
    const QByteArray middle = samples.mid(samples.size() / 4 & ~1, samples.size() / 2 & ~1);
    EXPECT_NEAR(rms(middle), 0.25 * 32767 / M_SQRT2, 0.25 * 32767 / M_SQRT2 * 0.005);

    // The other channel alone: the same half.
    const QString right = make(
        "right-only.wav", {"-f", "lavfi", "-i", "aevalsrc=0|0.5*sin(2*PI*440*t):s=44100:d=2", "-c:a", "pcm_s16le"});
    const AudioDecodeResult r2 = decode(right);
    ASSERT_TRUE(r2.ok());
    const QByteArray s2 = narrationSamples(r2.wavePath);
    EXPECT_NEAR(rms(s2.mid(s2.size() / 4 & ~1, s2.size() / 2 & ~1)), rms(middle), rms(middle) * 0.002);
}

TEST_F(AudioFileDecoderTest, GIVEN_AFullScaleStereoSignal_WHEN_MixedToMono_THEN_NothingClips)
{
    const QString file = make(
        "full.flac", {"-f", "lavfi", "-i", "aevalsrc=sin(2*PI*440*t)|sin(2*PI*440*t):s=48000:d=2", "-c:a", "flac"});
    const AudioDecodeResult r = decode(file);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QByteArray samples = narrationSamples(r.wavePath);
    const QByteArray middle = samples.mid(samples.size() / 4 & ~1, samples.size() / 2 & ~1);
    // A sum of the two channels would sit flat on the rails for a third of every period.
    EXPECT_EQ(railRuns(samples), 0);
    EXPECT_NEAR(rms(middle), 32767 / M_SQRT2, 32767 / M_SQRT2 * 0.01);
    EXPECT_NEAR(toneFrequency(samples, 1000, samples.size() / 2 - 1000), 440.0, 0.5);
}

TEST_F(AudioFileDecoderTest, GIVEN_FilesThatAreNoSound_WHEN_Decoded_THEN_EachIsRefusedByNameAndNothingIsLeft)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString jpeg = input.file("photo.jpg");
    ASSERT_TRUE(picture.save(jpeg));
    QByteArray noise(65536, '\0');
    QRandomGenerator generator(7);
    for (char& b : noise)
        b = char(generator.bounded(256));
    const QString named[] = {jpeg, input.write("noise.mp3", noise), input.write("empty.wav", {}),
                             input.write("notes.ogg", "just some text, not a sound file\n")};
    for (const QString& file : named) {
        SCOPED_TRACE(file.toStdString());
        const AudioDecodeResult r = decode(file);
        EXPECT_EQ(r.status, AudioDecodeStatus::NotAudio);
        EXPECT_EQ(r.error,
                  "\"" + QFileInfo(file).fileName() + "\" is not an audio file Pictorelle Dazuzarid can read.");
        EXPECT_TRUE(r.wavePath.isEmpty());
        EXPECT_EQ(r.dataBytes, 0u);
    }
    const AudioDecodeResult missing = decode(input.file("gone.flac"));
    EXPECT_EQ(missing.status, AudioDecodeStatus::NotAudio);
    EXPECT_TRUE(missing.error.startsWith("\"gone.flac\" cannot be opened")) << missing.error.toStdString();
    EXPECT_TRUE(leftInOutput().isEmpty());
}

TEST_F(AudioFileDecoderTest, GIVEN_AVideoWithoutSound_WHEN_Decoded_THEN_ItHoldsNoSound)
{
    const QString video = make("silent.mkv", {"-f", "lavfi", "-i", "testsrc=d=1:s=64x48:r=10", "-c:v", "mpeg4", "-an"});
    const AudioDecodeResult r = decode(video);
    EXPECT_EQ(r.status, AudioDecodeStatus::NoSound);
    EXPECT_EQ(r.error, "\"silent.mkv\" holds no sound Pictorelle Dazuzarid can read.");
    EXPECT_TRUE(leftInOutput().isEmpty());
}

TEST_F(AudioFileDecoderTest, GIVEN_FilesCutShort_WHEN_Decoded_THEN_TheyAreRefusedAsDamagedNotTakenAsShortTakes)
{
    const QString whole[] = {
        make("long.flac", sineInEvery("stereo", 2, 48000, 8, {})),
        make("long.mp3", sine(44100, 8, {"-c:a", "libmp3lame"})),
        make("long.opus", sine(48000, 8, {"-c:a", "libopus"})),
        make("long.ogg", sine(44100, 8, {"-c:a", "libvorbis"})),
        make("long.wav", sine(44100, 8, {"-c:a", "pcm_s16le"})),
        make("long.m4a", sine(44100, 8, {"-c:a", "aac"})),
    };
    for (const QString& file : whole) {
        ASSERT_FALSE(file.isEmpty());
        ASSERT_TRUE(decode(file).ok()) << file.toStdString() << " whole";
        for (const double kept : {0.5, 0.9}) {
            const QString cut = truncatedCopy(
                file, input.file(QStringLiteral("cut%1-").arg(int(kept * 100)) + QFileInfo(file).fileName()), kept);
            SCOPED_TRACE(cut.toStdString());
            const AudioDecodeResult r = decode(cut);
            EXPECT_EQ(r.status, AudioDecodeStatus::Damaged) << r.lengthMs() << " ms decoded";
            EXPECT_EQ(r.error, "\"" + QFileInfo(cut).fileName() + "\" is damaged or cut short.");
            EXPECT_TRUE(r.wavePath.isEmpty());
        }
    }
    for (const QString& name : leftInOutput())
        QFile::remove(output.file(name));
    // What the whole files made is gone; nothing of the cut ones was ever left.
    EXPECT_TRUE(leftInOutput().isEmpty());
}

TEST_F(AudioFileDecoderTest, GIVEN_AFileLongerThanTheLimit_WHEN_Decoded_THEN_ItIsRefusedOrItsBeginningKept)
{
    const QString file = make("five.mp3", sine(44100, 5, {"-c:a", "libmp3lame"}));
    AudioDecodeOptions refuse;
    refuse.limitSeconds = 3;
    const AudioDecodeResult tooLong = decode(file, refuse);
    EXPECT_EQ(tooLong.status, AudioDecodeStatus::TooLong);
    EXPECT_EQ(tooLong.error, "\"five.mp3\" is 0:05 long, longer than 3 s.");
    EXPECT_NEAR(double(tooLong.sourceMs), 5000, 60);
    EXPECT_TRUE(leftInOutput().isEmpty());

    AudioDecodeOptions keep = refuse;
    keep.keepBeginning = true;
    const AudioDecodeResult kept = decode(file, keep);
    ASSERT_TRUE(kept.ok()) << kept.error.toStdString();
    EXPECT_TRUE(kept.trimmed);
    EXPECT_EQ(kept.dataBytes, 3u * 44100);
    EXPECT_EQ(kept.seconds(), 3);
    const QByteArray samples = narrationSamples(kept.wavePath);
    EXPECT_NEAR(toneFrequency(samples, 2000, samples.size() / 2 - 2000), 440.0, 0.5);

    // Within a tenth of a second of the limit: cut to it, no question.
    const QString nearly = make("nearly.flac", sine(48000, 3.05, {}));
    const AudioDecodeResult cut = decode(nearly, refuse);
    ASSERT_TRUE(cut.ok()) << cut.error.toStdString();
    EXPECT_FALSE(cut.trimmed);
    EXPECT_EQ(cut.dataBytes, 3u * 44100);
}

TEST_F(AudioFileDecoderTest, GIVEN_NoDeclaredLength_WHEN_TheSoundRunsPastTheLimit_THEN_DecodingFindsOut)
{
    // A raw AAC stream states no length; only decoding tells.
    const QString file = make("bare.aac", sine(44100, 4, {"-c:a", "aac"}));
    AudioDecodeOptions refuse;
    refuse.limitSeconds = 2;
    const AudioDecodeResult r = decode(file, refuse);
    EXPECT_EQ(r.status, AudioDecodeStatus::TooLong);
    EXPECT_EQ(r.error, "\"bare.aac\" is longer than 2 s.");
    EXPECT_TRUE(leftInOutput().isEmpty());
    refuse.limitSeconds = 5;
    const AudioDecodeResult whole = decode(file, refuse);
    ASSERT_TRUE(whole.ok()) << whole.error.toStdString();
    // Its encoder delay is not stated either: up to two frames of 1024 samples more.
    EXPECT_NEAR(double(whole.lengthMs()), 4000 + 1024 * 1000.0 / 44100, 50);
}

TEST_F(AudioFileDecoderTest, GIVEN_ADecodeUnderWay_WHEN_ItIsCancelled_THEN_ItStopsAndLeavesNoFile)
{
    const QString file = make("cancel.flac", sineInEvery("stereo", 2, 48000, 20, {}));
    std::atomic<bool> cancel{false};
    AudioDecodeOptions options;
    options.cancel = &cancel;
    int last = -1;
    options.progress = [&](int percent) {
        last = percent;
        if (percent >= 30)
            cancel.store(true);
    };
    const AudioDecodeResult r = decode(file, options);
    EXPECT_EQ(r.status, AudioDecodeStatus::Cancelled);
    EXPECT_TRUE(r.error.isEmpty());
    EXPECT_TRUE(r.wavePath.isEmpty());
    EXPECT_GE(last, 30);
    EXPECT_LT(last, 50) << "the decode stops at the next packet";
    EXPECT_TRUE(leftInOutput().isEmpty());

    // Cancelled before it starts.
    const AudioDecodeResult early = decode(file, options);
    EXPECT_EQ(early.status, AudioDecodeStatus::Cancelled);
    EXPECT_TRUE(leftInOutput().isEmpty());
}

TEST_F(AudioFileDecoderTest, GIVEN_AFolderThatCannotBeWritten_WHEN_Decoded_THEN_TheWriteFailureIsTold)
{
    const QString file = make("short.flac", sine(48000, 1, {}));
    const AudioDecodeResult r = AudioFileDecoder(file).decodeToFolder(output.file("no/such/folder"));
    EXPECT_EQ(r.status, AudioDecodeStatus::WriteFailed);
    EXPECT_TRUE(r.error.contains("could not be written")) << r.error.toStdString();
}

TEST(AudioFileDecoderTexts, LimitsAndLengthsReadAsTheUserExpects)
{
    EXPECT_EQ(AudioFileDecoder::limitText(60), "60 s");
    EXPECT_EQ(AudioFileDecoder::limitText(900), "15 min");
    EXPECT_EQ(AudioFileDecoder::lengthText(75049), "1:15");
    EXPECT_EQ(AudioFileDecoder::lengthText(59600), "1:00");
    EXPECT_EQ(AudioFileDecoder::lengthText(3723000), "1:02:03");
    EXPECT_EQ(AudioFileDecoder::fileFilter(), "Audio files (*.wav *.flac *.mp3 *.ogg *.oga *.opus *.m4a *.aac)");
}

} // namespace
