#include "clirunner.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

using CliMp3 = CliTest;

TEST_F(CliMp3, GivenANarration_WhenEncoded_ThenAnMp3StreamIsWrittenUnderAFullProgressBar)
{
    const QString wav = input.write("n.wav", waveBytes(3 * 44100));
    const QString mp3 = input.file("n.mp3");

    const CliRun run = cli({"encode", wav, mp3});

    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QByteArray bytes = TempFolder::read(mp3);
    ASSERT_GE(bytes.size(), 9000);
    EXPECT_LE(bytes.size(), 9300);
    EXPECT_EQ(quint8(bytes[0]), 0xFF);
    EXPECT_EQ(quint8(bytes[1]) & 0xE0, 0xE0);
    EXPECT_TRUE(run.err.endsWith("] 100%\n")) << run.err.toStdString();
    EXPECT_EQ(run.out, mp3 + QStringLiteral(" (%1 bytes)\n").arg(bytes.size()));
}

TEST_F(CliMp3, GivenNoEncoderLibrary_WhenEncoding_ThenTheMissingCodecTextIsShownAndNoMp3Remains)
{
    const QString wav = input.write("n.wav", waveBytes(44100));
    const QString mp3 = input.write("n.mp3", "an earlier MP3");

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PICTORELLE_MP3_LIBRARY", input.file("none/libmp3lame.so.0"));
    const CliRun run = cli({"encode", wav, mp3}, environment);

    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(
        run.err.contains("Pictorelle - MP3 encoding error: MP3 encoder didn't load.\nPlease re-install Pictorelle.\n"))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(mp3));
}

TEST_F(CliMp3, GivenABadSourceOrBadUsage_WhenEncoding_ThenTheErrorSaysWhy)
{
    const QString missing = input.file("gone.wav");
    const CliRun noSource = cli({"encode", missing, input.file("n.mp3")});
    EXPECT_EQ(noSource.code, 1);
    EXPECT_TRUE(noSource.err.contains("Cannot read the wave file " + missing + ".")) << noSource.err.toStdString();
    EXPECT_FALSE(QFile::exists(input.file("n.mp3")));

    const QString eightBit = input.write("8.wav", waveBytes(22050, 22050, 8, 1));
    const CliRun wrongFormat = cli({"encode", eightBit, input.file("n.mp3")});
    EXPECT_EQ(wrongFormat.code, 1);
    EXPECT_TRUE(wrongFormat.err.contains(eightBit + " is not a 16-bit PCM wave")) << wrongFormat.err.toStdString();

    EXPECT_EQ(cli({"encode", eightBit}).code, 2);
    EXPECT_EQ(cli({"encode", eightBit, input.file("a.mp3"), input.file("b.mp3")}).code, 2);
}

TEST_F(CliMp3, GivenNarrations_WhenJoined_ThenTheOutputHoldsTheirSamplesInOrder)
{
    const QStringList inputs = {input.write("1.wav", waveBytes(1000)), input.write("2.wav", waveBytes(44100)),
                                input.write("3.wav", waveBytes(300))};
    const QString out = input.file("joined.wav");

    const CliRun run = cli(QStringList{"join", out} + inputs);

    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QByteArray samples = waveBytes(1000).mid(44) + waveBytes(44100).mid(44) + waveBytes(300).mid(44);
    EXPECT_EQ(TempFolder::read(out), waveBytes(45400).left(44) + samples);
    EXPECT_EQ(run.out, out + " (3 narrations, 45400 sample bytes, 2 s)\n");
}

TEST_F(CliMp3, GivenABadNarrationOrBadUsage_WhenJoining_ThenNothingIsWrittenAndTheErrorNamesIt)
{
    const QString good = input.write("1.wav", waveBytes(1000));
    const QString missing = input.file("7.wav");
    const QString stereo = input.write("s.wav", waveBytes(1000, 22050, 16, 2));
    const QString out = input.file("joined.wav");

    const CliRun gone = cli({"join", out, good, missing});
    EXPECT_EQ(gone.code, 1);
    EXPECT_EQ(gone.err, "pictorelle-cli join: Input 2 has no recorded narration (" + missing + " is missing).\n");
    const CliRun wrong = cli({"join", out, stereo, good});
    EXPECT_EQ(wrong.code, 1);
    EXPECT_TRUE(wrong.err.contains("Input 1's narration is not in the recording format")) << wrong.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    EXPECT_EQ(cli({"join", out}).code, 2);
    EXPECT_EQ(cli({"join", "--fast", out, good}).code, 2);
}

TEST_F(CliMp3,
       GivenTheEvenLoudnessSetting_WhenAStoryIsMade_ThenItsMp3IsPreparedForThatSettingUnlessTheCommandSaysOtherwise)
{
    const QString picture = writePicture(input, "a.jpg", 80, 60);
    const QString narration = input.write("n.wav", waveBytes(3 * 44100));
    // The MP3s kept in a program folder's cache after making the story there.
    const auto keptAfter = [&](const TempFolder& folder, const QStringList& options) {
        const CliRun made = runCli(folder.path(), QStringList{"new"} + options +
                                                      QStringList{"--slide", picture, "--narration", narration});
        EXPECT_EQ(made.code, 0) << made.err.toStdString();
        return QDir(folder.file("cache/mp3")).entryList({"*.mp3"}, QDir::Files);
    };

    const QStringList evened = keptAfter(home, {});
    ASSERT_EQ(evened.size(), 1) << "even loudness is on unless switched off";
    TempFolder off;
    const QStringList plain = keptAfter(off, {"--no-even-loudness"});
    ASSERT_EQ(plain.size(), 1);
    EXPECT_NE(plain, evened);

    TempFolder switchedOff;
    switchedOff.write("pictorelle.ini", "EVEN_LOUDNESS=0\r\n");
    EXPECT_EQ(keptAfter(switchedOff, {}), plain) << "the program folder's setting is read";
    TempFolder overridden;
    overridden.write("pictorelle.ini", "EVEN_LOUDNESS=0\r\n");
    EXPECT_EQ(keptAfter(overridden, {"--even-loudness"}), evened);
}
