#include "desktop/windows/mainwindow.h"

#include "desktop/dialogs/cuecardwindow.h"
#include "shell/storyrecovery.h"
#include "story/story.h"

void MainWindow::keepRecoveryCopy()
{
    m_recovery = std::make_unique<RecoveryKeeper>(*m_story);
    m_recovery->setBeforeWrite([this] {
        // Typed but not yet stored: the podcast transcript and the open cue card's note.
        if (m_story->isPodcast() && m_transcriptBox)
            copyTranscriptIntoStory();
        if (auto* card = qobject_cast<CueCardWindow*>(m_cueCard.data()))
            card->storeTypedNote();
    });
}

bool MainWindow::restoreRecovery(const QString& recoveryFile)
{
    const storyrecovery::Restored restored = storyrecovery::restore(recoveryFile, *m_story);
    afterStoryReplaced();
    if (!restored.ok) {
        m_services.prompter.inform(QStringLiteral("Pictorelle"), restored.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
        return false;
    }
    // The restored story's own copy names its new media; then the old copy can go.
    m_recovery->update();
    storyrecovery::discard(m_services.programFolder, recoveryFile);
    if (!restored.warnings.isEmpty())
        m_services.prompter.inform(QStringLiteral("Pictorelle"),
                                   QStringLiteral("The Pictorelle was restored, with these problems:\n\n") +
                                       restored.warnings.join(QLatin1Char('\n')),
                                   Prompter::Icon::Warning);
    return true;
}
