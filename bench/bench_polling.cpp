// Polling pass at scale: the real engine, real ICMP sockets, a real database.
//
// Meant to run inside the network namespace that run_polling_bench.sh makes:
// N addresses in 127.1.0.0/16 all answer except D of them, whose echo
// requests an nftables set on the input hook drops; with --ipv6, N addresses
// fd00::x of the prefix routed locally on lo, against fping -6; with --server,
// N=1000/D=100 on the file and on a PostgreSQL database (the server that
// run_polling_bench.sh starts inside the namespace), one after the other in
// the same run. It refuses to run
// outside such a namespace (ORVANT_BENCH_NETNS=1), so it never sends to a
// real network. Prints one table of figures, with the targets beside them.
#include "BenchFigures.h"
#include "Database.h"
#include "DatabaseConfig.h"
#include "EchoProbe.h"
#include "IcmpTransport.h"
#include "LatencyService.h"
#include "MonitorStore.h"
#include "PollingEngine.h"
#include "Schema.h"
#include "Statements.h"
#include "SystemClock.h"
#include "WriteQueue.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <unistd.h>

using namespace monitor;

namespace {

using BenchFigures::median;
using BenchFigures::residentMb;

constexpr int TimeoutMs = 200;

bool ipv6Hosts = false;

QString hostAt(int i)
{
    if (ipv6Hosts)
        return QStringLiteral("fd00::%1").arg(i + 1, 0, 16);
    return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

// D dropped hosts spread evenly over the list.
bool isDropped(int i, int n, int d)
{
    if (d <= 0)
        return false;
    const int step = n / d;
    return i % step == step / 2 && i / step < d;
}



bool runNft(const QString &script)
{
    QProcess nft;
    nft.start(QStringLiteral("nft"), {QStringLiteral("-f"), QStringLiteral("-")});
    if (!nft.waitForStarted(5000))
        return false;
    nft.write(script.toLatin1());
    nft.closeWriteChannel();
    nft.waitForFinished(30000);
    if (nft.exitCode() != 0)
        fprintf(stderr, "nft: %s\n", nft.readAllStandardError().constData());
    return nft.exitStatus() == QProcess::NormalExit && nft.exitCode() == 0;
}

struct Figures
{
    int n = 0, d = 0, passes = 0;
    double firstPassS = 0;
    double medianPassS = 0, maxPassS = 0;
    double fpingS = -1;
    QList<double> passTimes;      // passes after the first
    QList<double> fpingTimes;
    double maxGapMs = 0;          // passes after the first
    double firstPassGapMs = 0;    // the first pass also writes the D new rows
    int falseOutages = 0;    // answering hosts ever logged down
    int missedOutages = 0;   // dropped hosts without an open row at the end
    double rssStartMb = 0, rssAfterWarmMb = 0, rssEndMb = 0;
    int receiveBuffer = 0;
    bool server = false;
    // The server stopped after the passes: the D hosts come back while it
    // is away, then it is started again.
    bool awayRun = false;
    double awayPassS = 0;         // median pass while the server is away
    double awayGapMs = 0;         // largest event-loop gap in those passes
    double reconnectGapMs = 0;    // largest gap from the server's start until every kept write is made
    double drainS = 0;            // server started -> queue empty
    double reconnectCallMs = 0;   // the longest tick of the session (knock, then open and lock)
    double retryCallMs = 0;       // the longest tick of the engine (kept writes, in 20 ms slices)
    int keptWrites = 0;           // writes kept while away
    int closedAfter = 0;          // rows closed once the server was back (want D)
};

class Bench
{
public:
    Bench(const QString &dir, bool syncNormal)
        : m_dir(dir)
        , m_syncNormal(syncNormal)
    {
    }

    // server: the database to use instead of a fresh file (its tables are
    // emptied first); null for the file.
    // With `record`, each pass's round trips and loss go to their own
    // database thread as the monitor sends them.
    bool run(int n, int d, int passes, int fpingRuns, Figures *out, const DatabaseConfig *server = nullptr,
             bool record = false)
    {
        Figures &f = *out;
        f.server = server != nullptr;
        f.n = n;
        f.d = d;
        f.passes = passes;
        f.rssStartMb = residentMb();

        const QString hostsFile = m_dir + QStringLiteral("/hosts-%1-%2").arg(n).arg(d);
        QStringList dropped;
        {
            QFile hosts(hostsFile);
            if (!hosts.open(QIODevice::WriteOnly | QIODevice::Text))
                return false;
            QTextStream s(&hosts);
            for (int i = 0; i < n; ++i) {
                s << hostAt(i) << '\n';
                if (isDropped(i, n, d))
                    dropped << hostAt(i);
            }
        }
        const QString set = ipv6Hosts ? QStringLiteral("down6") : QStringLiteral("down");
        QString nft = QStringLiteral("flush set inet bench %1\n").arg(set);
        for (int i = 0; i < dropped.size(); i += 500)
            nft += QStringLiteral("add element inet bench %1 { %2 }\n").arg(set, dropped.mid(i, 500).join(QLatin1Char(',')));
        if (!runNft(nft))
            return false;

        // A fresh database with the book of this run.
        const QString dbPath = m_dir + QStringLiteral("/ping_addr-%1-%2-%3.mdb").arg(n).arg(d).arg(++m_runs);
        QString error;
        if (server) {
            // The bench's own statements; the monitor's go through its store.
            Database::Options options;
            options.busyTimeoutMs = 50;
            if (!Database::open(*server, options, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr)) {
                fprintf(stderr, "%s\n", qPrintable(error));
                return false;
            }
            QSqlQuery clear(QSqlDatabase::database());
            runStatement(clear, Statements::DeleteLogBefore, {QStringLiteral("9999-12-31 00:00:00")});
        } else if (!Schema::createDatabaseFile(dbPath, &error) || !Database::open(dbPath, &error)) {
            fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
        if (m_syncNormal && !server) {
            // What the figures would be if the shared connection synced the WAL
            // only at checkpoints (durable across a program crash, not a power cut).
            QSqlQuery pragma(QSqlDatabase::database());
            pragma.exec(QStringLiteral("pragma synchronous=normal"));
        }
        {
            QSqlDatabase db = QSqlDatabase::database();
            db.transaction();
            QSqlQuery q(db);
            runStatement(q, Statements::DeleteAddress, {QStringLiteral("127.0.0.1")});  // the starter row
            for (int i = 0; i < n; ++i)
                runStatement(q, Statements::InsertAddress, {hostAt(i), QStringLiteral("host %1").arg(i), TimeoutMs});
            db.commit();
        }

        SystemClock clock;
        IcmpTransport transport;
        PollingEngine engine(&transport, &clock);
        // The monitor's own way in: its store on a database thread, its
        // options, its lock.
        std::unique_ptr<MonitorStore> session = MonitorStore::threaded();
        session->setDatabase(server ? *server : DatabaseConfig::sqliteFile(dbPath), m_dir);
        {
            QEventLoop wait;
            MonitorStore::Opening opened;
            session->open(&wait, false, [&](const MonitorStore::Opening &o) {
                opened = o;
                wait.quit();
            });
            wait.exec();
            if (opened.result != MonitorStore::Opening::Opened) {
                fprintf(stderr, "%s\n", qPrintable(opened.error + opened.holder));
                return false;
            }
        }
        engine.setStore(session.get());
        std::unique_ptr<LatencyService> latency;
        if (record) {
            latency = std::make_unique<LatencyService>(engine.store(), &clock);
            QObject::connect(&engine, &PollingEngine::passEnded, latency.get(), &LatencyService::passEnded);
            QObject::connect(latency.get(), &LatencyService::failed, [](const QString &w, const QString &e) {
                fprintf(stderr, "latency: %s: %s\n", qPrintable(w), qPrintable(e));
            });
        }
        QObject::connect(&engine, &PollingEngine::databaseError, [](const QString &w, const QString &e) {
            fprintf(stderr, "database: %s: %s\n", qPrintable(w), qPrintable(e));
        });
        bool unavailable = false;
        QObject::connect(&engine, &PollingEngine::probeUnavailable, [&](const QString &m) {
            fprintf(stderr, "%s\n", qPrintable(m));
            unavailable = true;
        });
        const QSet<QString> down(dropped.cbegin(), dropped.cend());
        QObject::connect(&engine, &PollingEngine::changeDecided, [&](const OutageChange &change) {
            if (change.kind == OutageChange::Began && !down.contains(change.ip))
                ++f.falseOutages;
        });

        // The event loop's responsiveness: a 1 ms timer's largest gap while a pass runs.
        QElapsedTimer gapClock;
        qint64 lastTickNs = -1;
        double *gap = &f.firstPassGapMs;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = gapClock.nsecsElapsed();
            if (lastTickNs >= 0 && engine.isRunning())
                *gap = std::max(*gap, double(now - lastTickNs) / 1e6);
            lastTickNs = now;
        });
        gapClock.start();
        ticker.start(1);

        QList<double> times;
        for (int pass = 0; pass <= passes && !unavailable; ++pass) {
            QEventLoop loop;
            QObject::connect(&engine, &PollingEngine::passEnded, &loop, &QEventLoop::quit);
            QElapsedTimer t;
            t.start();
            lastTickNs = -1;
            gap = pass == 0 ? &f.firstPassGapMs : &f.maxGapMs;
            QTimer::singleShot(0, &engine, &PollingEngine::CheckAll);
            loop.exec();
            const double s = double(t.nsecsElapsed()) / 1e9;
            if (pass == 0)
                f.firstPassS = s;  // writes the D new rows
            else
                times << s;
            if (pass == 0 || pass == std::min(passes, 10))
                f.rssAfterWarmMb = residentMb();
        }
        ticker.stop();
        f.passTimes = times;
        f.medianPassS = median(times);
        f.maxPassS = times.isEmpty() ? 0 : *std::max_element(times.cbegin(), times.cend());
        f.rssEndMb = residentMb();
        f.receiveBuffer = transport.receiveBufferBytes();

        QSqlQuery q(QSqlDatabase::database());
        runStatement(q, Statements::SelectAllOpenOutages);
        QSet<QString> open;
        while (q.next())
            open.insert(q.value(1).toString());
        for (const QString &ip : dropped)
            if (!open.contains(ip))
                ++f.missedOutages;
        q.finish();
        // The samples of the last passes are written before the store goes.
        for (int i = 0; i < 1000 && latency && (latency->waitingPasses() > 0 || latency->isBusy()); ++i) {
            QEventLoop pause;
            QTimer::singleShot(10, &pause, &QEventLoop::quit);
            pause.exec();
        }
        if (server && !qEnvironmentVariableIsEmpty("PGDIR"))
            awayAndBack(engine, *session, ticker, gapClock, lastTickNs, gap, dropped.size(), &f);
        session->close(5000);
        latency.reset();
        Database::close();

        if (fpingRuns > 0 && !QStandardPaths::findExecutable(QStringLiteral("fping")).isEmpty()) {
            QList<double> fp;
            for (int i = 0; i < fpingRuns; ++i) {
                QProcess p;
                QElapsedTimer t;
                t.start();
                QStringList args = {QStringLiteral("-r"), QStringLiteral("3"), QStringLiteral("-t"),
                                                  QString::number(TimeoutMs), QStringLiteral("-B"), QStringLiteral("1"),
                                                  QStringLiteral("-i"), QStringLiteral("0"), QStringLiteral("-q"),
                                                  QStringLiteral("-f"), hostsFile};
                if (ipv6Hosts)
                    args.prepend(QStringLiteral("-6"));
                p.start(QStringLiteral("fping"), args);
                p.waitForFinished(60000);
                fp << double(t.nsecsElapsed()) / 1e9;
            }
            f.fpingTimes = fp;
            f.fpingS = median(fp);
        }
        return !unavailable;
    }

private:
    int m_runs = 0;

    static bool pgCtl(const QStringList &arguments)
    {
        const QString dir = qEnvironmentVariable("PGDIR");
        QProcess p;
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                            qEnvironmentVariable("PGBIN") + QStringLiteral("/pg_ctl"), QStringLiteral("-D"),
                            dir + QStringLiteral("/data"), QStringLiteral("-l"), dir + QStringLiteral("/server.log"),
                            QStringLiteral("-w")}
                    + arguments);
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }

    // The server goes away after the passes; the dropped hosts come back
    // meanwhile (their closes wait), then it is started again and the
    // monitor reconnects on its one-second tick and makes the kept writes.
    void awayAndBack(PollingEngine &engine, MonitorStore &session, QTimer &ticker, QElapsedTimer &gapClock,
                     qint64 &lastTickNs, double *&gap, int d, Figures *out)
    {
        Figures &f = *out;
        f.awayRun = true;
        if (!pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")})) {
            fprintf(stderr, "pg_ctl stop failed\n");
            return;
        }
        runNft(QStringLiteral("flush set inet bench down\n"));
        ticker.start(1);
        QList<double> times;
        for (int pass = 0; pass < 3; ++pass) {
            QEventLoop loop;
            QObject::connect(&engine, &PollingEngine::passEnded, &loop, &QEventLoop::quit);
            QElapsedTimer t;
            t.start();
            lastTickNs = -1;
            gap = &f.awayGapMs;
            QTimer::singleShot(0, &engine, &PollingEngine::CheckAll);
            loop.exec();
            times << double(t.nsecsElapsed()) / 1e9;
        }
        f.awayPassS = median(times);
        f.keptWrites = engine.writeQueue()->size();
        ticker.stop();
        // As at the usual polling period: no pass falls into the reconnection.
        engine.setRefreshSecs(3600);

        if (!pgCtl({QStringLiteral("-o"),
                    QStringLiteral("-c listen_addresses='' -c unix_socket_directories=%1/sock -c fsync=off")
                        .arg(qEnvironmentVariable("PGDIR")),
                    QStringLiteral("start")})) {
            fprintf(stderr, "pg_ctl start failed\n");
            return;
        }
        // Every 1 ms tick counts now, not only those inside a pass.
        QElapsedTimer drain;
        drain.start();
        qint64 last = gapClock.nsecsElapsed();
        QTimer watch;
        watch.setTimerType(Qt::PreciseTimer);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const qint64 now = gapClock.nsecsElapsed();
            f.reconnectGapMs = std::max(f.reconnectGapMs, double(now - last) / 1e6);
            last = now;
        });
        watch.start(1);
        QTimer second;
        QObject::connect(&second, &QTimer::timeout, [&] {
            QElapsedTimer call;
            call.start();
            session.tick();
            f.reconnectCallMs = std::max(f.reconnectCallMs, double(call.nsecsElapsed()) / 1e6);
            call.restart();
            engine.tick();
            f.retryCallMs = std::max(f.retryCallMs, double(call.nsecsElapsed()) / 1e6);
        });
        second.start(1000);
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if ((session.isUsable() && engine.writeQueue()->isEmpty()) || drain.elapsed() > 30000)
                loop.quit();
        });
        check.start(5);
        loop.exec();
        f.drainS = double(drain.nsecsElapsed()) / 1e9;
        watch.stop();
        QSqlQuery q(QSqlDatabase::database());
        if (runStatement(q, Statements::SelectAllOpenOutages)) {
            int open = 0;
            while (q.next())
                ++open;
            f.closedAfter = d - open;
        }
    }

    QString m_dir;
    bool m_syncNormal;
};

QString verdict(bool ok)
{
    return ok ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Polling pass benchmark (run through run_polling_bench.sh)"));
    parser.addHelpOption();
    QCommandLineOption quick(QStringLiteral("quick"), QStringLiteral("Few passes, for a short check while developing."));
    QCommandLineOption soakPasses(QStringLiteral("soak"), QStringLiteral("Passes of the N=10000, D=0 run (default 1000)."),
                                  QStringLiteral("passes"), QStringLiteral("1000"));
    QCommandLineOption syncNormal(QStringLiteral("sync-normal"),
                                  QStringLiteral("Run with synchronous=normal on the connection, for comparison."));
    parser.addOption(quick);
    parser.addOption(syncNormal);
    QCommandLineOption serverOption(QStringLiteral("server"),
                                    QStringLiteral("N=1000/D=100 on the file and on the PostgreSQL database whose socket "
                                                   "directory is given (run_polling_bench.sh --server starts one)."),
                                    QStringLiteral("socket-directory"));
    parser.addOption(serverOption);
    QCommandLineOption ipv6(QStringLiteral("ipv6"),
                            QStringLiteral("IPv6 hosts (fd00::/64 on lo): N=1000/D=100 and N=10000/D=1000 beside fping -6."));
    parser.addOption(soakPasses);
    parser.addOption(ipv6);
    QCommandLineOption recordOption(QStringLiteral("record"),
                                    QStringLiteral("N=10000/D=1000 without and with round trips and loss recorded, "
                                                   "beside fping."));
    parser.addOption(recordOption);
    parser.process(app);
    ipv6Hosts = parser.isSet(ipv6);

    if (qgetenv("ORVANT_BENCH_NETNS") != "1") {
        fprintf(stderr, "bench_polling sends real ICMP: run it through bench/run_polling_bench.sh, "
                        "which makes a private network namespace first.\n");
        return 2;
    }
    QTemporaryDir dir;
    Bench bench(dir.path(), parser.isSet(syncNormal));
    const bool q = parser.isSet(quick);
    const int soak = q ? 20 : parser.value(soakPasses).toInt();

    struct Run { int n, d, passes, fping; };
    QList<Run> runs = {{1000, 100, q ? 2 : 7, q ? 1 : 5},
                       {1000, 0, q ? 3 : 15, q ? 1 : 5},
                       {10000, 1000, q ? 1 : 5, q ? 1 : 3},
                       {10000, 0, soak, q ? 0 : 3}};
    if (ipv6Hosts)
        runs = {runs[0], runs[2]};
    if (parser.isSet(recordOption)) {
        // Runs without and with recording alternate, each followed by fping on
        // the same list, so that a change in the machine's load touches all
        // three alike; the medians are over every pass and every fping run.
        QList<double> without, with, fping;
        int falseAll = 0, missedAll = 0;
        const int rounds = q ? 2 : 6;
        for (int round = 0; round < rounds; ++round) {
            Figures f;
            const bool rec = round % 2 == 1;
            fprintf(stderr, "running N=10000 D=1000 %s recording, then fping...\n", rec ? "with" : "without");
            if (!bench.run(10000, 1000, q ? 2 : 5, q ? 1 : 3, &f, nullptr, rec)) {
                fprintf(stderr, "run failed\n");
                return 1;
            }
            (rec ? with : without) << f.passTimes;
            fping << f.fpingTimes;
            falseAll += f.falseOutages;
            missedAll += f.missedOutages;
        }
        const double a = median(without), b = median(with), c = fping.isEmpty() ? -1 : median(fping);
        printf("\nPolling pass N = 10000, D = 1000, T = %d ms, without and with round trips and loss recorded, "
               "beside fping (medians of %lld, %lld and %lld runs, alternated)\n\n",
               TimeoutMs, qlonglong(without.size()), qlonglong(with.size()), qlonglong(fping.size()));
        printf("| target | figure | verdict |\n|---|---|---|\n");
        printf("| recording within 5%% of the pass without it | %.3f s vs %.3f s (%+.1f%%) | %s |\n", b, a,
               (b / a - 1) * 100, qPrintable(verdict(b <= a * 1.05)));
        if (c > 0) {
            printf("| recording within 3%% of fping | %.3f s vs %.3f s (%+.1f%%) | %s |\n", b, c, (b / c - 1) * 100,
                   qPrintable(verdict(b <= c * 1.03)));
            printf("| without recording, beside fping | %.3f s vs %.3f s (%+.1f%%) | - |\n", a, c, (a / c - 1) * 100);
        }
        printf("| no false outage, every dropped host logged | %d false, %d missed | %s |\n", falseAll, missedAll,
               qPrintable(verdict(falseAll + missedAll == 0)));
        return 0;
    }
    if (parser.isSet(serverOption)) {
        const DatabaseConfig server = DatabaseConfig::server(parser.value(serverOption), 5432,
                                                             QStringLiteral("orvant_bench"), QStringLiteral("postgres"));
        QList<Figures> both;
        for (int round = 0; round < 2; ++round) {
            Figures f;
            fprintf(stderr, "running N=1000 D=100 on the %s...\n", round ? "server" : "file");
            if (!bench.run(1000, 100, q ? 2 : 7, 0, &f, round ? &server : nullptr)) {
                fprintf(stderr, "the %s run failed\n", round ? "server" : "file");
                return 1;
            }
            both << f;
        }
        printf("\nPolling pass, N = 1000, D = 100, T = %d ms, file and server in the same run\n\n", TimeoutMs);
        printf("| database | passes | first pass s (writes D rows) | pass median s | pass max s | loop gap max ms "
               "(first pass / others) | false outages | missed |\n|---|---|---|---|---|---|---|---|\n");
        for (const Figures &f : both)
            printf("| %s | %d | %.3f | %.3f | %.3f | %.1f / %.1f | %d | %d |\n", f.server ? "PostgreSQL 15" : "SQLite file",
                   f.passes, f.firstPassS, f.medianPassS, f.maxPassS, f.firstPassGapMs, f.maxGapMs, f.falseOutages,
                   f.missedOutages);
        const Figures &s = both[1];
        if (s.awayRun) {
            printf("\nThe server stopped, the %d dropped hosts answering again, then the server started:\n\n", s.d);
            printf("| pass median while away | largest loop gap while away | writes kept | server start -> all written "
                   "(one-second tick) | largest loop gap meanwhile (longest reconnecting tick / writing tick) | rows closed |\n"
                   "|---|---|---|---|---|---|\n");
            printf("| %.3f s | %.1f ms | %d | %.2f s | %.1f ms (%.1f / %.1f ms) | %d of %d |\n", s.awayPassS, s.awayGapMs,
                   s.keptWrites, s.drainS, s.reconnectGapMs, s.reconnectCallMs, s.retryCallMs, s.closedAfter, s.d);
        }
        return 0;
    }

    QList<Figures> all;
    for (const Run &r : runs) {
        Figures f;
        fprintf(stderr, "running N=%d D=%d, %d passes...\n", r.n, r.d, r.passes);
        if (!bench.run(r.n, r.d, r.passes, r.fping, &f)) {
            fprintf(stderr, "run N=%d D=%d failed\n", r.n, r.d);
            return 1;
        }
        all << f;
    }

    printf("\nPolling pass%s, T = %d ms, 4 attempts, in a private network namespace%s\n\n",
           ipv6Hosts ? " over IPv6 (fd00::/64)" : "", TimeoutMs, parser.isSet(syncNormal) ? " (synchronous=normal)" : "");
    printf("| N | D | passes | first pass s | pass median s | pass max s | fping s | loop gap max ms (first pass / others) | false outages | missed | RSS start/warm/end MB | rcvbuf KiB |\n");
    printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Figures &f : all) {
        printf("| %d | %d | %d | %.3f | %.3f | %.3f | %s | %.1f / %.1f | %d | %d | %.1f / %.1f / %.1f | %d |\n", f.n, f.d, f.passes,
               f.firstPassS, f.medianPassS, f.maxPassS,
               f.fpingS < 0 ? "-" : qPrintable(QString::number(f.fpingS, 'f', 3)), f.firstPassGapMs, f.maxGapMs, f.falseOutages,
               f.missedOutages, f.rssStartMb, f.rssAfterWarmMb, f.rssEndMb, f.receiveBuffer / 1024);
    }

    if (ipv6Hosts) {
        const Figures &a = all[0], &c = all[1];
        printf("\n| target | figure | verdict |\n|---|---|---|\n");
        printf("| IPv6 N=1000, D=100: pass <= 1.0 s | %.3f s | %s |\n", a.medianPassS, qPrintable(verdict(a.medianPassS <= 1.0)));
        if (a.fpingS > 0)
            printf("| IPv6 N=1000, D=100: within 25%% of fping -6 | %.3f s vs %.3f s (%+.0f%%) | %s |\n", a.medianPassS,
                   a.fpingS, (a.medianPassS / a.fpingS - 1) * 100, qPrintable(verdict(a.medianPassS <= a.fpingS * 1.25)));
        printf("| IPv6 N=10000, D=1000: pass <= 2.0 s | %.3f s | %s |\n", c.medianPassS, qPrintable(verdict(c.medianPassS <= 2.0)));
        if (c.fpingS > 0)
            printf("| IPv6 N=10000, D=1000: beside fping -6 | %.3f s vs %.3f s (%+.0f%%) | - |\n", c.medianPassS, c.fpingS,
                   (c.medianPassS / c.fpingS - 1) * 100);
        printf("| no false outage, every dropped host logged | %d false, %d missed | %s |\n",
               a.falseOutages + c.falseOutages, a.missedOutages + c.missedOutages,
               qPrintable(verdict(a.falseOutages + c.falseOutages + a.missedOutages + c.missedOutages == 0)));
        printf("| event loop never blocked > 50 ms in a pass | %.1f ms | %s |\n", std::max(a.maxGapMs, c.maxGapMs),
               qPrintable(verdict(std::max(a.maxGapMs, c.maxGapMs) <= 50)));
        return 0;
    }

    const Figures &a = all[0], &b = all[1], &c = all[2], &s = all[3];
    double maxGap = 0, maxFirstGap = 0;
    int falseAll = 0, missedAll = 0;
    for (const Figures &f : all) {
        maxGap = std::max(maxGap, f.maxGapMs);
        maxFirstGap = std::max(maxFirstGap, f.firstPassGapMs);
        falseAll += f.falseOutages;
        missedAll += f.missedOutages;
    }
    printf("\n| target | figure | verdict |\n|---|---|---|\n");
    printf("| N=1000, D=100: pass <= 1.0 s | %.3f s | %s |\n", a.medianPassS, qPrintable(verdict(a.medianPassS <= 1.0)));
    if (a.fpingS > 0)
        printf("| N=1000, D=100: within 25%% of fping | %.3f s vs %.3f s (%+.0f%%) | %s |\n", a.medianPassS, a.fpingS,
               (a.medianPassS / a.fpingS - 1) * 100, qPrintable(verdict(a.medianPassS <= a.fpingS * 1.25)));
    printf("| N=1000, D=0: pass <= 0.15 s | %.3f s | %s |\n", b.medianPassS, qPrintable(verdict(b.medianPassS <= 0.15)));
    printf("| N=10000, D=1000: pass <= 2.0 s | %.3f s | %s |\n", c.medianPassS, qPrintable(verdict(c.medianPassS <= 2.0)));
    if (c.fpingS > 0)
        printf("| N=10000, D=1000: within 3%% of fping | %.3f s vs %.3f s (%+.1f%%) | %s |\n", c.medianPassS, c.fpingS,
               (c.medianPassS / c.fpingS - 1) * 100, qPrintable(verdict(c.medianPassS <= c.fpingS * 1.03)));
    if (s.fpingS > 0)
        printf("| N=10000, D=0: beside fping | %.3f s vs %.3f s | - |\n", s.medianPassS, s.fpingS);
    printf("| no false outage (N=10000, D=0, %d passes; all runs) | %d | %s |\n", s.passes, falseAll,
           qPrintable(verdict(falseAll == 0)));
    printf("| every dropped host logged | %d missed | %s |\n", missedAll, qPrintable(verdict(missedAll == 0)));
    printf("| RSS flat over %d passes at N=10000 (after warm-up) | %.1f -> %.1f MB | %s |\n", s.passes, s.rssAfterWarmMb,
           s.rssEndMb, qPrintable(verdict(s.rssEndMb - s.rssAfterWarmMb < 2.0)));
    printf("| RSS < 100 MB at N=10000 | %.1f MB | %s |\n", std::max(c.rssEndMb, s.rssEndMb),
           qPrintable(verdict(std::max(c.rssEndMb, s.rssEndMb) < 100)));
    printf("| event loop never blocked > 50 ms in a pass | %.1f ms | %s |\n", maxGap, qPrintable(verdict(maxGap <= 50)));
    printf("| the same in a first pass, which writes D rows one statement each | %.1f ms | %s |\n", maxFirstGap,
           qPrintable(verdict(maxFirstGap <= 50)));
    return 0;
}
