#pragma once

#include "audio/audiobackend.h"
#include "audio/audioport.h"

#include <QString>

#include <memory>
#include <mutex>

class WarmInput;

//! The sound server's side of wave devices: each port is a PulseAudio stream on the chosen
//! source (the default one unless chosen) or the default sink ($PULSE_SERVER when set), with
//! its own connection and threaded main loop. prepareInput keeps one input stream open and
//! running between recordings; the next input port takes it over, so a recording starts
//! without waiting for the server or the source. Its methods may be called from any thread.
class PulseAudioBackend : public AudioBackend
{
public:
    PulseAudioBackend();
    //! Waits for an input still being prepared and closes it.
    ~PulseAudioBackend() override;
    std::unique_ptr<AudioPort> createInputPort() override;
    std::unique_ptr<AudioPort> createOutputPort() override;
    void prepareInput() override;
    //! Blocks until an input being prepared is open (or failed to open); true when it is ready.
    bool waitForPreparedInput();
    //! Why the last port of this backend that failed to open did so; empty when none failed.
    QString lastError() const;

    //! A prepared input on another source is closed and the chosen one prepared instead.
    void setInputDevice(const QString& name) override;
    QString inputDevice() const override;
    QString inputDeviceLabel() const override;
    //! Also learns the chosen source's description when it is listed.
    InputSourceList listInputSources() override;
    std::unique_ptr<InputSourceWatch> watchInputSources(std::function<void()> changed) override;

    //! Shared with the ports, which may outlive the backend.
    struct ErrorNote
    {
        mutable std::mutex lock;
        QString text;
    };

    //! The source input ports record from; shared with the prepared input.
    struct InputChoice
    {
        mutable std::mutex lock;
        QString name;        //!< empty: the server's default
        QString description; //!< empty until the source was seen

        QString currentName() const
        {
            std::lock_guard guard(lock);
            return name;
        }
        //! Keeps the description when name is still the chosen source.
        void learn(const QString& source, const QString& text)
        {
            std::lock_guard guard(lock);
            if (source == name && !text.isEmpty())
                description = text;
        }
    };

private:
    std::shared_ptr<ErrorNote> m_error;
    std::shared_ptr<InputChoice> m_choice;
    std::shared_ptr<WarmInput> m_warm;
    //! The last listing, for the description of a source chosen from it.
    mutable std::mutex m_listedLock;
    InputSourceList m_listed;
};
