#pragma once

#include <QDateTime>

//! The time source of saves; tests replace it to fix stamps.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};
