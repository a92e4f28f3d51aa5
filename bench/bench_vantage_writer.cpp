// The log writer of several vantage points at scale, on a real server:
// three vantages × 1,000 hosts, 100 of them flapping on every vantage (a
// day of history, a short outage every two minutes), one vantage whose own
// site is down (all 1,000 silent there), and every pass 100 hosts changing
// state on all three. Per pass: reading the writer's inputs, its decision,
// and writing it in one transaction, beside what a plain monitor's pass
// reads of the log (the book and the open rows) in the same run; and the
// server's CPU for the benchmark's session.
//
//   bench_vantage_writer [PASSES]      (default 30)
//
// Uses the tests' server when ORVANT_PG_SOCKET names it, else starts one.
#include "BenchFigures.h"
#include "BenchServer.h"
#include "Database.h"
#include "Schema.h"
#include "VantageRecords.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr int Hosts = 1000;
constexpr int Flapping = 100;
// The history's day, in UTC as the vantage tables keep it; "now" is its end.
const QDateTime Start(QDate(2026, 12, 9), QTime(0, 0), Qt::UTC);

QString ip(int host)
{
    return QStringLiteral("10.1.%1.%2").arg(host / 250).arg(host % 250 + 1);
}

bool exec(QSqlDatabase db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    if (values.isEmpty() ? q.exec(sql) : (q.prepare(sql) && [&] {
            for (const QVariant &v : values)
                q.addBindValue(v);
            return q.exec();
        }()))
        return true;
    std::fprintf(stderr, "%s\n%s\n", qPrintable(q.lastError().text()), qPrintable(sql));
    return false;
}

// CPU seconds (user + system) the server has spent on one backend so far.
double backendCpu(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = f.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

bool fill(QSqlDatabase db)
{
    QString error;
    if (!exec(db, QStringLiteral("delete from addrs")))
        return false;
    if (!exec(db, QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) select '10.1.'||(h/250)||'.'||(h%250+1),"
                                 "'host '||h,200 from generate_series(0,cast(? as integer)) h"),
              {Hosts - 1}))
        return false;
    for (const char *name : {"north", "south", "east"}) {
        if (!VantageRecords::registerVantage(db, QLatin1String(name), 10, QStringLiteral("bench ") + QLatin1String(name),
                                             &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
    }
    // A day of flapping: a 30 s outage every two minutes on every vantage.
    if (!exec(db, QStringLiteral(
                      "insert into vantage_outages (vantage,ip,time_begin,time_end) "
                      "select v,'10.1.'||(h/250)||'.'||(h%250+1),"
                      "to_char(timestamp '2026-12-09 00:00:00'+k*interval '120 seconds','YYYY-MM-DD HH24:MI:SS'),"
                      "to_char(timestamp '2026-12-09 00:00:30'+k*interval '120 seconds','YYYY-MM-DD HH24:MI:SS') "
                      "from unnest(array['north','south','east']) v, generate_series(0,cast(? as integer)) h, generate_series(0,718) k"),
              {Flapping - 1}))
        return false;
    // east's own site lost its uplink five minutes ago: every host silent there.
    if (!exec(db, QStringLiteral("insert into vantage_outages (vantage,ip,time_begin) "
                                 "select 'east','10.1.'||(h/250)||'.'||(h%250+1),'2026-12-09 23:55:00' "
                                 "from generate_series(cast(? as integer),cast(? as integer)) h"),
              {Flapping, Hosts - 1}))
        return false;
    return exec(db, QStringLiteral("analyze"));
}

// Pass p: the flapping hosts change state on all three vantages at once.
bool flip(QSqlDatabase db, int pass, bool down)
{
    const QDateTime at = Start.addSecs(24 * 3600 + pass * 10);
    QString error;
    for (int h = 0; h < Flapping; ++h) {
        for (const char *v : {"north", "south", "east"}) {
            const bool ok = down ? VantageRecords::beginOutage(db, QLatin1String(v), ip(h), at, &error)
                                 : VantageRecords::endOutage(db, QLatin1String(v), ip(h), QDateTime(), at, &error);
            if (!ok) {
                std::fprintf(stderr, "%s\n", qPrintable(error));
                return false;
            }
        }
    }
    return true;
}

int run(QSqlDatabase db, int passes)
{
    QSqlQuery pid(db);
    if (!pid.exec(QStringLiteral("select pg_backend_pid()")) || !pid.next())
        return 1;
    const qint64 backend = pid.value(0).toLongLong();
    pid.finish();

    QList<double> readMs, decideMs, applyMs, plainMs, ownMs;
    qint64 intervals = 0, opened = 0, closed = 0;
    const double cpuBefore = backendCpu(backend);
    QElapsedTimer all;
    all.start();
    for (int p = 0; p < passes; ++p) {
        if (!flip(db, p, p % 2 == 0))
            return 1;
        // The flips above are the vantages' writes, not the writer's: its
        // pass is measured from here.
        QString error;
        QElapsedTimer t;
        t.start();
        VantageRecords::WriterInputs in;
        if (!VantageRecords::readWriterInputs(db, &in, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        readMs << t.nsecsElapsed() / 1e6;
        for (const auto &list : std::as_const(in.intervals))
            intervals += list.size();
        t.restart();
        const qint64 now = Start.addSecs(24 * 3600 + p * 10 + 5).toSecsSinceEpoch();
        const VantageWriter::Decision d =
            VantageWriter::decide(in.book, in.intervals, in.vantages, in.rule, in.openLogRows, now, in.freshSince);
        decideMs << t.nsecsElapsed() / 1e6;
        t.restart();
        VantageWriter::Decision applied;
        if (!VantageRecords::applyDecision(db, d, in.freshSeqs, &applied, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        applyMs << t.nsecsElapsed() / 1e6;
        opened += applied.opens.size();
        closed += applied.closes.size();

        // What a plain monitor's pass reads of the database, for scale.
        t.restart();
        int rows = 0;
        for (const Statements::Statement *statement : {&Statements::SelectAddressesForPass, &Statements::SelectAllOpenOutages}) {
            QSqlQuery q(db);
            if (!runStatement(q, *statement))
                return 1;
            while (q.next())
                ++rows;
        }
        plainMs << t.nsecsElapsed() / 1e6;

        // What every vantage adds to its own pass: its heartbeat, and a try
        // of the writer's lock (here it succeeds, so it is given back).
        t.restart();
        for (const char *v : {"north", "south", "east"}) {
            QSqlQuery q(db);
            if (!VantageRecords::heartbeat(db, QLatin1String(v), 10, QLatin1String(v), &error)
                || !runStatement(q, Statements::TryWriterLock, {VantageRecords::WriterLockKey}) || !q.next())
                return 1;
            const bool taken = q.value(0).toBool();
            q.finish();
            if (taken && !exec(db, QStringLiteral("select pg_advisory_unlock(?)"), {VantageRecords::WriterLockKey}))
                return 1;
        }
        ownMs << t.nsecsElapsed() / 1e6 / 3;
    }
    const double cpu = backendCpu(backend) - cpuBefore;
    std::printf("%d passes of 3 vantages x %d hosts, %d flapping (a day of history each), one site down:\n", passes,
                Hosts, Flapping);
    std::printf("  intervals read per pass   %lld\n", intervals / passes);
    std::printf("  log rows opened / closed  %lld / %lld (%.0f a minute at a pass every 10 s)\n", opened, closed,
                double(opened + closed) / passes * 6);
    std::printf("  median read inputs        %7.1f ms\n", BenchFigures::median(readMs));
    std::printf("  median decision           %7.1f ms   (target < 100 ms)\n", BenchFigures::median(decideMs));
    std::printf("  median write (one txn)    %7.1f ms\n", BenchFigures::median(applyMs));
    std::printf("  median plain monitor read %7.1f ms   (book + open rows, for comparison)\n",
                BenchFigures::median(plainMs));
    std::printf("  median a vantage's own    %7.1f ms   (heartbeat + writer's lock tried, each pass)\n",
                BenchFigures::median(ownMs));
    if (cpu >= 0)
        std::printf("  server CPU for the session %.2f s over %.1f s (flips included)\n", cpu, all.elapsed() / 1000.0);
    std::printf("  resident memory %.0f MiB\n", BenchFigures::residentMb());
    return opened > 0 && closed > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(2, QByteArray(argv[1]).toInt()) : 30;
    QTemporaryDir scratch;
    QFile::setPermissions(scratch.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                              | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    BenchServer server;
    if (!server.start(scratch.path()))
        return 1;
    const QString name = QStringLiteral("orvant_bench_") + QUuid::createUuid().toString(QUuid::Id128);
    if (!server.onMaintenance(QStringLiteral("create database %1 encoding 'UTF8' template template0").arg(name)))
        return 1;
    int status = 1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench"));
        db.setHostName(server.socket());
        db.setDatabaseName(name);
        db.setUserName(BenchServer::user());
        QString error;
        QElapsedTimer t;
        t.start();
        if (!db.open() || !Schema::createServerTables(db, &error)) {
            std::fprintf(stderr, "server: %s %s\n", qPrintable(db.lastError().text()), qPrintable(error));
        } else if (fill(db)) {
            std::printf("filled in %.1f s\n", t.elapsed() / 1000.0);
            status = run(db, passes);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    if (!server.ownServer())
        server.onMaintenance(QStringLiteral("drop database if exists %1 with (force)").arg(name));
    return status;
}
