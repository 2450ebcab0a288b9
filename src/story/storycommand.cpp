#include "story/storycommand.h"

#include "story/story.h"

#include <atomic>

namespace {

void putCurrent(Story& story, int index)
{
    if (!story.select(index))
        story.setCurrentIndex(index);
}

} // namespace

StoryCommand::StoryCommand(Story& story, const QString& text) : QUndoCommand(text), m_story(story)
{}

void StoryCommand::redo()
{
    if (m_done)
        return;
    const Story::ChangeBatch batch(m_story);
    if (!m_ran) {
        m_ran = true;
        m_currentBefore = m_story.currentIndex();
        if (!apply()) {
            setObsolete(true);
            m_story.countRefusal();
            return;
        }
        m_applied = true;
        m_done = true;
        m_currentAfter = m_story.currentIndex();
        return;
    }
    // Story::redo() asks first; a direct call at a bad moment leaves the story untouched
    // and the next undo or redo in step again.
    if (!m_applied || !canRedo())
        return;
    reapply();
    if (m_restoresCurrent)
        putCurrent(m_story, m_currentAfter);
    m_done = true;
}

void StoryCommand::undo()
{
    if (!m_done || !canUndo())
        return;
    const Story::ChangeBatch batch(m_story);
    revert();
    if (m_restoresCurrent)
        putCurrent(m_story, m_currentBefore);
    m_done = false;
}

int nextEditSession()
{
    static std::atomic<int> session{0};
    return ++session;
}
