#pragma once

#include "story/storycommand.h"

#include <QString>

//! "Edit Caption", "Edit Slide Tags", "Edit Cue Card": sets one text of a slide through its
//! setter (so it is cut as the setter cuts). Edits of the same field of the same slide in the
//! same editing session merge into one undo step (never across a save); an edit that leaves
//! the text as it was is refused, and typing back to the old text drops the step.
class EditSlideTextCommand : public StoryCommand
{
public:
    //! field is EditField::Caption, SlideTags or CueText; session from nextEditSession().
    EditSlideTextCommand(Story& story, int index, EditField field, const QString& text, int session = 0);

    int id() const override { return int(m_field); }
    bool mergeWith(const QUndoCommand* other) override;

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    QString read() const;
    void write(const QString& text);

    int m_slideId = -1;
    EditField m_field;
    int m_session;
    QString m_old;
    QString m_new;
};
