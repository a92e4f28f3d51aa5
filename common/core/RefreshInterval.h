#pragma once

#include <QtGlobal>

// The monitor's polling interval, stored in minutes in options.refresh_time.
// Admin accepts only this range; the monitor reads any stored value into it,
// so a value written by other means can neither overflow the seconds nor
// make the monitor probe without a pause.
namespace RefreshInterval {

inline constexpr qint64 MinMinutes = 0;
inline constexpr qint64 MaxMinutes = 525600; // a year

inline constexpr qint64 clampedMinutes(qint64 minutes)
{
    return minutes < MinMinutes ? MinMinutes : (minutes > MaxMinutes ? MaxMinutes : minutes);
}

// The period in seconds for a stored number of minutes, computed in 64 bits.
inline constexpr int seconds(qint64 storedMinutes)
{
    return int(clampedMinutes(storedMinutes) * 60);
}

} // namespace RefreshInterval
