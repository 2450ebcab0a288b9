#pragma once

#include "story/clock.h"

#include <QDateTime>

//! The real local time.
class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
