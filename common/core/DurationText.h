#pragma once

#include <QString>

// How long an outage lasted or has lasted, as the operator reads it:
// "45 с", "12 мин", "2 ч 05 мин", "3 д 04 ч". The larger unit leads and one
// smaller unit follows, zero-padded so a column of them lines up; seconds
// only while nothing larger applies, minutes dropped beyond a day.
namespace DurationText {

// A negative span (the clock was set back) reads as no time at all.
QString format(qint64 seconds);

} // namespace DurationText
