#pragma once

#include <QtGlobal>

#include <chrono>

//! The time source the recorder measures elapsed recording and playback time with;
//! tests replace it to advance time by hand.
class MillisecondClock
{
public:
    virtual ~MillisecondClock() = default;
    //! Milliseconds since an arbitrary fixed point.
    virtual qint64 milliseconds() const = 0;
};

//! A monotonic clock: changes of the wall clock do not disturb a running measurement.
class SteadyMillisecondClock final : public MillisecondClock
{
public:
    qint64 milliseconds() const override
    {
        using namespace std::chrono;
        return duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};
