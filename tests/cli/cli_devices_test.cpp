#include "../audio/extrasources.h"
#include "../audio/pulsetestenvironment.h"
#include "../audio/soundanalysis.h"
#include "clirunner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <gtest/gtest.h>

#include <memory>

namespace {

//! Two more microphones on the test daemon: 880 Hz and 1320 Hz sine sources.
class CliDevices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        REQUIRE_PULSE();
        sources = std::make_unique<ExtraSources>();
        ASSERT_TRUE(sources->load(QStringLiteral("cli_low"), 880));
        ASSERT_TRUE(sources->load(QStringLiteral("cli_high"), 1320));
    }

    void TearDown() override { sources.reset(); }

    TempFolder home;
    std::unique_ptr<ExtraSources> sources;
};

TEST_F(CliDevices, GivenTwoSineSources_WhenDevicesRuns_ThenEachIsALineOfNameTabDescriptionWithTheDefaultMarked)
{
    const CliRun run = runCli(home.path(), {"devices"});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(lines.contains("cli_low\tSine source at 880 Hz")) << run.out.toStdString();
    EXPECT_TRUE(lines.contains("cli_high\tSine source at 1320 Hz")) << run.out.toStdString();
    for (const QString& line : lines) {
        EXPECT_EQ(line.count('\t'), 1) << line.toStdString();
        EXPECT_FALSE(line.section('\t', 0, 0).endsWith(".monitor"))
            << "no monitor of an output: " << line.toStdString();
    }
    EXPECT_FALSE(run.out.contains("(default)")) << "the daemon's default source is a monitor";

    PulseTestEnvironment::pactl({"set-default-source", "cli_high"});
    const CliRun marked = runCli(home.path(), {"devices"});
    ASSERT_EQ(marked.code, 0);
    EXPECT_TRUE(marked.out.split('\n').contains("cli_high\tSine source at 1320 Hz (default)"))
        << marked.out.toStdString();
    EXPECT_TRUE(marked.out.split('\n').contains("cli_low\tSine source at 880 Hz"));

    EXPECT_EQ(runCli(home.path(), {"devices", "--all"}).code, 2);
}

TEST_F(CliDevices, GivenADeviceName_WhenRecording_ThenTheTakeHoldsThatMicrophonesTone)
{
    for (const auto& [name, crossings] : {std::pair{"cli_high", 2640.0}, std::pair{"cli_low", 1760.0}}) {
        const QString out = home.file(QStringLiteral("%1.wav").arg(name));
        const CliRun run = runCli(home.path(), {"record", out, "--seconds", "1", "--device", name});
        ASSERT_EQ(run.code, 0) << name << ": " << run.err.toStdString();
        EXPECT_EQ(run.out, "1\n");
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        const QByteArray wav = TempFolder::read(out);
        ASSERT_EQ(wav.size(), 44 + 44100);
        EXPECT_NEAR(crossingsPerSecond(wav.mid(44)), crossings, 60) << name;
    }
}

TEST_F(CliDevices, GivenAnUnknownDeviceName_WhenRecording_ThenItSaysHowToSeeTheNamesAndLeavesTheFile)
{
    const QString out = home.write("take.wav", "an earlier take");
    const CliRun run = runCli(home.path(), {"record", out, "--seconds", "1", "--device", "usb_mic_unplugged"});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("no microphone named \"usb_mic_unplugged\"")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("pictorelle-cli devices")) << run.err.toStdString();
    EXPECT_EQ(TempFolder::read(out), "an earlier take");

    // A monitor of an output records what the computer plays: it is no microphone to choose.
    EXPECT_EQ(runCli(home.path(), {"record", out, "--seconds", "1", "--device", "speaker.monitor"}).code, 1);
}

TEST_F(CliDevices, GivenARecordingFromADevice_WhenItIsUnplugged_ThenTheFileKeepsWhatCameAndItSaysSo)
{
    const QString out = home.file("take.wav");
    QProcess cli;
    cli.start(QStringLiteral(PICTORELLE_CLI),
              {"--home", home.path(), "record", out, "--seconds", "20", "--device", "cli_low"});
    ASSERT_TRUE(cli.waitForStarted());
    // Half a second of sound on disk before the microphone goes.
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(out).size() < 44 + 22050 && waited.elapsed() < 10000)
        cli.waitForFinished(20);
    ASSERT_GE(QFileInfo(out).size(), 44 + 22050);
    ASSERT_TRUE(sources->unplug(QStringLiteral("cli_low")));
    ASSERT_TRUE(cli.waitForFinished(10000)) << "it ends at once, not after the 20 s";

    EXPECT_EQ(cli.exitCode(), 1);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    EXPECT_TRUE(err.contains("the microphone was disconnected; " + out + " keeps the ")) << err.toStdString();
    const QByteArray wav = TempFolder::read(out);
    ASSERT_GE(wav.size(), 44 + 22050);
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 4), quint32(wav.size() - 8));
    EXPECT_EQ(qFromLittleEndian<quint32>(wav.constData() + 40), quint32(wav.size() - 44)) << "finished in order";
    EXPECT_NEAR(crossingsPerSecond(wav.mid(44)), 1760, 60) << "only the chosen microphone's 880 Hz";
}

TEST(CliDevicesWithoutServer, GivenNoSoundServer_WhenListingOrRecordingFromADevice_ThenBothFailClearly)
{
    TempFolder home;
    ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");

    const CliRun list = runCli(home.path(), {"devices"});
    EXPECT_EQ(list.code, 1);
    EXPECT_TRUE(list.out.isEmpty());
    EXPECT_TRUE(list.err.contains("no microphones can be listed: cannot connect to the sound server"))
        << list.err.toStdString();

    const CliRun record = runCli(home.path(), {"record", home.file("t.wav"), "--seconds", "1", "--device", "mic"});
    EXPECT_EQ(record.code, 1);
    EXPECT_TRUE(record.err.contains("cannot connect to the sound server")) << record.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.file("t.wav")));
}

TEST(CliDevicesUsage, GivenTheHelp_ThenDevicesAndRecordDeviceAreDescribed)
{
    TempFolder home;
    const CliRun help = runCli(home.path(), {"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains("\n  devices ")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("[--device NAME]"));
    EXPECT_EQ(runCli(home.path(), {"record", home.file("t.wav"), "--seconds", "1", "--device"}).code, 2);
    EXPECT_EQ(runCli(home.path(), {"record", home.file("t.wav"), "--seconds", "1", "--device", ""}).code, 2);
}

} // namespace
