#pragma once

#include <QtGlobal>

namespace monitor {

// The system's millisecond tick count since boot, as an unsigned 32-bit
// number: it wraps to 0 after about 49.7 days, and the caption's uptime
// follows it. Tests feed their own counts.
class TickSource
{
public:
    TickSource() = default;
    virtual ~TickSource();
    TickSource(const TickSource &) = delete;
    TickSource &operator=(const TickSource &) = delete;

    virtual quint32 milliseconds() const = 0;
};

} // namespace monitor
