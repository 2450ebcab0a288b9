#include "../audio/pulsetestenvironment.h"
#include "../audio/soundanalysis.h"
#include "clirunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr double twoSecondsOfBytes = 88200;

quint32 dataSize(const QByteArray& wav)
{
    return wav.size() < 44 ? 0 : qFromLittleEndian<quint32>(wav.constData() + 40);
}

} // namespace

TEST(CliRecord, GivenTheTestMicrophone_WhenRecordingTwoSeconds_ThenItPrints2AndTheFileHoldsTheTone)
{
    REQUIRE_PULSE();
    TempFolder home;
    const QString out = home.file("take.wav");

    const CliRun run = runCli(home.path(), {"record", out, "--seconds", "2"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "2\n");
    const QByteArray wav = TempFolder::read(out);
    EXPECT_EQ(qsizetype(dataSize(wav)), wav.size() - 44);
    EXPECT_EQ(dataSize(wav), twoSecondsOfBytes);
    EXPECT_NEAR(crossingsPerSecond(wav.mid(44)), 880, 40) << "the 440 Hz test tone";
    EXPECT_FALSE(QFile::exists(out + ".part"));
}

TEST(CliRecord, GivenAPause_WhenRecording_ThenThePausedSecondIsNeitherCountedNorRecorded)
{
    REQUIRE_PULSE();
    TempFolder home;
    const QString out = home.file("take.wav");

    const CliRun run =
        runCli(home.path(), {"record", out, "--seconds", "2", "--pause-after", "0.5", "--resume-after", "1"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "2\n") << "0.5 s and 1.5 s of sound are two seconds, whatever the pause lasted";
    EXPECT_EQ(dataSize(TempFolder::read(out)), twoSecondsOfBytes);
}

TEST(CliRecord, GivenARecordingKilledFourSecondsIn_ThenTheFileHoldsAtLeastThreeSecondsOfTheTone)
{
    REQUIRE_PULSE();
    TempFolder home;
    const QString out = home.file("take.wav");
    QProcess cli;
    cli.start(QStringLiteral(PICTORELLE_CLI), {"--home", home.path(), "record", out, "--seconds", "10"});
    ASSERT_TRUE(cli.waitForStarted());
    // The kill comes four seconds in, as a crash would: no chance to finish the file.
    EXPECT_FALSE(cli.waitForFinished(4000));
    ::kill(pid_t(cli.processId()), SIGKILL);
    cli.waitForFinished();

    const QByteArray wav = TempFolder::read(out);
    ASSERT_GE(wav.size(), 44);
    EXPECT_EQ(wav.left(4), "RIFF");
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 4), dataSize(wav) + 36);
    EXPECT_GE(dataSize(wav), 3u * 44100) << "declared audio";
    EXPECT_LE(qsizetype(dataSize(wav)), wav.size() - 44) << "every declared byte is there";
    EXPECT_NEAR(crossingsPerSecond(wav.mid(44, dataSize(wav))), 880, 40) << "the 440 Hz test tone";
}

TEST(CliRecord, GivenNoSoundServer_WhenRecording_ThenItSaysNoMicrophoneAndLeavesTheOldFile)
{
    TempFolder home;
    const QString out = home.write("take.wav", "an earlier take");
    ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");

    const CliRun run = runCli(home.path(), {"record", out, "--seconds", "1"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("No microphone found: cannot connect to the sound server")) << run.err.toStdString();
    EXPECT_EQ(TempFolder::read(out), "an earlier take");
    EXPECT_FALSE(QFile::exists(out + ".part"));
}

TEST(CliRecord, GivenBadArguments_ThenItIsAUsageError)
{
    TempFolder home;
    const QString out = home.file("take.wav");
    const QList<QStringList> bad{
        {"record", out},
        {"record", "--seconds", "2"},
        {"record", out, "--seconds", "soon"},
        {"record", out, "--seconds", "0"},
        {"record", out, "--seconds", "2", "--pause-after", "1"},
        {"record", out, "--seconds", "2", "--resume-after", "1"},
    };
    for (const QStringList& args : bad) {
        const CliRun run = runCli(home.path(), args);
        EXPECT_EQ(run.code, 2) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST(CliPlay, GivenAWaveFileAndTheSample_WhenPlayed_ThenEachReturnsOnceItHasPlayed)
{
    REQUIRE_PULSE();
    TempFolder home;
    const QString wav = home.write("half.wav", waveBytes(22050));

    QElapsedTimer clock;
    clock.start();
    const CliRun file = runCli(home.path(), {"play", wav});
    EXPECT_EQ(file.code, 0) << file.err.toStdString();
    EXPECT_GT(clock.restart(), 400) << "half a second of sound";

    const CliRun sample = runCli(home.path(), {"play", "--sample"});
    EXPECT_EQ(sample.code, 0) << sample.err.toStdString();
    EXPECT_GT(clock.elapsed(), 2700) << "the 2.9 s voice sample";
}

TEST(CliPlay, GivenAMissingOrBrokenFileOrNoServer_ThenItFailsWithAClearError)
{
    TempFolder home;
    const CliRun missing = runCli(home.path(), {"play", home.file("missing.wav")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("missing.wav cannot be opened")) << missing.err.toStdString();

    const CliRun broken = runCli(home.path(), {"play", home.write("text.wav", "not a wave at all")});
    EXPECT_EQ(broken.code, 1);
    EXPECT_TRUE(broken.err.contains("text.wav is not a wave file")) << broken.err.toStdString();

    EXPECT_EQ(runCli(home.path(), {"play"}).code, 2);
    EXPECT_EQ(runCli(home.path(), {"play", "a.wav", "--sample"}).code, 2);

    ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");
    const CliRun silent = runCli(home.path(), {"play", home.write("ok.wav", waveBytes(4410))});
    EXPECT_EQ(silent.code, 1);
    EXPECT_TRUE(silent.err.contains("No sound output: cannot connect to the sound server")) << silent.err.toStdString();
}
