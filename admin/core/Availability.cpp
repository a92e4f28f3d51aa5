#include "Availability.h"


#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

namespace admin {

namespace Availability {

std::optional<qint64> Figures::availabilityMilliPercent() const
{
    if (watched <= 0)
        return std::nullopt;
    return (watched - down) * 100000 / watched;
}

std::optional<qint64> Figures::meanDown() const
{
    if (outages <= 0 || watched <= 0)
        return std::nullopt;
    return down / outages;
}

std::optional<qint64> Figures::mtbf() const
{
    if (outages <= 0 || watched <= 0)
        return std::nullopt;
    return (watched - down) / outages;
}

std::vector<Span> normalised(std::vector<Span> watched, Seconds from, Seconds to)
{
    std::vector<Span> out;
    std::sort(watched.begin(), watched.end(), [](const Span &a, const Span &b) { return a.begin < b.begin; });
    for (Span s : watched) {
        s.begin = std::max(s.begin, from);
        s.end = std::min(s.end, to);
        if (s.end <= s.begin)
            continue;
        if (!out.empty() && s.begin <= out.back().end)
            out.back().end = std::max(out.back().end, s.end);
        else
            out.push_back(s);
    }
    return out;
}

namespace {

// Watched seconds inside [begin, end); `watched` sorted and disjoint.
qint64 watchedWithin(const std::vector<Span> &watched, Seconds begin, Seconds end)
{
    if (end <= begin)
        return 0;
    auto it = std::upper_bound(watched.begin(), watched.end(), begin,
                               [](Seconds v, const Span &s) { return v < s.end; });
    qint64 total = 0;
    for (; it != watched.end() && it->begin < end; ++it)
        total += std::min(it->end, end) - std::max(it->begin, begin);
    return total;
}

} // namespace

Figures figures(const std::vector<Span> &watched, std::vector<Outage> outages, Seconds from, Seconds to, Seconds now)
{
    Figures f;
    const Seconds end = std::max(from, std::min(to, now));
    f.periodSeconds = end - from;
    for (const Span &s : watched)
        f.watched += std::max<Seconds>(0, std::min(s.end, end) - std::max(s.begin, from));
    f.unwatched = f.periodSeconds - f.watched;

    std::sort(outages.begin(), outages.end(), [](const Outage &a, const Outage &b) { return a.begin < b.begin; });
    // Rows of one address do not overlap when one monitor wrote them; if two
    // did, a second counted from where the first ended keeps any second
    // counted down once.
    Seconds covered = from;
    for (const Outage &o : outages) {
        const Seconds oEnd = o.end ? std::max(*o.end, o.begin) : end;
        const bool touches = o.begin < end && (oEnd > from || (oEnd == o.begin && o.begin >= from));
        if (!touches)
            continue;
        ++f.outages;
        const Seconds b = std::max({o.begin, from, covered});
        const Seconds e = std::min(oEnd, end);
        const qint64 d = watchedWithin(watched, b, e);
        f.down += d;
        f.longest = std::max(f.longest, d);
        covered = std::max(covered, e);
    }
    return f;
}

QString percentText(const Figures &f)
{
    const auto milli = f.availabilityMilliPercent();
    if (!milli)
        return QCoreApplication::translate("admin::Availability", "нет данных");
    return QLocale::system().toString(double(*milli) / 1000.0, 'f', 3) + QStringLiteral(" %");
}

QString percentField(const Figures &f)
{
    const auto milli = f.availabilityMilliPercent();
    if (!milli)
        return QString();
    return QStringLiteral("%1.%2").arg(*milli / 1000).arg(*milli % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace Availability

} // namespace admin
