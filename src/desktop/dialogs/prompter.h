#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

//! The questions and messages the main window puts to the user; tests answer them.
class Prompter
{
public:
    enum class SaveAnswer {
        Yes,
        No,
        Cancel
    };
    enum class Icon {
        Information,
        Warning,
        Error
    };
    //! The warnings shown before a narration is thrown away.
    enum class NarrationPrompt {
        RecordOver = 481,
        Clear = 21009
    };

    virtual ~Prompter() = default;
    //! "Save changes to this Pictorelle?"
    virtual SaveAnswer askSaveChanges() = 0;
    //! A message box with an OK button.
    virtual void inform(const QString& caption, const QString& text, Icon icon) = 0;
    //! True to go ahead and throw the narration away; the prompt may be switched off.
    virtual bool confirmNarrationPrompt(NarrationPrompt prompt) = 0;
    //! A picture file chosen in a file dialog starting in folder; empty when cancelled.
    virtual QString choosePicture(const QString& folder) = 0;
    //! Several picture files chosen at once, in the order they were chosen; empty when
    //! cancelled. A prompter that picks one file at a time answers with that one.
    virtual QStringList choosePictures(const QString& folder)
    {
        const QString file = choosePicture(folder);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    //! A message with an OK button that ends with address, which the user can select and copy
    //! (no browser could be started for it).
    virtual void informAddress(const QString& caption, const QString& text, const QUrl& address)
    {
        inform(caption, text + QStringLiteral("\n\n") + address.toString(), Icon::Warning);
    }
    //! A question with the buttons Yes and No, No the default; true for Yes.
    virtual bool askYesNo(const QString& caption, const QString& question) = 0;
    //! A file to write, chosen in a save dialog that starts at suggested (folder and name) and
    //! offers the types of filter ("MP4 video (*.mp4)"); it asks before replacing a file.
    //! Empty when cancelled; a prompter that cannot ask answers empty.
    virtual QString chooseSaveFile(const QString& /*caption*/, const QString& /*suggested*/, const QString& /*filter*/)
    {
        return {};
    }
    //! A sound file chosen in a file dialog starting in folder, offering the formats the
    //! narration import reads; empty when cancelled. A prompter that cannot ask answers empty.
    virtual QString chooseAudioFile(const QString& /*folder*/) { return {}; }
    //! Whether to keep the beginning of a sound file longer than its slide holds (true) or
    //! cancel the import; keepText names the first choice ("Keep the First 60 s").
    virtual bool askKeepBeginning(const QString& question, const QString& /*keepText*/)
    {
        return askYesNo(QStringLiteral("Pictorelle"), question);
    }
    //! Whether to restore the story a program that did not end in order left behind; Yes the
    //! default, since No throws the author's work away.
    virtual bool askRestore(const QString& question) { return askYesNo(QStringLiteral("Pictorelle"), question); }
};
