#include "StatusReader.h"

#include "AddressText.h"
#include "AvailabilityReport.h"
#include "Database.h"
#include "Failure.h"
#include "RefreshInterval.h"
#include "Statements.h"
#include "VantageRecords.h"

#include <QSet>
#include <QSqlQuery>

#include <algorithm>

namespace web {

namespace {

// A reading of the whole year is redone at least this often, whatever the
// log's version says (a row edited in place, a day gone by).
constexpr qint64 OutagesMaxAgeMs = 60'000;
// The totals scan the whole log: after a change, at most this often.
constexpr qint64 TotalsMinAgeMs = 10'000;
constexpr qint64 TotalsMaxAgeMs = 300'000;
constexpr qint64 HoursMaxAgeMs = 600'000;
// Minutes of round trips kept: the hour of the loss figure and the hour
// before, which the monitor may not have consolidated yet. At the start only
// the last hour is read (a pass a second is millions of samples an hour).
constexpr Seconds MinutesKept = 2 * 3600;
constexpr Seconds MinutesAtStart = 3600;

QString stored(Seconds s)
{
    return DateTimeText::fromDateAndTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s));
}

bool failed(const QSqlQuery &q, QString *error)
{
    if (error)
        *error = statementError(q);
    return false;
}

std::optional<qint64> optionalNumber(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<qint64>(v.toLongLong());
}

Seconds minuteOf(Seconds s)
{
    return s - s % 60;
}

} // namespace

bool StatusReader::refresh(const QSqlDatabase &db, const QDateTime &now, QString *error)
{
    const Seconds nowSeconds = DateTimeText::toSeconds(now.date(), now.time());
    const Seconds keptFrom = DateTimeText::toSeconds(firstKeptDay(now.date()), QTime(0, 0));
    const bool dayTurned = keptFrom != m_data.keptFrom;
    m_data.keptFrom = keptFrom;
    if (!m_schemaRead && !readSchema(db, error))
        return false;
    if (!readBook(db, error) || !readWatched(db, error) || !readOpen(db, error))
        return false;
    if (m_hasVantages && !readVantages(db, error))
        return false;

    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectLogVersion) || !q.next())
        return failed(q, error);
    const std::array<qint64, 4> version{q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                                        q.value(3).toLongLong()};
    q.finish();
    const bool changed = version != m_logVersion;
    if (changed || !m_outagesRead || dayTurned || m_outagesAge.elapsed() >= OutagesMaxAgeMs) {
        m_outagesRead = readOutages(db, error);
        if (!m_outagesRead)
            return false;
        m_outagesAge.start();
    }
    if (changed)
        m_totalsStale = true;
    m_logVersion = version;
    if (!m_totalsAge.isValid() || (m_totalsStale && m_totalsAge.elapsed() >= TotalsMinAgeMs)
        || m_totalsAge.elapsed() >= TotalsMaxAgeMs) {
        if (!readTotals(db, error))
            return false;
        m_totalsStale = false;
        m_totalsAge.start();
    }
    if (m_hasLatency && (!readLatency(db, nowSeconds, error) || !readHours(db, nowSeconds, error)))
        return false;
    return true;
}

bool StatusReader::readSchema(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectSchemaObjects))
        return failed(q, error);
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(0).toString());
    if (!endedCleanly(q))
        return failed(q, error);
    m_hasParents = present.contains(QStringLiteral("addr_parents"));
    m_hasWatched = present.contains(QStringLiteral("watched"));
    m_hasMutes = present.contains(QStringLiteral("alert_mutes"));
    m_hasWindows = present.contains(QStringLiteral("maintenance_windows"));
    m_hasLatency = present.contains(QStringLiteral("latency_samples"))
                   && present.contains(QStringLiteral("latency_hourly"));
    // Only a server has vantage points (the file has their tables, empty).
    m_hasVantages = present.contains(QStringLiteral("vantage_outages"))
                    && Database::dialectOf(db) == Statements::Dialect::Postgres;
    m_schemaRead = true;
    return true;
}

bool StatusReader::readBook(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectAddressesSorted))
        return failed(q, error);
    std::vector<StatusData::Address> addresses;
    QSet<QString> seen;
    while (q.next()) {
        const QString ip = q.value(0).toString();
        if (seen.contains(ip))
            continue;
        seen.insert(ip);
        addresses.push_back({ip, q.value(1).toString(), q.value(2).toInt()});
    }
    if (!endedCleanly(q))
        return failed(q, error);
    // By value, as the availability report lists them (10.0.0.2 before
    // 10.0.0.10, IPv4 before IPv6).
    std::vector<std::pair<QByteArray, size_t>> keys;
    keys.reserve(addresses.size());
    for (size_t i = 0; i < addresses.size(); ++i)
        keys.emplace_back(admin::AddressText::sortKey(addresses[i].ip), i);
    std::sort(keys.begin(), keys.end());
    m_data.addresses.clear();
    m_data.addresses.reserve(addresses.size());
    for (const auto &key : keys)
        m_data.addresses.push_back(std::move(addresses[key.second]));

    if (!runStatement(q, Statements::SelectOptions))
        return failed(q, error);
    m_data.refreshMinutes = q.next() ? int(RefreshInterval::clampedMinutes(q.value(0).toLongLong())) : 1;
    q.finish();

    m_data.parents.clear();
    if (m_hasParents) {
        if (!runStatement(q, Statements::SelectAllParents))
            return failed(q, error);
        while (q.next())
            m_data.parents.insert(q.value(0).toString(), q.value(1).toString());
        if (!endedCleanly(q))
            return failed(q, error);
    }
    m_data.mutes.clear();
    if (m_hasMutes && !AlertRecords::readMutes(db, &m_data.mutes, error))
        return false;
    m_data.windows.clear();
    if (m_hasWindows && !AlertRecords::readWindows(db, &m_data.windows, error))
        return false;
    // Counters of hosts no longer in the book are dropped with them.
    for (auto it = m_data.latency.begin(); it != m_data.latency.end();) {
        if (!seen.contains(it.key()))
            it = m_data.latency.erase(it);
        else
            ++it;
    }
    return true;
}

bool StatusReader::readWatched(const QSqlDatabase &db, QString *error)
{
    m_data.watched.clear();
    m_data.newest.reset();
    if (!m_hasWatched)
        return true;
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectNewestWatched))
        return failed(q, error);
    if (q.next()) {
        if (const auto end = DateTimeText::secondsOfValue(q.value(1)))
            m_data.newest = StatusData::Stretch{*end, q.value(2).toInt()};
    }
    q.finish();
    // Every stretch touching the days kept, up to any end (a clock set
    // forward may have written one in the future).
    if (!runStatement(q, Statements::SelectWatchedTouching,
                      {QStringLiteral("9999-12-31 23:59:59"), stored(m_data.keptFrom)}))
        return failed(q, error);
    while (q.next()) {
        const auto b = DateTimeText::secondsOfValue(q.value(0));
        const auto e = DateTimeText::secondsOfValue(q.value(1));
        if (b && e)
            m_data.watched.push_back({*b, *e});
    }
    if (!endedCleanly(q))
        return failed(q, error);
    return true;
}

bool StatusReader::readOutages(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectOutagesTouchingByAddress,
                      {QStringLiteral("9999-12-31 23:59:59"), stored(m_data.keptFrom)}))
        return failed(q, error);
    QHash<QString, std::vector<Availability::Outage>> outages;
    while (q.next()) {
        std::vector<Availability::Outage> &rows = outages[q.value(0).toString()];
        admin::AvailabilityReport::appendOutages(q.value(1).toString(), &rows);
        std::sort(rows.begin(), rows.end(),
                  [](const Availability::Outage &a, const Availability::Outage &b) { return a.begin < b.begin; });
    }
    // A read that broke off is no shorter history.
    if (!endedCleanly(q))
        return failed(q, error);
    m_data.outages = std::move(outages);
    return true;
}

bool StatusReader::readOpen(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectAllOpenOutages))
        return failed(q, error);
    QHash<QString, Seconds> open;
    while (q.next()) {
        if (const auto begin = DateTimeText::secondsOfValue(q.value(2)))
            open.insert(q.value(1).toString(), *begin);
    }
    if (!endedCleanly(q))
        return failed(q, error);
    m_data.openSince = std::move(open);
    return true;
}

bool StatusReader::readVantages(const QSqlDatabase &db, QString *error)
{
    QList<VantageState> vantages;
    if (!VantageRecords::listVantages(db, &vantages, error))
        return false;
    QSet<QString> live;
    for (const VantageState &v : std::as_const(vantages)) {
        if (v.isLive())
            live.insert(v.name);
    }
    QHash<QString, QStringList> down;
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectOpenVantageOutages))
        return failed(q, error);
    while (q.next()) {
        // A stale vantage's view counts for nothing, as in the log's rule.
        const QString vantage = q.value(0).toString();
        if (live.contains(vantage))
            down[q.value(1).toString()] << vantage;
    }
    if (!endedCleanly(q))
        return failed(q, error);
    for (QStringList &names : down) {
        names.removeDuplicates();
        names.sort();
    }
    m_data.hasVantages = !vantages.isEmpty();
    m_data.vantagesDown = std::move(down);
    return true;
}

bool StatusReader::readTotals(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectOutageTotalsByAddress))
        return failed(q, error);
    QHash<QString, OutageTotals> totals;
    while (q.next())
        totals.insert(q.value(0).toString(), {q.value(1).toLongLong(), q.value(2).toLongLong()});
    if (!endedCleanly(q))
        return failed(q, error);
    m_data.totals = std::move(totals);
    return true;
}

void StatusReader::addSample(const QString &ip, Seconds at, qint64 sent, qint64 lost, std::optional<qint64> rttUs,
                             bool counted)
{
    HostLatency &h = m_data.latency[ip];
    h.lastRttUs = rttUs;
    if (!counted)
        return;
    h.requests += sent;
    h.replies += std::max<qint64>(0, sent - lost);
    const Seconds minute = minuteOf(at);
    // Passes come in order of their key, which is the order of their moments
    // unless the clock was set back: such a sample joins the newest minute.
    if (h.minutes.empty() || h.minutes.back().start < minute)
        h.minutes.push_back({minute, 0, 0, 0, 0});
    LatencyMinute &m = h.minutes.back();
    m.sent += sent;
    m.lost += lost;
    if (rttUs) {
        m.rttSumUs += *rttUs;
        ++m.rttCount;
    }
}

bool StatusReader::readLatency(const QSqlDatabase &db, Seconds now, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectLastLatencyPass) || !q.next())
        return failed(q, error);
    const qint64 newest = q.value(0).toLongLong();
    q.finish();

    if (m_lastPass < 0 || newest < m_lastPass) {
        // The start, or a table emptied since: the last hour summed up per
        // minute, and the newest pass for the last round trips.
        for (HostLatency &h : m_data.latency) {
            h.minutes.clear();
            h.lastRttUs.reset();
        }
        if (!runStatement(q, Statements::SelectLatencyMinutesSince, {stored(now - MinutesAtStart), newest}))
            return failed(q, error);
        while (q.next()) {
            const auto minute = DateTimeText::toSeconds(q.value(1).toString() + QStringLiteral(":00"));
            if (!minute)
                continue;
            HostLatency &h = m_data.latency[q.value(0).toString()];
            h.minutes.push_back(
                {*minute, q.value(2).toLongLong(), q.value(3).toLongLong(), q.value(4).toLongLong(), q.value(5).toLongLong()});
        }
        if (!endedCleanly(q))
            return failed(q, error);
        for (HostLatency &h : m_data.latency)
            std::sort(h.minutes.begin(), h.minutes.end(),
                      [](const LatencyMinute &a, const LatencyMinute &b) { return a.start < b.start; });
        if (!runStatement(q, Statements::SelectLatencySamplesOfPasses, {newest - 1, newest}))
            return failed(q, error);
        while (q.next())
            addSample(q.value(2).toString(), 0, 0, 0, optionalNumber(q.value(5)), false);
        if (!endedCleanly(q))
            return failed(q, error);
        m_lastPass = newest;
    } else if (newest > m_lastPass) {
        const qint64 upTo = std::min(newest, m_lastPass + MaxPassesPerReading);
        if (!runStatement(q, Statements::SelectLatencySamplesOfPasses, {m_lastPass, upTo}))
            return failed(q, error);
        while (q.next()) {
            const auto at = DateTimeText::toSeconds(q.value(1).toString());
            if (!at)
                continue;
            addSample(q.value(2).toString(), *at, q.value(3).toLongLong(), q.value(4).toLongLong(),
                      optionalNumber(q.value(5)), true);
        }
        if (!endedCleanly(q))
            return failed(q, error);
        m_lastPass = upTo;
    }
    const Seconds oldest = minuteOf(now) - MinutesKept;
    for (HostLatency &h : m_data.latency) {
        const auto keep = std::find_if(h.minutes.begin(), h.minutes.end(),
                                       [oldest](const LatencyMinute &m) { return m.start >= oldest; });
        h.minutes.erase(h.minutes.begin(), keep);
    }
    return true;
}

bool StatusReader::readHours(const QSqlDatabase &db, Seconds now, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectLastConsolidatedHour) || !q.next())
        return failed(q, error);
    const qint64 lastHour = q.value(0).toLongLong();
    q.finish();
    if (lastHour == m_lastHour && m_hoursAge.isValid() && m_hoursAge.elapsed() < HoursMaxAgeMs)
        return true;
    const Seconds first = now - now % 3600 - 24 * 3600;
    if (!runStatement(q, Statements::SelectLatencyHourlySince, {stored(first)}))
        return failed(q, error);
    for (HostLatency &h : m_data.latency)
        h.hours.clear();
    while (q.next()) {
        const auto start = DateTimeText::toSeconds(q.value(1).toString());
        if (!start)
            continue;
        m_data.latency[q.value(0).toString()].hours.push_back(
            {*start, q.value(2).toLongLong(), q.value(3).toLongLong(), optionalNumber(q.value(4))});
    }
    if (!endedCleanly(q))
        return failed(q, error);
    m_lastHour = lastHour;
    m_hoursAge.start();
    return true;
}

} // namespace web
