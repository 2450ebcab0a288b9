#include "desktop/windows/mainwindow.h"

#include "audio/microphonevolume.h"
#include "desktop/dialogs/accountdialog.h"
#include "desktop/dialogs/cuecardwindow.h"
#include "desktop/dialogs/microphonedialog.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/dialogs/slideinfodialog.h"
#include "desktop/dialogs/storyinfodialog.h"
#include "desktop/dialogs/storylibrarydialog.h"
#include "publish/serviceclient.h"
#include "shell/programfolder.h"
#include "shell/storycontent.h"
#include "story/messenger.h"
#include "story/story.h"

namespace {

constexpr int CloseCueWindow = 1;

} // namespace

void MainWindow::loadStory()
{
    const bool goOn = saveChangesPrompt();
    closeCueCard();
    if (!goOn)
        return;
    stopAudio();
    const std::optional<LoadReport> report = StoryLibraryDialog::run(
        *m_story, programfolder::saveFolder(m_services.programFolder), m_librarySort, *m_skin, this);
    afterStoryReplaced();
    if (report && !report->warnings.isEmpty()) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), report->warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    }
}

void MainWindow::editStory()
{
    const StoryTexts before = StoryTexts::of(*m_story);
    StoryInfoDialog dialog(*m_story, m_categories, *m_skin, this);
    connect(&dialog, &StoryInfoDialog::storyPanelChanged, this, &MainWindow::refreshStoryPanel);
    dialog.exec();
    // Only what the dialog left changed counts: OK with new texts, or a category chosen (which
    // stays even when the dialog is cancelled). Cancel alone, or OK on the same texts, is no change.
    if (StoryTexts::of(*m_story) != before)
        m_story->setModified(true);
    refreshStoryPanel();
}

void MainWindow::editSlide(int index)
{
    const StoryTexts before = StoryTexts::of(*m_story);
    SlideInfoDialog dialog(*m_story, index, *m_skin, this);
    connect(&dialog, &SlideInfoDialog::slidePanelChanged, this, [this] { refreshSlidePanel(true); });
    connect(&dialog, &SlideInfoDialog::slideStored, this, [this](int) { refreshSlidePanel(false); });
    dialog.exec();
    // Slides left with Prev or Next keep what was stored then, also after Cancel.
    if (StoryTexts::of(*m_story) != before)
        m_story->setModified(true);
    refreshSlidePanel(true);
    refreshStoryPanel();
}

void MainWindow::openAccountDialog(QWidget* owner, int parameter)
{
    AccountDialog dialog(m_account, m_services.programFolder, parameter, m_actions, owner ? owner : this);
    // What OK stores survives a crash: the file is written now, not only at the exit.
    if (dialog.exec() == QDialog::Accepted)
        saveSettingsNow();
}

void MainWindow::openMicrophoneDialog(QWidget* owner)
{
    // The test recording and its playback need the microphone and the speaker: a narration
    // being recorded is finished (and kept) first, a playback stopped.
    stopAudio();
    std::unique_ptr<MicrophoneVolume> volume;
    if (m_services.microphoneVolume)
        volume = m_services.microphoneVolume();
    MicrophoneDialog dialog(m_services.audio, m_services.player, volume.get(), m_services.clock,
                            m_services.programFolder, m_actions, *m_skin, owner ? owner : this);
    dialog.exec();
}

void MainWindow::runStartUpDialogs(bool firstStart)
{
    reportMissingData();
    if (firstStart)
        command(TutorialCommand);
    // Asked at every start until both are filled in; the user may cancel.
    if (m_account.userName().isEmpty() || m_account.password().isEmpty())
        command(AccountSettings);
}

void MainWindow::openCueCard()
{
    auto* window = new CueCardWindow(*m_story, m_settings, *m_skin, this);
    m_cueCard = window;
    connect(this, &MainWindow::cueCardCommand, window, &CueCardWindow::command);
    connect(window, &CueCardWindow::mainWindowCommand, this, [this](int id) { postCommand(id); });
    connect(window, &CueCardWindow::closed, this, [this] { m_cueCard = nullptr; });
    window->show();
}

void MainWindow::closeCueCard()
{
    if (m_cueCard)
        emit cueCardCommand(CloseCueWindow, -1);
}

void MainWindow::publish()
{
    closeCueCard();
    // The narrations are encoded and sent as whole files.
    stopAudio();
    copyTranscriptIntoStory();
    if (PublishChecksDialog::run(*m_story, m_account, PublishChecksDialog::PublishMode, *m_skin, m_actions, this) != 1)
        return;
    CurlServiceClient client;
    const auto quietSave = [this] {
        // Marked first: a save that fails leaves the new id marked as not yet saved.
        m_story->setModified(true);
        // The preparation has just remade every picture and the dialog is modal: remaking
        // them again would only hold up the window.
        save(true, SavedPictures::AlreadyRemade);
        return !m_story->isModified();
    };
    PublishDialog dialog(*m_story, m_account, client, m_services.serviceBase, *m_skin, m_actions, quietSave, this,
                         dynamic_cast<Messenger*>(&m_services.prompter));
    dialog.exec();
    refreshStoryPanel();
}
