#include "SystemClock.h"

namespace monitor {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

} // namespace monitor
