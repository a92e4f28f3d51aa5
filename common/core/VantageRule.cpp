#include "VantageRule.h"

#include "ExtraSettings.h"

#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

std::optional<VantageRule> VantageRule::fromText(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("all"))
        return all();
    if (word == QLatin1String("any"))
        return any();
    // Digits only: toInt would also take "+2" or " 2".
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (word.isEmpty() || word.size() > 4 || !std::all_of(word.cbegin(), word.cend(), digit))
        return std::nullopt;
    const int count = word.toInt();
    if (count < 1 || count > MaxCount)
        return std::nullopt;
    return atLeast(count);
}

VantageRule VantageRule::fromSettings(const ExtraSettings &settings)
{
    return fromText(settings.text(QLatin1String(SettingName))).value_or(all());
}

QString VantageRule::text() const
{
    switch (m_kind) {
    case Kind::All:
        return QStringLiteral("all");
    case Kind::Any:
        return QStringLiteral("any");
    case Kind::AtLeast:
        break;
    }
    return QString::number(m_count);
}

int VantageRule::threshold(int liveVantages) const
{
    if (liveVantages <= 0)
        return 0;
    switch (m_kind) {
    case Kind::All:
        return liveVantages;
    case Kind::Any:
        return 1;
    case Kind::AtLeast:
        break;
    }
    return m_count <= liveVantages ? m_count : 0;
}

VantageRule::Verdict VantageRule::judge(const QList<Interval> &intervals, int threshold, qint64 now,
                                        std::optional<qint64> openRowBegin)
{
    Verdict verdict;
    const int needed = threshold > 0 ? threshold : std::numeric_limits<int>::max();

    // A vantage is down or not, however many rows say so: a restart or a
    // replay may leave it two overlapping or touching rows of one outage.
    QHash<QString, std::vector<std::pair<qint64, qint64>>> byVantage;
    for (const Interval &i : intervals) {
        const qint64 begin = std::min(i.begin, now);
        const qint64 end = i.end == Open ? Open : std::max(begin, std::min(i.end, now));
        byVantage[i.vantage].emplace_back(begin, end);
    }
    std::vector<std::pair<qint64, int>> events;  // moment, +1 begins / -1 ends
    events.reserve(size_t(intervals.size()) * 2);
    for (auto it = byVantage.begin(); it != byVantage.end(); ++it) {
        auto &list = it.value();
        std::sort(list.begin(), list.end());
        auto add = [&](std::pair<qint64, qint64> span) {
            if (span.first == span.second)
                return;
            events.emplace_back(span.first, +1);
            if (span.second == Open)
                verdict.vantagesDown << it.key();
            else
                events.emplace_back(span.second, -1);
        };
        std::pair<qint64, qint64> current = list.front();
        for (size_t k = 1; k < list.size(); ++k) {
            if (list[k].first <= current.second) {
                current.second = std::max(current.second, list[k].second);
            } else {
                add(current);
                current = list[k];
            }
        }
        add(current);
    }
    std::sort(events.begin(), events.end());
    verdict.vantagesDown.sort();

    // The moments at which the count changes, in order: intervals are
    // half-open, so what ends and what begins at one moment are taken
    // together before the count is looked at.
    int count = 0;
    bool inStretch = false;
    qint64 stretchStart = 0;
    for (size_t k = 0; k < events.size();) {
        const qint64 at = events[k].first;
        bool somethingEnded = false;
        for (; k < events.size() && events[k].first == at; ++k) {
            count += events[k].second;
            somethingEnded = somethingEnded || events[k].second < 0;
        }
        if (count >= needed) {
            if (!inStretch)
                stretchStart = at;
            inStretch = true;
        } else {
            if (inStretch)
                verdict.past.append({stretchStart, at, {}});
            inStretch = false;
            if (openRowBegin && !verdict.rowEnd && somethingEnded && at > *openRowBegin)
                verdict.rowEnd = at;
        }
    }
    for (Verdict::Stretch &stretch : verdict.past) {
        for (auto it = byVantage.cbegin(); it != byVantage.cend(); ++it) {
            const bool within = std::any_of(it->cbegin(), it->cend(), [&](const std::pair<qint64, qint64> &span) {
                return span.first < span.second && span.first < stretch.end && span.second > stretch.begin;
            });
            if (within)
                stretch.vantages << it.key();
        }
        stretch.vantages.sort();
    }
    verdict.down = inStretch;
    if (verdict.down)
        verdict.since = stretchStart;
    else if (openRowBegin && !verdict.rowEnd)
        verdict.rowEnd = std::max(now, *openRowBegin);
    return verdict;
}
