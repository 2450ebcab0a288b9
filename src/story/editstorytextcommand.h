#pragma once

#include "story/storycommand.h"

#include <QString>

//! "Edit Title", "Edit Description", "Edit Tags", "Edit Transcript": sets one text of the story
//! through its setter (so it is cut as the setter cuts). Edits of the same field in the same
//! editing session merge into one undo step (never across a save); an edit that leaves the text
//! as it was is refused, and typing back to the old text drops the step.
class EditStoryTextCommand : public StoryCommand
{
public:
    //! field is EditField::Title, Description, Tags or Transcript; session from nextEditSession().
    EditStoryTextCommand(Story& story, EditField field, const QString& text, int session = 0);

    int id() const override { return int(m_field); }
    bool mergeWith(const QUndoCommand* other) override;

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    QString read() const;
    void write(const QString& text);

    EditField m_field;
    int m_session;
    QString m_old;
    QString m_new;
};
