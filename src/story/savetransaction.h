#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

//! One save into a story folder, made so that a save cut short at any moment (a full disk,
//! a crash, a kill) leaves either the earlier save or the new one on disk, never a mix:
//! 1. media copies go to "<name>.part", media to be removed are marked by "<name>.gone";
//! 2. the new story file is written whole as "<story file>.next" — from then on the save counts;
//! 3. the parts are renamed into place, the marked media removed, ".next" replaces the story file.
//! A folder found between 2 and 3 is finished by finishInterrupted(), which every save, load
//! and library scan calls first. Media names are "<position>.jpg" and "<position>.wav".
//! A transaction holds a lock on the folder (flock) from construction to destruction, so two
//! saves of one folder, or a save and a finisher, never interleave, also across programs.
class SaveTransaction
{
public:
    //! storyFile is the ".sld" to write; its folder must exist. Waits while another save of
    //! the folder runs.
    explicit SaveTransaction(const QString& storyFile);
    //! An unfinished transaction takes its parts and marks away: the folder is as before.
    ~SaveTransaction();
    SaveTransaction(const SaveTransaction&) = delete;
    SaveTransaction& operator=(const SaveTransaction&) = delete;

    //! Copies from to "<to>.part"; to must be a media name directly in the story's folder.
    //! False (see error()) when the copy cannot be written whole.
    bool stageCopy(const QString& from, const QString& to);
    //! The commit removes path (a media name in the story's folder), an earlier save's copy.
    bool stageRemoval(const QString& path);
    //! Writes the story file's bytes as ".next", then puts everything in place. False (see
    //! error()) when ".next" cannot be written (nothing changed) or the last step could not
    //! be completed (the save stands and is finished by the next save, load or scan).
    bool commit(const QByteArray& storyFileBytes);
    //! After a failed commit: whether the new save stands all the same.
    bool committed() const { return m_committed; }
    //! Why the last step failed, for the user.
    QString error() const { return m_error; }

    //! Finishes a save of storyFile that was cut short after its story file was written;
    //! does nothing when there is none or while a save of the folder runs. False when a
    //! rename failed.
    static bool finishInterrupted(const QString& storyFile);
    //! Finishes every interrupted save in folder; for folders whose story file is not known.
    static void finishInterruptedIn(const QString& folder);
    //! The suffix of a story file written but not yet in place.
    static QString nextSuffix();

private:
    //! Removes parts and marks that a save cut short before its story file left in folder;
    //! for the holder of the folder's lock, after any interrupted save was finished.
    static void discardLeftovers(const QString& folder);
    void discard();

    QString m_storyFile;
    QString m_folder;
    QStringList m_staged; //!< "<name>.part" and "<name>.gone" files made so far
    int m_lock = -1;      //!< descriptor of the locked folder
    bool m_committed = false;
    QString m_error;
};
