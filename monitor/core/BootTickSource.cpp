#include "BootTickSource.h"

#include <time.h>

namespace monitor {

TickSource::~TickSource() = default;

quint32 BootTickSource::milliseconds() const
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        return 0;
    const quint64 ms = quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u;
    // Keeping only the low 32 bits is the point: the count wraps like the
    // desktop's tick count always did.
    return quint32(ms & 0xffffffffu);
}

qint64 BootClock::nsecs() const
{
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        return 0;
    return qint64(ts.tv_sec) * 1'000'000'000 + qint64(ts.tv_nsec);
}

} // namespace monitor
