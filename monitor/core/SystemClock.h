#pragma once

#include "Clock.h"

namespace monitor {

// The system's local date and time.
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
};

} // namespace monitor
