// The board of all hosts and the paths traced when outages begin.
//
//  board   10,000 hosts on the board's model, its sorting proxy and a real
//          QTableView (offscreen), an hour of passes a minute apart: every
//          host's round trip changes each pass and 1 % change state. The
//          largest UI-thread time per pass (the model's update, the proxy's
//          and the view's reaction, painting) and the resident memory the
//          board added.
//  paths   1,000 hosts on loop-back of which 100 stop answering at once
//          (nft drops their echo requests), real ICMP: the pass that finds
//          them down and the one right after it, while the traces begun at
//          the first one's end still run, with the tracer and without it.
//          Only the paths part needs the network: run it through
//          bench/run_board_bench.sh (a private network namespace).
// Usage: bench_board [board] [paths]
#include "BenchFigures.h"
#include "BoardModel.h"
#include "Database.h"
#include "HostState.h"
#include "IcmpTransport.h"
#include "MonitorStore.h"
#include "OutagePathTracer.h"
#include "PollingEngine.h"
#include "Schema.h"
#include "Statements.h"
#include "SystemClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace monitor;

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void benchBoard()
{
    constexpr int Hosts = 10'000;
    constexpr int Passes = 61;
    QRandomGenerator random(7);
    std::vector<BoardModel::HostInput> hosts(Hosts);
    for (int i = 0; i < Hosts; ++i) {
        hosts[size_t(i)].ip = QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg(i / 256 % 256).arg(i % 256);
        hosts[size_t(i)].desc = QStringLiteral("Host number %1 at the site %2").arg(i).arg(i % 37);
    }
    QCoreApplication::processEvents();
    const double rssBefore = BenchFigures::residentMb();

    auto *model = new BoardModel;
    auto *proxy = new BoardFilter;
    proxy->setSourceModel(model);
    QTableView view;
    view.setModel(proxy);
    view.setSortingEnabled(true);
    view.sortByColumn(BoardModel::State, Qt::AscendingOrder);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(1200, 800);
    view.show();
    settle(50);

    QList<double> passMs;
    QList<double> modelMs;  // the model's update with the proxy's and view's reaction to its notices
    double largest = 0;
    double firstMs = 0;
    for (int pass = 0; pass < Passes; ++pass) {
        for (BoardModel::HostInput &h : hosts) {
            const bool flip = random.bounded(100) == 0;
            if (flip)
                h.down = !h.down;
            h.sent = h.down ? 4 : 1;
            h.lost = h.down ? 4 : 0;
            h.failedPasses = h.down ? h.failedPasses + 1 : 0;
            if (h.down) {
                h.rttUs.reset();
                if (flip)
                    h.sinceMonoMs = qint64(pass) * 60'000;
            } else {
                h.rttUs = 500 + random.bounded(300'000);
                h.lastRttUs = h.rttUs;
            }
        }
        BoardModel::Pass p;
        p.now = QDateTime(QDate(2026, 3, 2), QTime(12, 0)).addSecs(pass * 60);
        p.nowMonoMs = qint64(pass) * 60'000;
        p.hosts = hosts;
        QElapsedTimer t;
        t.start();
        model->applyPass(p);
        if (pass > 0)
            modelMs << double(t.nsecsElapsed()) / 1e6;
        // The view's reaction: what the notices queued and a repaint.
        view.viewport()->repaint();
        QCoreApplication::processEvents();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (pass == 0)
            firstMs = ms;  // the rows made and sorted the first time
        else {
            passMs << ms;
            largest = std::max(largest, ms);
        }
    }
    QCoreApplication::processEvents();
    const double rssAfter = BenchFigures::residentMb();
    // Sorting by a figure that changes every pass: the worst order to keep.
    view.sortByColumn(BoardModel::LastRtt, Qt::AscendingOrder);
    double largestByRtt = 0;
    for (int pass = Passes; pass < Passes + 10; ++pass) {
        for (BoardModel::HostInput &h : hosts)
            if (!h.down)
                h.rttUs = h.lastRttUs = 500 + random.bounded(300'000);
        BoardModel::Pass p;
        p.now = QDateTime(QDate(2026, 3, 2), QTime(12, 0)).addSecs(pass * 60);
        p.nowMonoMs = qint64(pass) * 60'000;
        p.hosts = hosts;
        QElapsedTimer t;
        t.start();
        model->applyPass(p);
        view.viewport()->repaint();
        QCoreApplication::processEvents();
        largestByRtt = std::max(largestByRtt, double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("board: %d hosts, %d passes a minute apart (an hour kept)\n", Hosts, Passes);
    std::printf("  first pass (rows made, sorted): %.1f ms\n", firstMs);
    std::printf("  UI-thread time per pass, problems first: median %.2f ms, largest %.2f ms (target < 16)\n",
                BenchFigures::median(passMs), largest);
    std::printf("  of which the update and its notices: median %.2f ms, largest %.2f ms\n", BenchFigures::median(modelMs),
                *std::max_element(modelMs.cbegin(), modelMs.cend()));
    std::printf("  the same sorted by round trip (every row moves): largest %.2f ms\n", largestByRtt);
    std::printf("  resident memory added: %.1f MB (target < 30)\n", rssAfter - rssBefore);
    view.setModel(nullptr);
    delete proxy;
    delete model;
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
    return nft.exitStatus() == QProcess::NormalExit && nft.exitCode() == 0;
}

struct PathFigures
{
    double firstPassMs = 0;   // finds the 100 down (traces start at its end)
    double secondPassMs = 0;  // while those traces run
    double tracesDoneMs = 0;  // from the first pass's end until every trace finished
    double largestGapMs = 0;  // of a 1 ms timer over both passes and the traces
    int traced = 0;
};

bool runPaths(bool withTracer, const QString &dir, int run, PathFigures *f)
{
    constexpr int Hosts = 1000;
    constexpr int Down = 100;
    auto hostAt = [](int i) { return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1); };
    const QString path = dir + QStringLiteral("/paths-%1.mdb").arg(run);
    QString error;
    if (!Schema::createDatabaseFile(path, &error) || !Database::open(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::database();
        db.transaction();
        QSqlQuery q(db);
        runStatement(q, Statements::DeleteAddress, {QStringLiteral("127.0.0.1")});
        for (int i = 0; i < Hosts; ++i)
            runStatement(q, Statements::InsertAddress, {hostAt(i), QStringLiteral("host %1").arg(i), 200});
        db.commit();
    }
    QStringList dropped;
    for (int i = 0; i < Down; ++i)
        dropped << hostAt(i * (Hosts / Down) + 5);
    if (!runNft(QStringLiteral("flush set inet bench down\n")))
        return false;

    SystemClock clock;
    IcmpTransport transport;
    PollingEngine engine(&transport, &clock);
    engine.setRefreshSecs(60);
    std::unique_ptr<MonitorStore> store = MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
    engine.setStore(store.get());
    HostState state;
    engine.setHostState(&state);
    std::unique_ptr<OutagePathTracer> tracer;
    if (withTracer) {
        tracer = std::make_unique<OutagePathTracer>(&engine, &state, nullptr, store.get());
        QObject::connect(tracer.get(), &OutagePathTracer::traced, [f] { ++f->traced; });
        QObject::connect(tracer.get(), &OutagePathTracer::failed, [](const QString &w, const QString &e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(w), qPrintable(e));
        });
    }

    QElapsedTimer gapClock;
    qint64 last = -1;
    bool measuring = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = gapClock.nsecsElapsed();
        if (last >= 0 && measuring)
            f->largestGapMs = std::max(f->largestGapMs, double(now - last) / 1e6);
        last = now;
    });
    gapClock.start();
    ticker.start(1);

    auto pass = [&]() {
        QEventLoop loop;
        QObject::connect(&engine, &PollingEngine::passEnded, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(0, &engine, &PollingEngine::CheckAll);
        loop.exec();
        return double(t.nsecsElapsed()) / 1e6;
    };
    pass();  // everyone answers: the book read, the sockets warm
    QString nft = QStringLiteral("add element inet bench down { %1 }\n").arg(dropped.join(QLatin1Char(',')));
    if (!runNft(nft))
        return false;
    measuring = true;
    last = -1;
    f->firstPassMs = pass();
    QElapsedTimer sinceEnd;
    sinceEnd.start();
    f->secondPassMs = pass();
    // Every trace ends within its budget.
    for (int i = 0; i < 1000 && tracer && tracer->runningCount() > 0; ++i)
        settle(10);
    f->tracesDoneMs = withTracer ? double(sinceEnd.nsecsElapsed()) / 1e6 : 0;
    measuring = false;
    ticker.stop();
    tracer.reset();
    store->close();
    store.reset();
    Database::close();
    return true;
}

void benchPaths()
{
    if (qEnvironmentVariableIsEmpty("ORVANT_BENCH_NETNS")) {
        std::printf("paths: run through bench/run_board_bench.sh (a private network namespace)\n");
        return;
    }
    QTemporaryDir dir;
    QList<double> first[2], second[2], done, gaps[2];
    int traced = 0;
    int run = 0;
    constexpr int Runs = 5;
    for (int r = 0; r < Runs; ++r) {
        for (int with = 0; with < 2; ++with) {
            PathFigures f;
            if (!runPaths(with == 1, dir.path(), ++run, &f)) {
                std::fprintf(stderr, "paths: the run failed\n");
                return;
            }
            first[with] << f.firstPassMs;
            second[with] << f.secondPassMs;
            gaps[with] << f.largestGapMs;
            if (with) {
                done << f.tracesDoneMs;
                traced = std::max(traced, f.traced);
            }
        }
    }
    using BenchFigures::median;
    const double a = median(first[0]) + median(second[0]);
    const double b = median(first[1]) + median(second[1]);
    std::printf("paths: 1,000 hosts, 100 down at once, medians of %d runs each\n", Runs);
    std::printf("  pass finding them down: %.0f ms without traces, %.0f ms with\n", median(first[0]),
                median(first[1]));
    std::printf("  next pass (traces running): %.0f ms without, %.0f ms with\n", median(second[0]),
                median(second[1]));
    std::printf("  both passes: %.0f ms without, %.0f ms with: %+.1f %% (target within 5 %%)\n", a, b,
                100.0 * (b - a) / a);
    std::printf("  traces: %d of the 100 traced (at most %d a pass), all done %.0f ms after the first pass\n",
                traced, OutagePathTracer::MaxNewPerPass, median(done));
    std::printf("  largest event-loop gap: %.1f ms without, %.1f ms with\n", median(gaps[0]), median(gaps[1]));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList parts = app.arguments().mid(1);
    if (parts.isEmpty())
        parts = {QStringLiteral("board"), QStringLiteral("paths")};
    if (parts.contains(QStringLiteral("board")))
        benchBoard();
    if (parts.contains(QStringLiteral("paths")))
        benchPaths();
    return 0;
}
