#pragma once

#include "MonotonicClock.h"
#include "TickSource.h"

namespace monitor {

// Milliseconds since boot, suspend included (CLOCK_BOOTTIME), cut to 32 bits.
class BootTickSource final : public TickSource
{
public:
    quint32 milliseconds() const override;
};

// Nanoseconds since boot, suspend included: the schedule's clock, which
// neither an operator nor NTP can set back.
class BootClock final : public MonotonicClock
{
public:
    qint64 nsecs() const override;
};

} // namespace monitor
