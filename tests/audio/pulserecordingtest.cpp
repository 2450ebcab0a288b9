#include "audio/pulseaudiobackend.h"
#include "pulsetestenvironment.h"
#include "tempfolder.h"

#include "audio/recordingsession.h"
#include "audio/waveclip.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

//! Records for the given wall-clock time, from just before the start to just before the
//! finish; the seconds of audio the file holds and the wall time the take spanned.
struct Take
{
    double audio = 0;
    double wall = 0;
};

Take recordFor(PulseAudioBackend& backend, const QString& path, std::chrono::milliseconds length)
{
    const Clock::time_point clicked = Clock::now();
    RecordingStart started;
    auto session = RecordingSession::start(backend, path, started);
    EXPECT_TRUE(started.started()) << started.message.toStdString();
    if (!session)
        return {};
    // Real time is what is being measured: the take must span it.
    std::this_thread::sleep_for(length);
    const Clock::time_point stopped = Clock::now();
    session->finish();
    const WaveClip clip(path);
    return {double(clip.dataSize()) / RecordingSession::BytesPerSecond, secondsBetween(clicked, stopped)};
}

} // namespace

TEST(PulseRecording, GivenAPreparedInput_WhenTakesRunBackToBack_ThenNoneLosesItsStartOrEnd)
{
    REQUIRE_PULSE();
    TempFolder folder;
    PulseAudioBackend backend;
    backend.prepareInput();
    ASSERT_TRUE(backend.waitForPreparedInput()) << backend.lastError().toStdString();

    // The first take after the start is the one that used to lose its first words.
    for (int take = 0; take < 3; ++take) {
        const Take t =
            recordFor(backend, folder.file(QStringLiteral("%1.wav").arg(take)), std::chrono::milliseconds(1500));
        EXPECT_GE(t.audio, t.wall - 0.1) << "take " << take << ": " << t.audio << " s of audio in " << t.wall << " s";
        EXPECT_LE(t.audio, t.wall + 0.05) << "take " << take;
        backend.prepareInput();
    }
}

TEST(PulseRecording, GivenNoPreparedInput_WhenRecording_ThenTheTakeStillHoldsAllButTheConnection)
{
    REQUIRE_PULSE();
    TempFolder folder;
    PulseAudioBackend backend;
    const Take t = recordFor(backend, folder.file(QStringLiteral("cold.wav")), std::chrono::milliseconds(1500));
    EXPECT_GE(t.audio, t.wall - 0.25) << t.audio << " s of audio in " << t.wall << " s";
}
