#include "story/editstorytextcommand.h"

#include "story/story.h"

namespace {

QString fieldText(EditField field)
{
    switch (field) {
    case EditField::Description:
        return QStringLiteral("Edit Description");
    case EditField::Tags:
        return QStringLiteral("Edit Tags");
    case EditField::Transcript:
        return QStringLiteral("Edit Transcript");
    default:
        return QStringLiteral("Edit Title");
    }
}

} // namespace

EditStoryTextCommand::EditStoryTextCommand(Story& story, EditField field, const QString& text, int session)
    : StoryCommand(story, fieldText(field)), m_field(field), m_session(session), m_new(text)
{}

QString EditStoryTextCommand::read() const
{
    switch (m_field) {
    case EditField::Description:
        return story().description();
    case EditField::Tags:
        return story().tags();
    case EditField::Transcript:
        return story().transcript();
    default:
        return story().title();
    }
}

void EditStoryTextCommand::write(const QString& text)
{
    switch (m_field) {
    case EditField::Description:
        story().setDescription(text);
        break;
    case EditField::Tags:
        story().setTags(text);
        break;
    case EditField::Transcript:
        story().setTranscript(text);
        break;
    default:
        story().setTitle(text);
        break;
    }
}

bool EditStoryTextCommand::apply()
{
    m_old = read();
    write(m_new);
    m_new = read();
    return m_new != m_old;
}

void EditStoryTextCommand::revert()
{
    write(m_old);
}

void EditStoryTextCommand::reapply()
{
    write(m_new);
}

bool EditStoryTextCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const EditStoryTextCommand*>(other);
    if (!next || next->m_field != m_field || next->m_session != m_session || !next->wasApplied())
        return false;
    m_new = next->m_new;
    // Typed back to where it started: the step is no step.
    setObsolete(m_new == m_old);
    return true;
}
