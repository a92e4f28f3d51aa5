#pragma once

#include "MonotonicClock.h"

namespace monitor {

// A monotonic clock the test moves by hand. Every reading also moves it on
// by a tenth of a microsecond, so code that waits out a short gap by reading
// the clock in a loop still gets past it.
class FakeMonotonicClock final : public MonotonicClock
{
public:
    static constexpr qint64 TickPerReadNs = 100;

    qint64 nsecs() const override { return m_ns += TickPerReadNs; }
    void advanceMs(qint64 ms) { m_ns += ms * 1'000'000; }
    // Whole milliseconds since the clock was made.
    qint64 ms() const { return m_ns / 1'000'000; }

private:
    mutable qint64 m_ns = 0;
};

} // namespace monitor
