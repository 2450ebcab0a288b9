#pragma once

#include <unordered_map>
#include <unordered_set>
#include <vector>

//! Where the thumbnail strip draws each slide and which slides it frames, keyed by slide id:
//! a slide's home slot, the x it glides towards and the x it is drawn at now, all in canvas
//! pixels. Operations that depend on the slide order take the story's slide ids in order.
class StripPositions
{
public:
    //! Strip pixels between two slide slots, and the first slot's x.
    static constexpr int SlotPitch = 95;
    static constexpr int FirstSlot = 20;
    //! Step of a thumbnail gliding d pixels from its target: the farther, the faster.
    static int glideStep(int d);
    //! The x of the slot at index.
    static constexpr int slotX(int index) { return FirstSlot + SlotPitch * index; }

    struct Place
    {
        int home = 0;
        int target = 0;
        int drawn = 0;
    };

    //! The slide's place; one on slot fallbackIndex when the slide is not known here.
    Place place(int slideId, int fallbackIndex) const;
    bool contains(int slideId) const { return m_places.count(slideId) != 0; }

    //! Every slide stands on its home slot, nothing glides, nothing is framed and no drag slot
    //! is remembered; the slides met before are forgotten.
    void reset(const std::vector<int>& order);
    //! The slide at index joined. One never met before glides in from the end of the row, where
    //! it was appended; one put back appears in its place. The rest glide to their home slots.
    void arrive(const std::vector<int>& order, int index);
    //! The slide that stood at index left: the slides after it glide one slot left.
    void leave(const std::vector<int>& order, int index);
    //! Every slide glides to its home slot in the new order.
    void lineUp(const std::vector<int>& order);
    //! Every slide glides back to its home slot (a drag ended).
    void aimHome();
    //! Opens the drag gap after slot (-1: before the first slide): slides up to it aim 15 px left
    //! of home, the rest 15 px right. False, and nothing changed, when slot is the last one opened.
    bool openGap(const std::vector<int>& order, int slot);
    //! One glide step of every slide off its target; false when none moved (all settled then).
    bool glide();

    //! Nothing glides.
    bool isSettled() const { return m_settled; }
    //! Lets the next glide steps run (nothing moves when all stand on their targets).
    void unsettle() { m_settled = false; }
    //! The slot of the last drag gap opened, -1 before the first drag.
    int lastInsertionSlot() const { return m_lastInsertionSlot; }

    bool isSelected(int slideId) const { return m_selected.count(slideId) != 0; }
    //! Frames that slide alone.
    void selectOnly(int slideId);
    void clearSelection() { m_selected.clear(); }

private:
    //! Drops the places and frames of slides not in order.
    void forgetOthers(const std::vector<int>& order);

    std::unordered_map<int, Place> m_places;
    //! Ids of slides shown since the last reset, gone ones included.
    std::unordered_set<int> m_met;
    std::unordered_set<int> m_selected;
    int m_lastInsertionSlot = -1;
    bool m_settled = true;
};
