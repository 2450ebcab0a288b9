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
    //! Started, but from the default microphone: the chosen one is not connected. The
    //! author's text for that; empty otherwise.
    QString notice;

    bool started() const { return error == RecordingError::None; }
};

//! The user's text for a recording that could not start; path is the file it was to write.
QString recordingErrorText(RecordingError error, const QString& path);
//! The user's text for a recording from the default microphone because the chosen one, known
//! to the user as label, is not connected.
QString missingMicrophoneText(const QString& label);
//! The user's text for a narration whose microphone went away while it recorded.
QString microphoneDisconnectedText();

//! One recording from the chosen input into a wave file of the recording format (22050 Hz,
//! 16 bits, mono): the sink and the input device that feeds it. The file is written as the
//! samples come and stays a readable wave throughout. Used on one thread.
class RecordingSession
{
public:
    //! Creates the file and starts capturing. Null when either cannot be done; result then
    //! says why, and the file at path is as it was before (an earlier recording survives).
    //! maxSeconds above 0 caps the take: samples past it are not written.
    static std::unique_ptr<RecordingSession> start(AudioBackend& backend, const QString& path, RecordingStart& result,
                                                   double maxSeconds = 0);
    //! Bytes per second of the recording format.
    static constexpr quint32 BytesPerSecond = 44100;
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

    //! Bytes of samples in the file so far (all of them once finished).
    quint32 recordedBytes() const;
    //! The recorded audio's length in seconds, rounded up: what the slide stores.
    int recordedSeconds() const;
    //! The cap on recorded bytes has been reached (never without a cap).
    bool reachedLimit() const;
    //! The input has delivered sound since the start: the take is really recording.
    bool audioArrived() const;
    //! Steady-clock milliseconds of the first captured sample; -1 before (or when the port
    //! does not tell).
    qint64 firstSampleTime() const;
    //! The microphone went away (unplugged, or the sound server ended) while the take ran:
    //! nothing more is recorded; the file holds what came before.
    bool inputLost() const;

private:
    RecordingSession(std::unique_ptr<WaveFileSink> sink, std::unique_ptr<WaveInDevice> device, quint32 byteLimit);

    std::unique_ptr<WaveFileSink> m_sink;
    std::unique_ptr<WaveInDevice> m_device;
    quint32 m_byteLimit = 0;
    quint32 m_finalBytes = 0;
};
