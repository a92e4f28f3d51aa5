// Availability of 10,000 hosts over a year of a 2,000,000-row log (file),
// and the weekday × hour map of one host with 200,000 outages.
//
// Each figure is printed beside a baseline measured in the same run: the
// bare read of the same rows through the same statement, so what the
// computation adds on top of the database's own reading is visible.
//
// Usage: bench_availability [log rows] [hosts] [map outages]
// Targets: availability under 2 s; the map (read and built) under 500 ms.
#include "AvailabilityReport.h"
#include "BenchFigures.h"
#include "Database.h"
#include "Schema.h"
#include "Statements.h"
#include "WeekHourMap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool exec(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql.left(60)), qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

bool fill(const QSqlDatabase &db, int rows, int hosts, int mapOutages)
{
    return exec(db, QStringLiteral("delete from addrs"))
        && exec(db, QStringLiteral("with recursive n(i) as (select 0 union all select i+1 from n where i<?-1) "
                                   "insert into addrs (ip_addr,descript,ping_timeout) "
                                   "select '10.'||(i/65536)||'.'||(i/256%256)||'.'||(i%256),'Узел '||i,500 from n"),
                {hosts})
        // Every outage lasts up to two hours, spread over 2025; among the
        // newest, one host in a hundred is still down (one open row each).
        && exec(db, QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<?) "
                                   "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                                   "select datetime('2025-01-01','+'||(i*15)||' seconds'),"
                                   " case when i%100=0 and i>? then null else datetime('2025-01-01','+'||(i*15+i%7200)||' seconds') end,"
                                   " case when i%100=0 and i>? then 0 else 1 end,"
                                   " '10.'||(i%?/65536)||'.'||(i%?/256%256)||'.'||(i%?%256),'Узел' from n"),
                {rows, rows - hosts, rows - hosts, hosts, hosts, hosts})
        // The monitor ran every day from 00:05 to 23:55, a stop each night.
        && exec(db, QStringLiteral("with recursive n(i) as (select 0 union all select i+1 from n where i<364) "
                                   "insert into watched (time_begin,time_end,how_ended) "
                                   "select datetime('2025-01-01','+'||i||' days','+5 minutes'),"
                                   "datetime('2025-01-01','+'||i||' days','+1435 minutes'),1 from n"))
        && exec(db, QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<?) "
                                   "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                                   "select datetime('2024-01-01','+'||(i*150)||' seconds'),"
                                   "datetime('2024-01-01','+'||(i*150+60+i%3000)||' seconds'),1,'10.200.0.1','Карта' from n"),
                {mapOutages});
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 2000000;
    const int hosts = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;
    const int mapOutages = argc > 3 ? QByteArray(argv[3]).toInt() : 200000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QSqlDatabase db = QSqlDatabase::database();
    QElapsedTimer fillTimer;
    fillTimer.start();
    if (!fill(db, rows, hosts, mapOutages))
        return 1;
    std::printf("filled %d log rows, %d hosts, %d map outages in %.1f s\n", rows, hosts, mapOutages,
                double(fillTimer.elapsed()) / 1000.0);

    const admin::AvailabilityPeriod year{DateTimeText::toSeconds(QDate(2025, 1, 1), QTime(0, 0)),
                                         DateTimeText::toSeconds(QDate(2026, 1, 1), QTime(0, 0))};
    QList<double> baseline, computed;
    qint64 read = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        QSqlQuery q(db);
        runStatement(q, Statements::SelectOutagesTouching,
                     {QStringLiteral("2026-01-01 00:00:00"), QStringLiteral("2025-01-01 00:00:00")});
        read = 0;
        while (q.next())
            read += q.value(0).toString().size() > 0;
        baseline << double(t.nsecsElapsed()) / 1e6;

        t.restart();
        const auto result = admin::AvailabilityReport::compute(db, year, year.to, &error);
        computed << double(t.nsecsElapsed()) / 1e6;
        if (!result || int(result->size()) != hosts) {
            std::fprintf(stderr, "availability failed: %s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("availability, %d hosts, a year (%lld rows read): median %.0f ms (target < 2000 ms); "
                "bare read of the rows %.0f ms\n",
                hosts, read, BenchFigures::median(computed), BenchFigures::median(baseline));

    QList<double> mapRead, mapBuilt;
    size_t outages = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        std::vector<grapher::WeekHourMap::Outage> list;
        QStringList descriptions;
        grapher::WeekHourMap::read(db, false, QStringLiteral("Карта"), DateTimeText::toSeconds(QDate(2024, 1, 1), QTime(0, 0)),
                                   DateTimeText::toSeconds(QDate(2025, 1, 1), QTime(0, 0)), &list, &descriptions, &error);
        mapRead << double(t.nsecsElapsed()) / 1e6;
        grapher::WeekHourMap map;
        map.build(list);
        mapBuilt << double(t.nsecsElapsed()) / 1e6;
        outages = list.size();
    }
    std::printf("weekday map, one host, %zu outages: read and built median %.0f ms (target < 500 ms); "
                "read alone %.0f ms\n",
                outages, BenchFigures::median(mapBuilt), BenchFigures::median(mapRead));
    std::printf("resident memory %.0f MiB\n", BenchFigures::residentMb());
    Database::close();
    return 0;
}
