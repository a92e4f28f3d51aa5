// Which outages get their path traced, and when: the real engine on a
// scripted transport decides the outages; the real route tracer traces them
// over this machine's loop-back (127.0.0.0/8 answers itself at hop 1). At
// most ten a pass, the rest at the next pass while they last; none behind a
// down parent; none while everything answers; the paths kept with their
// outages and offered to the alerts once the traces are done.
#include "AlertGate.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "HostState.h"
#include "MonitorStore.h"
#include "OutagePathTracer.h"
#include "PollingEngine.h"
#include "RouteTracer.h"
#include "TempDatabase.h"

#include <QSignalSpy>
#include <QTest>

using namespace monitor;
using namespace Qt::Literals::StringLiterals;

namespace {

QString host(int i)
{
    return u"127.0.0.%1"_s.arg(10 + i);
}

struct Rig
{
    TempDatabase db;
    FakeClock clock;
    FakeEchoTransport transport;
    PollingEngine engine{&transport, &clock};
    HostState state;
    AlertGate gate;
    std::unique_ptr<MonitorStore> store = MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
    std::unique_ptr<OutagePathTracer> paths;

    explicit Rig(int hosts)
    {
        db.exec(u"delete from addrs"_s);
        for (int i = 0; i < hosts; ++i)
            db.exec(u"insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)"_s,
                    {host(i), u"host %1"_s.arg(i), 20});
        engine.setHostState(&state);
        engine.setAlertGate(&gate);
        paths = std::make_unique<OutagePathTracer>(&engine, &state, &gate, store.get());
    }
    bool pass()
    {
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        engine.CheckAll();
        return finished.wait(10000);
    }
    int storedPaths() { return db.scalar(u"select count(distinct ip_addr) from outage_paths"_s).toInt(); }
};

} // namespace

class tst_OutagePathTracer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boundedPerPassAndNoneBehindADownParent();
    void noneWhileAllAnswerAndForgottenOnReturn();
};

void tst_OutagePathTracer::initTestCase()
{
    RouteTracer probe;
    HostAddress loopback;
    QVERIFY(HostAddress::parse(u"127.0.0.1"_s, &loopback));
    QString why;
    const int id = probe.start(loopback, 300, &why);
    if (id == 0)
        QSKIP(qPrintable(u"no ICMP socket here: "_s + why));
    probe.cancel(id);
}

void tst_OutagePathTracer::boundedPerPassAndNoneBehindADownParent()
{
    Rig rig(13);
    // The last host is behind the one before it: both go down together.
    AlertGate::Loaded loaded;
    loaded.ok = true;
    loaded.parents.insert(host(12), host(11));
    rig.gate.setLoaded(loaded);
    for (int i = 0; i < 13; ++i)
        rig.transport.setDown(host(i));

    QSignalSpy traced(rig.paths.get(), &OutagePathTracer::traced);
    QSignalSpy ended(&rig.engine, &PollingEngine::passEnded);
    bool alertsHeard = false;
    int runningWhenHeard = -1;
    connect(&rig.engine, &PollingEngine::passEnded, this, [&](const PassReport &report) {
        rig.paths->afterTraces(report, [&] {
            alertsHeard = true;
            runningWhenHeard = rig.paths->runningCount();
        });
    });
    QVERIFY(rig.pass());
    // Twelve outages may be traced (not the one behind its parent): ten now.
    QCOMPARE(rig.paths->runningCount(), OutagePathTracer::MaxNewPerPass);
    QCOMPARE(rig.paths->waitingCount(), 2);
    QVERIFY(!alertsHeard);  // the down message waits for its paths
    QTRY_COMPARE_WITH_TIMEOUT(traced.count(), 10, 10000);
    QVERIFY(alertsHeard);
    QCOMPARE(runningWhenHeard, 0);
    QCOMPARE(rig.storedPaths(), 10);
    // Each kept with its outage's own begin; loop-back answers at hop 1.
    QCOMPARE(rig.db.scalar(u"select count(*) from outage_paths p join logs l on l.ip=p.ip_addr and "
                           "l.time_begin=p.time_begin and l.foe=0"_s)
                 .toInt(),
             10);
    QCOMPARE(rig.paths->paths().size(), 10);
    for (const OutagePaths::Path &p : rig.paths->paths()) {
        QCOMPARE(p.hops.size(), 1);
        QCOMPARE(p.hops.first().address, p.ip);
        QVERIFY(p.hops.first().rttUs.has_value());
    }

    // The next pass traces the two left over, once; never the one behind.
    QVERIFY(rig.pass());
    QCOMPARE(rig.paths->waitingCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(traced.count(), 12, 10000);
    QVERIFY(rig.pass());
    QTest::qWait(300);
    QCOMPARE(traced.count(), 12);
    QCOMPARE(rig.storedPaths(), 12);
    QVERIFY(!rig.paths->paths().contains(host(12)));
    QCOMPARE(rig.db.scalar(u"select count(*) from outage_paths where ip_addr=?"_s, {host(12)}).toInt(), 0);
}

void tst_OutagePathTracer::noneWhileAllAnswerAndForgottenOnReturn()
{
    Rig rig(2);
    QSignalSpy traced(rig.paths.get(), &OutagePathTracer::traced);
    QVERIFY(rig.pass());
    QVERIFY(rig.pass());
    QCOMPARE(rig.paths->runningCount(), 0);
    QTest::qWait(200);
    QCOMPARE(traced.count(), 0);
    QCOMPARE(rig.storedPaths(), 0);

    rig.transport.setDown(host(1));
    QVERIFY(rig.pass());
    QTRY_COMPARE_WITH_TIMEOUT(traced.count(), 1, 10000);
    QVERIFY(rig.paths->paths().contains(host(1)));
    const QString pathBegin = rig.paths->paths().value(host(1)).begin;
    // Still down: no second trace of the same outage.
    QVERIFY(rig.pass());
    QTest::qWait(200);
    QCOMPARE(traced.count(), 1);
    // Back: its path belongs to the closed outage alone.
    rig.transport.setUp(host(1));
    QVERIFY(rig.pass());
    QVERIFY(!rig.paths->paths().contains(host(1)));
    QCOMPARE(rig.storedPaths(), 1);
    // The restoration's message still finds the path of the outage it
    // ends, and only of that one.
    QVERIFY(!pathBegin.isEmpty());
    QVERIFY(!rig.paths->pathOf(host(1), pathBegin).isEmpty());
    QVERIFY(rig.paths->pathOf(host(1), pathBegin + QLatin1Char('x')).isEmpty());
    // The host's next outage forgets it.
    rig.transport.setDown(host(1));
    QVERIFY(rig.pass());
    QVERIFY(rig.paths->pathOf(host(1), pathBegin).isEmpty());
}

QTEST_GUILESS_MAIN(tst_OutagePathTracer)
#include "tst_outagepathtracer.moc"
