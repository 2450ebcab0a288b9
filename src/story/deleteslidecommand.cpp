#include "story/deleteslidecommand.h"

#include "story/story.h"

namespace {

QString deleteText(const Story& story, int index)
{
    const Slide* s = story.slideAt(index);
    return s && s->kind() == SlideKind::Segment ? QStringLiteral("Delete Segment") : QStringLiteral("Delete Slide");
}

} // namespace

DeleteSlideCommand::DeleteSlideCommand(Story& story, int index)
    : StoryCommand(story, deleteText(story, index)), m_index(index)
{
    if (const Slide* s = story.slideAt(index))
        m_id = s->id();
    restoresCurrentSlide();
}

DeleteSlideCommand::~DeleteSlideCommand() = default;

bool DeleteSlideCommand::take()
{
    m_kept = story().takeSlide(story().indexOfId(m_id));
    return m_kept != nullptr;
}

bool DeleteSlideCommand::apply()
{
    return m_id != -1 && take();
}

bool DeleteSlideCommand::canRedo() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_id));
    return s && !s->isRecording() && s->isReady() && !s->isMp3Busy();
}

void DeleteSlideCommand::revert()
{
    if (m_kept)
        story().insertSlide(m_kept, m_index);
}

void DeleteSlideCommand::reapply()
{
    take();
}
