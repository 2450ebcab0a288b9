#pragma once

#include "story/storycommand.h"

//! "Move Slide": moves the slide at from to to (Story::move) and makes it the current slide,
//! as the strip's drag does; undo moves it back and puts the current slide back as it was.
//! Refused when an index is outside the story or both are the same.
class MoveSlideCommand : public StoryCommand
{
public:
    MoveSlideCommand(Story& story, int from, int to);

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    int m_from;
    int m_to;
};
