#include "desktop/windows/storyactions.h"

#include "desktop/dialogs/dialogactions.h"
#include "desktop/dialogs/prompter.h"
#include "desktop/dialogs/publishchecksdialog.h"
#include "desktop/dialogs/publishdialog.h"
#include "desktop/dialogs/storylibrarydialog.h"
#include "publish/curlserviceclient.h"
#include "shell/programfolder.h"
#include "shell/storycontent.h"
#include "shell/storyrecovery.h"
#include "story/messenger.h"
#include "story/slide.h"
#include "story/story.h"
#include "story/systemclock.h"

#include <QWidget>

StoryActions::StoryActions(const Services& services, QWidget& window)
    : QObject(&window), m_services(services), m_window(window)
{}

bool StoryActions::saveChangesPrompt()
{
    Story& story = m_services.story;
    // A note typed on the cue card belongs to the story before the question is asked.
    m_services.closeCueCard();
    if (!story.isModified())
        return true;
    switch (m_services.prompter.askSaveChanges()) {
    case Prompter::SaveAnswer::Yes:
        save(true);
        // A save that failed has said why; what it could not keep is not thrown away after it.
        return !story.isModified() || !holdsWorkToSave(story);
    case Prompter::SaveAnswer::No:
        return true;
    case Prompter::SaveAnswer::Cancel:
        break;
    }
    return false;
}

void StoryActions::save(bool quiet, SavedPictures pictures)
{
    Story& story = m_services.story;
    // A story without slides is saved too when it holds texts the author typed.
    if (!holdsWorkToSave(story))
        return;
    // A narration still being written is finished first: the saved copy is a whole file.
    m_services.stopAudio();
    const SaveResult result = saveStory(story, SystemClock(), pictures);
    if (!result.ok) {
        // The story stays marked as changed: nothing of it is lost by a later close.
        m_services.prompter.inform(QStringLiteral("Pictorelle"), result.error, Prompter::Icon::Error);
        return;
    }
    story.setModified(false);
    if (!quiet) {
        m_services.prompter.inform(saveConfirmationCaption(), saveConfirmationText(story.title(), result.time),
                                   Prompter::Icon::Information);
    }
}

void StoryActions::newStory(bool podcast)
{
    Story& story = m_services.story;
    if (!saveChangesPrompt())
        return;
    // A recording or playback belongs to a slide that is about to go.
    m_services.stopAudio();
    {
        const Story::Replacing replacing(story);
        story.reset();
        if (podcast) {
            auto segment = std::make_unique<Slide>(story);
            segment->setKind(SlideKind::Segment);
            story.add(std::move(segment));
            story.setType(int(StoryType::Podcast));
            // A new podcast offers its transcript for publishing.
            story.setTranscriptPublish(true);
            // The first segment of a new podcast is not a change to save.
            story.setModified(false);
        }
    }
    m_services.storyReplaced();
    m_services.closeCueCard();
}

void StoryActions::load()
{
    Story& story = m_services.story;
    const bool goOn = saveChangesPrompt();
    m_services.closeCueCard();
    if (!goOn)
        return;
    m_services.stopAudio();
    const std::optional<LoadReport> report = StoryLibraryDialog::run(
        story, programfolder::saveFolder(m_services.programFolder), m_librarySort, m_services.skin, &m_window);
    m_services.storyReplaced();
    if (report && !report->warnings.isEmpty()) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), report->warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    }
}

void StoryActions::publish()
{
    Story& story = m_services.story;
    m_services.closeCueCard();
    // The narrations are encoded and sent as whole files.
    m_services.stopAudio();
    if (PublishChecksDialog::run(story, m_services.account, PublishChecksDialog::PublishMode, m_services.skin,
                                 m_services.actions, &m_window) != 1)
        return;
    CurlServiceClient client;
    const auto quietSave = [this, &story] {
        // Marked first: a save that fails leaves the new id marked as not yet saved.
        story.setModified(true);
        // The preparation has just remade every picture and the dialog is modal: remaking
        // them again would only hold up the window.
        save(true, SavedPictures::AlreadyRemade);
        return !story.isModified();
    };
    PublishDialog dialog(story, m_services.account, client, m_services.serviceBase, m_services.skin, m_services.actions,
                         quietSave, &m_window, dynamic_cast<Messenger*>(&m_services.prompter));
    dialog.exec();
}

bool StoryActions::restore(const QString& recoveryFile)
{
    Story& story = m_services.story;
    const storyrecovery::Restored restored = storyrecovery::restore(recoveryFile, story);
    m_services.storyReplaced();
    if (!restored.ok) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), restored.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
        return false;
    }
    // The restored story's own copy names its new media; then the old copy can go.
    m_services.recovery.update();
    storyrecovery::discard(m_services.programFolder, recoveryFile);
    if (!restored.warnings.isEmpty())
        m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                   QStringLiteral("The Pictorelle was restored, with these problems:\n\n") +
                                       restored.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    return true;
}
