#include "GrapherStore.h"

#include "AddressValue.h"
#include "Failure.h"
#include "Statements.h"

#include <QSqlQuery>

#include <algorithm>

namespace grapher {

namespace {

QString newConnectionName()
{
    static int instances = 0;
    return QStringLiteral("grapher-%1").arg(++instances);
}

// The grapher only reads: a file or a directory it may not write in is no
// obstacle, and it never upgrades a database.
Database::Options readOnly()
{
    Database::Options options;
    options.readOnly = true;
    return options;
}

bool hasLatencyTables(const QSqlDatabase &db)
{
    QSqlQuery q(db);
    return runStatement(q, Statements::CountLatencyTables) && q.next() && q.value(0).toInt() > 0;
}

} // namespace

GrapherStore::GrapherStore(QObject *parent)
    : ProgramStore(newConnectionName(), readOnly(), parent)
{
}

StoreReply<GrapherStore::Descriptions> GrapherStore::readDescriptions()
{
    return action([](const Connection &c) {
        Descriptions read;
        if (!c.db.isOpen()) {
            read.opened = false;
            return read;
        }
        QSqlQuery q(c.db);
        if (!runStatement(q, Statements::SelectDescriptions)) {
            read.error =
                c.failure(GrapherStore::tr("Не удалось прочитать список адресов: %1").arg(statementError(q)));
            return read;
        }
        while (q.next())
            read.descriptions << q.value(0).toString();
        read.whole = endedCleanly(q);
        if (!read.whole)
            read.error = GrapherStore::tr("Не удалось прочитать список адресов: %1").arg(statementError(q));
        return read;
    });
}

StoreReply<GrapherStore::Histogram> GrapherStore::computeHistogram(const GraphRequest &request,
                                                                   const QLocale &locale, const CancelToken &cancel)
{
    return action([request, locale, cancel](const Connection &c) {
        Histogram histogram;
        histogram.computation =
            Timeline::compute(request, c.name, locale, [cancel] { return cancel.isCancelled(); });
        if (!histogram.computation.errors.isEmpty())
            histogram.lossNote = c.failure(QString());
        return histogram;
    });
}

StoreReply<GrapherStore::WeekRows> GrapherStore::readWeekMap(bool allHosts, const QString &description,
                                                             WeekHourMap::Seconds from, WeekHourMap::Seconds to)
{
    return action([allHosts, description, from, to](const Connection &c) {
        WeekRows rows;
        if (!WeekHourMap::read(c.db, allHosts, description, from, to, &rows.spans, &rows.descriptions, &rows.error)) {
            rows.spans.clear();
            rows.descriptions.clear();
            rows.error = c.failure(rows.error);
        }
        return rows;
    });
}

StoreReply<GrapherStore::LatencyHosts> GrapherStore::readLatencyHosts()
{
    return action([](const Connection &c) {
        LatencyHosts read;
        if (hasLatencyTables(c.db) && !LatencyReader::hosts(c.db, &read.hosts, &read.error))
            read.error = c.failure(read.error);
        QList<std::pair<QByteArray, LatencyReader::Host>> ranked;
        ranked.reserve(read.hosts.size());
        for (const LatencyReader::Host &h : std::as_const(read.hosts))
            ranked.append({AddressValue::sortKey(h.ip), h});
        std::sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        read.hosts.clear();
        for (const auto &r : std::as_const(ranked))
            read.hosts.append(r.second);
        return read;
    });
}

StoreReply<GrapherStore::LatencySeries> GrapherStore::readLatency(const QList<qint64> &hostIds,
                                                                  const QDateTime &from, const QDateTime &to)
{
    return action([hostIds, from, to](const Connection &c) {
        LatencySeries read;
        const LatencyReader::Tier tier = LatencyReader::tierFor(from.secsTo(to));
        const DateTimeText::Seconds origin = DateTimeText::toSeconds(from.date(), from.time());
        for (qint64 id : hostIds) {
            std::vector<LatencyReader::Point> points;
            if (!LatencyReader::series(c.db, id, from, to, tier, &points, &read.error)) {
                read.error = c.failure(read.error);
                read.series.clear();
                return read;
            }
            LatencyLayout::Series s;
            s.points.reserve(points.size());
            for (const LatencyReader::Point &p : points) {
                LatencyLayout::Point q;
                q.t = p.start - origin;
                q.spanSecs = p.spanSecs;
                q.sent = p.summary.sent;
                q.lost = p.summary.lost;
                const auto ms = [](const std::optional<qint64> &us) {
                    return us ? std::optional<double>(double(*us) / 1000.0) : std::nullopt;
                };
                q.lowMs = ms(p.summary.minUs);
                q.medianMs = ms(p.summary.medianUs);
                q.highMs = ms(p.summary.maxUs);
                s.points.push_back(q);
            }
            read.series.push_back(std::move(s));
        }
        return read;
    });
}

} // namespace grapher
