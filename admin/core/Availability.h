#pragma once

#include "DateTimeText.h"

#include <QString>

#include <optional>
#include <vector>

namespace admin {

// How available one host was over a period, counted only over the time the
// monitor really watched (see the watched table): outside it a host is
// neither up nor down.
//
// Every moment is a stored local date-time read as DateTimeText::Seconds, so
// a duration is the difference of the wall clock's readings: a span over a
// daylight-saving change counts the clock's jump (an hour more or less),
// exactly as the outage export's duration_s does.
namespace Availability {

using Seconds = DateTimeText::Seconds;

// [begin, end): a watched period.
struct Span
{
    Seconds begin = 0;
    Seconds end = 0;
};

// One outage row: end unset while it is open.
struct Outage
{
    Seconds begin = 0;
    std::optional<Seconds> end;
};

struct Figures
{
    qint64 periodSeconds = 0;  // from the period's start to its end or now, whichever is first
    qint64 watched = 0;
    qint64 unwatched = 0;
    qint64 down = 0;           // watched seconds inside an outage
    int outages = 0;           // outages touching the period
    qint64 longest = 0;        // the most watched downtime of one outage
    qint64 maintenance = 0;    // watched time set aside as planned work (when asked to)

    bool hasData() const { return watched > 0; }
    // Share of watched time up, in thousandths of a percent (100000 = 100 %),
    // rounded down so that any downtime at all reads below 100 %.
    std::optional<qint64> availabilityMilliPercent() const;
    // Mean downtime per outage (time to restore) and mean up time between
    // failures: none without an outage or without watched time.
    std::optional<qint64> meanDown() const;
    std::optional<qint64> mtbf() const;
};

// The watched periods sorted, overlaps merged, and clipped to [from, to).
std::vector<Span> normalised(std::vector<Span> watched, Seconds from, Seconds to);

// The figures of one host over [from, to), the period ending at `now` when
// that comes first. `watched` as normalised() returns it for the same
// bounds; `outages` in any order. An open outage lasts to the period's end.
Figures figures(const std::vector<Span> &watched, std::vector<Outage> outages, Seconds from, Seconds to, Seconds now);

// "99,999 %" in the operator's locale, or "нет данных" without watched time.
QString percentText(const Figures &f);
// "99.999" for a file (C locale), empty without watched time.
QString percentField(const Figures &f);

} // namespace Availability

} // namespace admin
