#include "StatusBoard.h"

#include "AddressLimits.h"
#include "RefreshInterval.h"

#include <algorithm>

namespace web {

namespace {

using Availability::Outage;
using Availability::Span;

Seconds midnight(const QDate &day)
{
    return DateTimeText::toSeconds(day, QTime(0, 0));
}

// A period with its watched time, shared by every host.
struct Period
{
    admin::AvailabilityPeriod period;
    std::vector<Span> watched;
};

Period periodOf(const admin::AvailabilityPeriod &p, const std::vector<Span> &watched)
{
    return {p, Availability::normalised(watched, p.from, p.to)};
}

// The outages that may touch a period (figures() decides which do).
std::vector<Outage> near(const std::vector<Outage> &outages, const admin::AvailabilityPeriod &p)
{
    std::vector<Outage> out;
    for (const Outage &o : outages) {
        if (o.begin < p.to && (!o.end || *o.end >= p.from))
            out.push_back(o);
    }
    return out;
}

bool holdsFor(const QString &ip, const QString &markIp)
{
    return markIp.isEmpty() || markIp == ip;
}

std::vector<ChartPoint> chartOf(const HostLatency *latency, Seconds now)
{
    std::vector<ChartPoint> points;
    const Seconds hour = now - now % 3600;
    for (int i = StatusBoard::ChartHours - 1; i >= 0; --i) {
        ChartPoint p;
        p.start = hour - Seconds(i) * 3600;
        if (latency) {
            const auto consolidated = std::find_if(latency->hours.begin(), latency->hours.end(),
                                                   [&](const LatencyHour &h) { return h.start == p.start; });
            if (consolidated != latency->hours.end()) {
                if (consolidated->medianUs)
                    p.rttMs = double(*consolidated->medianUs) / 1000.0;
                if (consolidated->sent > 0)
                    p.lossShare = double(consolidated->lost) / double(consolidated->sent);
            } else {
                qint64 sent = 0, lost = 0, rttSum = 0, rttCount = 0;
                for (const LatencyMinute &m : latency->minutes) {
                    if (m.start < p.start || m.start >= p.start + 3600)
                        continue;
                    sent += m.sent;
                    lost += m.lost;
                    rttSum += m.rttSumUs;
                    rttCount += m.rttCount;
                }
                if (rttCount > 0)
                    p.rttMs = double(rttSum) / double(rttCount) / 1000.0;
                if (sent > 0)
                    p.lossShare = double(lost) / double(sent);
            }
        }
        points.push_back(p);
    }
    return points;
}

} // namespace

admin::AvailabilityPeriod StatusBoard::windowPeriod(int window, Seconds now, const QDate &today)
{
    if (WindowDays[window] == 0)
        return {now - DateTimeText::SecondsPerDay, now};
    return {midnight(today.addDays(-(WindowDays[window] - 1))), midnight(today.addDays(1))};
}

admin::AvailabilityPeriod StatusBoard::dayPeriod(const QDate &day)
{
    return {midnight(day), midnight(day.addDays(1))};
}

bool StatusBoard::isWatching(const StatusData &data, Seconds now)
{
    if (!data.newest || data.newest->howEnded != 0)
        return false;
    // The monitor's own rule for a gap between passes (two intervals and the
    // slowest host's four attempts, and the tick), and a few seconds more for
    // the pass's write and this reading.
    int slowestMs = 0;
    for (const StatusData::Address &a : data.addresses)
        slowestMs = std::max(slowestMs, std::clamp(a.timeoutMs, AddressLimits::MinPingTimeoutMs,
                                                   AddressLimits::MaxPingTimeoutMs));
    const qint64 intervalS = std::max(1, RefreshInterval::seconds(data.refreshMinutes));
    const qint64 longestGapS = 2 * intervalS + (4 * qint64(slowestMs) + 999) / 1000 + 1 + 5;
    return now - data.newest->end <= longestGapS;
}

const char *StatusBoard::stateName(HostState state)
{
    switch (state) {
    case HostState::Up:
        return "up";
    case HostState::Down:
        return "down";
    case HostState::Unwatched:
        return "unwatched";
    case HostState::Maintenance:
        return "maintenance";
    }
    return "up";
}

StatusBoard StatusBoard::build(const StatusData &data, const QDateTime &now)
{
    StatusBoard b;
    b.generated = now;
    b.today = now.date();
    b.now = DateTimeText::toSeconds(now.date(), now.time());
    b.keptFrom = data.keptFrom;
    b.watching = isWatching(data, b.now);
    if (data.newest)
        b.lastPass = data.newest->end;
    b.outages = data.outages;

    std::array<Period, 5> windows;
    for (int w = 0; w < 5; ++w)
        windows[w] = periodOf(windowPeriod(w, b.now, b.today), data.watched);
    std::vector<Period> days;
    days.reserve(BarDays);
    for (int d = BarDays - 1; d >= 0; --d)
        days.push_back(periodOf(dayPeriod(b.today.addDays(-d)), data.watched));

    // A host without outages has the figures of the watched time alone:
    // computed once for all of them.
    std::array<Availability::Figures, 5> cleanWindows;
    for (int w = 0; w < 5; ++w)
        cleanWindows[w] = Availability::figures(windows[w].watched, {}, windows[w].period.from, windows[w].period.to, b.now);
    std::vector<DayCell> cleanDays;
    for (const Period &d : days) {
        const Availability::Figures f = Availability::figures(d.watched, {}, d.period.from, d.period.to, b.now);
        cleanDays.push_back({f.watched, f.down});
    }

    const std::vector<Outage> none;
    b.hosts.reserve(data.addresses.size());
    for (const StatusData::Address &a : data.addresses) {
        HostBoard h;
        h.address = a.ip;
        h.description = a.description;
        h.parent = data.parents.value(a.ip);
        const auto open = data.openSince.constFind(a.ip);
        if (open != data.openSince.cend())
            h.downSince = *open;
        if (data.hasVantages)
            h.vantagesDown = data.vantagesDown.value(a.ip);
        for (const AlertRecords::Mute &m : data.mutes)
            h.muted = h.muted || (holdsFor(a.ip, m.ip) && AlertRecords::holds(m, now));
        for (const AlertRecords::MaintenanceWindow &w : data.windows)
            h.maintenance = h.maintenance || (holdsFor(a.ip, w.ip) && AlertRecords::inWindow(w, now));
        if (!b.watching)
            h.state = HostState::Unwatched;
        else if (h.maintenance)
            h.state = HostState::Maintenance;
        else if (h.downSince)
            h.state = HostState::Down;

        const auto found = data.outages.constFind(a.ip);
        const std::vector<Outage> &outages = found == data.outages.cend() ? none : *found;
        if (outages.empty()) {
            h.windows = cleanWindows;
            h.days = cleanDays;
        } else {
            for (int w = 0; w < 5; ++w) {
                const admin::AvailabilityPeriod &p = windows[w].period;
                h.windows[w] = Availability::figures(windows[w].watched, near(outages, p), p.from, p.to, b.now);
            }
            h.days.reserve(days.size());
            for (const Period &d : days) {
                const Availability::Figures f =
                    Availability::figures(d.watched, near(outages, d.period), d.period.from, d.period.to, b.now);
                h.days.push_back({f.watched, f.down});
            }
        }

        const OutageTotals totals = data.totals.value(a.ip);
        h.outagesTotal = totals.outages;
        h.downtimeTotal = totals.closedSeconds;
        if (h.downSince)
            h.downtimeTotal += std::max<Seconds>(0, b.lastPass.value_or(b.now) - *h.downSince);

        const auto latency = data.latency.constFind(a.ip);
        const HostLatency *l = latency == data.latency.cend() ? nullptr : &*latency;
        if (l) {
            h.lastRttUs = l->lastRttUs;
            h.echoRequests = l->requests;
            h.echoReplies = l->replies;
            qint64 sent = 0, lost = 0;
            for (const LatencyMinute &m : l->minutes) {
                if (m.start >= b.now - 3600) {
                    sent += m.sent;
                    lost += m.lost;
                }
            }
            if (sent > 0)
                h.lossShareHour = double(lost) / double(sent);
        }
        h.chart = chartOf(l, b.now);
        b.byAddress.insert(h.address, int(b.hosts.size()));
        b.hosts.push_back(std::move(h));
    }
    return b;
}

} // namespace web
