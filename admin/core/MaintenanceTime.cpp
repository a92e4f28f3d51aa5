#include "MaintenanceTime.h"

#include <algorithm>

namespace admin {

namespace Availability {

namespace {

// Seconds of [begin, end) inside `spans` (sorted and disjoint).
qint64 within(const std::vector<Span> &spans, Seconds begin, Seconds end)
{
    if (end <= begin)
        return 0;
    auto it = std::upper_bound(spans.begin(), spans.end(), begin, [](Seconds v, const Span &s) { return v < s.end; });
    qint64 total = 0;
    for (; it != spans.end() && it->begin < end; ++it)
        total += std::min(it->end, end) - std::max(it->begin, begin);
    return total;
}

bool holds(const std::vector<Span> &spans, Seconds moment)
{
    auto it = std::upper_bound(spans.begin(), spans.end(), moment, [](Seconds v, const Span &s) { return v < s.end; });
    return it != spans.end() && it->begin <= moment;
}

} // namespace

std::vector<Span> windowSpans(const QList<AlertRecords::MaintenanceWindow> &windows, Seconds from, Seconds to)
{
    std::vector<Span> spans;
    if (to <= from)
        return spans;
    // A window past midnight that started the day before the period still
    // holds its first morning.
    const QDate first = DateTimeText::dateOf(from).addDays(-1);
    const QDate last = DateTimeText::dateOf(to);
    for (const AlertRecords::MaintenanceWindow &w : windows) {
        if (!w.from.isValid() || !w.to.isValid() || (w.weekdays & AlertRecords::AllWeekdays) == 0)
            continue;
        const Seconds start = w.from.msecsSinceStartOfDay() / 1000;
        const Seconds stop = w.to.msecsSinceStartOfDay() / 1000;
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            if (((w.weekdays >> (d.dayOfWeek() - 1)) & 1) == 0)
                continue;
            const Seconds midnight = DateTimeText::toSeconds(d, QTime(0, 0));
            if (start < stop)
                spans.push_back({midnight + start, midnight + stop});
            else if (start == stop)
                spans.push_back({midnight, midnight + DateTimeText::SecondsPerDay});
            else
                spans.push_back({midnight + start, midnight + DateTimeText::SecondsPerDay + stop});
        }
    }
    return normalised(std::move(spans), from, to);
}

std::vector<Span> without(const std::vector<Span> &spans, const std::vector<Span> &cut)
{
    std::vector<Span> out;
    auto c = cut.begin();
    for (const Span &s : spans) {
        Seconds begin = s.begin;
        while (c != cut.end() && c->end <= begin)
            ++c;
        for (auto k = c; k != cut.end() && k->begin < s.end; ++k) {
            if (k->begin > begin)
                out.push_back({begin, k->begin});
            begin = std::max(begin, k->end);
        }
        if (begin < s.end)
            out.push_back({begin, s.end});
    }
    return out;
}

MaintenancePlan::MaintenancePlan(const QList<AlertRecords::MaintenanceWindow> &windows, Seconds from, Seconds to)
{
    QList<AlertRecords::MaintenanceWindow> everyHost;
    QHash<QString, QList<AlertRecords::MaintenanceWindow>> own;
    for (const AlertRecords::MaintenanceWindow &w : windows) {
        if (w.ip.isEmpty())
            everyHost.append(w);
        else
            own[w.ip].append(w);
    }
    m_everyHost = windowSpans(everyHost, from, to);
    for (auto it = own.cbegin(); it != own.cend(); ++it) {
        std::vector<Span> spans = windowSpans(it.value(), from, to);
        spans.insert(spans.end(), m_everyHost.begin(), m_everyHost.end());
        m_own.insert(it.key(), normalised(std::move(spans), from, to));
    }
}

const std::vector<Span> &MaintenancePlan::spansOf(const QString &ip) const
{
    const auto it = m_own.constFind(ip);
    return it == m_own.constEnd() ? m_everyHost : *it;
}

Figures figuresSettingAside(const std::vector<Span> &watched, const std::vector<Span> &maintenance,
                            std::vector<Outage> outages, Seconds from, Seconds to, Seconds now)
{
    const Seconds end = std::max(from, std::min(to, now));
    outages.erase(std::remove_if(outages.begin(), outages.end(),
                                 [&](const Outage &o) {
                                     const Seconds b = std::max(o.begin, from);
                                     const Seconds e = std::min(o.end ? std::max(*o.end, o.begin) : end, end);
                                     if (e > b)
                                         return within(maintenance, b, e) == e - b;
                                     return o.begin >= from && o.begin < end && holds(maintenance, o.begin);
                                 }),
                  outages.end());
    Figures f = figures(without(watched, maintenance), std::move(outages), from, to, now);
    qint64 watchedAll = 0;
    for (const Span &s : watched)
        watchedAll += std::max<Seconds>(0, std::min(s.end, end) - std::max(s.begin, from));
    f.maintenance = watchedAll - f.watched;
    f.unwatched -= f.maintenance;
    return f;
}

} // namespace Availability

} // namespace admin
