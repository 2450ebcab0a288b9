#include "story/clearnarrationcommand.h"

#include "story/story.h"

ClearNarrationCommand::ClearNarrationCommand(Story& story, int index)
    : StoryCommand(story, QStringLiteral("Clear Narration"))
{
    if (const Slide* s = story.slideAt(index))
        m_id = s->id();
}

ClearNarrationCommand::~ClearNarrationCommand()
{
    if (wasApplied() && isDone())
        m_take.dropBefore();
}

bool ClearNarrationCommand::canUndo() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    return s && !s->isRecording() && !s->isMp3Busy();
}

bool ClearNarrationCommand::apply()
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s || s->isRecording() || s->isMp3Busy() || (!s->hasNarration() && s->narrationLength() == 0))
        return false;
    m_hadNarration = s->hasNarration();
    m_length = s->narrationLength();
    m_mp3Encoded = s->isMp3Encoded();
    m_take = SwappedFile(s->narrationWavPath());
    clear();
    return true;
}

void ClearNarrationCommand::clear()
{
    Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s)
        return;
    m_take.keepBefore();
    s->setHasNarration(false);
    s->setNarrationLength(0);
}

void ClearNarrationCommand::revert()
{
    Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s)
        return;
    m_take.toBefore();
    s->setHasNarration(m_hadNarration);
    s->setNarrationLength(m_length);
    // The MP3 beside it was made from this very take.
    s->setMp3Encoded(m_mp3Encoded);
}

void ClearNarrationCommand::reapply()
{
    clear();
}
