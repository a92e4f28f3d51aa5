// The monitor under a long history, a slow host, a month of flapping and
// another program's write lock: the real engine and write queue on a real
// database file, with an echo transport inside this process that answers
// at once for up hosts and never for down ones (no network traffic at all).
// Prints one table of figures with the targets beside them.
//
// Usage: bench_robust [--quick]
#include "BenchFigures.h"
#include "Database.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "EchoTransport.h"
#include "LocalTransport.h"
#include "PollingEngine.h"
#include "Schema.h"
#include "SystemClock.h"
#include "WriteQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

using namespace monitor;

namespace {

using BenchFigures::median;
using BenchFigures::residentMb;


QString hostAt(int i)
{
    return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

HostAddress addressOf(const QString &ip)
{
    HostAddress a;
    HostAddress::parse(ip, &a);
    return a;
}



bool makeDatabase(const QString &path, int hosts, int timeoutMs)
{
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("delete from addrs"));
    q.prepare(QStringLiteral("insert into addrs values (?,?,?)"));
    for (int i = 0; i < hosts; ++i) {
        q.addBindValue(hostAt(i));
        q.addBindValue(QStringLiteral("host %1").arg(i));
        q.addBindValue(timeoutMs);
        q.exec();
    }
    db.commit();
    return true;
}

// Milliseconds of one whole pass.
double timedPass(PollingEngine &engine)
{
    QEventLoop loop;
    QObject::connect(&engine, &PollingEngine::passEnded, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    engine.CheckAll();
    if (engine.isRunning())
        loop.exec();
    return double(t.nsecsElapsed()) / 1e6;
}

void historyCost(const QString &dir, bool quick)
{
    const int rows = quick ? 100'000 : 1'000'000;
    QList<double> times[2];
    for (int withHistory = 0; withHistory < 2; ++withHistory) {
        const QString path = dir + QStringLiteral("/history-%1.mdb").arg(withHistory);
        if (!makeDatabase(path, 1000, 200))
            return;
        if (withHistory) {
            QSqlQuery q;
            q.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<%1) "
                                  "insert into logs (time_begin,time_end,foe,ip,\"desc\") "
                                  "select datetime('2025-01-01','+'||(i/3)||' minutes'),"
                                  "datetime('2025-01-01','+'||(i/3+1)||' minutes'),true,"
                                  "'127.1.'||(i%4)||'.'||(i%250+1),'host' from n")
                       .arg(rows));
            // A year-old log lies in the database file, not in the journal.
            q.exec(QStringLiteral("pragma wal_checkpoint(truncate)"));
        }
        SystemClock clock;
        LocalTransport transport;
        PollingEngine engine(&transport, &clock);
        for (int i = 0; i < 5; ++i)
            times[withHistory] << timedPass(engine);
        Database::close();
    }
    std::printf("pass, 1000 hosts up, empty log          %8.1f ms (median of 5)\n", median(times[0]));
    std::printf("pass, 1000 hosts up, %7d-row log     %8.1f ms   target: within 10 ms of the empty log\n", rows,
                median(times[1]));
}

void slowHost(const QString &dir)
{
    const QString path = dir + QStringLiteral("/slow.mdb");
    if (!makeDatabase(path, 1000, 200))
        return;
    SystemClock clock;
    LocalTransport transport;
    QSqlQuery q;
    q.exec(QStringLiteral("update addrs set ping_timeout=10000 where ip_addr='127.1.0.1'"));
    transport.down.insert(addressOf(hostAt(0)));
    for (int i = 1; i <= 100; ++i)
        transport.down.insert(addressOf(hostAt(i * 9)));
    PollingEngine engine(&transport, &clock);
    QElapsedTimer t;
    t.start();
    int recorded = 0;
    double hundredthMs = -1;
    QEventLoop loop;
    QObject::connect(&engine, &PollingEngine::changeDecided, [&](const OutageChange &change) {
        const QString &ip = change.ip;
        if (change.kind != OutageChange::Began || ip == hostAt(0))
            return;
        if (++recorded == 100) {
            hundredthMs = double(t.nsecsElapsed()) / 1e6;
            loop.quit();
        }
    });
    QTimer::singleShot(20'000, &loop, &QEventLoop::quit);
    engine.CheckAll();
    loop.exec();
    const int rows = q.exec(QStringLiteral("select count(*) from logs where ip<>'127.1.0.1'")) && q.next()
                         ? q.value(0).toInt()
                         : -1;
    engine.stop();
    Database::close();
    std::printf("100 down hosts (200 ms) beside one of 10 s: all 100 recorded after %6.0f ms (%d rows)   "
                "target: within 1000 ms\n",
                hundredthMs, rows);
}

void month(const QString &dir, bool quick)
{
    const QString path = dir + QStringLiteral("/month.mdb");
    if (!makeDatabase(path, 100, 2))  // a down host costs 4 x 2 ms: a month runs in minutes
        return;
    SystemClock clock;
    LocalTransport transport;
    PollingEngine engine(&transport, &clock);
    const int passesPerDay = 1440;  // one pass a minute
    const int days = quick ? 2 : 30;
    double afterFirstDay = 0;
    QElapsedTimer t;
    t.start();
    for (int pass = 0; pass < passesPerDay * days; ++pass) {
        // Each host goes down for 10 passes out of every 60, at its own phase.
        transport.down.clear();
        for (int h = 0; h < 100; ++h) {
            if ((pass + h * 7) % 60 < 10)
                transport.down.insert(addressOf(hostAt(h)));
        }
        QEventLoop loop;
        QObject::connect(&engine, &PollingEngine::passEnded, &loop, &QEventLoop::quit);
        engine.CheckAll();
        if (engine.isRunning())
            loop.exec();
        if (pass == passesPerDay - 1)
            afterFirstDay = residentMb();
    }
    QSqlQuery q;
    q.exec(QStringLiteral("select count(*) from logs"));
    q.next();
    std::printf("a month of 100 flapping hosts (%d passes, %d rows, %.0f s): RSS after day 1 %.1f MB, at the end %.1f MB"
                "   target: flat\n",
                passesPerDay * days, q.value(0).toInt(), double(t.elapsed()) / 1000, afterFirstDay, residentMb());
    Database::close();
}

void heldLock(const QString &dir)
{
    const QString path = dir + QStringLiteral("/locked.mdb");
    if (!makeDatabase(path, 100, 50))
        return;
    Database::close();
    QString error;
    Database::Options quick;
    quick.busyTimeoutMs = 50;  // as the monitor opens it
    Database::open(path, quick, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr);
    Database::open(path, &error, QStringLiteral("other program"));
    SystemClock clock;
    LocalTransport transport;
    for (int i = 0; i < 100; ++i)
        transport.down.insert(addressOf(hostAt(i)));
    PollingEngine engine(&transport, &clock);

    QSqlQuery holder(QSqlDatabase::database(QStringLiteral("other program")));
    holder.exec(QStringLiteral("begin immediate"));
    QElapsedTimer gap;
    gap.start();
    qint64 longestNs = 0;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] { longestNs = std::max(longestNs, gap.nsecsElapsed()); gap.restart(); });
    beat.start(1);
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &engine, &PollingEngine::tick);
    engine.setRefreshSecs(3600);
    engine.setLastCheck(clock.now());
    ticks.start(1000);
    engine.CheckAll();
    QEventLoop loop;
    QTimer::singleShot(10'000, &loop, [&] {
        holder.exec(QStringLiteral("commit"));
        QTimer::singleShot(2'500, &loop, &QEventLoop::quit);
    });
    loop.exec();
    beat.stop();
    QSqlQuery q;
    q.exec(QStringLiteral("select count(*),count(distinct ip) from logs"));
    q.next();
    std::printf("100 new outages while another program holds the write lock for 10 s: largest event-loop gap %.1f ms, "
                "rows after release %d (%d addresses)   target: gap under 100 ms, 100 rows once\n",
                double(longestNs) / 1e6, q.value(0).toInt(), q.value(1).toInt());
    engine.stop();
    Database::close(QStringLiteral("other program"));
    Database::close();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    QTemporaryDir dir;
    historyCost(dir.path(), quick);
    slowHost(dir.path());
    heldLock(dir.path());
    month(dir.path(), quick);
    return 0;
}
