#pragma once

#include "audio/recordingsession.h"

#include <QString>

#include <memory>
#include <optional>

class AudioBackend;
class MicrophoneVolume;
class SoundPlayer;

//! What the microphone-setup dialog does after one of its steps.
struct MicTestStep
{
    QString buttonText; //!< the Record button's text from now on
    int startTimer = 0; //!< 1 or 2: start that timer with MicrophoneTest::TimerMs; 0: none
    int stopTimer = 0;  //!< 1 or 2: stop that timer; 0: none
    QString error;      //!< a test recording could not start: show this to the user
};

//! The microphone-setup dialog without its widgets: the level slider, the voice sample and
//! the 4-second test recording with its playback. Lives on the GUI thread; the dialog owns
//! the two timers and calls timer1() and timer2() when they fire.
class MicrophoneTest
{
public:
    static constexpr int TimerMs = 4000;

    //! volume is null on a machine without a microphone level; every collaborator must
    //! outlive the test. The test recording goes to workingFolder + "temp.wav".
    MicrophoneTest(AudioBackend& backend, SoundPlayer& player, MicrophoneVolume* volume, const QString& workingFolder);
    //! Finishes a test recording still under way.
    ~MicrophoneTest();
    MicrophoneTest(const MicrophoneTest&) = delete;
    MicrophoneTest& operator=(const MicrophoneTest&) = delete;

    //! The dialog opens: remembers the level to restore on Cancel. The slider's position
    //! (0..100), or none when the slider stays unset.
    std::optional<int> open();
    //! Another microphone was chosen: the slider works on its level control from now on (null
    //! for none), and Cancel restores the level it has now. The old control's level stays as
    //! set. The slider's position for the new level, or none as for open.
    std::optional<int> useVolume(MicrophoneVolume* volume);
    //! The user let go of the slider: the level follows it now.
    void sliderReleased(int position);
    //! Plays the embedded voice sample the recording should sound like.
    void playSample();
    //! Starts a test recording; ignored while one runs.
    MicTestStep record();
    //! Timer 1: the test recording ends and plays back.
    MicTestStep timer1();
    //! Timer 2: the playback's time is over.
    MicTestStep timer2();
    //! OK with the slider's position: keeps that level.
    void ok(int sliderPosition);
    //! Cancel, Escape or the close box: restores the level the dialog opened with.
    void cancel();

    bool isRecording() const { return m_recording != nullptr; }
    QString buttonText() const { return m_buttonText; }
    QString recordingPath() const { return m_path; }

private:
    void stopTestRecording();

    AudioBackend& m_backend;
    SoundPlayer& m_player;
    MicrophoneVolume* m_volume;
    QString m_path;
    std::unique_ptr<RecordingSession> m_recording;
    QString m_buttonText;
    int m_savedVolume = -1;
    bool m_sliderSet = false;
    bool m_timer2Running = false;
};
