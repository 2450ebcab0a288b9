#include "audio/wavedevice.h"
#include "audio/wavefilesink.h"
#include "audio/waveindevice.h"
#include "audio/wavememorysource.h"
#include "audio/waveoutdevice.h"
#include "devicetestsupport.h"
#include "fakeaudioport.h"
#include "tempfolder.h"
#include "wavebytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr quint32 bufferBytes = 4410; // 100 ms of 22050 Hz 16-bit mono

} // namespace

TEST(WaveInDevice,
     GivenARampCapture_WhenStartedTwiceRecordingASecondAndDetaching_ThenEveryByteArrivesInOrderEndingInAPartBuffer)
{
    FakeAudioBackend backend;
    MemorySink sink;
    WaveInDevice device(backend.createInputPort());
    EXPECT_FALSE(device.start()) << "no stream attached";
    ASSERT_TRUE(device.attach(&sink));
    EXPECT_EQ(device.bufferSize(), bufferBytes);

    ASSERT_TRUE(device.start());
    EXPECT_TRUE(device.start()) << "a running device reports true and does nothing";
    EXPECT_EQ(backend.state->starts, 1);
    ASSERT_TRUE(waitFor([&] { return backend.captured() >= 44100; }));
    EXPECT_TRUE(device.detach());

    const quint64 total = backend.captured();
    EXPECT_EQ(sink.bytes(), rampBytes(0, total)) << "every captured byte, in capture order";
    const std::vector<quint32> writes = sink.writes();
    ASSERT_FALSE(writes.empty());
    for (size_t i = 0; i + 1 < writes.size(); ++i)
        EXPECT_EQ(writes[i], bufferBytes) << "buffer " << i << " is full";
    EXPECT_GT(writes.back(), 0u);
    EXPECT_LT(writes.back(), bufferBytes) << "the last buffer is partly filled";
}

TEST(WaveInDevice, GivenNothingQueued_WhenDetaching_ThenItReturnsAtOnceWithNothingWritten)
{
    FakeAudioBackend backend;
    MemorySink sink;
    WaveInDevice device(backend.createInputPort());
    ASSERT_TRUE(device.attach(&sink));
    EXPECT_EQ(device.freeCount(), WaveDevice::BufferCount);

    expectReturnsWithin(2000, [&] { EXPECT_TRUE(device.detach()); });
    EXPECT_TRUE(sink.bytes().isEmpty());
    EXPECT_EQ(backend.state->closes, 1);
    EXPECT_EQ(device.freeCount(), 0) << "the buffers are freed";
}

TEST(WaveInDevice, GivenARecording_WhenAnotherStreamIsAttached_ThenTheFirstIsFlushedBeforeTheSwitch)
{
    FakeAudioBackend backend;
    MemorySink first;
    MemorySink second;
    WaveInDevice device(backend.createInputPort());
    ASSERT_TRUE(device.attach(&first));
    ASSERT_TRUE(device.start());
    ASSERT_TRUE(waitFor([&] { return backend.captured() > 3 * bufferBytes; }));

    ASSERT_TRUE(device.attach(&second));
    const quint64 before = backend.captured();
    EXPECT_EQ(first.bytes(), rampBytes(0, before)) << "the first stream got everything captured for it";
    EXPECT_EQ(backend.state->closes, 1);
    EXPECT_TRUE(second.bytes().isEmpty());

    ASSERT_TRUE(device.start());
    ASSERT_TRUE(waitFor([&] { return backend.captured() > before + bufferBytes; }));
    device.detach();
    EXPECT_EQ(second.bytes(), rampBytes(before, backend.captured() - before));
    EXPECT_EQ(first.bytes().size(), qsizetype(before)) << "nothing more reached the first stream";
}

TEST(WaveInDevice, GivenARecording_WhenPausedAndResumed_ThenDeliveryStopsAndGoesOnWithoutLoss)
{
    FakeAudioBackend backend;
    MemorySink sink;
    WaveInDevice device(backend.createInputPort());
    ASSERT_TRUE(device.attach(&sink));
    ASSERT_TRUE(device.start());
    ASSERT_TRUE(waitFor([&] { return backend.captured() > 2 * bufferBytes; }));

    device.pause();
    const quint64 atPause = backend.captured();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the pause itself
    EXPECT_EQ(backend.captured(), atPause) << "nothing is captured while paused";

    device.resume();
    ASSERT_TRUE(waitFor([&] { return backend.captured() > atPause + 2 * bufferBytes; }));
    device.detach();
    EXPECT_EQ(sink.bytes(), rampBytes(0, backend.captured()));
}

TEST(WaveInDevice, GivenADeviceThatCannotOpen_WhenRecording_ThenAttachFailsAndTheFileKeepsNoSamples)
{
    FakeAudioBackend backend;
    backend.state->failOpen = true;
    TempFolder folder;
    const QString path = folder.file("take.wav");
    {
        WaveFileSink sink(path, 22050, 16, 1);
        WaveInDevice device(backend.createInputPort());
        EXPECT_FALSE(device.attach(&sink));
        EXPECT_FALSE(device.isOpen());
        EXPECT_TRUE(device.start()) << "a stream is attached, so the threads run";
        // Let the threads cycle buffers through the unopened device for a while.
        ASSERT_TRUE(waitFor([&] { return device.deviceCount() > 0 || device.freeCount() < WaveDevice::BufferCount; }));
        expectReturnsWithin(2000, [&] { EXPECT_TRUE(device.detach()); });
        sink.close();
    }
    const QByteArray file = TempFolder::read(path);
    ASSERT_EQ(file.size(), 44);
    EXPECT_EQ(wavebytes::field32(file, 40), 0u) << "data size";
}

TEST(WaveInDevice, GivenARunningRecording_WhenTheDeviceIsDestroyed_ThenItFlushesAndEnds)
{
    FakeAudioBackend backend;
    MemorySink sink;
    auto device = std::make_unique<WaveInDevice>(backend.createInputPort());
    ASSERT_TRUE(device->attach(&sink));
    ASSERT_TRUE(device->start());
    ASSERT_TRUE(waitFor([&] { return backend.captured() > bufferBytes + 100; }));

    expectReturnsWithin(2000, [&] { device.reset(); });
    EXPECT_EQ(sink.bytes(), rampBytes(0, backend.captured()));
    EXPECT_EQ(backend.state->closes, 1);
}

TEST(WaveOutDevice, GivenAShortSound_WhenPlayedToTheEnd_ThenEveryByteIsPlayedAndTheBuffersStayFreeAndEmpty)
{
    FakeAudioBackend backend;
    const QByteArray samples = wavebytes::ramp(3 * bufferBytes + 1000);
    WaveMemorySource source(wavebytes::pcmWave(samples));
    WaveOutDevice device(backend.createOutputPort());
    ASSERT_TRUE(device.attach(&source));
    EXPECT_FALSE(device.isDrained()) << "not started";
    ASSERT_TRUE(device.start());

    ASSERT_TRUE(waitFor([&] { return device.isDrained(); }));
    EXPECT_EQ(backend.played(), samples);
    EXPECT_EQ(device.freeCount(), WaveDevice::BufferCount);
    EXPECT_EQ(device.readyCount(), 0);
    EXPECT_EQ(device.deviceCount(), 0);
    const int submits = backend.state->submits;
    EXPECT_EQ(submits, 4);
    // A few more cycles of the running threads submit nothing more.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(backend.state->submits, submits);
    EXPECT_EQ(backend.state->emptySubmits, 0);
}

TEST(WaveOutDevice, GivenPlayback_WhenPausedResumedAndRewound_ThenItHoldsGoesOnAndStartsAgain)
{
    FakeAudioBackend backend;
    const QByteArray samples = wavebytes::ramp(20 * bufferBytes);
    WaveMemorySource source(wavebytes::pcmWave(samples));
    WaveOutDevice device(backend.createOutputPort());
    ASSERT_TRUE(device.attach(&source));
    ASSERT_TRUE(device.start());
    ASSERT_TRUE(waitFor([&] { return backend.played().size() > qsizetype(bufferBytes); }));

    device.pause();
    const qsizetype atPause = backend.played().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // the pause itself
    EXPECT_EQ(backend.played().size(), atPause);
    device.resume();
    ASSERT_TRUE(waitFor([&] { return backend.played().size() > atPause + qsizetype(bufferBytes); }));
    EXPECT_EQ(backend.played(), samples.left(backend.played().size())) << "nothing skipped across the pause";

    ASSERT_TRUE(device.rewind());
    const qsizetype beforeRewind = backend.played().size();
    ASSERT_TRUE(device.start());
    ASSERT_TRUE(waitFor([&] { return backend.played().size() > beforeRewind + 100; }));
    EXPECT_EQ(backend.played().mid(beforeRewind, 100), samples.left(100)) << "plays from the start again";
    device.detach();
    EXPECT_FALSE(device.seek(0, true)) << "no stream attached";
}
