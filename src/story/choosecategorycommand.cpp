#include "story/choosecategorycommand.h"

#include "story/story.h"

ChooseCategoryCommand::ChooseCategoryCommand(Story& story, const QString& name, int id)
    : StoryCommand(story, QStringLiteral("Choose Category")), m_newName(name), m_newId(id)
{}

bool ChooseCategoryCommand::apply()
{
    m_oldName = story().categoryName();
    m_oldId = story().categoryId();
    story().setCategory(m_newName, m_newId);
    m_newName = story().categoryName();
    return m_newName != m_oldName || m_newId != m_oldId;
}

void ChooseCategoryCommand::revert()
{
    story().setCategory(m_oldName, m_oldId);
}

void ChooseCategoryCommand::reapply()
{
    story().setCategory(m_newName, m_newId);
}
