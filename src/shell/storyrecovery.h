#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class Story;

//! The recovery copy of the story being edited: a story file in the working folder that
//! names the media where they lie there, so that a program that died loses nothing of what
//! the author made. A trailer that only the restore reads keeps what a saved story bakes into
//! its files or does not keep (the file it was saved as, the current slide, rotations).
namespace storyrecovery {

//! workingFolder + "recovery.sld".
QString fileIn(const QString& workingFolder);
//! Where a working folder's media go while its recovery copy is restored: program folder +
//! "temp-restore/". A restore that did not finish is found there again.
QString asideFolder(const QString& programFolder);

//! The recovery copy's text for the story as it stands.
QString text(Story& story);
//! Writes it atomically; false (and the earlier copy intact) when it cannot.
bool write(Story& story, const QString& path);

//! The recovery copy a start finds in the claimed working folder, or one whose restore was
//! interrupted; empty when there is none.
QString find(const QString& programFolder, const QString& workingFolder);
//! Moves the recovery copy's media out of the working folder, which the next story reset
//! empties, into the aside folder; the recovery file's path there, empty when it failed.
QString setAside(const QString& programFolder, const QString& recoveryFile);
//! Throws a recovery copy away, with an aside folder it lives in.
void discard(const QString& programFolder, const QString& recoveryFile);

//! The question a start asks when it finds a recovery copy.
QString restoreQuestion();

//! At start-up, before the story empties its working folder: a recovery copy found there (or
//! left by a restore that did not finish) is offered through ask. Taken, its media are set
//! aside and the file to restore returned; declined, it is thrown away. Empty when there is
//! nothing to restore.
QString offerAtStart(const QString& programFolder, const QString& workingFolder, const std::function<bool()>& ask);

//! What a restore did.
struct Restored
{
    bool ok = false;
    int slides = 0;
    QStringList warnings;
};

//! Rebuilds a freshly reset story from a recovery copy: slides, order, texts, cue cards,
//! narrations (a take cut short by the crash is repaired and its length measured),
//! rotations, the file it was saved as and the current slide. The story is marked changed.
//! Waits for the pictures' imports.
Restored restore(const QString& recoveryFile, Story& story);

} // namespace storyrecovery

//! Keeps the recovery copy of one story up to date: at most a second after each change the
//! copy is rewritten; while the story has no unsaved changes there is none. Lives on the
//! story's thread.
class RecoveryKeeper : public QObject
{
    Q_OBJECT

public:
    //! story must outlive the keeper.
    explicit RecoveryKeeper(Story& story, QObject* parent = nullptr);
    //! Leaves the copy as it is: a keeper that goes without discard() is a program that died.
    ~RecoveryKeeper() override;

    //! Brings the copy up to date now.
    void update();
    //! Called before each look at the story: moves what the views hold but have not stored yet
    //! into the story.
    void setBeforeWrite(std::function<void()> beforeWrite) { m_beforeWrite = std::move(beforeWrite); }
    //! Removes the copy and stops keeping it: the program ends in order.
    void discard();
    QString path() const { return m_path; }

private:
    Story& m_story;
    QString m_path;
    QString m_written;
    QTimer m_timer;
    std::function<void()> m_beforeWrite;
    bool m_discarded = false;
};
