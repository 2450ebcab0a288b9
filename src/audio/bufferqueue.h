#pragma once

#include "audio/audioport.h"

#include <array>
#include <cstddef>

//! A first-in first-out queue of at most Capacity buffer pointers in a fixed ring, so that
//! moving buffers between a wave device's queues never allocates. Not locked: its owner
//! holds the queue's own lock.
template <std::size_t Capacity>
class BufferQueue
{
public:
    bool empty() const { return m_count == 0; }
    int size() const { return int(m_count); }
    WaveBuffer* front() const { return m_slots[m_head]; }

    //! Ignored when full; a device never has more buffers than the ring holds.
    void push(WaveBuffer* buffer)
    {
        if (m_count == Capacity)
            return;
        m_slots[(m_head + m_count) % Capacity] = buffer;
        ++m_count;
    }

    WaveBuffer* pop()
    {
        WaveBuffer* buffer = m_slots[m_head];
        m_head = (m_head + 1) % Capacity;
        --m_count;
        return buffer;
    }

    void clear() { m_head = m_count = 0; }

private:
    std::array<WaveBuffer*, Capacity> m_slots{};
    std::size_t m_head = 0;
    std::size_t m_count = 0;
};
