#pragma once

#include "audio/recorderlistener.h"

#include <QBasicTimer>
#include <QObject>
#include <QPoint>

#include <memory>

class AudioBackend;
class InputLevelMeter;
class LevelMeter;
class MillisecondClock;
class NarrationRecorder;
class Prompter;
class QLabel;
class QPainter;
class QWidget;
class RecordNarrationCommand;
class SkinResources;
class SkinnedButton;
class Slide;
class SoundPlayer;
class StatusDisplay;
class Story;
struct MainLayout;

//! Record, Play and Stop for the current slide, the time display with its live input level,
//! and the audio progress bar drawn on the canvas. Owns the recorder. A take is one undo step
//! ("Record Narration"): the old take is moved aside when recording starts and the step is
//! pushed when the take stops; clearing a narration is another step. GUI thread only.
class NarrationControls : public QObject, public RecorderListener
{
    Q_OBJECT
public:
    //! Period of the recording and playback progress timers.
    static constexpr int ProgressTimerMs = 250;
    //! How often the level meter shows the input level.
    static constexpr int LevelMeterMs = 40;

    struct Services
    {
        AudioBackend& audio;
        SoundPlayer& player;
        const MillisecondClock& clock;
        Prompter& prompter;
        //! Read by the level meter while a narration records; null: no meter.
        AudioBackend* levelInput = nullptr;
    };

    NarrationControls(Story& story, const Services& services, const SkinResources& skin, QWidget* canvas);
    ~NarrationControls() override;

    NarrationRecorder& recorder() { return *m_recorder; }
    StatusDisplay* timeDisplay() const { return m_timeDisplay; }
    LevelMeter* levelMeter() const { return m_levelMeter; }
    bool recordingTimerActive() const { return m_recordTimer.isActive(); }
    bool playbackTimerActive() const { return m_playTimer.isActive(); }

    void place(const MainLayout& layout);
    void play();
    //! Records the current slide (asking first when it has a narration), or pauses and
    //! resumes the take under way.
    void record();
    void stop();
    //! The record key: stops a take under way (recording or paused), otherwise records.
    void recordOrStop();
    //! Finishes a recording (kept, and its step pushed) and stops a playback.
    void stopAudio();
    //! Finishes a recording (kept, and its step pushed), e.g. before its slide is deleted.
    void stopRecording();
    //! Asks, then clears the current slide's narration as an undoable step.
    void clearNarration();
    //! The status word and time for the current slide and the recorder's state.
    void refreshTime();
    void levelMeterTick();
    //! Draws the progress bar on a canvas of that size.
    void paintProgress(QPainter& painter, QSize canvas) const;

    // RecorderListener: the recorder's notices (the window's commands 500 to 503).
    void recordingStarted() override;
    void playbackStarted() override;
    void recordingStopped() override;
    void playbackStopped() override;
    void recordButtonChanged() override;
    void playButtonChanged() override;
    //! Tells the author the take ended because the microphone went away.
    void recordingInterrupted(const QString& message) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    Slide* currentSlide() const;
    //! Pushes the step of a take that has stopped; nothing while it still records.
    void finishTake();
    void syncButtons();
    void progressTick(bool recording);
    void updateCanvas();
    void startLevelMeter();
    void stopLevelMeter();

    Story& m_story;
    Services m_services;
    QWidget* m_canvas;
    std::unique_ptr<NarrationRecorder> m_recorder;
    //! Reads levelInput while a narration records; none without that service.
    std::unique_ptr<InputLevelMeter> m_inputMeter;
    //! The take being recorded: pushed when it stops.
    std::unique_ptr<RecordNarrationCommand> m_pendingTake;
    int m_pendingTakeSlide = -1;
    SkinnedButton* m_recordButton = nullptr;
    SkinnedButton* m_playButton = nullptr;
    SkinnedButton* m_stopButton = nullptr;
    QLabel* m_audioLabel = nullptr;
    StatusDisplay* m_timeDisplay = nullptr;
    LevelMeter* m_levelMeter = nullptr;
    QPoint m_progressBarAt;
    QBasicTimer m_recordTimer;
    QBasicTimer m_playTimer;
    QBasicTimer m_meterTimer;
};
