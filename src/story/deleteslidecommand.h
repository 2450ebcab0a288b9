#pragma once

#include "story/storycommand.h"

#include <memory>

class Slide;

//! "Delete Slide" ("Delete Segment" for a podcast segment): takes the slide out and keeps it,
//! files and all (a delete never deletes a working file). Undo puts the same slide back at its
//! place. Refused, as Story::remove refuses, for a slide that records, imports or encodes.
class DeleteSlideCommand : public StoryCommand
{
public:
    DeleteSlideCommand(Story& story, int index);
    ~DeleteSlideCommand() override;

    bool canRedo() const override;

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    bool take();

    int m_id = -1;
    int m_index;
    std::unique_ptr<Slide> m_kept; //!< held while done
};
