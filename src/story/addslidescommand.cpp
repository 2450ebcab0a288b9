#include "story/addslidescommand.h"

#include "story/story.h"

#include <algorithm>

namespace {

QString addText(const std::vector<std::unique_ptr<Slide>>& slides)
{
    const bool segments = !slides.empty() && std::all_of(slides.begin(), slides.end(), [](const auto& s) {
        return s && s->kind() == SlideKind::Segment;
    });
    return segments ? QStringLiteral("Add Segment") : QStringLiteral("Add Slide");
}

std::vector<std::unique_ptr<Slide>> single(std::unique_ptr<Slide> slide)
{
    std::vector<std::unique_ptr<Slide>> slides;
    slides.push_back(std::move(slide));
    return slides;
}

//! The slide may leave the story now (as Story::takeSlide sees it).
bool removable(const Slide& s)
{
    return !s.isRecording() && s.isReady() && !s.isMp3Busy();
}

} // namespace

AddSlidesCommand::AddSlidesCommand(Story& story, std::vector<std::unique_ptr<Slide>> slides, int insertIndex,
                                   Current current)
    : StoryCommand(story, addText(slides)), m_new(std::move(slides)), m_insertIndex(insertIndex), m_current(current)
{
    restoresCurrentSlide();
}

AddSlidesCommand::AddSlidesCommand(Story& story, std::unique_ptr<Slide> slide, int insertIndex, Current current)
    : AddSlidesCommand(story, single(std::move(slide)), insertIndex, current)
{}

AddSlidesCommand::~AddSlidesCommand() = default;

std::vector<int> AddSlidesCommand::addedIds() const
{
    std::vector<int> ids;
    for (const Added& a : m_added)
        ids.push_back(a.id);
    return ids;
}

bool AddSlidesCommand::apply()
{
    Story& s = story();
    for (auto& slide : m_new) {
        if (!slide)
            continue;
        Slide* raw = slide.get();
        if (s.add(std::move(slide), m_insertIndex))
            m_added.push_back({raw->id(), s.indexOf(raw), nullptr});
    }
    m_new.clear();
    if (m_added.empty())
        return false;
    if (m_current == Current::LastAdded)
        s.select(s.indexOfId(m_added.back().id));
    return true;
}

bool AddSlidesCommand::canUndo() const
{
    return std::all_of(m_added.begin(), m_added.end(), [this](const Added& a) {
        const Slide* slide = story().slideAt(story().indexOfId(a.id));
        return slide && removable(*slide);
    });
}

void AddSlidesCommand::revert()
{
    for (auto a = m_added.rbegin(); a != m_added.rend(); ++a)
        a->kept = story().takeSlide(story().indexOfId(a->id));
}

void AddSlidesCommand::reapply()
{
    for (Added& a : m_added)
        if (a.kept)
            story().insertSlide(a.kept, a.index);
}
