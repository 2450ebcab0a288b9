#include "story/editslidetextcommand.h"

#include "story/story.h"

namespace {

QString fieldText(EditField field)
{
    switch (field) {
    case EditField::SlideTags:
        return QStringLiteral("Edit Slide Tags");
    case EditField::CueText:
        return QStringLiteral("Edit Cue Card");
    default:
        return QStringLiteral("Edit Caption");
    }
}

} // namespace

EditSlideTextCommand::EditSlideTextCommand(Story& story, int index, EditField field, const QString& text, int session)
    : StoryCommand(story, fieldText(field)), m_field(field), m_session(session), m_new(text)
{
    if (const Slide* s = story.slideAt(index))
        m_slideId = s->id();
}

QString EditSlideTextCommand::read() const
{
    const Slide* s = story().slideAt(story().indexOfId(m_slideId));
    if (!s)
        return {};
    switch (m_field) {
    case EditField::SlideTags:
        return s->tags();
    case EditField::CueText:
        return s->cueText();
    default:
        return s->caption();
    }
}

void EditSlideTextCommand::write(const QString& text)
{
    Slide* s = story().slideAt(story().indexOfId(m_slideId));
    if (!s)
        return;
    switch (m_field) {
    case EditField::SlideTags:
        s->setTags(text);
        break;
    case EditField::CueText:
        s->setCueText(text);
        break;
    default:
        s->setCaption(text);
        break;
    }
}

bool EditSlideTextCommand::apply()
{
    if (!story().slideAt(story().indexOfId(m_slideId)))
        return false;
    m_old = read();
    write(m_new);
    m_new = read();
    return m_new != m_old;
}

void EditSlideTextCommand::revert()
{
    write(m_old);
}

void EditSlideTextCommand::reapply()
{
    write(m_new);
}

bool EditSlideTextCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const EditSlideTextCommand*>(other);
    if (!next || next->m_field != m_field || next->m_slideId != m_slideId || next->m_session != m_session ||
        !next->wasApplied())
        return false;
    m_new = next->m_new;
    // Typed back to where it started: the step is no step.
    setObsolete(m_new == m_old);
    return true;
}
