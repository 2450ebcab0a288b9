#pragma once

#include "story/storycommand.h"

#include <memory>
#include <vector>

//! Several edits made by one user action (a dialog's OK) as one undo step, e.g. "Edit
//! Pictorelle Info". The parts that change nothing are dropped when the group is pushed; with
//! none left the push is refused, so an OK on unchanged texts leaves the stack (and the modified
//! flag) as it was. Undo reverts the parts last to first; it waits while any part cannot run.
class StoryCommandGroup : public StoryCommand
{
public:
    StoryCommandGroup(Story& story, const QString& text);
    ~StoryCommandGroup() override;

    //! Before the push only.
    void add(std::unique_ptr<StoryCommand> part);
    //! The parts that changed something (after the push).
    int partCount() const { return int(m_parts.size()); }

    bool canUndo() const override;
    bool canRedo() const override;

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    std::vector<std::unique_ptr<StoryCommand>> m_parts;
};
