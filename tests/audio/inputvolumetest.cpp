#include "testpulse.h"

#include "audio/inputvolume.h"
#include "audio/microphonescale.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

//! The level pactl reports for the "mic" source (first channel).
int pactlVolume(const TestPulseServer& server)
{
    const QString text = server.pactl({"get-source-volume", "mic"}).value_or(QString());
    const auto match = QRegularExpression(R"(:\s*(\d+)\s*/)").match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

//! Collects what the change listener reports on libpulse's thread.
struct LevelReports
{
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> levels;

    void report(int level)
    {
        {
            std::lock_guard guard(lock);
            levels.push_back(level);
        }
        changed.notify_all();
    }

    //! Waits (bounded) until level has been reported.
    bool awaitLevel(int level)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(10),
                                [&] { return std::find(levels.begin(), levels.end(), level) != levels.end(); });
    }
};

TEST(InputVolume, ReadsAndSetsTheDefaultSourcesLevelIgnoringLevelsOutsideItsRange)
{
    TestPulseServer server;
    REQUIRE_TEST_PULSE(server);

    EXPECT_GE(findMicrophoneSource(), 0);
    const auto volume = InputVolume::create();
    ASSERT_TRUE(volume);
    EXPECT_TRUE(volume->hasVolumeControl());
    EXPECT_EQ(volume->volumeMin(), 0);
    EXPECT_EQ(volume->volumeMax(), 65536);
    EXPECT_EQ(volume->getVolume(), 65536);
    EXPECT_EQ(int(volume->sourceIndex()), findMicrophoneSource());

    volume->setVolume(microphonescale::sliderToVolume(25, volume->volumeMax()));
    EXPECT_EQ(volume->getVolume(), 16384);
    EXPECT_EQ(pactlVolume(server), 16384);

    // Levels outside its range are ignored.
    volume->setVolume(65537);
    volume->setVolume(-1);
    EXPECT_EQ(volume->getVolume(), 16384);
    EXPECT_EQ(pactlVolume(server), 16384);
}

TEST(InputVolume, ListenerHearsChangesMadeByOthers)
{
    TestPulseServer server;
    REQUIRE_TEST_PULSE(server);
    const auto volume = InputVolume::create();
    ASSERT_TRUE(volume);
    LevelReports reports;
    volume->setChangeListener([&](int level) { reports.report(level); });

    ASSERT_TRUE(server.pactl({"set-source-volume", "mic", "30%"}).has_value());

    const int level = pactlVolume(server);
    EXPECT_NEAR(level, 65536 * 30 / 100, 1);
    EXPECT_TRUE(reports.awaitLevel(level));
    EXPECT_EQ(volume->getVolume(), level);
    volume->setChangeListener({});
}

TEST(InputVolume, MonitorAsDefaultSourceIsNoMicrophone)
{
    TestPulseServer server;
    REQUIRE_TEST_PULSE(server);
    ASSERT_TRUE(server.pactl({"set-default-source", "speaker.monitor"}).has_value());
    EXPECT_EQ(findMicrophoneSource(), -1);
    EXPECT_FALSE(InputVolume::create());
}

TEST(InputVolume, NoSoundServerIsNoMicrophone)
{
    const bool wasSet = qEnvironmentVariableIsSet("PULSE_SERVER");
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/pictorelle-no-server");
    EXPECT_EQ(findMicrophoneSource(), -1);
    EXPECT_FALSE(InputVolume::create());
    if (wasSet)
        qputenv("PULSE_SERVER", previous);
    else
        qunsetenv("PULSE_SERVER");
}

} // namespace
