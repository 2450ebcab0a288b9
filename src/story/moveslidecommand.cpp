#include "story/moveslidecommand.h"

#include "story/story.h"

MoveSlideCommand::MoveSlideCommand(Story& story, int from, int to)
    : StoryCommand(story, QStringLiteral("Move Slide")), m_from(from), m_to(to)
{
    restoresCurrentSlide();
}

bool MoveSlideCommand::apply()
{
    Story& s = story();
    if (m_from == m_to || !s.slideAt(m_from) || !s.slideAt(m_to))
        return false;
    s.move(m_from, m_to);
    s.select(m_to);
    return true;
}

void MoveSlideCommand::revert()
{
    story().move(m_to, m_from);
}

void MoveSlideCommand::reapply()
{
    story().move(m_from, m_to);
}
