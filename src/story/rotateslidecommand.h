#pragma once

#include "story/storycommand.h"

//! "Rotate Slide": turns a picture slide by quarter turns (positive clockwise, -1 for Rotate
//! Left, 1 for Rotate Right): its decoded picture and its 75 × 75 thumbnail are turned in
//! place and the turns added to its rotation, which the next re-processing applies to the
//! slide JPEG. Undo turns them back (quarter turns lose nothing). Refused for a slide that is
//! no picture slide, has no picture yet or is still importing; undo and redo wait while it
//! imports.
class RotateSlideCommand : public StoryCommand
{
public:
    RotateSlideCommand(Story& story, int index, int quarterTurns);

    bool canUndo() const override;
    bool canRedo() const override { return canUndo(); }

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    void turn(int quarterTurns);

    int m_id = -1;
    int m_turns;
};
