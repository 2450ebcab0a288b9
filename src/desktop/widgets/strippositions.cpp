#include "desktop/widgets/strippositions.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

// Half the gap a drag opens between two thumbnails.
constexpr int GapShift = 15;

// One glide step from current towards target.
int stepTowards(int current, int target)
{
    const int d = std::abs(current - target);
    if (d <= 3)
        return target;
    const int step = StripPositions::glideStep(d);
    return current < target ? current + step : current - step;
}

} // namespace

int StripPositions::glideStep(int d)
{
    if (d > 400)
        return 128;
    if (d > 150)
        return 64;
    if (d > 50)
        return 32;
    if (d > 30)
        return 16;
    if (d > 20)
        return 8;
    if (d > 6)
        return 4;
    return 2;
}

StripPositions::Place StripPositions::place(int slideId, int fallbackIndex) const
{
    const auto found = m_places.find(slideId);
    if (found != m_places.end())
        return found->second;
    const int x = slotX(fallbackIndex);
    return {x, x, x};
}

void StripPositions::reset(const std::vector<int>& order)
{
    m_places.clear();
    m_met.clear();
    m_selected.clear();
    for (int i = 0; i < int(order.size()); ++i) {
        const int x = slotX(i);
        m_places[order[size_t(i)]] = {x, x, x};
        m_met.insert(order[size_t(i)]);
    }
    m_lastInsertionSlot = -1;
    m_settled = true;
}

void StripPositions::arrive(const std::vector<int>& order, int index)
{
    if (index < 0 || index >= int(order.size()))
        return;
    const int id = order[size_t(index)];
    const bool putBack = m_met.count(id) != 0;
    m_met.insert(id);
    m_places[id].drawn = slotX(putBack ? index : int(order.size()) - 1);
    lineUp(order);
}

void StripPositions::leave(const std::vector<int>& order, int index)
{
    forgetOthers(order);
    for (int i = std::max(index, 0); i < int(order.size()); ++i) {
        const auto found = m_places.find(order[size_t(i)]);
        if (found == m_places.end())
            continue;
        Place& place = found->second;
        // Relative to its target: a gap a drag holds open stays open.
        place.target -= SlotPitch;
        place.home = slotX(i);
    }
    m_settled = false;
}

void StripPositions::lineUp(const std::vector<int>& order)
{
    forgetOthers(order);
    for (int i = 0; i < int(order.size()); ++i) {
        const auto [found, added] = m_places.try_emplace(order[size_t(i)]);
        Place& place = found->second;
        place.home = slotX(i);
        place.target = place.home;
        if (added)
            place.drawn = place.home;
        m_met.insert(order[size_t(i)]);
    }
    m_settled = false;
}

void StripPositions::aimHome()
{
    for (auto& [id, place] : m_places)
        place.target = place.home;
    m_settled = false;
}

bool StripPositions::openGap(const std::vector<int>& order, int slot)
{
    if (slot == m_lastInsertionSlot)
        return false;
    m_lastInsertionSlot = slot;
    for (int i = 0; i < int(order.size()); ++i) {
        const auto found = m_places.find(order[size_t(i)]);
        if (found != m_places.end())
            found->second.target = found->second.home + (i > slot ? GapShift : -GapShift);
    }
    m_settled = false;
    return true;
}

bool StripPositions::glide()
{
    bool moved = false;
    for (auto& [id, place] : m_places) {
        if (place.drawn == place.target)
            continue;
        place.drawn = stepTowards(place.drawn, place.target);
        moved = true;
    }
    if (!moved)
        m_settled = true;
    return moved;
}

void StripPositions::selectOnly(int slideId)
{
    m_selected.clear();
    m_selected.insert(slideId);
}

void StripPositions::forgetOthers(const std::vector<int>& order)
{
    const std::unordered_set<int> present(order.begin(), order.end());
    for (auto it = m_places.begin(); it != m_places.end();)
        it = present.count(it->first) != 0 ? std::next(it) : m_places.erase(it);
    for (auto it = m_selected.begin(); it != m_selected.end();)
        it = present.count(*it) != 0 ? std::next(it) : m_selected.erase(it);
}
