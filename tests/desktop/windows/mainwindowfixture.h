#pragma once

#include "audio/narrationrecorder.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/windows/mainwindow.h"
#include "pictures/pictureimporter.h"
#include "recorderfakes.h"
#include "shell/browseropener.h"
#include "shell/programsettings.h"
#include "story/story.h"
#include "tempfolder.h"

#include <QCoreApplication>
#include <QImage>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

//! Answers the window's questions from queues and keeps a record of everything asked.
class ScriptedPrompter : public Prompter
{
public:
    std::deque<SaveAnswer> saveAnswers;
    int saveQuestions = 0;
    std::deque<bool> narrationAnswers;
    std::vector<NarrationPrompt> narrationPrompts;
    QStringList messages; //!< "caption|text"
    QString pictureToChoose;
    //! The answer of a chooser taking several pictures; empty: pictureToChoose alone.
    QStringList picturesToChoose;
    QStringList pictureFolders;
    std::deque<bool> yesNoAnswers; //!< empty: No, the default answer
    QStringList questions;         //!< "caption|question"
    QString audioToChoose;
    QStringList audioFolders;
    QString saveFileToChoose;      //!< empty: the save dialog is cancelled
    QStringList saveFileQuestions; //!< "caption|suggested|filter"

    SaveAnswer askSaveChanges() override
    {
        ++saveQuestions;
        if (saveAnswers.empty())
            return SaveAnswer::Cancel;
        const SaveAnswer answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void inform(const QString& caption, const QString& text, Icon) override { messages << caption + "|" + text; }
    bool confirmNarrationPrompt(NarrationPrompt prompt) override
    {
        narrationPrompts.push_back(prompt);
        if (narrationAnswers.empty())
            return false;
        const bool answer = narrationAnswers.front();
        narrationAnswers.pop_front();
        return answer;
    }
    QString choosePicture(const QString& folder) override
    {
        pictureFolders << folder;
        return pictureToChoose;
    }
    QStringList choosePictures(const QString& folder) override
    {
        if (picturesToChoose.isEmpty())
            return Prompter::choosePictures(folder);
        pictureFolders << folder;
        return picturesToChoose;
    }
    QString chooseSaveFile(const QString& caption, const QString& suggested, const QString& filter) override
    {
        saveFileQuestions << caption + "|" + suggested + "|" + filter;
        return saveFileToChoose;
    }
    QString chooseAudioFile(const QString& folder) override
    {
        audioFolders << folder;
        return audioToChoose;
    }
    bool askYesNo(const QString& caption, const QString& question) override
    {
        questions << caption + "|" + question;
        if (yesNoAnswers.empty())
            return false;
        const bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
};

//! Remembers every address handed to the desktop.
class RecordingBrowser : public BrowserOpener
{
public:
    QList<QUrl> opened;
    //! false: no browser can be started (the addresses are still recorded).
    bool starts = true;
    bool openAddress(const QUrl& address) override
    {
        opened << address;
        return starts;
    }
};

//! Hands the window's microphone dialog a level control that works on the test's own.
class ForwardingVolume : public MicrophoneVolume
{
public:
    explicit ForwardingVolume(MicrophoneVolume& inner) : m_inner(inner) {}
    bool hasVolumeControl() const override { return m_inner.hasVolumeControl(); }
    int volumeMin() const override { return m_inner.volumeMin(); }
    int volumeMax() const override { return m_inner.volumeMax(); }
    int volumeSteps() const override { return m_inner.volumeSteps(); }
    int getVolume() const override { return m_inner.getVolume(); }
    void setVolume(int volume) override { m_inner.setVolume(volume); }
    void setChangeListener(ChangeListener listener) override { m_inner.setChangeListener(std::move(listener)); }

private:
    MicrophoneVolume& m_inner;
};

//! A main window over substitutes for the sound device, the browser and the user's answers,
//! in a fresh program folder.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings.setProgramFolder(home.path());
        createWindow();
    }

    void TearDown() override { window.reset(); }

    void createWindow()
    {
        MainWindowServices services{home.path(), settings,  audio,
                                    player,      clock,     browser,
                                    prompter,    &importer, QStringLiteral("http://web.test:81")};
        services.levelInput = &meterAudio;
        services.microphoneVolume = [this](const QString& device) -> std::unique_ptr<MicrophoneVolume> {
            ++volumesOpened;
            volumeDevices << device;
            return std::make_unique<ForwardingVolume>(microphoneVolume);
        };
        window = std::make_unique<MainWindow>(services);
    }

    //! Shows the window with a client area of exactly width × height.
    void showWithClient(int width, int height)
    {
        window->show();
        const int menu = window->menuBar()->sizeHint().height();
        window->resize(width, height + menu);
        QCoreApplication::processEvents();
        // The menu bar settles its height once shown.
        const int extra = height - window->canvas()->height();
        if (extra != 0)
            window->resize(width, window->height() + extra);
        QCoreApplication::processEvents();
    }

    //! A small picture file of the given size in the test folder.
    QString picture(const QString& name, QSize size = QSize(64, 48)) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(40, 120, 200));
        const QString path = home.file(QStringLiteral("pictures/") + name);
        QDir().mkpath(home.file(QStringLiteral("pictures")));
        image.save(path);
        return path;
    }

    //! Adds picture slides directly and waits for their import.
    void addPictures(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto slide = std::make_unique<Slide>(window->story());
            slide->setSourcePicturePath(picture(QStringLiteral("p%1.png").arg(i)));
            ASSERT_TRUE(window->story().add(std::move(slide)));
        }
        window->story().waitForImports();
    }

    TempFolder home;
    ProgramSettings settings;
    FakeBackend audio;
    //! The level meter's own input, apart from the narration's.
    FakeBackend meterAudio;
    FakeMicrophoneVolume microphoneVolume;
    int volumesOpened = 0;
    //! The microphone each level control was opened for.
    QStringList volumeDevices;
    FakeSoundPlayer player;
    FakeClock clock;
    RecordingBrowser browser;
    ScriptedPrompter prompter;
    PictureImporter importer{2};
    std::unique_ptr<MainWindow> window;
};
