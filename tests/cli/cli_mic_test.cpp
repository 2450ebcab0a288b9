#include "../audio/pulsetestenvironment.h"
#include "../audio/testpulse.h"
#include "clirunner.h"

#include <gtest/gtest.h>

namespace {

TEST(CliMic, GivenTheTestMicrophone_WhenItsLevelIsShownAndSet_ThenTheSliderScaleMapsOntoTheSourceVolume)
{
    TestPulseServer server;
    REQUIRE_TEST_PULSE(server);
    TempFolder home;

    const CliRun shown = runCli(home.path(), {"mic"});
    ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, "min=0\nmax=65536\nvolume=65536\nslider=100\n");

    const CliRun set = runCli(home.path(), {"mic", "--set", "25"});
    ASSERT_EQ(set.code, 0) << set.err.toStdString();
    EXPECT_EQ(set.out, "min=0\nmax=65536\nvolume=16384\nslider=25\n");
    EXPECT_TRUE(server.pactl({"get-source-volume", "mic"}).value_or(QString()).contains("16384 /"));
    EXPECT_EQ(runCli(home.path(), {"mic"}).out, "min=0\nmax=65536\nvolume=16384\nslider=25\n");
}

TEST(CliMic, RefusesABadPercentage)
{
    TempFolder home;
    for (const char* bad : {"101", "-1", "loud"}) {
        const CliRun run = runCli(home.path(), {"mic", "--set", bad});
        EXPECT_EQ(run.code, 2) << bad;
        EXPECT_TRUE(run.err.contains("0 to 100")) << run.err.toStdString();
    }
    EXPECT_EQ(runCli(home.path(), {"mic", "--set"}).code, 2);
}

TEST(CliMic, NoSoundServerIsAClearError)
{
    TempFolder home;
    ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");

    const CliRun run = runCli(home.path(), {"mic"});

    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains("no microphone found")) << run.err.toStdString();
}

} // namespace
