#include "eventually.h"
#include "mainwindowfixture.h"

#include "desktop/widgets/skinnedbutton.h"
#include "shell/programfolder.h"
#include "story/slide.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace {

//! Closes every modal dialog that opens, remembering their object names, until stopped.
class ModalRecorder : public QObject
{
public:
    QStringList opened;

    ModalRecorder()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                opened << dialog->objectName();
                dialog->reject();
            }
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
};

//! Runs a script once for each modal dialog that opens, by its object name; dialogs without
//! a script, and dialogs whose script has finished, are closed. The scripts run outside the
//! polling timer's slot, so that a dialog a script opens is polled too.
class ModalScript : public QObject
{
public:
    std::map<QString, std::function<void(QDialog&)>> scripts;
    QStringList opened;

    ModalScript()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (contains(m_seen, dialog)) {
                if (!contains(m_running, dialog))
                    dialog->reject();
                return;
            }
            m_seen.emplace_back(dialog);
            opened << dialog->objectName();
            const auto script = scripts.find(dialog->objectName());
            if (script == scripts.end()) {
                dialog->reject();
                return;
            }
            m_running.emplace_back(dialog);
            QTimer::singleShot(0, dialog, [this, dialog, run = script->second] {
                run(*dialog);
                std::erase_if(m_running, [dialog](const QPointer<QDialog>& d) { return d == dialog; });
            });
        });
        m_timer.start(10);
    }

private:
    static bool contains(const std::vector<QPointer<QDialog>>& list, const QDialog* dialog)
    {
        return std::any_of(list.begin(), list.end(), [dialog](const QPointer<QDialog>& d) { return d == dialog; });
    }

    QTimer m_timer;
    std::vector<QPointer<QDialog>> m_seen;
    std::vector<QPointer<QDialog>> m_running;
};

} // namespace

TEST_F(MainWindowTest, GivenAFirstStartThenTheTutorialAndThenTheAccountDialogOpen)
{
    ModalRecorder modals;
    window->runStartUpDialogs(true);
    EXPECT_EQ(modals.opened, QStringList({"TUTORIAL_BOX", "USERNAME_BOX"}));
}

TEST_F(MainWindowTest, GivenALaterStartWithANameButNoPasswordThenOnlyTheAccountDialogOpens)
{
    window->account().setUserName(QStringLiteral("alice"));
    ModalRecorder modals;
    window->runStartUpDialogs(false);
    EXPECT_EQ(modals.opened, QStringList({"USERNAME_BOX"}));
}

TEST_F(MainWindowTest, GivenAFilledAccountThenALaterStartOpensNothing)
{
    window->account().setUserName(QStringLiteral("alice"));
    window->account().setPassword(QStringLiteral("5ebe2294ecd0e0f08eab7690d2a6ee69"));
    ModalRecorder modals;
    window->runStartUpDialogs(false);
    EXPECT_TRUE(modals.opened.isEmpty());
}

TEST_F(MainWindowTest, GivenPreviewThenThePlayerOpensOnlyWithSlides)
{
    ModalRecorder modals;
    window->command(MainWindow::PreviewStory);
    EXPECT_TRUE(modals.opened.isEmpty());
    addPictures(1);
    window->command(MainWindow::PreviewStory);
    EXPECT_EQ(modals.opened, QStringList({"PREVIEW_BOX"}));
}

TEST_F(MainWindowTest, GivenTheMenusThenEachSmallDialogOpensWithItsName)
{
    ModalRecorder modals;
    window->command(MainWindow::ProgramSettingsCommand);
    window->command(MainWindow::TutorialCommand);
    window->command(MainWindow::AboutCommand);
    window->command(MainWindow::AccountSettings);
    EXPECT_EQ(modals.opened, QStringList({"PROGRAM_BOX", "TUTORIAL_BOX", "ABOUT_BOX", "USERNAME_BOX"}));
}

TEST_F(MainWindowTest, GivenSlidesThenCueCardsOpenOnceAndFollowTheSlideAndCloseOnNew)
{
    addPictures(3);
    window->story().select(0);
    window->story().slideAt(1)->setCueText(QStringLiteral("Mention the tide"));
    window->command(MainWindow::CueCards);
    auto* cue = window->findChild<QDialog*>(QStringLiteral("CUE_BOX"));
    ASSERT_NE(cue, nullptr);
    EXPECT_TRUE(cue->isVisible());
    window->command(MainWindow::NextSlide);
    auto* note = cue->findChild<QPlainTextEdit*>();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->toPlainText(), "Mention the tide");
    window->command(MainWindow::CueCards);
    EXPECT_EQ(window->findChildren<QDialog*>(QStringLiteral("CUE_BOX")).size(), 1);

    prompter.saveAnswers = {Prompter::SaveAnswer::No};
    window->command(MainWindow::NewPictorelle);
    EXPECT_EVENTUALLY(window->findChild<QDialog*>(QStringLiteral("CUE_BOX")) == nullptr);
}

TEST_F(MainWindowTest, GivenTheEditButtonsThenTheInfoDialogsOpenAndCancellingThemLeavesTheStoryUnchanged)
{
    addPictures(2);
    window->story().setModified(false);
    ModalRecorder modals;
    window->command(MainWindow::EditStory);
    EXPECT_FALSE(window->story().isModified());
    window->command(MainWindow::EditSlide);
    EXPECT_FALSE(window->story().isModified());
    EXPECT_EQ(modals.opened, QStringList({"MY_SLIDECAST_BOX", "MY_SLIDE_BOX"}));
}

TEST_F(MainWindowTest, GivenAStoryWithProblemsThenCheckAndPublishShowTheReportAndPublishStopsThere)
{
    ModalRecorder modals;
    window->command(MainWindow::CheckStory);
    window->command(MainWindow::PublishStory);
    EXPECT_EQ(modals.opened, QStringList({"PUBLISH_ERROR_BOX", "PUBLISH_ERROR_BOX"}));
}

TEST_F(MainWindowTest, GivenProgramSettingsThenMicrophoneSetupOpensOverTheMicrophoneLevelAndEscapeRestoresIt)
{
    microphoneVolume.volume = 32768;
    int sliderAtOpening = -1;
    bool sliderEnabled = false;
    int levelAfterKey = -1;
    ModalScript modals;
    modals.scripts[QStringLiteral("PROGRAM_BOX")] = [](QDialog& dialog) {
        auto* setup = dialog.findChild<QPushButton*>(QStringLiteral("microphoneSetup"));
        ASSERT_NE(setup, nullptr);
        ASSERT_TRUE(setup->isEnabled());
        setup->click();
    };
    modals.scripts[QStringLiteral("MIC_TEST_BOX")] = [&](QDialog& dialog) {
        auto* slider = dialog.findChild<QSlider*>(QStringLiteral("volume"));
        ASSERT_NE(slider, nullptr);
        sliderEnabled = slider->isEnabled();
        sliderAtOpening = slider->value();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_End);
        levelAfterKey = microphoneVolume.volume;
        QTest::keyClick(&dialog, Qt::Key_Escape);
    };
    window->command(MainWindow::ProgramSettingsCommand);

    EXPECT_EQ(modals.opened, QStringList({"PROGRAM_BOX", "MIC_TEST_BOX"}));
    EXPECT_EQ(volumesOpened, 1);
    EXPECT_TRUE(sliderEnabled);
    EXPECT_GT(sliderAtOpening, 0);
    EXPECT_LT(sliderAtOpening, 100);
    EXPECT_EQ(levelAfterKey, 65535) << "a key step applies at once";
    EXPECT_EQ(microphoneVolume.volume, 32768) << "Escape restores the opening level";
    EXPECT_EQ(meterAudio.inputPortsMade, 0) << "the dialog's meter reads the narration input";
    EXPECT_GE(audio.inputPortsMade, 1);
}

TEST_F(MainWindowTest, GivenMicrophoneSetup_WhenAnotherMicrophoneIsPicked_ThenTheSettingsFileKeepsItAndTakesUseIt)
{
    InputSourceList listed;
    listed.sources = {{QStringLiteral("builtin"), QStringLiteral("Built-in Audio"), true},
                      {QStringLiteral("usb"), QStringLiteral("USB Mic"), false}};
    audio.setSources(listed);
    int entriesShown = 0;
    ModalScript modals;
    modals.scripts[QStringLiteral("PROGRAM_BOX")] = [](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("microphoneSetup"))->click();
    };
    modals.scripts[QStringLiteral("MIC_TEST_BOX")] = [&](QDialog& dialog) {
        auto* chooser = dialog.findChild<QComboBox*>(QStringLiteral("microphone"));
        ASSERT_NE(chooser, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return chooser->count() == 3; }, 10000));
        entriesShown = chooser->count();
        chooser->setFocus();
        QTest::keyClick(chooser, Qt::Key_End);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    };
    window->command(MainWindow::ProgramSettingsCommand);

    EXPECT_EQ(modals.opened, QStringList({"PROGRAM_BOX", "MIC_TEST_BOX"}));
    EXPECT_EQ(entriesShown, 3);
    EXPECT_EQ(settings.inputDevice(), "usb");
    EXPECT_EQ(audio.inputDevice(), "usb");
    EXPECT_EQ(meterAudio.inputDevice(), "usb") << "the meter beside the time display follows";
    EXPECT_EQ(volumeDevices, QStringList({"", "usb"})) << "the slider works on the chosen microphone's level";
    QFile file(programfolder::settingsFile(home.path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "written at once, not only at the exit";
    EXPECT_TRUE(file.readAll().contains("INPUT_DEVICE=usb"));

    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    EXPECT_EQ(audio.input->device, "usb");
}

TEST_F(MainWindowTest, GivenARecordingThenMicrophoneSetupFromTheTutorialFinishesAndKeepsItFirst)
{
    addPictures(1);
    window->command(MainWindow::RecordCommand);
    ASSERT_EQ(window->recorder().state(), RecorderState::Recording);
    // 2.5 s of sound reach the take.
    for (int i = 0; i < 25; ++i)
        ASSERT_TRUE(audio.input->capture(1));
    RecorderState whileOpen = RecorderState::Recording;
    ModalScript modals;
    modals.scripts[QStringLiteral("TUTORIAL_BOX")] = [](QDialog& dialog) {
        auto* micSetup = dialog.findChild<QPushButton*>(QStringLiteral("micSetup"));
        ASSERT_NE(micSetup, nullptr);
        micSetup->click();
    };
    modals.scripts[QStringLiteral("MIC_TEST_BOX")] = [&](QDialog& dialog) {
        whileOpen = window->recorder().state();
        dialog.reject();
    };
    window->command(MainWindow::TutorialCommand);
    EXPECT_TRUE(modals.opened.contains(QStringLiteral("MIC_TEST_BOX")));
    EXPECT_EQ(whileOpen, RecorderState::Stopped);
    EXPECT_TRUE(window->story().slideAt(0)->hasNarration());
    EXPECT_EQ(window->story().slideAt(0)->narrationLength(), 3);
    EXPECT_FALSE(window->button(MainWindow::RecordCommand)->isLatched());
}
