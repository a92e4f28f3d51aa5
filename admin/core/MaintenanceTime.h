#pragma once

#include "AlertRecords.h"
#include "Availability.h"

#include <QHash>
#include <QList>
#include <QString>

#include <vector>

namespace admin {

// Availability with the hosts' planned work set aside: the moments inside
// their weekly maintenance windows count neither up nor down.
//
// A window is read as the monitor reads it (AlertRecords::inWindow): it
// starts at `from` on each of its weekdays and ends at `to` that day, or the
// next morning when `to` is not after `from`; equal times hold the whole of
// the start day. Times are the local wall clock, as every stored time is.
namespace Availability {

// The windows' time within [from, to), sorted and merged.
std::vector<Span> windowSpans(const QList<AlertRecords::MaintenanceWindow> &windows, Seconds from, Seconds to);

// `spans` without what lies inside `cut`; both sorted and disjoint.
std::vector<Span> without(const std::vector<Span> &spans, const std::vector<Span> &cut);

// The windows of a period, by the host they hold for: the windows for every
// host are spread over the period once, a host's own only for that host.
class MaintenancePlan
{
public:
    MaintenancePlan(const QList<AlertRecords::MaintenanceWindow> &windows, Seconds from, Seconds to);
    // The time set aside for `ip`, sorted and merged.
    const std::vector<Span> &spansOf(const QString &ip) const;

private:
    std::vector<Span> m_everyHost;
    QHash<QString, std::vector<Span>> m_own;  // with the windows for every host in them
};

// figures() with `maintenance` (as spansOf gives it) set aside. The watched
// time inside it moves from watched to Figures::maintenance; the unwatched
// time inside it stays unwatched. An outage wholly inside it was the planned
// work itself and is not counted; one partly inside counts its time outside.
Figures figuresSettingAside(const std::vector<Span> &watched, const std::vector<Span> &maintenance,
                            std::vector<Outage> outages, Seconds from, Seconds to, Seconds now);

} // namespace Availability

} // namespace admin
