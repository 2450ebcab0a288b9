#pragma once

#include "story/addslidescommand.h"
#include "story/storycommand.h"
#include "story/swappedfile.h"

//! "Import Narration": a take decoded from a sound file replaces a slide's narration, with the
//! same undo as a recorded take. The caller first decodes the file into a wave file of the
//! recording format in the story's working folder (on a worker), then pushes on the story's
//! thread:
//!
//!     story.push(new ImportNarrationCommand(story, index, decoded.wavePath, decoded.seconds()));
//!
//! The push moves the old take aside to a kept name and the decoded file into the slide's
//! "<id>.wav", and sets the has-narration flag and the length; an MP3 made before is no longer
//! taken as up to date. Undo moves the new take aside and the old one back (with its flag and
//! length), redo swaps again; the take not in use is deleted when the command leaves the stack.
//! Refused, with the story and the slide's files untouched, for a slide that is not there,
//! records or has its narration encoded, and when the decoded file cannot be moved into place.
//! The decoded file belongs to the command: a refused push deletes it. Undo and redo wait while
//! the slide records or its narration is being encoded.
class ImportNarrationCommand : public StoryCommand
{
public:
    //! takePath: the decoded wave file; seconds: its length as narrationSeconds gives it.
    ImportNarrationCommand(Story& story, int index, const QString& takePath, int seconds);
    ~ImportNarrationCommand() override;

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
    void put(bool hasNarration, int length);

    int m_id = -1;
    QString m_takePath;
    int m_seconds;
    bool m_oldHas = false;
    int m_oldLength = 0;
    SwappedFile m_take;
};

//! "Import Segment": a new podcast segment holding a take decoded from a sound file, added at
//! insertIndex (-1: at the end) as Add Segment adds one, and made the current slide. As for
//! ImportNarrationCommand the file is decoded first; the push adds the segment and moves the
//! file into its "<id>.wav" in one step. Undo takes the segment out (its take stays beside it
//! for redo); the take of a segment whose command leaves the stack undone is deleted. Refused,
//! with the story as it was, when the story takes no more slides or the file cannot be moved
//! into place; a refused push deletes the decoded file.
class ImportSegmentCommand : public AddSlidesCommand
{
public:
    ImportSegmentCommand(Story& story, int insertIndex, const QString& takePath, int seconds);
    ~ImportSegmentCommand() override;

protected:
    bool apply() override;

private:
    QString m_takePath;
    int m_seconds;
    //! The segment's take once it is in place.
    QString m_wavPath;
};
