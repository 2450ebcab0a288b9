#pragma once

#include <QtGlobal>

//! The time source the recorder measures elapsed recording and playback time with;
//! tests replace it to advance time by hand.
class MillisecondClock
{
public:
    virtual ~MillisecondClock() = default;
    //! Milliseconds since an arbitrary fixed point.
    virtual qint64 milliseconds() const = 0;
};
