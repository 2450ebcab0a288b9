#pragma once

#include "audio/microphonevolume.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>

class PulseConnection;

//! The PulseAudio index of the default source when it is a real input (not the monitor of
//! an output); -1 when it is a monitor, or no server answers.
int findMicrophoneSource();

//! The recording level of the microphone (a chosen source, else the server's default one),
//! read and set through PulseAudio. Volumes run from 0 to PA_VOLUME_NORM (65536, the source's 100 %).
//! Its own methods are called from one thread; the change listener runs on libpulse's.
class InputVolume final : public MicrophoneVolume
{
public:
    //! The level of the source of that server name; of the default source when source is
    //! empty or not there (ports then record from the default too). Null when there is no
    //! sound server, the source is a monitor, or it has no volume.
    static std::unique_ptr<InputVolume> create(const QString& source = {});
    ~InputVolume() override;

    bool hasVolumeControl() const override { return true; }
    int volumeMin() const override { return 0; }
    //! PA_VOLUME_NORM: levels above it amplify and are not offered.
    int volumeMax() const override;
    int volumeSteps() const override { return m_steps; }
    //! Asks the server; blocks for its answer.
    int getVolume() const override;
    //! Sets every channel and waits until the server has applied it.
    void setVolume(int volume) override;
    //! The listener is called on libpulse's thread whenever the source's level changes
    //! (whoever changed it), with the first channel's level. It must not block and must not
    //! call back into this object: hand the value to the owner's thread (a queued call).
    void setChangeListener(ChangeListener listener) override;

    //! The source's PulseAudio index.
    quint32 sourceIndex() const { return m_index; }

private:
    InputVolume(std::unique_ptr<PulseConnection> connection, quint32 index, int steps, int volume);
    bool subscribe();
    //! On the loop's thread: some source changed.
    void sourceChanged(quint32 index);
    //! On the loop's thread: the source's level as the server reports it now.
    void levelSeen(int volume);

    std::unique_ptr<PulseConnection> m_connection;
    quint32 m_index;
    int m_steps;
    std::atomic<int> m_lastSeen;
    std::mutex m_listenerLock;
    ChangeListener m_listener;
};
