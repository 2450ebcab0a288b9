#pragma once

#include "audio/audioport.h"
#include "audio/pulseaudiobackend.h"

#include <future>
#include <memory>
#include <mutex>

class PulseInputPort;

//! One input stream in the recording format on the chosen source, opened ahead of time and
//! kept running without capturing, lent to one recording at a time. Shared by the backend and
//! the port it lends, so either may go first.
class WarmInput : public std::enable_shared_from_this<WarmInput>
{
public:
    WarmInput(std::shared_ptr<PulseAudioBackend::ErrorNote> note,
              std::shared_ptr<PulseAudioBackend::InputChoice> choice);
    ~WarmInput();

    //! Starts opening the stream on a background thread unless it is open, opening or lent.
    //! A chosen source that is not there leaves nothing prepared: the next recording opens
    //! its own port, which tries the chosen source again and records from the default one.
    void prepare();
    //! The stream as a port for one recording; null when it is lent already, did not open or
    //! is on another source than the chosen one (the caller then opens a port of its own).
    //! Waits for an opening under way.
    std::unique_ptr<AudioPort> lease();
    //! Another source was chosen: a stream standing by on the old one is closed and the new
    //! one prepared; an opening under way opens the new one once it is done.
    void choiceChanged();
    //! Waits for an opening under way; true when a stream stands by.
    bool waitUntilPrepared();
    //! Waits for an opening under way and closes the stream.
    void shutDown();

    //! The format every warm stream is opened with: the recording format.
    static WaveFormat format();

private:
    friend class LeasedInputPort;
    //! The lent stream comes back; a failed one is closed, to be opened again by prepare.
    void giveBack(std::unique_ptr<PulseInputPort> port);
    void waitForOpening(std::unique_lock<std::mutex>& lock);

    std::shared_ptr<PulseAudioBackend::ErrorNote> m_note;
    std::shared_ptr<PulseAudioBackend::InputChoice> m_choice;
    std::mutex m_lock;
    std::unique_ptr<PulseInputPort> m_port; //!< open and standing by, or null
    std::future<std::unique_ptr<PulseInputPort>> m_opening;
    bool m_lent = false;
    bool m_shutDown = false;
};
