#pragma once

#include "story/storycommand.h"
#include "story/swappedfile.h"

//! "Clear Narration": clears a slide's narration (has-narration off, length 0). The take's
//! file ("<id>.wav") is moved to a kept name instead of being deleted; undo moves it back and
//! restores the flag, the length and the MP3-encoded flag. The kept take is deleted when the
//! command leaves the stack done (stack cleared, dropped by a later push) and is never needed
//! once undone. Refused for a slide without narration or one being recorded; undo and redo
//! wait while the slide records or its narration is being encoded.
class ClearNarrationCommand : public StoryCommand
{
public:
    ClearNarrationCommand(Story& story, int index);
    ~ClearNarrationCommand() override;

    bool canUndo() const override;
    bool canRedo() const override { return canUndo(); }

    //! Where the cleared take waits while the command can be undone (empty when it had no file).
    QString keptTake() const { return m_take.beforeName(); }

protected:
    bool apply() override;
    void revert() override;
    void reapply() override;

private:
    void clear();

    int m_id = -1;
    bool m_hadNarration = false;
    int m_length = 0;
    bool m_mp3Encoded = false;
    SwappedFile m_take;
};
