#pragma once

#include <QString>

#include <memory>

class AudioBackend;
class WaveFileSink;
class WaveInDevice;

//! Why a recording did not start.
enum class RecordingError {
    None,
    Ignored,        //!< nothing to record, or a recording is already under way
    FileNotCreated, //!< the wave file cannot be written
    NoInput,        //!< the input device cannot open (no sound server, no microphone)
};

//! The outcome of asking for a recording: the error and the text to show the user.
struct RecordingStart
{
    RecordingError error = RecordingError::None;
    QString message; //!< empty when started or ignored

    bool started() const { return error == RecordingError::None; }
};

//! The user's text for a recording that could not start; path is the file it was to write.
QString recordingErrorText(RecordingError error, const QString& path);

//! One recording from the default input into a wave file of the recording format (22050 Hz,
//! 16 bits, mono): the sink and the input device that feeds it. Used on one thread.
class RecordingSession
{
public:
    //! Creates the file and starts capturing. Null when either cannot be done; result then
    //! says why, and the file at path is as it was before (an earlier recording survives).
    static std::unique_ptr<RecordingSession> start(AudioBackend& backend, const QString& path,
                                                   RecordingStart& result);
    //! Finishes the recording.
    ~RecordingSession();
    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    //! Stops capturing at once; captured bytes stay in the device's buffers.
    void pause();
    void resume();
    //! Flushes every captured byte into the file and closes it; blocks for the device's flush.
    //! Later calls do nothing.
    void finish();

private:
    RecordingSession(std::unique_ptr<WaveFileSink> sink, std::unique_ptr<WaveInDevice> device);

    std::unique_ptr<WaveFileSink> m_sink;
    std::unique_ptr<WaveInDevice> m_device;
};
