#pragma once

// Services for a main window that is only looked at or timed: no sound device, no browser,
// nobody to answer questions. Shared by the screenshot tool and the start-up benchmark.
#include "audio/audiobackend.h"
#include "audio/audioport.h"
#include "audio/soundplayer.h"
#include "audio/steadymillisecondclock.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/windows/mainwindow.h"
#include "shell/browseropener.h"
#include "shell/programsettings.h"

#include <QTextStream>

#include <memory>

//! A sound device that is never there: opening fails, so nothing records or plays.
class AbsentAudioPort final : public AudioPort
{
public:
    bool open(const WaveFormat&, BufferDone) override { return false; }
    void close() override {}
    void submit(WaveBuffer&) override {}
    void start() override {}
    void pause() override {}
    void resume() override {}
    void reset() override {}
};

class AbsentAudioBackend final : public AudioBackend
{
public:
    std::unique_ptr<AudioPort> createInputPort() override { return std::make_unique<AbsentAudioPort>(); }
    std::unique_ptr<AudioPort> createOutputPort() override { return std::make_unique<AbsentAudioPort>(); }
};

class SilentSoundPlayer final : public SoundPlayer
{
public:
    void playFile(const QString&) override {}
    void playWav(const QByteArray&) override {}
    void purge() override {}
    bool isPlaying() const override { return false; }
};

//! Opens nothing and says so.
class NoBrowser final : public BrowserOpener
{
public:
    bool openAddress(const QUrl&) override { return false; }
};

//! Answers as a user who keeps every narration and picks no file; messages go to stderr so a
//! run that meets one shows why.
class UnattendedPrompter final : public Prompter
{
public:
    SaveAnswer askSaveChanges() override { return SaveAnswer::No; }
    void inform(const QString& caption, const QString& text, Icon) override
    {
        QTextStream(stderr) << caption << ": " << text << "\n";
    }
    bool confirmNarrationPrompt(NarrationPrompt) override { return false; }
    QString choosePicture(const QString&) override { return {}; }
    bool askYesNo(const QString&, const QString&) override { return false; }
};

//! Everything a MainWindow needs besides its program folder; must outlive every window made from it.
struct QuietServices
{
    ProgramSettings settings;
    AbsentAudioBackend audio;
    SilentSoundPlayer player;
    SteadyMillisecondClock clock;
    NoBrowser browser;
    UnattendedPrompter prompter;
    //! The web service's address the window and its dialogs build links on; nothing connects.
    const QString serviceBase = QStringLiteral("http://127.0.0.1:8642");

    //! programFolder ends with "/"; importer null leaves pictures unimported.
    MainWindowServices forFolder(const QString& programFolder, PictureImportService* importer)
    {
        settings.setProgramFolder(programFolder);
        return MainWindowServices{programFolder, settings, audio,    player,     clock,
                                  browser,       prompter, importer, serviceBase};
    }

    //! As forFolder, but narrations record from microphone and the level meter under the time
    //! display reads it too; microphone must outlive the window.
    MainWindowServices withMicrophone(const QString& programFolder, PictureImportService* importer,
                                      AudioBackend& microphone)
    {
        settings.setProgramFolder(programFolder);
        return MainWindowServices{programFolder, settings, microphone, player,      clock,
                                  browser,       prompter, importer,   serviceBase, &microphone};
    }
};
