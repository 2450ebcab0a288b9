#pragma once

#include "story/storycommand.h"
#include "story/swappedfile.h"

#include <memory>

class Slide;

//! "Record Narration": a new take on a slide, over its old one if it had one. Two steps for the
//! recorder's caller:
//!
//!     auto take = RecordNarrationCommand::begin(story, index); // before NarrationRecorder::record
//!     … the recorder writes the new take into the slide's "<id>.wav" …
//!     story.push(take.release());                               // once the take has stopped
//!
//! begin() moves the old take aside to a kept name; the push records the new take's
//! has-narration flag and length as the recorder left them. Undo moves the new take aside and
//! the old one back (with its flag and length), redo swaps again. The take not in use is
//! deleted when the command leaves the stack. A begun command dropped without a push (the
//! recording did not start) puts the old take back. Undo and redo wait while the slide records
//! or its narration is being encoded; an MP3 made before is no longer taken as up to date.
class RecordNarrationCommand : public StoryCommand
{
public:
    //! Null when there is no slide at index or it is recording already.
    static std::unique_ptr<RecordNarrationCommand> begin(Story& story, int index);
    ~RecordNarrationCommand() override;

    bool canUndo() const override;
    bool canRedo() const override { return canUndo(); }

    //! Where the old take waits while the new one is in use (empty when it had no file).
    QString keptOldTake() const { return m_take.beforeName(); }
    //! Where the new take waits while undone.
    QString keptNewTake() const { return m_take.afterName(); }

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    RecordNarrationCommand(Story& story, const Slide& slide);
    void put(bool hasNarration, int length);

    int m_id;
    bool m_oldHas;
    int m_oldLength;
    bool m_newHas = false;
    int m_newLength = 0;
    //! Pushed: from then on the stack decides which take stays.
    bool m_pushed = false;
    SwappedFile m_take;
};
