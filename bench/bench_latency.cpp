// Round trips and loss at scale, on a database file:
//  1. writing one pass's samples of 10,000 hosts (one transaction), against
//     the same rows written one statement each in a transaction;
//  2. a shortened simulation of 1,000 hosts at one pass a minute with
//     consolidation and retention running after each pass as the monitor
//     runs them: CPU share of consolidation, bytes per raw sample and per
//     consolidated row, and the file size at the end of a year extrapolated
//     from those (14 days of raw samples, 8,760 hourly and 365 daily rows a
//     host);
//  3. a year of consolidated rows made directly (1,000 hosts), and the
//     grapher's read and layout of one host's last day and last year.
//
//   bench_latency [--server SOCKET_DIR] [DAYS]    (simulated days, default 2)
//   bench/run_latency_bench.sh BUILD_DIR starts a private server for part 1.
#include "Database.h"
#include "DatabaseConfig.h"
#include "DateTimeText.h"
#include "LatencyLayout.h"
#include "LatencyReader.h"
#include "LatencyRecorder.h"
#include "Schema.h"

#include "BenchFigures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

using BenchFigures::median;
using monitor::LatencyRecorder;
using monitor::LatencySample;

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

std::vector<LatencySample> pass(int hosts, std::mt19937 &rng)
{
    std::vector<LatencySample> out;
    out.reserve(size_t(hosts));
    std::uniform_int_distribution<int> rtt(200, 30000);
    std::uniform_int_distribution<int> coin(0, 99);
    for (int h = 0; h < hosts; ++h) {
        LatencySample s;
        s.ip = QStringLiteral("10.%1.%2.%3").arg(h / 65536).arg((h / 256) % 256).arg(h % 256);
        s.desc = QStringLiteral("host %1").arg(h);
        const bool silent = coin(rng) < 2;
        s.sent = silent ? 4 : (coin(rng) < 5 ? 2 : 1);
        s.lost = silent ? 4 : s.sent - 1;
        if (!silent)
            s.rttUs = rtt(rng);
        s.timeoutMs = 500;
        out.push_back(std::move(s));
    }
    return out;
}

QSqlDatabase fresh(const QString &path, const QString &name)
{
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error, name)) {
        std::fprintf(stderr, "bench_latency: %s\n", qPrintable(error));
        std::exit(1);
    }
    return QSqlDatabase::database(name);
}

qint64 bytesOf(QSqlDatabase db, const QString &like)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("select sum(pgsize) from dbstat where name like '%1'").arg(like));
    return q.next() ? q.value(0).toLongLong() : -1;
}

// One pass's samples of 10,000 hosts written as the monitor writes them,
// against the same rows one prepared insert each in one transaction.
bool onePass(QSqlDatabase db, const QString &where, std::mt19937 &rng)
{
    QString error;
    LatencyRecorder r(db);
    QList<double> ms;
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    for (int i = 0; i < 7; ++i) {
        const std::vector<LatencySample> p = pass(10000, rng);
        QElapsedTimer t;
        t.start();
        if (!r.recordPass(start.addSecs(60 * i), p, &error)) {
            std::fprintf(stderr, "bench_latency: %s\n", qPrintable(error));
            return false;
        }
        ms << t.nsecsElapsed() / 1e6;
    }
    QList<double> each;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        db.transaction();
        QSqlQuery q(db);
        q.prepare(QStringLiteral("insert into latency_passes (at,hour) select ?,max(id) from latency_hours"));
        q.addBindValue(QStringLiteral("2026-01-01 00:10:0%1").arg(i));
        q.exec();
        QSqlQuery last(db);
        last.exec(QStringLiteral("select max(id) from latency_passes"));
        const qint64 passId = last.next() ? last.value(0).toLongLong() : 0;
        q.prepare(QStringLiteral("insert into latency_samples (pass,host,sent,lost,rtt_us) values (?,?,?,?,?)"));
        for (int h = 1; h <= 10000; ++h) {
            q.addBindValue(passId);
            q.addBindValue(h);
            q.addBindValue(1);
            q.addBindValue(0);
            q.addBindValue(1234);
            q.exec();
        }
        db.commit();
        each << t.nsecsElapsed() / 1e6;
    }
    std::printf("one pass of 10,000 hosts, %s: median %.1f ms (max %.1f; one statement with the pass's rows, hosts "
                "looked up); baseline one prepared insert a row in one transaction: median %.1f ms\n",
                qPrintable(where), median(ms), *std::max_element(ms.cbegin(), ms.cend()), median(each));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // bench_latency [--server SOCKET_DIR] [DAYS]
    QStringList args = app.arguments().mid(1);
    QString serverSocket;
    if (args.size() >= 2 && args.first() == QLatin1String("--server")) {
        serverSocket = args.at(1);
        args = args.mid(2);
    }
    const int days = args.isEmpty() ? 2 : qMax(1, args.first().toInt());
    QTemporaryDir dir;
    std::mt19937 rng(7);
    QString error;

    // 1. One pass of 10,000 hosts, on the file and (given one) on a server.
    {
        const bool ok = onePass(fresh(dir.filePath(QStringLiteral("pass.mdb")), QStringLiteral("pass")),
                                QStringLiteral("file"), rng);
        Database::close(QStringLiteral("pass"));
        if (!ok)
            return 1;
    }
    if (!serverSocket.isEmpty()) {
        const DatabaseConfig server = DatabaseConfig::server(serverSocket, 5432, QStringLiteral("orvant_bench"),
                                                             QStringLiteral("postgres"));
        if (!Database::open(server, Database::Options(), &error, QStringLiteral("server"), nullptr)) {
            std::fprintf(stderr, "bench_latency: %s\n", qPrintable(error));
            return 1;
        }
        if (!onePass(QSqlDatabase::database(QStringLiteral("server")), QStringLiteral("server"), rng))
            return 1;
        Database::close(QStringLiteral("server"));
    }

    // 2. The shortened simulation.
    const QString simPath = dir.filePath(QStringLiteral("sim.mdb"));
    {
        QSqlDatabase db = fresh(simPath, QStringLiteral("sim"));
        LatencyRecorder r(db);
        const LatencyRecorder::Retention keep;  // 14 days, 5 years
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
        double writeMs = 0, maintainMs = 0;
        int steps = 0;
        const int passes = days * 1440;
        QElapsedTimer wall;
        wall.start();
        for (int i = 0; i < passes; ++i) {
            const std::vector<LatencySample> p = pass(1000, rng);
            const QDateTime at = start.addSecs(60 * i);
            double c = cpuMs();
            if (!r.recordPass(at, p, &error)) {
                std::fprintf(stderr, "bench_latency: %s\n", qPrintable(error));
                return 1;
            }
            writeMs += cpuMs() - c;
            c = cpuMs();
            for (int k = 0; k < 40; ++k) {
                LatencyRecorder::Step s = r.consolidateStep(&error);
                if (s == LatencyRecorder::Step::Idle)
                    s = r.retentionStep(at, keep, &error);
                if (s != LatencyRecorder::Step::Worked)
                    break;
                ++steps;
            }
            maintainMs += cpuMs() - c;
        }
        const double simulatedMs = passes * 60'000.0;
        std::printf("simulated %d days of 1,000 hosts at a pass a minute in %.1f s: writing %.3f %% of one core, "
                    "consolidation and retention %.4f %% of one core (%d steps)\n",
                    days, wall.elapsed() / 1000.0, 100 * writeMs / simulatedMs, 100 * maintainMs / simulatedMs, steps);
        QSqlQuery q(db);
        q.exec(QStringLiteral("select (select count(*) from latency_samples),(select count(*) from latency_hourly),"
                              "(select count(*) from latency_daily)"));
        q.next();
        const qint64 samples = q.value(0).toLongLong(), hourly = q.value(1).toLongLong(), daily = q.value(2).toLongLong();
        const double rawBytes = double(bytesOf(db, QStringLiteral("latency_samples")) +
                                       bytesOf(db, QStringLiteral("latency_passes%"))) / qMax<qint64>(1, samples);
        const double hourlyBytes = double(bytesOf(db, QStringLiteral("latency_hourly"))) / qMax<qint64>(1, hourly);
        std::printf("rows: %lld samples (%.1f bytes each with their pass rows), %lld hourly (%.1f bytes each), "
                    "%lld daily\n",
                    samples, rawBytes, hourly, hourlyBytes, daily);
        const double year = 14.0 * 1440 * 1000 * rawBytes + 8760.0 * 1000 * hourlyBytes + 365.0 * 1000 * hourlyBytes;
        std::printf("a year of 1,000 hosts, extrapolated: %.0f MB (14 days of samples %.0f MB, hourly rows %.0f MB, "
                    "daily rows %.0f MB)\n",
                    year / 1e6, 14.0 * 1440 * 1000 * rawBytes / 1e6, 8760.0 * 1000 * hourlyBytes / 1e6,
                    365.0 * 1000 * hourlyBytes / 1e6);
        std::printf("file after the simulation: %.1f MB\n", QFileInfo(simPath).size() / 1e6);

        // 3. The grapher's reads: one host's last simulated day (raw), then
        // a year of hourly and daily rows made directly for every host.
        const QDateTime end = start.addSecs(60 * qint64(passes));
        QList<double> dayMs;
        const DateTimeText::Seconds dayStart =
            DateTimeText::toSeconds(end.addDays(-1).date(), end.addDays(-1).time());
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            std::vector<LatencyReader::Point> pts;
            LatencyReader::series(db, 500, end.addDays(-1), end, LatencyReader::Tier::Raw, &pts, &error);
            if (i == 0)
                std::printf("  (read alone: %.1f ms, %d points)\n", t.nsecsElapsed() / 1e6, int(pts.size()));
            grapher::LatencyLayout::Input in;
            in.size = QSizeF(800, 400);
            in.lineHeight = 14;
            in.textWidth = [](const QString &s) { return int(s.size() * 7); };
            in.periodSecs = 86400;
            grapher::LatencyLayout::Series s;
            for (const auto &p : pts) {
                grapher::LatencyLayout::Point lp;
                lp.t = p.start - dayStart;
                lp.medianMs = p.summary.medianUs ? std::optional<double>(*p.summary.medianUs / 1000.0) : std::nullopt;
                lp.lowMs = lp.highMs = lp.medianMs;
                lp.sent = p.summary.sent;
                lp.lost = p.summary.lost;
                s.points.push_back(lp);
            }
            in.series.push_back(s);
            grapher::LatencyLayout::compute(in);
            dayMs << t.nsecsElapsed() / 1e6;
        }
        std::printf("grapher, one host's last day (raw samples): read and layout median %.1f ms\n", median(dayMs));

        QElapsedTimer t;
        t.start();
        q.exec(QStringLiteral("begin"));
        q.exec(QStringLiteral("with recursive n(value) as (select 0 union all select value+1 from n where value<364) "
                              "insert into latency_days (day,done) select date('2025-01-01','+'||value||' days'),1 from n"));
        const bool series = !q.lastError().isValid();
        if (series) {
            q.exec(QStringLiteral("with recursive n(value) as (select 0 union all select value+1 from n where value<8759) "
                                  "insert into latency_hours (hour,day,done) select datetime('2025-01-01','+'||value||' hours'),"
                                  "(select id from latency_days d where d.day=date('2025-01-01','+'||value||' hours')),1 "
                                  "from n"));
            q.exec(QStringLiteral("insert into latency_hourly select h.id,o.id,60,63,3,200,1500,9000,30000 "
                                  "from latency_hours h, latency_hosts o where h.hour<'2026-01-01' order by h.id,o.id"));
            q.exec(QStringLiteral("insert into latency_daily select d.id,o.id,1440,1500,60,200,1500,9000,30000 "
                                  "from latency_days d, latency_hosts o where d.day<'2026-01-01' order by d.id,o.id"));
        }
        q.exec(QStringLiteral("commit"));
        if (!series) {
            std::printf("(the year's rows could not be made: %s)\n", qPrintable(q.lastError().text()));
            return 0;
        }
        std::printf("a year of hourly and daily rows for 1,000 hosts made in %.1f s; hourly rows %.0f MB, "
                    "file now %.1f MB\n",
                    t.elapsed() / 1000.0, bytesOf(db, QStringLiteral("latency_hourly")) / 1e6,
                    QFileInfo(simPath).size() / 1e6);
        QList<double> yearMs;
        int points = 0;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer y;
            y.start();
            std::vector<LatencyReader::Point> pts;
            LatencyReader::series(db, 500, end.addYears(-1), end, LatencyReader::Tier::Daily, &pts, &error);
            points = int(pts.size());
            yearMs << y.nsecsElapsed() / 1e6;
        }
        std::printf("grapher, one host's last year (daily rows): %d points read in median %.1f ms\n", points,
                    median(yearMs));
    }
    return 0;
}
