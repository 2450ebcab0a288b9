#pragma once

#include "story/storycommand.h"

#include <memory>
#include <vector>

class Slide;

//! "Add Slide" ("Add Segment" when every slide is a podcast segment): adds new slides, each
//! at the same insert index as Story::add does (-1: at the end), naming their files and
//! starting their imports. Slides the story refuses (a 51st, a picture already in it) are
//! destroyed and the rest still added; with none added the push is refused. Undo takes the
//! slides out and keeps them, so redo puts back the very same slides (same ids, files and
//! pictures) without importing again. Undo waits while one of them imports, records or encodes.
class AddSlidesCommand : public StoryCommand
{
public:
    //! What the current slide is once the slides are in.
    enum class Current {
        Kept,
        LastAdded
    };

    //! The slides are new ones, made for this story (a picture slide's source path set).
    AddSlidesCommand(Story& story, std::vector<std::unique_ptr<Slide>> slides, int insertIndex = -1,
                     Current current = Current::Kept);
    AddSlidesCommand(Story& story, std::unique_ptr<Slide> slide, int insertIndex = -1, Current current = Current::Kept);
    ~AddSlidesCommand() override;

    //! Ids of the slides added, in the order they were added (empty before the push).
    std::vector<int> addedIds() const;

    bool canUndo() const override;

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    struct Added
    {
        int id;
        int index;                   //!< where it stood right after it was added
        std::unique_ptr<Slide> kept; //!< held while undone
    };

    std::vector<std::unique_ptr<Slide>> m_new;
    std::vector<Added> m_added;
    int m_insertIndex;
    Current m_current;
};
