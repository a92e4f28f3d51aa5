#pragma once

#include "TickSource.h"

namespace monitor {

// Milliseconds since boot, suspend included (CLOCK_BOOTTIME), cut to 32 bits.
class BootTickSource final : public TickSource
{
public:
    quint32 milliseconds() const override;
};

} // namespace monitor
