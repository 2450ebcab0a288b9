#pragma once

#include "story/clock.h"

#include <QDateTime>

//! A clock that always says the same time (by default Dec 6 2026, 6:29:33 PM local time).
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime t = QDateTime(QDate(2026, 12, 6), QTime(18, 29, 33))) : time(std::move(t)) {}
    QDateTime now() const override { return time; }
    QDateTime time;
};
