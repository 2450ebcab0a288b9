#pragma once

#include <QUndoCommand>

class Story;

//! Merge ids of the typed edits: one undo step per field, slide and editing session.
enum class EditField {
    Caption = 1,
    SlideTags,
    CueText,
    Title,
    Description,
    Tags,
    Transcript,
};

//! An edit of a Story, pushed on its undo stack (Story::push). Holds values, never widgets;
//! lives on the story's thread. The first redo does the edit and may be refused (a 51st slide,
//! a busy slide, nothing to change): the command then makes itself obsolete, so the push drops
//! it and leaves the stack as it was. A destructor may touch files only, never the story (the
//! stack can go while the story does).
class StoryCommand : public QUndoCommand
{
public:
    //! Whether undo() can run now; false while a slide it needs is importing or encoding.
    virtual bool canUndo() const { return true; }
    //! Whether a later redo() can run now.
    virtual bool canRedo() const { return true; }

    void undo() final;
    void redo() final;

protected:
    friend class StoryCommandGroup;

    StoryCommand(Story& story, const QString& text);

    //! The first redo: does the edit; false when refused (nothing changed).
    virtual bool apply() = 0;
    //! Undoes what apply() or reapply() did.
    virtual void revert() = 0;
    //! Redoes it after an undo.
    virtual void reapply() = 0;

    //! For edits of the slide list: undo puts the current slide back as it was before the
    //! edit, redo as it was after it.
    void restoresCurrentSlide() { m_restoresCurrent = true; }
    //! The edit is in the story now (done, not undone).
    bool isDone() const { return m_done; }
    //! apply() has run and was not refused.
    bool wasApplied() const { return m_applied; }
    Story& story() const { return m_story; }

private:
    Story& m_story;
    bool m_applied = false;
    bool m_ran = false;
    bool m_done = false;
    bool m_restoresCurrent = false;
    int m_currentBefore = -1;
    int m_currentAfter = -1;
};

//! A fresh editing-session number for the typed edits (EditSlideTextCommand,
//! EditStoryTextCommand): take one whenever the user starts editing a field anew.
int nextEditSession();
