#pragma once

#include "audio/audiobackend.h"
#include "audio/audioport.h"
#include "audio/microphonevolume.h"
#include "audio/millisecondclock.h"
#include "audio/recorderlistener.h"
#include "audio/soundplayer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

//! The shared state of one fake microphone port: what the device queued, what the port
//! did, and the ramp it "captures" on demand.
struct FakeInput
{
    bool openSucceeds = true;

    std::mutex lock;
    std::condition_variable queuedChanged;
    std::deque<WaveBuffer*> queued;
    AudioPort::BufferDone done;
    QStringList calls;   //!< "open", "start", "pause", "resume", "reset", "close" in order
    QByteArray captured; //!< every byte handed to the device, in capture order
    int nextRampValue = 0;
    WaveFormat opened{0, 0, 0}; //!< the format of the latest open
    QString device;             //!< the chosen source the port was made for; empty: the default
    bool openedDefault = false; //!< the chosen source was missing: the port records from the default
    std::atomic<bool> lost{false};

    //! Fills the oldest count queued buffers with the ramp and reports them finished; waits
    //! (bounded) for the device to queue them. False when it did not in time.
    bool capture(int count);
    //! Fills the oldest queued buffer with bytes, reported as the first `reported` of them
    //! (all when negative), and reports it finished; false when none was queued in time.
    bool deliver(const QByteArray& bytes, qint64 reported = -1);
    //! Waits (bounded) until exactly count buffers are queued.
    bool awaitQueued(size_t count);
    //! Hands every queued buffer back unfilled, as a reset does and as a device that went away.
    void handBackAll();
    //! The device is unplugged: queued buffers come back unfilled, later ones at once.
    void loseDevice();
    QStringList callLog();
};

//! A port that records nothing until the test calls FakeInput::capture.
class FakeInputPort : public AudioPort
{
public:
    explicit FakeInputPort(std::shared_ptr<FakeInput> input) : m_input(std::move(input)) {}
    bool open(const WaveFormat& format, BufferDone bufferDone) override;
    void close() override;
    void submit(WaveBuffer& buffer) override;
    void start() override;
    void pause() override;
    void resume() override;
    void reset() override;
    bool openedDefaultInstead() const override { return m_input->openedDefault; }
    bool deviceLost() const override { return m_input->lost; }

private:
    void log(const char* call);
    std::shared_ptr<FakeInput> m_input;
};

//! Hands out fake input ports; remembers the latest one's state. Ports made while the chosen
//! source is among the missing ones record from the default instead.
class FakeBackend : public AudioBackend
{
public:
    bool openSucceeds = true;
    int inputPortsMade = 0;
    std::shared_ptr<FakeInput> input;
    //! Chosen sources that are not plugged in.
    QStringList missing;
    //! Known descriptions of sources by name, for inputDeviceLabel.
    std::map<QString, QString> labels;

    std::unique_ptr<AudioPort> createInputPort() override;
    std::unique_ptr<AudioPort> createOutputPort() override { return nullptr; }
    void setInputDevice(const QString& name) override { m_device = name; }
    QString inputDevice() const override { return m_device; }
    QString inputDeviceLabel() const override;
    //! Answers with the sources set last; counts the calls. Any thread.
    InputSourceList listInputSources() override;
    std::unique_ptr<InputSourceWatch> watchInputSources(std::function<void()> changed) override;

    //! What the next listings answer.
    void setSources(const InputSourceList& list);
    int listings() const;
    //! Tells a watcher that the sources changed, as the server would on its own thread;
    //! false when nobody watches.
    bool announceSourcesChanged();
    bool isWatched() const;

private:
    struct Watch;

    QString m_device;
    mutable std::mutex m_sourcesLock;
    InputSourceList m_sources;
    int m_listings = 0;
    std::function<void()> m_changed;
};

//! Records what was played: "file:PATH", "wav:SIZE", "purge".
class FakeSoundPlayer : public SoundPlayer
{
public:
    QStringList calls;
    void playFile(const QString& path) override { calls << QStringLiteral("file:") + path; }
    void playWav(const QByteArray& wav) override { calls << QStringLiteral("wav:%1").arg(wav.size()); }
    void purge() override { calls << QStringLiteral("purge"); }
    bool isPlaying() const override { return false; }
};

//! Time that moves only when the test says so.
class FakeClock : public MillisecondClock
{
public:
    qint64 now = 1'000'000;
    qint64 milliseconds() const override { return now; }
    void advance(qint64 ms) { now += ms; }
};

//! Records the recorder's notifications as the window's command ids (500 to 503).
class EventLog : public RecorderListener
{
public:
    std::vector<int> commands;
    int recordButtonRepaints = 0;
    int playButtonRepaints = 0;

    void recordingStarted() override { commands.push_back(500); }
    void playbackStarted() override { commands.push_back(501); }
    void recordingStopped() override { commands.push_back(502); }
    void playbackStopped() override { commands.push_back(503); }
    void recordButtonChanged() override { ++recordButtonRepaints; }
    void playButtonChanged() override { ++playButtonRepaints; }
    //! Kept in interruptions; the command list gets -1.
    void recordingInterrupted(const QString& message) override
    {
        commands.push_back(-1);
        interruptions << message;
    }

    QStringList interruptions;
};

//! A volume control of a chosen range that remembers every level set.
class FakeMicrophoneVolume : public MicrophoneVolume
{
public:
    int min = 0;
    int max = 65535;
    int volume = 32768;
    bool readable = true;
    std::vector<int> levelsSet;

    bool hasVolumeControl() const override { return true; }
    int volumeMin() const override { return min; }
    int volumeMax() const override { return max; }
    int volumeSteps() const override { return max - min + 1; }
    int getVolume() const override { return readable ? volume : -1; }
    void setVolume(int v) override
    {
        if (v < min || v > max)
            return;
        volume = v;
        levelsSet.push_back(v);
    }
    void setChangeListener(ChangeListener) override {}
};
