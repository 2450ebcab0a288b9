#pragma once

#include <QObject>

#include <functional>
#include <memory>

class AudioBackend;
class MicrophoneVolume;
class MillisecondClock;
class ProgramSettings;
class Prompter;
class QWidget;
class SkinResources;
class SoundPlayer;
class UserAccount;
struct DialogActions;

//! The program's own dialogs, apart from the story: Program Settings, the account, the
//! tutorial, About and Microphone Setup, the messages at start-up, and the settings file they
//! write. Everything given must outlive it.
class ProgramDialogs : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        QString programFolder;
        ProgramSettings& settings;
        UserAccount& account;
        AudioBackend& audio;
        SoundPlayer& player;
        const MillisecondClock& clock;
        Prompter& prompter;
        const SkinResources& skin;
        DialogActions& actions;
        //! Opens the level control of a microphone by its sound-server name (empty: the default).
        std::function<std::unique_ptr<MicrophoneVolume>(const QString& device)> microphoneVolume;
    };

    //! window: the main window, whose rectangle the settings file keeps.
    ProgramDialogs(const Services& services, QWidget& window);

    void programSettings();
    void account(QWidget* owner, int parameter);
    void tutorial();
    void about();
    //! The test recording needs the microphone and the speaker: the caller stops its audio first.
    //! A microphone chosen there is written to the settings file at once.
    void microphone(QWidget* owner);
    //! A message naming any data table the program folder lacks, the tutorial on a first start,
    //! then the account dialog while the user name or the password is empty.
    void startUp(bool firstStart);

    //! Reads the settings file into the settings and the account, then places the window
    //! (on a screen that exists). False when the file could not be opened (a first start).
    bool loadSettings(QSize minimumSize);
    //! Writes the window's rectangle and every setting to the settings file.
    bool saveSettings();

private:
    //! Writes the settings file at once (after a dialog's OK); says so when it cannot.
    void saveSettingsNow();

    Services m_services;
    QWidget& m_window;
};
