// Availability of 10,000 hosts over a year of a 2,000,000-row log, and the
// weekday × hour map and the time-of-day histogram of one host with 200,000
// outages: on a file, then on a PostgreSQL server with the same rows (the
// tests' server, ORVANT_PG_SOCKET, else one the bench starts and stops
// itself, socket only).
//
// Availability and the map are printed beside a baseline measured in the
// same run: the bare read of the statement's rows (availability: one row per
// address, its outages joined into one text), so what the computation adds
// on top of the database's own reading is visible.
//
// Usage: bench_availability [log rows] [hosts] [map outages] [--file-only]
// Targets: availability under 2 s; the map (read and built) and the
// histogram under 500 ms.
#include "AvailabilityReport.h"
#include "BenchFigures.h"
#include "BenchServer.h"
#include "Database.h"
#include "Schema.h"
#include "Statements.h"
#include "Timeline.h"
#include "WeekHourMap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>

namespace {

bool exec(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    // The server prepares no maintenance statement (analyze).
    bool ok = false;
    if (values.isEmpty()) {
        ok = q.exec(sql);
    } else {
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok) {
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
                {mapOutages})
        // The bulk fill leaves the whole log in the write-ahead file, which
        // the monitor's small writes never do: it goes back into the file.
        && exec(db, QStringLiteral("pragma wal_checkpoint(truncate)"));
}

// The same rows on the server, made by the server itself.
bool fillServer(const QSqlDatabase &db, int rows, int hosts, int mapOutages)
{
    const QString stamp = QStringLiteral("to_char(timestamp '%1' + (%2) * interval '1 second','YYYY-MM-DD HH24:MI:SS')");
    return exec(db, QStringLiteral("delete from addrs"))
        && exec(db, QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) "
                                   "select '10.'||(i/65536)||'.'||(i/256%256)||'.'||(i%256),'Узел '||i,500 "
                                   "from generate_series(0,cast(? as integer)-1) as i"),
                {hosts})
        && exec(db, QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                                   "select %1,case when i%100=0 and i>cast(? as integer) then null else %2 end,"
                                   " case when i%100=0 and i>cast(? as integer) then 0 else 1 end,"
                                   " '10.'||(i%cast(? as integer)/65536)||'.'||(i%cast(? as integer)/256%256)||'.'"
                                   "||(i%cast(? as integer)%256),'Узел' from generate_series(1,cast(? as integer)) as i")
                        .arg(stamp.arg(QStringLiteral("2025-01-01"), QStringLiteral("i*15")),
                             stamp.arg(QStringLiteral("2025-01-01"), QStringLiteral("i*15+i%7200"))),
                {rows - hosts, rows - hosts, hosts, hosts, hosts, rows})
        && exec(db, QStringLiteral("insert into watched (time_begin,time_end,how_ended) select %1,%2,1 "
                                   "from generate_series(0,364) as i")
                        .arg(stamp.arg(QStringLiteral("2025-01-01"), QStringLiteral("i*86400+300")),
                             stamp.arg(QStringLiteral("2025-01-01"), QStringLiteral("i*86400+86100"))))
        && exec(db, QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                                   "select %1,%2,1,'10.200.0.1','Карта' from generate_series(1,cast(? as integer)) as i")
                        .arg(stamp.arg(QStringLiteral("2024-01-01"), QStringLiteral("i*150")),
                             stamp.arg(QStringLiteral("2024-01-01"), QStringLiteral("i*150+60+i%3000"))),
                {mapOutages})
        // What autovacuum does after such a fill: without it every row
        // read through an index is looked up in the table as well.
        && exec(db, QStringLiteral("vacuum analyze"));
}

// Both figures on one database, medians of three runs each.
bool measure(const char *label, const QSqlDatabase &db, int hosts)
{
    QString error;
    const admin::AvailabilityPeriod year{DateTimeText::toSeconds(QDate(2025, 1, 1), QTime(0, 0)),
                                         DateTimeText::toSeconds(QDate(2026, 1, 1), QTime(0, 0))};
    QList<double> baseline, computed;
    qint64 outages = 0, text = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        {
            QSqlQuery q(db);
            runStatement(q, Statements::SelectOutagesTouchingByAddress,
                         {QStringLiteral("2026-01-01 00:00:00"), QStringLiteral("2025-01-01 00:00:00")});
            text = 0;
            while (q.next())
                text += q.value(1).toString().size();
        }
        baseline << double(t.nsecsElapsed()) / 1e6;

        t.restart();
        const auto result = admin::AvailabilityReport::compute(db, year, year.to, &error);
        computed << double(t.nsecsElapsed()) / 1e6;
        if (!result || int(result->size()) != hosts) {
            std::fprintf(stderr, "availability failed: %s\n", qPrintable(error));
            return false;
        }
        outages = 0;
        for (const admin::HostAvailability &h : *result)
            outages += h.figures.outages;
    }
    std::printf("%s availability, %d hosts, a year (%lld outages): median %.0f ms (target < 2000 ms); "
                "bare read of the statement's rows (%.0f MiB of text) %.0f ms\n",
                label, hosts, outages, BenchFigures::median(computed), double(text) / 1048576.0,
                BenchFigures::median(baseline));

    QList<double> mapRead, mapBuilt;
    size_t mapOutages = 0;
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
        mapOutages = list.size();
    }
    std::printf("%s weekday map, one host, %zu outages: read and built median %.0f ms (target < 500 ms); "
                "read alone %.0f ms\n",
                label, mapOutages, BenchFigures::median(mapBuilt), BenchFigures::median(mapRead));

    // The grapher's other view of the same host: its time-of-day histogram,
    // 5-minute intervals over 08:00-18:00, as bench_grapher times it.
    grapher::GraphRequest request;
    request.description = QStringLiteral("Карта");
    request.startDate = QStringLiteral("01.01.2024");
    request.startTime = QStringLiteral("08:00:00");
    request.endDate = QStringLiteral("31.12.2024");
    request.endTime = QStringLiteral("18:00:00");
    request.interval = QStringLiteral("5");
    QList<double> histogram;
    int histogramRead = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        const grapher::Timeline::Computation c = grapher::Timeline::compute(request, db.connectionName(), QLocale::system());
        histogram << double(t.nsecsElapsed()) / 1e6;
        if (!c.errors.isEmpty()) {
            std::fprintf(stderr, "histogram failed: %s\n", qPrintable(c.errors.join(QLatin1Char('\n'))));
            return false;
        }
        histogramRead = c.outagesRead;
    }
    std::printf("%s histogram, one host, %d outages: median %.0f ms (target < 500 ms)\n", label, histogramRead,
                BenchFigures::median(histogram));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 2000000;
    const int hosts = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;
    const int mapOutages = argc > 3 ? QByteArray(argv[3]).toInt() : 200000;
    const bool fileOnly = app.arguments().contains(QStringLiteral("--file-only"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QElapsedTimer fillTimer;
    fillTimer.start();
    if (!fill(QSqlDatabase::database(), rows, hosts, mapOutages))
        return 1;
    std::printf("filled %d log rows, %d hosts, %d map outages in %.1f s\n", rows, hosts, mapOutages,
                double(fillTimer.elapsed()) / 1000.0);

    if (!measure("file:", QSqlDatabase::database(), hosts))
        return 1;
    std::printf("resident memory %.0f MiB\n", BenchFigures::residentMb());
    Database::close();
    if (fileOnly)
        return 0;

    // The server runs as another user (postgres): it must reach its
    // directory inside this one.
    QTemporaryDir serverDir;
    QFile::setPermissions(serverDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    BenchServer server;
    if (!server.start(serverDir.path()))
        return 1;
    // A name made here; identifiers cannot be bound.
    const QString name = QStringLiteral("orvant_bench_") + QUuid::createUuid().toString(QUuid::Id128);
    if (!server.onMaintenance(QStringLiteral("create database %1 encoding 'UTF8' template template0").arg(name)))
        return 1;
    bool ok = false;
    {
        QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench"));
        pg.setHostName(server.socket());
        pg.setDatabaseName(name);
        pg.setUserName(BenchServer::user());
        if (!pg.open() || !Schema::createServerTables(pg, &error)) {
            std::fprintf(stderr, "server: %s %s\n", qPrintable(pg.lastError().text()), qPrintable(error));
        } else {
            fillTimer.restart();
            if (fillServer(pg, rows, hosts, mapOutages)) {
                std::printf("server: filled the same rows in %.1f s\n", double(fillTimer.elapsed()) / 1000.0);
                ok = measure("server:", pg, hosts);
            }
        }
        pg.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    if (!server.ownServer())
        server.onMaintenance(QStringLiteral("drop database if exists %1 with (force)").arg(name));
    return ok ? 0 : 1;
}
