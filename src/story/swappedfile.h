#pragma once

#include <QString>

//! One working-folder file that an undo step swaps between two versions: the one before the
//! edit and the one after it. The version not in use waits beside the file under a kept name
//! ("3.wav" → "3-kept7.wav") with the same extension, so the story's reset deletes it with the
//! media; the owning command lets it go (drop) when it leaves the undo stack. A version that
//! was no file at all stays none. Files only: it never touches a story.
class SwappedFile
{
public:
    explicit SwappedFile(QString path = QString());

    QString path() const { return m_path; }
    //! Before the edit: moves the present file aside as the before-version.
    void keepBefore();
    //! Undo: the after-version goes aside, the before-version back in place.
    void toBefore();
    //! Redo: the before-version goes aside, the after-version back in place.
    void toAfter();
    //! Puts the kept before-version back over whatever is in place now (an edit called off).
    void restoreBefore();
    //! Deletes the kept before-version (the edit stays for good).
    void dropBefore();
    //! Deletes the kept after-version (the undo stays for good).
    void dropAfter();

    //! Where the versions wait; empty until one is kept.
    QString beforeName() const { return m_before; }
    QString afterName() const { return m_after; }

private:
    //! Moves m_path to name (taking a fresh kept name first); nothing when there is no file.
    void moveAside(QString& name);
    void moveBack(const QString& name);

    QString m_path;
    QString m_before;
    QString m_after;
};
