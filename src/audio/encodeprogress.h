#pragma once

#include <atomic>

//! The progress and cancel of one caller's conversions (a publication, a CLI encode), owned by
//! that caller and passed to each conversion it starts. Any thread may read and write it.
class EncodeProgress
{
public:
    EncodeProgress() = default;
    //! One of several conversions run side by side for one caller: cancelled with parent too.
    //! Its percent is also the parent's, the last one set by any of them.
    explicit EncodeProgress(EncodeProgress* parent) : m_parent(parent) {}

    //! Percent of the running (or last) conversion's source consumed, 0 to 99; 0 before the
    //! first. Stays put after a conversion ends.
    int percent() const { return m_percent.load(); }
    //! Called by the encoder on its thread.
    void setPercent(int percent)
    {
        m_percent.store(percent);
        if (m_parent)
            m_parent->setPercent(percent);
    }

    //! Asks every conversion (and join) using this object to stop at its next check; stays set.
    void requestCancel() { m_cancel.store(true); }
    bool isCancelRequested() const { return m_cancel.load() || (m_parent && m_parent->isCancelRequested()); }
    //! The flag itself (not a parent's), for steps that take a plain cancel flag (the wave join).
    const std::atomic<bool>& cancelFlag() const { return m_cancel; }

private:
    EncodeProgress* m_parent = nullptr;
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_cancel{false};
};
