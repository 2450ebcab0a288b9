#pragma once

#include "audio/recorderstate.h"
#include "audio/recordingsession.h"

#include <QtGlobal>

#include <memory>

class AudioBackend;
class MillisecondClock;
class RecorderListener;
class SoundPlayer;
class Slide;

//! Records the current slide's narration from the microphone into its WAV file and plays
//! it back, measuring both in whole seconds. Lives on the GUI thread; the wave device's
//! threads only deliver samples to the file while a recording runs.
class NarrationRecorder
{
public:
    //! Every collaborator must outlive the recorder.
    NarrationRecorder(AudioBackend& backend, SoundPlayer& player, const MillisecondClock& clock,
                      RecorderListener& listener);
    //! Finishes a recording under way (file completed, length stored) without notifying.
    ~NarrationRecorder();
    NarrationRecorder(const NarrationRecorder&) = delete;
    NarrationRecorder& operator=(const NarrationRecorder&) = delete;

    //! Starts recording the slide's narration, stopping playback first. Ignored without a
    //! slide or while a recording is under way (also when paused). A failure to start leaves
    //! the recorder Stopped and the slide and its file untouched, and says why. A take from
    //! the default microphone because the chosen one is not connected carries a notice, the
    //! first time only until the chosen one records again (or another is chosen).
    RecordingStart record(Slide* slide);
    //! Plays the slide's narration, stopping a recording first; nothing without a narration.
    void play(Slide* slide);
    //! Pauses a running recording or resumes a paused one.
    void togglePause(Slide* slide);
    //! Completes the file and stores the narration length; always ends Stopped.
    void stopRecording();
    void stopPlayback();

    //! Seconds of audio recorded so far (the last take's once stopped), rounded up: the wait
    //! for the first sample and paused time do not count.
    int recordedSeconds();
    //! A recording runs and sound has arrived from the input: only then is the author heard.
    bool isCapturing() const;
    //! Steady-clock milliseconds of the running take's first sample; -1 before it arrived.
    qint64 firstSampleTime() const;
    //! Whole seconds played so far (rounded down).
    int playedSeconds();

    //! The recording timer's step (every 250 ms): stores and returns the bar ratio (recorded
    //! audio over the limit) and stops the recording once the slide's limit of audio is in,
    //! or once the microphone went away (the listener is then told why).
    float recordingTick();
    //! The playback timer's step (every 250 ms): stores and returns the bar ratio and stops
    //! playback one second after the narration's length.
    float playbackTick();

    RecorderState state() const { return m_state; }
    //! Seconds allowed for the current recording or playback; 0 when idle.
    int limit() const { return m_limit; }
    //! The ratio the progress bar last showed; what a repaint draws.
    float barRatio() const { return m_barRatio; }
    void setBarRatio(float ratio) { m_barRatio = ratio; }
    //! A narration is playing (the bar is green).
    bool isPlaying() const { return m_playing; }

    bool recordLatched() const { return m_recordLatched; }
    //! The record button's face set 2 (paused look); it shows at the button's next repaint.
    bool recordPausedLook() const { return m_recordPausedLook; }
    bool playLatched() const { return m_playLatched; }

private:
    qint64 now() const;
    void setRecordLatched(bool latched);
    void setPlayLatched(bool latched);

    AudioBackend& m_backend;
    SoundPlayer& m_player;
    const MillisecondClock& m_clock;
    RecorderListener& m_listener;

    float m_barRatio = 0;
    RecorderState m_state = RecorderState::Stopped;
    std::unique_ptr<RecordingSession> m_recording;
    Slide* m_slide = nullptr;
    int m_limit = 0;
    int m_playedLength = 0;
    // Clock samples in milliseconds.
    qint64 m_playbackStart = 0;
    qint64 m_lastPlaySample = 0;
    int m_lastRecordedSeconds = 0;
    //! The chosen microphone the author was last told is missing; empty when none.
    QString m_toldMissing;
    bool m_playing = false;
    bool m_recordLatched = false;
    bool m_recordPausedLook = false;
    bool m_playLatched = false;
};
