#include "story/storycommandgroup.h"

#include <algorithm>

StoryCommandGroup::StoryCommandGroup(Story& story, const QString& text) : StoryCommand(story, text)
{}

StoryCommandGroup::~StoryCommandGroup() = default;

void StoryCommandGroup::add(std::unique_ptr<StoryCommand> part)
{
    if (part)
        m_parts.push_back(std::move(part));
}

bool StoryCommandGroup::canUndo() const
{
    return std::all_of(m_parts.begin(), m_parts.end(), [](const auto& part) { return part->canUndo(); });
}

bool StoryCommandGroup::canRedo() const
{
    return std::all_of(m_parts.begin(), m_parts.end(), [](const auto& part) { return part->canRedo(); });
}

bool StoryCommandGroup::apply()
{
    std::vector<std::unique_ptr<StoryCommand>> applied;
    for (auto& part : m_parts) {
        if (part->apply())
            applied.push_back(std::move(part));
    }
    m_parts = std::move(applied);
    return !m_parts.empty();
}

void StoryCommandGroup::revert()
{
    for (auto part = m_parts.rbegin(); part != m_parts.rend(); ++part)
        (*part)->revert();
}

void StoryCommandGroup::reapply()
{
    for (auto& part : m_parts)
        part->reapply();
}
