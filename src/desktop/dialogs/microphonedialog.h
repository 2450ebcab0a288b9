#pragma once

#include "audio/inputlevelmeter.h"
#include "audio/microphonetest.h"
#include "desktop/dialogs/dialogactions.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <optional>

class AudioBackend;
class LevelMeter;
class MicrophoneVolume;
class MillisecondClock;
class QLabel;
class QPushButton;
class QSlider;
class SkinResources;
class SoundPlayer;

//! "Microphone Setup": the microphone level slider, the voice sample, the 4-second test
//! recording with its playback, and a live input level meter. OK keeps the slider's level;
//! Escape or the close box restores the level the dialog opened with. GUI thread only.
class MicrophoneDialog : public QDialog
{
    Q_OBJECT
public:
    //! How often the meter is read and the test recording's deadlines are checked.
    static constexpr int TickMs = 40;

    //! volume is null on a machine without a microphone level; the test recording goes to
    //! programFolder + "temp/temp.wav". Everything but the actions (copied) must outlive the dialog.
    MicrophoneDialog(AudioBackend& backend, SoundPlayer& player, MicrophoneVolume* volume,
                     const MillisecondClock& clock, const QString& programFolder, const DialogActions& actions,
                     const SkinResources& skin, QWidget* parent = nullptr);
    ~MicrophoneDialog() override;

    void accept() override;
    void reject() override;

    //! What the 40 ms timer does: shows the input level and runs a test-recording step whose
    //! time on the clock has come. Tests call it after moving their clock.
    void tick();

    LevelMeter* levelMeter() const { return m_levelMeter; }
    const MicrophoneTest& test() const { return m_test; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct VolumeRelay;

    void startMeter();
    void stopAll();
    void showNoMicrophone();
    void applyStep(const MicTestStep& step);
    //! The level changed outside the dialog (another mixer); on the GUI thread.
    void volumeChangedElsewhere(int volume);

    MicrophoneTest m_test;
    InputLevelMeter m_meter;
    MicrophoneVolume* m_volume;
    const MillisecondClock& m_clock;
    DialogActions m_actions;
    std::shared_ptr<VolumeRelay> m_relay;
    QTimer m_ticker;
    //! Clock milliseconds when timer 1 or 2 fires; none while that timer is stopped.
    std::optional<qint64> m_timer1Due;
    std::optional<qint64> m_timer2Due;
    bool m_closed = false;
    //! The slider is being moved to a level set elsewhere; that level is not set again.
    bool m_followingVolume = false;

    QSlider* m_slider;
    QPushButton* m_playSample;
    QPushButton* m_record;
    LevelMeter* m_levelMeter;
    QLabel* m_note;
};
