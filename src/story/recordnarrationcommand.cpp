#include "story/recordnarrationcommand.h"

#include "story/story.h"

std::unique_ptr<RecordNarrationCommand> RecordNarrationCommand::begin(Story& story, int index)
{
    const Slide* s = story.slideAt(index);
    if (!s || s->isRecording())
        return nullptr;
    return std::unique_ptr<RecordNarrationCommand>(new RecordNarrationCommand(story, *s));
}

RecordNarrationCommand::RecordNarrationCommand(Story& story, const Slide& slide)
    : StoryCommand(story, QStringLiteral("Record Narration")),
      m_id(slide.id()),
      m_oldHas(slide.hasNarration()),
      m_oldLength(slide.narrationLength()),
      m_take(slide.narrationWavPath())
{
    m_take.keepBefore();
}

RecordNarrationCommand::~RecordNarrationCommand()
{
    if (!m_pushed)
        m_take.restoreBefore();
    else if (isDone())
        m_take.dropBefore();
    else
        m_take.dropAfter();
}

bool RecordNarrationCommand::canUndo() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    return s && !s->isRecording() && !s->isMp3Busy();
}

bool RecordNarrationCommand::apply()
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    // Pushed while the take still records: the old take stays kept for the reset to clear,
    // the new one is left alone.
    m_pushed = true;
    if (!s || s->isRecording()) {
        m_take = SwappedFile();
        return false;
    }
    m_newHas = s->hasNarration();
    m_newLength = s->narrationLength();
    return true;
}

void RecordNarrationCommand::put(bool hasNarration, int length)
{
    Slide* s = story().slideAt(story().indexOfId(m_id));
    if (!s)
        return;
    s->setHasNarration(hasNarration);
    s->setNarrationLength(length);
    s->takeReplaced();
}

void RecordNarrationCommand::revert()
{
    m_take.toBefore();
    put(m_oldHas, m_oldLength);
}

void RecordNarrationCommand::reapply()
{
    m_take.toAfter();
    put(m_newHas, m_newLength);
}
