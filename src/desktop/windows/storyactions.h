#pragma once

#include "story/storyfile.h"
#include "story/storylibrary.h"

#include <QObject>

#include <functional>

class BackgroundPreparation;
class ProgramSettings;
class Prompter;
class QWidget;
class RecoveryKeeper;
class SkinResources;
class Story;
class UserAccount;
struct DialogActions;

//! What is done to the story as a whole: New (picture story or podcast), Load, Open Recent,
//! Save, Save As, the
//! "Save changes?" question, Publish, and the restore of a recovery copy. GUI thread only;
//! everything given must outlive it.
class StoryActions : public QObject
{
    Q_OBJECT
public:
    struct Services
    {
        QString programFolder;
        QString serviceBase;
        Story& story;
        UserAccount& account;
        Prompter& prompter;
        const SkinResources& skin;
        DialogActions& actions;
        RecoveryKeeper& recovery;
        //! Ends a recording (kept) and a playback.
        std::function<void()> stopAudio;
        //! Closes the cue card, storing its note.
        std::function<void()> closeCueCard;
        //! A new, loaded or restored story is in: the window lays itself out for it.
        std::function<void()> storyReplaced;
        //! Encodes narrations while the author works; held while publishing (may be null).
        BackgroundPreparation* preparation = nullptr;
        //! Whether exported narrations are brought to one loudness (null: they are); also keeps
        //! the stories of File > Open Recent (null: none are kept).
        ProgramSettings* settings = nullptr;
        //! The Open Recent list in the settings changed (may be null).
        std::function<void()> recentStoriesChanged = {};
    };

    StoryActions(const Services& services, QWidget& window);

    //! False when the user cancelled, or while publishing; Yes saves quietly first.
    bool saveChangesPrompt();
    //! Saves the story; quiet: no confirmation. AlreadyRemade only right after publishing,
    //! which remade every picture. Does nothing while publishing.
    void save(bool quiet, SavedPictures pictures = SavedPictures::Remake);
    void newStory(bool podcast);
    void load();
    //! File > Open Recent: loads that story file as the library's Load does, after the "Save
    //! changes?" question; a file no longer there is named in a message and leaves the list.
    void openRecent(const QString& storyFile);
    //! File > Save As…: saves the story into a new stamped folder, as a first save does; the
    //! earlier save stays as it was and the story belongs to the new folder from then on.
    void saveAs();
    //! Checks, then publishes in the modal publish dialog, which saves the story with its new
    //! id on a worker at the end. Until the dialog is gone, nothing else saves, loads, replaces
    //! or publishes the story.
    void publish();
    //! File > Export Video… (Export Audio… for a podcast): asks for the file, then exports in
    //! the modal export dialog, whose worker reads copies of the slides' paths; says where the
    //! file is, or why there is none.
    void exportStory();
    //! Rebuilds the story from a recovery copy found at start-up (the story is fresh), keeps a
    //! new copy and throws the old one away; warnings are shown to the user.
    bool restore(const QString& recoveryFile);

private:
    //! Tells the user why a save failed, or (unless quiet) that it went through; a save that
    //! went through marks the story as saved.
    void tellSaved(const SaveResult& result, bool quiet);
    //! The story's file was just saved or opened: it heads the Open Recent list.
    void rememberStoryFile();

    Services m_services;
    QWidget& m_window;
    //! The library's sort directions, kept for the whole run.
    StoryLibrary::SortSwitches m_librarySort;
    //! The folder of the last export, where the next one starts.
    QString m_exportFolder;
    //! The publish dialog is open: its workers read the working files and its save writes the
    //! story's folder.
    bool m_publishing = false;
};
