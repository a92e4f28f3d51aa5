#pragma once

#include <QDateTime>

namespace monitor {

// Where the monitor reads the current local date and time: the countdown, the
// end of a pass and the closing time of an outage. Tests set it by hand.
class Clock
{
public:
    Clock() = default;
    virtual ~Clock();
    Clock(const Clock &) = delete;
    Clock &operator=(const Clock &) = delete;

    virtual QDateTime now() const = 0;
};

} // namespace monitor

// The real clock comes with the interface, so that a program needs one include.
#include "SystemClock.h"
