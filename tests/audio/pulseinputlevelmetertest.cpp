#include "audio/inputlevelmeter.h"
#include "audio/pulseaudiobackend.h"
#include "pulsetestenvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace std::chrono_literals;

namespace {

//! Polls the meter in short steps until it has counted `updates` buffers or the deadline passed.
bool awaitUpdates(const InputLevelMeter& meter, quint64 updates, std::chrono::steady_clock::time_point deadline)
{
    while (meter.level().updates < updates) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

// The test microphone delivers its tone in real time, so the count follows the clock as a
// real microphone's would.
TEST(PulseInputLevelMeter, GivenTheTestMicrophone_WhenMetered_ThenItsToneShowsAtLeastTwentyTimesInTheFirstSecond)
{
    REQUIRE_PULSE();
    PulseAudioBackend backend;
    InputLevelMeter meter(backend);

    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(meter.start()) << backend.lastError().toStdString();
    const bool twentyUpdates = awaitUpdates(meter, 20, started + 1s);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const InputLevelMeter::Level level = meter.level();
    RecordProperty("updates", int(level.updates));
    RecordProperty("milliseconds", int(elapsed.count()));

    EXPECT_TRUE(twentyUpdates) << level.updates << " updates in the first second";
    EXPECT_GT(level.peak, 0.05f);
    // A sine's RMS is its peak over √2.
    EXPECT_NEAR(level.rms, level.peak / std::sqrt(2.0f), 0.1f * level.peak);
    EXPECT_FALSE(meter.hasLostInput());

    meter.stop();
    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(meter.level().peak, 0.0f);
}

TEST(PulseInputLevelMeter, GivenNoSoundServer_WhenStarted_ThenItFailsWithNothingRunning)
{
    const ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    PulseAudioBackend backend;
    InputLevelMeter meter(backend);

    EXPECT_FALSE(meter.start());

    EXPECT_FALSE(meter.isRunning());
    EXPECT_FALSE(backend.lastError().isEmpty());
    meter.stop();
}
