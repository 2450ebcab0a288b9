#include "audio/audiobackend.h"
#include "recorderfakes.h"

#include "audio/inputlevelmeter.h"

#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr quint32 TwentyMilliseconds = 882; // 441 samples of 16-bit mono at 22050 Hz

QByteArray littleEndian(const std::vector<qint16>& samples)
{
    QByteArray bytes(int(samples.size() * 2), '\0');
    for (size_t i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(samples[i], bytes.data() + 2 * i);
    return bytes;
}

//! 441 samples alternating between a and b, starting with a.
std::vector<qint16> alternating(qint16 a, qint16 b)
{
    std::vector<qint16> samples(TwentyMilliseconds / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = i % 2 == 0 ? a : b;
    return samples;
}

bool awaitUpdates(const InputLevelMeter& meter, quint64 updates)
{
    return QTest::qWaitFor([&] { return meter.level().updates >= updates; }, 10000);
}

TEST(InputLevelMeter, GivenTheFakeInput_WhenStarted_ThenItCapturesTheRecordingFormatInTwentyMillisecondBuffers)
{
    FakeBackend backend;
    InputLevelMeter meter(backend);

    ASSERT_TRUE(meter.start());

    EXPECT_TRUE(meter.isRunning());
    EXPECT_EQ(backend.input->opened.samplesPerSec, 22050u);
    EXPECT_EQ(backend.input->opened.bitsPerSample, 16);
    EXPECT_EQ(backend.input->opened.channels, 1);
    EXPECT_EQ(backend.input->callLog(), QStringList({"open", "start"}));
    std::lock_guard guard(backend.input->lock);
    ASSERT_EQ(backend.input->queued.size(), size_t(InputLevelMeter::BufferCount));
    for (const WaveBuffer* buffer : backend.input->queued)
        EXPECT_EQ(buffer->length, TwentyMilliseconds);
    const InputLevelMeter::Level level = meter.level();
    EXPECT_EQ(level.peak, 0.0f);
    EXPECT_EQ(level.rms, 0.0f);
    EXPECT_EQ(level.updates, 0u);
}

TEST(InputLevelMeter, GivenCraftedBuffers_WhenTheyArrive_ThenEachGivesItsExactPeakAndRms)
{
    std::vector<qint16> oneFullScaleSample(TwentyMilliseconds / 2, 0);
    oneFullScaleSample[100] = -32768;
    struct Case
    {
        const char* name;
        std::vector<qint16> samples;
        float peak;
        float rms;
        float tolerance;
    };
    const std::vector<Case> cases{
        {"half scale, both signs", alternating(16384, -16384), 0.5f, 0.5f, 0},
        {"one negative full-scale sample among 441 zeros", oneFullScaleSample, 1.0f, 1.0f / 21, 0},
        // 0x3FFF: a low byte of 0xFF read as signed would give 16127.
        {"low byte 0xFF", alternating(16383, 16383), 16383 / 32768.0f, 16383 / 32768.0f, 0},
        {"silence", alternating(0, 0), 0, 0, 0},
        {"full-scale square wave", alternating(32767, -32768), 1.0f, 1.0f, 1e-4f},
        {"quiet square wave", alternating(328, -328), 0.01f, 0.01f, 1e-4f},
    };
    FakeBackend backend;
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());

    quint64 expectedUpdates = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(backend.input->deliver(littleEndian(c.samples)));
        ASSERT_TRUE(awaitUpdates(meter, ++expectedUpdates));
        const InputLevelMeter::Level level = meter.level();
        EXPECT_EQ(level.updates, expectedUpdates);
        EXPECT_NEAR(level.peak, c.peak, c.tolerance + 1e-7f);
        EXPECT_NEAR(level.rms, c.rms, c.tolerance + 1e-7f);
    }
    EXPECT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount)) << "every measured buffer is queued again";
}

TEST(InputLevelMeter, GivenBuffersOfOddOrTinyByteCounts_WhenTheyArrive_ThenOnlyWholeSamplesCount)
{
    FakeBackend backend;
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());

    // WHEN one sample and a stray high byte arrive
    ASSERT_TRUE(backend.input->deliver(QByteArray::fromHex("00407f")));
    ASSERT_TRUE(awaitUpdates(meter, 1));
    EXPECT_EQ(meter.level().peak, 0.5f);
    EXPECT_EQ(meter.level().rms, 0.5f);

    // WHEN a single byte arrives, then a quiet sample
    ASSERT_TRUE(backend.input->deliver(QByteArray::fromHex("7f")));
    ASSERT_TRUE(backend.input->deliver(QByteArray::fromHex("0020")));
    ASSERT_TRUE(awaitUpdates(meter, 2));
    // THEN the byte gave no level but its buffer went back to the port
    EXPECT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount));
    EXPECT_EQ(meter.level().updates, 2u);
    EXPECT_EQ(meter.level().peak, 0.25f);

    // WHEN a port claims more bytes than its buffer holds
    ASSERT_TRUE(backend.input->deliver(littleEndian(alternating(8192, -8192)), TwentyMilliseconds + 1000));
    ASSERT_TRUE(awaitUpdates(meter, 3));
    EXPECT_EQ(meter.level().peak, 0.25f);
    EXPECT_EQ(meter.level().rms, 0.25f);
}

TEST(InputLevelMeter, GivenTheRampingFakeInput_WhenBuffersArrive_ThenOneUpdatePerBufferAndEachGoesBack)
{
    FakeBackend backend;
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());

    ASSERT_TRUE(backend.input->capture(5));
    ASSERT_TRUE(awaitUpdates(meter, 5));
    ASSERT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount));
    EXPECT_EQ(meter.level().updates, 5u);

    // More buffers than the meter owns: only those it queued again can come back.
    ASSERT_TRUE(backend.input->capture(InputLevelMeter::BufferCount));
    ASSERT_TRUE(backend.input->capture(InputLevelMeter::BufferCount));
    ASSERT_TRUE(awaitUpdates(meter, 5 + 2 * InputLevelMeter::BufferCount));
    EXPECT_EQ(meter.level().updates, quint64(5 + 2 * InputLevelMeter::BufferCount));
    EXPECT_GT(meter.level().peak, 0.0f);
    EXPECT_GT(meter.level().rms, 0.0f);
    EXPECT_LE(meter.level().rms, meter.level().peak);
}

TEST(InputLevelMeter, GivenAPortThatLostItsDevice_WhenBuffersComeBackUnfilled_ThenTheMeterFallsSilentAndStopsQueuing)
{
    FakeBackend backend;
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());
    ASSERT_TRUE(backend.input->deliver(littleEndian(alternating(30000, -30000))));
    ASSERT_TRUE(awaitUpdates(meter, 1));
    ASSERT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount));
    EXPECT_FALSE(meter.hasLostInput());

    backend.input->handBackAll();

    ASSERT_TRUE(QTest::qWaitFor([&] { return meter.hasLostInput(); }, 10000));
    EXPECT_EQ(meter.level().peak, 0.0f);
    EXPECT_EQ(meter.level().rms, 0.0f);
    {
        // Queued again, they would only come straight back: no endless loop.
        std::lock_guard guard(backend.input->lock);
        EXPECT_TRUE(backend.input->queued.empty());
    }

    // WHEN started afresh on a working input
    meter.stop();
    ASSERT_TRUE(meter.start());
    EXPECT_FALSE(meter.hasLostInput());
    EXPECT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount));
}

TEST(InputLevelMeter, GivenAnInputThatCannotOpen_WhenStarted_ThenItFailsWithNothingRunning)
{
    FakeBackend backend;
    backend.openSucceeds = false;
    InputLevelMeter meter(backend);

    EXPECT_FALSE(meter.start());

    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(backend.input->callLog(), QStringList({"open"}));
    {
        std::lock_guard guard(backend.input->lock);
        EXPECT_TRUE(backend.input->queued.empty());
    }
    meter.stop();
    EXPECT_EQ(backend.input->callLog(), QStringList({"open"}));
    EXPECT_EQ(meter.level().updates, 0u);

    // WHEN the input works again
    backend.openSucceeds = true;
    EXPECT_TRUE(meter.start());
    EXPECT_TRUE(meter.isRunning());
}

TEST(InputLevelMeter, GivenBuffersQueuedAtThePort_WhenStopped_ThenTheyAreHandedBackAndThePortClosedOnce)
{
    FakeBackend backend;
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());
    ASSERT_TRUE(backend.input->deliver(littleEndian(alternating(16384, -16384))));
    ASSERT_TRUE(awaitUpdates(meter, 1));
    ASSERT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount));

    meter.stop();
    meter.stop();

    EXPECT_FALSE(meter.isRunning());
    EXPECT_EQ(backend.input->callLog(), QStringList({"open", "start", "reset", "close"}));
    {
        std::lock_guard guard(backend.input->lock);
        EXPECT_TRUE(backend.input->queued.empty());
    }
    EXPECT_EQ(meter.level().peak, 0.0f);
    EXPECT_EQ(meter.level().rms, 0.0f);
    EXPECT_EQ(meter.level().updates, 1u);
}

TEST(InputLevelMeter, GivenAStoppedPort_WhenItStillReportsBuffers_ThenTheNextRunIgnoresThem)
{
    FakeBackend backend;
    InputLevelMeter meter(backend);
    ASSERT_TRUE(meter.start());
    const std::shared_ptr<FakeInput> oldInput = backend.input;
    meter.stop();
    ASSERT_TRUE(meter.start());
    ASSERT_NE(backend.input, oldInput);

    // WHEN the old port reports late, then the new one delivers a buffer
    for (int i = 0; i < 3; ++i)
        oldInput->done();
    ASSERT_TRUE(backend.input->deliver(littleEndian(alternating(4096, -4096))));

    // THEN only the new buffer counts and every new buffer is still at the new port
    ASSERT_TRUE(awaitUpdates(meter, 1));
    EXPECT_TRUE(backend.input->awaitQueued(InputLevelMeter::BufferCount));
    EXPECT_EQ(meter.level().updates, 1u);
    EXPECT_EQ(meter.level().peak, 0.125f);

    // A report after the meter is gone reaches nothing of it.
    const std::shared_ptr<FakeInput> lastInput = backend.input;
    {
        InputLevelMeter shortLived(backend);
        ASSERT_TRUE(shortLived.start());
    }
    backend.input->done();
    lastInput->done();
}

TEST(InputLevelMeter, GivenLevels_WhenShownOnTheMeter_ThenDecibelsHaveAFloorAndRedStartsAtMinusOneDecibel)
{
    EXPECT_FALSE(InputLevelMeter::nearClipping(0.0f));
    EXPECT_FALSE(InputLevelMeter::nearClipping(0.89f));
    EXPECT_TRUE(InputLevelMeter::nearClipping(0.9f));
    EXPECT_TRUE(InputLevelMeter::nearClipping(1.0f));
    EXPECT_NEAR(InputLevelMeter::toDecibels(0.9f), -0.915f, 0.001f);

    EXPECT_FLOAT_EQ(InputLevelMeter::toDecibels(1.0f), 0.0f);
    EXPECT_NEAR(InputLevelMeter::toDecibels(0.5f), -6.0206f, 0.0001f);
    EXPECT_NEAR(InputLevelMeter::toDecibels(0.1f), -20.0f, 0.0001f);
    EXPECT_NEAR(InputLevelMeter::toDecibels(0.001f), -60.0f, 0.0001f);
    EXPECT_EQ(InputLevelMeter::toDecibels(0.0001f), -60.0f);
    EXPECT_EQ(InputLevelMeter::toDecibels(0.0f), -60.0f);
    EXPECT_EQ(InputLevelMeter::toDecibels(-0.5f), -60.0f);
    EXPECT_EQ(InputLevelMeter::toDecibels(std::nanf("")), -60.0f);
}

} // namespace
