#include "../audio/audiofixtures.h"
#include "audio/waveinfo.h"
#include "clirunner.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace audiofixtures;

namespace {

struct CliImport : CliTest
{
    QString sound(const QString& name, const QStringList& args) const
    {
        QString error;
        const QString path = makeWithFfmpeg(input.file(name), args, &error);
        EXPECT_FALSE(path.isEmpty()) << error.toStdString();
        return path;
    }

    QJsonArray savedSlides(const CliRun& made) const
    {
        const CliRun shown = cli({"show", made.lastLine(), "--json"});
        EXPECT_EQ(shown.code, 0) << shown.err.toStdString();
        return shown.json().object()["slides"].toArray();
    }

    //! The saved take is in the recording format and about that long.
    static void expectTake(const QJsonObject& slide, double seconds)
    {
        const QString wav = slide["narration_wav"].toString();
        SCOPED_TRACE(wav.toStdString());
        const auto info = probeWaveFile(wav);
        ASSERT_TRUE(info);
        EXPECT_TRUE(isNarrationFormat(*info));
        EXPECT_NEAR(double(info->dataSize), seconds * 44100, 0.005 * 44100) << "within 5 ms";
        EXPECT_TRUE(slide["has_narration"].toBool());
        EXPECT_EQ(slide["duration"].toInt(), int(std::ceil(double(info->dataSize) / 44100)));
        const QByteArray samples = narrationSamples(wav);
        EXPECT_NEAR(toneFrequency(samples, 2000, samples.size() / 2 - 2000), 440.0, 0.5);
    }
};

TEST_F(CliImport, GIVEN_FlacMp3AndOggNarrations_WHEN_AStoryIsMade_THEN_ItsTakesAreInTheRecordingFormat)
{
    const QString flac = sound("a.flac", sineInput(440, 48000, 2.5) + QStringList{"-ac", "2"});
    const QString mp3 = sound("b.mp3", sineInput(440, 44100, 3) + QStringList{"-c:a", "libmp3lame"});
    const QString ogg = sound("c.ogg", sineInput(440, 44100, 1.5) + QStringList{"-c:a", "libvorbis"});
    const CliRun made = cli({"new", "--slide", writePicture(input, "a.jpg", 80, 60), "--narration", flac, "--slide",
                             writePicture(input, "b.jpg", 80, 60), "--narration", mp3, "--slide",
                             writePicture(input, "c.jpg", 80, 60), "--narration", ogg});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    EXPECT_TRUE(made.err.isEmpty()) << made.err.toStdString();
    const QJsonArray slides = savedSlides(made);
    ASSERT_EQ(slides.size(), 3);
    expectTake(slides[0].toObject(), 2.5);
    expectTake(slides[1].toObject(), 3);
    expectTake(slides[2].toObject(), 1.5);
    EXPECT_EQ(slides[1].toObject()["duration"].toInt(), 3);
}

TEST_F(CliImport, GIVEN_APodcastOfM4aAndOpusSegments_WHEN_Made_THEN_EachSegmentHoldsItsSound)
{
    const QString m4a = sound("s1.m4a", sineInput(440, 44100, 2) + QStringList{"-c:a", "aac"});
    const QString opus = sound("s2.opus", sineInput(440, 48000, 3) + QStringList{"-c:a", "libopus"});
    const CliRun made = cli({"new", "--podcast", "--segment", m4a, "--segment", opus});
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    const QJsonArray slides = savedSlides(made);
    ASSERT_EQ(slides.size(), 2);
    expectTake(slides[0].toObject(), 2);
    expectTake(slides[1].toObject(), 3);
}

TEST_F(CliImport,
       GIVEN_ANarrationLongerThanTheSlideHolds_WHEN_MadeWithoutAndWithTrim_THEN_ItIsRefusedOrItsBeginningKept)
{
    const QString longFlac = sound("long.flac", sineInput(440, 48000, 62));
    const QString picture = writePicture(input, "a.jpg", 80, 60);
    const CliRun refused = cli({"new", "--slide", picture, "--narration", longFlac});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, "pictorelle-cli new: \"long.flac\" is 1:02 long, longer than 60 s. A picture slide holds at "
                           "most 60 s; add --trim to keep its first 60 s.\n");
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save")) << "nothing is saved";

    const CliRun trimmed = cli({"new", "--trim", "--slide", picture, "--narration", longFlac});
    ASSERT_EQ(trimmed.code, 0) << trimmed.err.toStdString();
    EXPECT_TRUE(trimmed.err.contains("only its beginning was kept")) << trimmed.err.toStdString();
    const QJsonArray slides = savedSlides(trimmed);
    ASSERT_EQ(slides.size(), 1);
    const auto info = probeWaveFile(slides[0].toObject()["narration_wav"].toString());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->dataSize, 60u * 44100);
    EXPECT_EQ(slides[0].toObject()["duration"].toInt(), 60);
}

TEST_F(CliImport, GIVEN_BadSoundFiles_WHEN_AStoryIsMade_THEN_TheDecodersMessageIsPrintedAndNothingSaved)
{
    const QString picture = writePicture(input, "a.jpg", 80, 60);
    const QString cut = truncatedCopy(sound("whole.flac", sineInput(440, 48000, 6) + QStringList{"-ac", "2"}),
                                      input.file("cut.flac"), 0.5);
    const CliRun damaged = cli({"new", "--slide", picture, "--narration", cut});
    EXPECT_EQ(damaged.code, 1);
    // FFmpeg's own account of the fault may come first.
    EXPECT_TRUE(damaged.err.endsWith("pictorelle-cli new: \"cut.flac\" is damaged or cut short.\n"))
        << damaged.err.toStdString();

    const CliRun notSound = cli({"new", "--podcast", "--segment", picture});
    EXPECT_EQ(notSound.code, 1);
    EXPECT_TRUE(
        notSound.err.endsWith("pictorelle-cli new: \"a.jpg\" is not an audio file Pictorelle Dazuzarid can read.\n"))
        << notSound.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save"));

    // A good narration before a bad one does not make a story either.
    const QString good = sound("good.mp3", sineInput(440, 44100, 1) + QStringList{"-c:a", "libmp3lame"});
    const CliRun mixed = cli({"new", "--slide", picture, "--narration", good, "--slide",
                              writePicture(input, "b.jpg", 80, 60), "--narration", cut});
    EXPECT_EQ(mixed.code, 1);
    EXPECT_FALSE(QFileInfo::exists(home.path() + "save"));
}

TEST_F(CliImport, TheUsageTextNamesTheFormatsAndTrim)
{
    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("[--trim]")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("--narration AUDIO"));
    EXPECT_TRUE(help.out.contains("FLAC, MP3, Ogg"));
}

} // namespace
