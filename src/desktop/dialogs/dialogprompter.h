#pragma once

#include "desktop/dialogs/prompter.h"
#include "story/messenger.h"

#include <QPointer>
#include <QWidget>

class ProgramSettings;
class SkinResources;

//! Puts the main window's questions in message boxes and file dialogs owned by the window.
class DialogPrompter final : public Prompter, public Messenger
{
public:
    //! The settings hold the switches that turn the narration prompts off.
    explicit DialogPrompter(ProgramSettings& settings);
    //! The window that owns every box; also the source of the prompt's icon.
    void setOwner(QWidget* owner, const SkinResources* skin);

    SaveAnswer askSaveChanges() override;
    void inform(const QString& caption, const QString& text, Prompter::Icon icon) override;
    bool confirmNarrationPrompt(NarrationPrompt prompt) override;
    QString choosePicture(const QString& folder) override;
    QStringList choosePictures(const QString& folder) override;
    //! The address stands on a line of its own and can be selected with the mouse or keyboard.
    void informAddress(const QString& caption, const QString& text, const QUrl& address) override;
    bool askYesNo(const QString& caption, const QString& question) override;
    QString chooseSaveFile(const QString& caption, const QString& suggested, const QString& filter) override;
    QString chooseAudioFile(const QString& folder) override;
    bool askKeepBeginning(const QString& question, const QString& keepText) override;
    bool askRestore(const QString& question) override;
    //! Messages from the engines, possibly from a worker thread: shown on the GUI thread.
    void showMessage(const QString& caption, const QString& text, Messenger::Icon icon) override;

private:
    ProgramSettings& m_settings;
    QPointer<QWidget> m_owner;
    const SkinResources* m_skin = nullptr;
};
