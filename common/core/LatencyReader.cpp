#include "LatencyReader.h"

#include "Database.h"
#include "DateTimeText.h"

#include <QMap>
#include <QSqlQuery>

namespace LatencyReader {

namespace {

constexpr char HourFormat[] = "yyyy-MM-dd HH:00:00";
constexpr char DayFormat[] = "yyyy-MM-dd";

bool fail(QSqlQuery &q, QString *error)
{
    if (error)
        *error = statementError(q);
    return false;
}

std::optional<qint64> optional(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<qint64>(v.toLongLong());
}

LatencySummary summaryAt(const QSqlQuery &q, int first)
{
    LatencySummary s;
    s.passes = q.value(first).toLongLong();
    s.sent = q.value(first + 1).toLongLong();
    s.lost = q.value(first + 2).toLongLong();
    s.minUs = optional(q.value(first + 3));
    s.medianUs = optional(q.value(first + 4));
    s.p90Us = optional(q.value(first + 5));
    s.maxUs = optional(q.value(first + 6));
    return s;
}

using DateTimeText::Seconds;

Seconds secondsOf(const QDateTime &t)
{
    return DateTimeText::toSeconds(t.date(), t.time());
}

QDateTime hourStart(const QDateTime &t)
{
    return QDateTime(t.date(), QTime(t.time().hour(), 0));
}

// Raw samples of [from, to): as they are, or summed up per hour or day.
bool rawPoints(QSqlDatabase db, qint64 host, const QDateTime &from, const QDateTime &to, Tier tier,
               std::vector<Point> *out, QString *error)
{
    if (from >= to)
        return true;
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectHostSamples,
                      {host, DateTimeText::fromDateTime(from), DateTimeText::fromDateTime(to)}))
        return fail(q, error);
    const Seconds bucket = tier == Tier::Hourly ? 3600 : DateTimeText::SecondsPerDay;
    QMap<Seconds, LatencyStats::Accumulator> buckets;
    while (q.next()) {
        // Parsed by hand: QDateTime::fromString would cost more than the
        // rest of a day's chart together.
        const std::optional<Seconds> at = DateTimeText::toSeconds(q.value(0).toString());
        if (!at)
            continue;
        const int sent = q.value(1).toInt();
        const int lost = q.value(2).toInt();
        const std::optional<qint64> rtt = optional(q.value(3));
        if (tier == Tier::Raw) {
            LatencySummary s;
            s.passes = 1;
            s.sent = sent;
            s.lost = lost;
            s.minUs = s.medianUs = s.p90Us = s.maxUs = rtt;
            out->push_back({*at, 0, s});
            continue;
        }
        buckets[*at - *at % bucket].add(sent, lost, rtt);
    }
    for (auto it = buckets.begin(); it != buckets.end(); ++it)
        out->push_back({it.key(), bucket, it.value().summary()});
    return true;
}

bool consolidatedPoints(QSqlDatabase db, qint64 host, const QString &from, const QString &to, bool daily,
                        std::vector<Point> *out, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, daily ? Statements::SelectHostDaily : Statements::SelectHostHourly, {host, from, to}))
        return fail(q, error);
    while (q.next()) {
        QString text = q.value(0).toString();
        if (daily)
            text += QLatin1String(" 00:00:00");
        const std::optional<Seconds> start = DateTimeText::toSeconds(text);
        if (!start)
            continue;
        out->push_back({*start, daily ? DateTimeText::SecondsPerDay : 3600, summaryAt(q, 1)});
    }
    return true;
}

bool firstText(QSqlDatabase db, const Statements::Statement &st, QString *out, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, st))
        return fail(q, error);
    *out = q.next() ? q.value(0).toString() : QString();
    return true;
}

} // namespace

Tier tierFor(qint64 periodSecs)
{
    if (periodSecs <= 2 * 86400)
        return Tier::Raw;
    if (periodSecs <= 124 * 86400)
        return Tier::Hourly;
    return Tier::Daily;
}

bool hosts(QSqlDatabase db, QList<Host> *out, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectLatencyHostsByIp))
        return fail(q, error);
    while (q.next())
        out->append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return true;
}

bool series(QSqlDatabase db, qint64 hostId, const QDateTime &from, const QDateTime &to, Tier tier,
            std::vector<Point> *out, QString *error)
{
    out->clear();
    if (!from.isValid() || !to.isValid() || from >= to)
        return true;
    QString firstRaw;
    if (!firstText(db, Statements::SelectFirstLatencyPass, &firstRaw, error))
        return false;
    const QDateTime rawFrom = firstRaw.isEmpty() ? to : DateTimeText::toDateTime(firstRaw);

    if (tier == Tier::Raw) {
        // Older than the raw samples kept: the hours stand in for them.
        const QDateTime split = qBound(from, hourStart(rawFrom), to);
        if (from < split
            && !consolidatedPoints(db, hostId, QDateTime(hourStart(from)).toString(QLatin1String(HourFormat)),
                                   split.toString(QLatin1String(HourFormat)), false, out, error))
            return false;
        return rawPoints(db, hostId, qMax(from, split), to, Tier::Raw, out, error);
    }

    const bool daily = tier == Tier::Daily;
    const QDateTime start = daily ? QDateTime(from.date(), QTime(0, 0)) : hourStart(from);
    const QString fromText = start.toString(QLatin1String(daily ? DayFormat : HourFormat));
    const QString toText = to.toString(QLatin1String(daily ? DayFormat : HourFormat));
    if (!consolidatedPoints(db, hostId, fromText, toText, daily, out, error))
        return false;
    // The tail not consolidated yet comes from the raw samples.
    QDateTime covered = start;
    if (!out->empty()) {
        const Seconds end = out->back().start + out->back().spanSecs;
        covered = QDateTime(DateTimeText::dateOf(end), DateTimeText::timeOf(end));
    }
    return rawPoints(db, hostId, qMax(covered, rawFrom < covered ? covered : rawFrom), to, tier, out, error);
}

bool recent(QSqlDatabase db, const QDateTime &from, QHash<QString, Recent> *out, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectRecentSamples, {DateTimeText::fromDateTime(from)}))
        return fail(q, error);
    QHash<QString, LatencyStats::Accumulator> acc;
    while (q.next()) {
        const QString ip = q.value(0).toString();
        const std::optional<qint64> rtt = optional(q.value(3));
        acc[ip].add(q.value(1).toInt(), q.value(2).toInt(), rtt);
        (*out)[ip].lastRttUs = rtt;
    }
    for (auto it = acc.begin(); it != acc.end(); ++it)
        (*out)[it.key()].summary = it.value().summary();
    return true;
}

} // namespace LatencyReader
