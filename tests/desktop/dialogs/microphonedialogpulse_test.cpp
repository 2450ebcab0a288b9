#include "audio/pulseaudiobackend.h"
#include "audio/steadymillisecondclock.h"
#include "desktop/dialogs/microphonedialog.h"
#include "desktop/widgets/levelmeter.h"
#include "desktop/widgets/skinresources.h"
#include "shell/programsettings.h"

#include "recorderfakes.h"
#include "tempfolder.h"
#include "testpulse.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// The test daemon's default source is a steady 440 Hz tone, delivered in real time.
TEST(MicrophoneDialogPulse, GivenTheTestMicrophone_WhenTheDialogIsOpen_ThenItsMeterShowsTheTone)
{
    TestPulseServer server;
    REQUIRE_TEST_PULSE(server);
    TempFolder home;
    QDir(home.path()).mkpath(QStringLiteral("temp"));
    PulseAudioBackend backend;
    FakeSoundPlayer player;
    SteadyMillisecondClock clock;
    SkinResources skin;
    ProgramSettings settings;
    MicrophoneDialog dialog(backend, player, nullptr, settings, clock, home.path(), DialogActions{}, skin);

    dialog.show();

    LevelMeter* meter = dialog.levelMeter();
    ASSERT_TRUE(QTest::qWaitFor([&] { return meter->peak() > 0.05f; }, 10000)) << backend.lastError().toStdString();
    // A sine's RMS is its peak over √2.
    EXPECT_NEAR(meter->rms(), meter->peak() / std::sqrt(2.0f), 0.1f * meter->peak());
    EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("note"))->isVisible()) << backend.lastError().toStdString();
    const auto streams = [&server] {
        return server.pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("source-outputs")})
            .value_or(QStringLiteral("<pactl failed>"))
            .trimmed();
    };
    EXPECT_FALSE(streams().isEmpty()) << "the meter records from the microphone";

    // WHEN the dialog closes THEN it lets go of the microphone
    dialog.accept();
    EXPECT_TRUE(QTest::qWaitFor([&] { return streams().isEmpty(); }, 10000)) << streams().toStdString();
}

} // namespace
