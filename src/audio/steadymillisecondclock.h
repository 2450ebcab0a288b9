#pragma once

#include "audio/millisecondclock.h"

#include <QtGlobal>

#include <chrono>

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
