#pragma once

#include "audio/inputlevelmeter.h"
#include "audio/inputsource.h"
#include "audio/microphonetest.h"
#include "desktop/dialogs/dialogactions.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class AudioBackend;
class InputSourceMonitor;
class LevelMeter;
class MicrophoneVolume;
class MillisecondClock;
class ProgramSettings;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class SkinResources;
class SoundPlayer;

//! "Microphone Setup": the microphone to record from, the microphone level slider, the voice
//! sample, the 4-second test recording with its playback, and a live input level meter. A
//! microphone chosen is used at once (the meter switches to it) and kept in the settings; OK
//! keeps the slider's level; Escape or the close box restores the level the dialog opened with.
//! GUI thread only.
class MicrophoneDialog : public QDialog
{
    Q_OBJECT
public:
    //! How often the meter is read and the test recording's deadlines are checked.
    static constexpr int TickMs = 40;
    //! Opens the level control of a microphone (empty name: the default one); null when it
    //! has none.
    using VolumeOpener = std::function<std::unique_ptr<MicrophoneVolume>(const QString& device)>;

    //! volume is null on a machine without a microphone level; settings keep the chosen
    //! microphone; the test recording goes to programFolder + "temp/temp.wav". Everything but
    //! the actions (copied) must outlive the dialog.
    MicrophoneDialog(AudioBackend& backend, SoundPlayer& player, MicrophoneVolume* volume, ProgramSettings& settings,
                     const MillisecondClock& clock, const QString& programFolder, const DialogActions& actions,
                     const SkinResources& skin, QWidget* parent = nullptr);
    ~MicrophoneDialog() override;

    //! The slider follows the microphone chosen in the dialog: its level control comes from
    //! opener. Without one the slider keeps the control it was given.
    void setVolumeOpener(VolumeOpener opener) { m_openVolume = std::move(opener); }

    void accept() override;
    void reject() override;

    //! What the 40 ms timer does: shows the input level and runs a test-recording step whose
    //! time on the clock has come. Tests call it after moving their clock.
    void tick();

    LevelMeter* levelMeter() const { return m_levelMeter; }
    const MicrophoneTest& test() const { return m_test; }
    QComboBox* microphoneChooser() const { return m_chooser; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Relay;

    void startMeter();
    //! The meter reads the chosen microphone from now on.
    void restartMeter();
    void stopAll();
    void showNoMicrophone();
    //! A new listing of the microphones came; the meter follows a chosen one plugged back in.
    void showSources(const InputSourceList& list);
    //! The chooser lists the microphones last listed, the chosen one selected.
    void fillChooser();
    //! The author picked the chooser's entry at index.
    void microphoneChosen(int index);
    //! The slider works on the level of the microphone of that name from now on.
    void followVolumeOf(const QString& device);
    void applyStep(const MicTestStep& step);
    //! The level changed outside the dialog (another mixer); on the GUI thread.
    void volumeChangedElsewhere(int volume);

    AudioBackend& m_backend;
    ProgramSettings& m_settings;
    MicrophoneTest m_test;
    InputLevelMeter m_meter;
    MicrophoneVolume* m_volume;
    //! The level control of a microphone chosen in the dialog, when the opener gave one.
    std::unique_ptr<MicrophoneVolume> m_ownVolume;
    VolumeOpener m_openVolume;
    const MillisecondClock& m_clock;
    DialogActions m_actions;
    std::shared_ptr<Relay> m_relay;
    //! Lists the microphones while the dialog shows.
    std::unique_ptr<InputSourceMonitor> m_sources;
    //! The latest listing that came through.
    InputSourceList m_listed;
    bool m_listedOnce = false;
    QTimer m_ticker;
    //! Clock milliseconds when timer 1 or 2 fires; none while that timer is stopped.
    std::optional<qint64> m_timer1Due;
    std::optional<qint64> m_timer2Due;
    bool m_closed = false;
    //! The slider is being moved to a level set elsewhere; that level is not set again.
    bool m_followingVolume = false;

    QComboBox* m_chooser;
    QSlider* m_slider;
    QPushButton* m_playSample;
    QPushButton* m_record;
    LevelMeter* m_levelMeter;
    QLabel* m_note;
};
