// Watched time: the stretches the recorder writes for a run of passes, a
// pass that finds this machine without network (no outage, one notice), and
// the downtime a restoration carries.
#include "Database.h"
#include "DateTimeText.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "LocalNetwork.h"
#include "NotificationText.h"
#include "PollingEngine.h"
#include "Statements.h"
#include "TempDatabase.h"
#include "WatchedTime.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

using namespace monitor;

namespace {

const QDateTime Start(QDate(2025, 3, 3), QTime(12, 0));

QString stored(qint64 offsetS)
{
    return DateTimeText::fromDateTime(Start.addSecs(offsetS));
}

// This machine's network as a test sets it: every address goes out through
// link 1 unless `routes` says otherwise (0: no route, -1: the kernel could
// not be asked); the default route leaves through link 1 too.
class FakeLocalNetwork final : public LocalNetwork
{
public:
    bool linkUp = true;
    QSet<int> linksDownNow;       // besides link 1 when !linkUp
    QSet<int> linksDownAtStart;   // as newPass() finds them
    QHash<QString, int> routes;
    std::optional<QList<int>> defaults = QList<int>{1};
    int routeLookups = 0;

protected:
    int routeInterface(const QString &ip) override
    {
        ++routeLookups;
        return routes.value(ip, 1);
    }
    bool linkRunning(int index) override { return !(index == 1 && !linkUp) && !linksDownNow.contains(index); }
    QSet<int> linksDown() override { return linkUp ? linksDownAtStart : linksDownAtStart + QSet<int>{1}; }
    std::optional<QList<int>> defaultRouteLinks() override { return defaults; }
};

} // namespace

class tst_WatchedTime : public QObject
{
    Q_OBJECT

private slots:
    void stretches_data();
    void stretches();
    void noNetworkLogsNoOutageAndTellsOnce();
    void linkBackDuringPassLogsNoOutage();
    void restorationCarriesItsDowntime();
    void restoredNotificationSaysTheDowntime();
    void realLoopbackIsUsable();
    void localNetworkStates_data();
    void localNetworkStates();
    void unroutedHostAloneGoesUnwatched();
    void unroutedStretches_data();
    void unroutedStretches();
};

// Steps: "pT" a watched pass at T seconds (wall and boot clock alike), "nT"
// a pass that found no network, "sT" the monitor stopped, "bT" the boot
// clock alone jumps T seconds (a suspend the wall clock also saw).
// Interval 60 s, slowest timeout 500 ms: passes may lag 122 s.
void tst_WatchedTime::stretches_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("rows");  // begin offset|end offset|how_ended
    QTest::newRow("passes in a row carry one stretch")
        << QStringLiteral("p0 p60 p120 p180") << QStringList{QStringLiteral("0|180|0")};
    QTest::newRow("stopped: ends at the stop")
        << QStringLiteral("p0 p60 s90") << QStringList{QStringLiteral("0|90|1")};
    QTest::newRow("a lag of two intervals and four timeouts is still watched")
        << QStringLiteral("p0 p122") << QStringList{QStringLiteral("0|122|0")};
    QTest::newRow("a longer lag ends the stretch at the last pass")
        << QStringLiteral("p0 p60 p183 p243") << QStringList{QStringLiteral("0|60|2"), QStringLiteral("183|243|0")};
    QTest::newRow("no network ends it; the next watched pass begins anew")
        << QStringLiteral("p0 p60 n120 n180 p240 s250") << QStringList{QStringLiteral("0|60|3"), QStringLiteral("240|250|1")};
    QTest::newRow("started without network: nothing until a watched pass")
        << QStringLiteral("n0 n60 p120") << QStringList{QStringLiteral("120|120|0")};
    QTest::newRow("stop without a stretch writes nothing") << QStringLiteral("n0 s10") << QStringList{};
}

void tst_WatchedTime::stretches()
{
    QFETCH(QString, steps);
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    WatchedTimeRecorder recorder;
    QString error;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        const qint64 t = step.mid(1).toLongLong();
        const QDateTime at = Start.addSecs(t);
        if (step.startsWith(QLatin1Char('s'))) {
            QVERIFY2(recorder.stopped(db.connection(), at, &error), qPrintable(error));
            continue;
        }
        WatchedTimeRecorder::Pass pass;
        pass.at = at;
        pass.bootMs = t * 1000;
        pass.longestGapMs = 2 * 60 * 1000 + 4 * 500;
        pass.watched = step.startsWith(QLatin1Char('p'));
        pass.whyNot = WatchedTimeRecorder::Ended::NoNetwork;
        QVERIFY2(recorder.passEnded(db.connection(), pass, &error), qPrintable(error));
    }
    QStringList rows;
    for (const QString &row : db.rows(QStringLiteral("select time_begin,time_end,how_ended from watched order by id"))) {
        const QStringList f = row.split(QLatin1Char('|'));
        rows << QStringLiteral("%1|%2|%3")
                    .arg(Start.secsTo(DateTimeText::toDateTime(f[0])))
                    .arg(Start.secsTo(DateTimeText::toDateTime(f[1])))
                    .arg(f[2]);
    }
    QTEST(rows, "rows");
}

// A thousand false outages for one unplugged cable is the fault this mends:
// silent hosts behind a link that is down are no outage, the pass is not
// watched, and the operator hears it once, and once more when it is back.
void tst_WatchedTime::noNetworkLogsNoOutageAndTellsOnce()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    for (int i = 2; i <= 5; ++i)
        db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,'h',20)"),
                {QStringLiteral("127.0.0.%1").arg(i)});
    FakeClock clock;
    clock.set(Start);
    FakeEchoTransport transport;
    for (int i = 2; i <= 5; ++i)
        transport.setDown(QStringLiteral("127.0.0.%1").arg(i));
    PollingEngine engine(&transport, &clock);
    FakeLocalNetwork network;
    network.linkUp = false;
    engine.setLocalNetwork(&network);
    QStringList notices;
    connect(&engine, &PollingEngine::notice, this, [&](const QString &text) { notices << text; });
    auto pass = [&] {
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        engine.CheckAll();
        return finished.wait(10000);
    };

    QVERIFY(pass());
    QVERIFY(pass());
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 0);
    QCOMPARE(engine.errCount(), 0);
    QCOMPARE(notices, QStringList{QStringLiteral("Нет сети на этом компьютере")});
    QVERIFY(!engine.lastPassWatched());
    QVERIFY(engine.lastPassWithoutNetwork());
    // Each address's route is looked up once a pass, however often asked.
    QCOMPARE(network.routeLookups, 8);

    network.linkUp = true;
    QVERIFY(pass());
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 4);
    QCOMPARE(notices.size(), 2);
    QCOMPARE(notices.last(), QStringLiteral("Сеть на этом компьютере восстановлена"));
    QVERIFY(engine.lastPassWatched());

    // An outage already open stays open while the network is gone again.
    network.linkUp = false;
    QVERIFY(pass());
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 4);
    QCOMPARE(notices.size(), 3);
}

// The requests of a pass that began with the link down went nowhere, even if
// the link is back by the time the silence is judged: no outage from them.
void tst_WatchedTime::linkBackDuringPassLogsNoOutage()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.2','h',20)"));
    FakeClock clock;
    clock.set(Start);
    FakeEchoTransport transport;
    transport.setDown(QStringLiteral("127.0.0.2"));
    PollingEngine engine(&transport, &clock);
    FakeLocalNetwork network;
    network.linkUp = false;
    engine.setLocalNetwork(&network);
    QSignalSpy finished(&engine, &PollingEngine::passEnded);
    engine.CheckAll();
    network.linkUp = true;  // before any silence is judged
    QVERIFY(finished.wait(10000));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 0);
    QVERIFY(engine.lastPassWithoutNetwork());

    // The next pass began with the link up: the silence is the host's.
    engine.CheckAll();
    QVERIFY(finished.wait(10000));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 1);
}

void tst_WatchedTime::restorationCarriesItsDowntime()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.2','a',20),"
                           "('127.0.0.3','b',20)"));
    // 127.0.0.2 went down twelve minutes before this pass, in an earlier run.
    db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,'127.0.0.2','a')"), {stored(-720)});
    FakeClock clock;
    clock.set(Start);
    FakeEchoTransport transport;
    transport.setUp(QStringLiteral("127.0.0.2"));
    transport.setDown(QStringLiteral("127.0.0.3"));
    PollingEngine engine(&transport, &clock);
    QStringList told;
    connect(&engine, &PollingEngine::changeDecided, this, [&](const OutageChange &c) {
        if (c.kind == OutageChange::Ended)
            told << QStringLiteral("%1 %2").arg(c.ip).arg(c.downSeconds);
    });
    QSignalSpy finished(&engine, &PollingEngine::passEnded);
    engine.CheckAll();
    QVERIFY(finished.wait(10000));
    QCOMPARE(told, QStringList{QStringLiteral("127.0.0.2 720")});

    // The outage this run began: timed from its own beginning.
    clock.set(Start.addSecs(3725));
    transport.setUp(QStringLiteral("127.0.0.3"));
    engine.CheckAll();
    QVERIFY(finished.wait(10000));
    QCOMPARE(told.size(), 2);
    QCOMPARE(told.last(), QStringLiteral("127.0.0.3 3725"));
}

void tst_WatchedTime::restoredNotificationSaysTheDowntime()
{
    const NotificationText text = NotificationTexts::restored(
        {{QStringLiteral("Маршрутизатор"), QStringLiteral("10.0.0.1"), 720},
         {QString(), QStringLiteral("10.0.0.2"), 45},
         {QStringLiteral("Без времени"), QStringLiteral("10.0.0.3")}});
    QCOMPARE(text.body, QStringLiteral("Маршрутизатор (10.0.0.1): 12 мин\n10.0.0.2: 45 с\nБез времени (10.0.0.3)"));
    // An outage's start never carries one.
    QCOMPARE(NotificationTexts::outage({{QStringLiteral("a"), QStringLiteral("10.0.0.1")}}).body,
             QStringLiteral("a (10.0.0.1)"));
}

void tst_WatchedTime::realLoopbackIsUsable()
{
    LocalNetwork network;
    QCOMPARE(network.stateFor(QStringLiteral("127.0.0.1")), LocalNetwork::State::Usable);
    QCOMPARE(network.stateFor(QStringLiteral("not an address")), LocalNetwork::State::Usable);
}

void tst_WatchedTime::localNetworkStates_data()
{
    using State = LocalNetwork::State;
    QTest::addColumn<int>("route");          // the host's outgoing link, 0 none, -1 not known
    QTest::addColumn<QList<int>>("defaults"); // the default routes' links; {-1}: not known
    QTest::addColumn<QList<int>>("downNow");
    QTest::addColumn<QList<int>>("downAtStart");
    QTest::addColumn<State>("state");

    QTest::newRow("a route over a running link") << 2 << QList<int>{1} << QList<int>{} << QList<int>{} << State::Usable;
    QTest::newRow("the kernel not asked") << -1 << QList<int>{} << QList<int>{1} << QList<int>{} << State::Usable;
    QTest::newRow("the route's link down") << 2 << QList<int>{1} << QList<int>{2} << QList<int>{} << State::NoNetwork;
    QTest::newRow("the route's link down when the pass began")
        << 2 << QList<int>{1} << QList<int>{} << QList<int>{2} << State::NoNetwork;
    QTest::newRow("no route, the default route up") << 0 << QList<int>{1} << QList<int>{} << QList<int>{} << State::Unrouted;
    QTest::newRow("no route, another of two default routes up")
        << 0 << QList<int>{1, 3} << QList<int>{1} << QList<int>{} << State::Unrouted;
    QTest::newRow("no route, no default route") << 0 << QList<int>{} << QList<int>{} << QList<int>{} << State::NoNetwork;
    QTest::newRow("no route, the default route's link down")
        << 0 << QList<int>{1} << QList<int>{1} << QList<int>{} << State::NoNetwork;
    QTest::newRow("no route, the default route's link down when the pass began")
        << 0 << QList<int>{1} << QList<int>{} << QList<int>{1} << State::NoNetwork;
    // Not known: the others stay watched.
    QTest::newRow("no route, the routes not known") << 0 << QList<int>{-1} << QList<int>{} << QList<int>{} << State::Unrouted;
}

void tst_WatchedTime::localNetworkStates()
{
    QFETCH(int, route);
    QFETCH(QList<int>, defaults);
    QFETCH(QList<int>, downNow);
    QFETCH(QList<int>, downAtStart);
    FakeLocalNetwork network;
    network.routes.insert(QStringLiteral("192.0.2.7"), route);
    network.defaults = defaults == QList<int>{-1} ? std::nullopt : std::optional<QList<int>>(defaults);
    network.linksDownNow = QSet<int>(downNow.cbegin(), downNow.cend());
    network.linksDownAtStart = QSet<int>(downAtStart.cbegin(), downAtStart.cend());
    network.newPass();
    QTEST(network.stateFor(QStringLiteral("192.0.2.7")), "state");
}

// One address under an unreachable route while the machine's network is up
// made every host unwatched: it alone goes unwatched now, the others keep
// their outages and the pass its watched time.
void tst_WatchedTime::unroutedHostAloneGoesUnwatched()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.2','up',20),"
                           "('127.0.0.9','dropped',20),('203.0.113.5','no route',20)"));
    FakeClock clock;
    clock.set(Start);
    FakeEchoTransport transport;
    transport.setDown(QStringLiteral("127.0.0.9"));
    transport.script(QStringLiteral("203.0.113.5"), {FakeEchoTransport::Behaviour::sendFails(EchoTransport::DestHostUnreachable)});
    PollingEngine engine(&transport, &clock);
    FakeLocalNetwork network;
    network.routes.insert(QStringLiteral("203.0.113.5"), 0);
    engine.setLocalNetwork(&network);
    WatchedTimeKeeper keeper(&engine, &clock);
    keeper.setBootClock([&] { return Start.msecsTo(clock.now()); });
    QStringList notices;
    connect(&engine, &PollingEngine::notice, this, [&](const QString &text) { notices << text; });
    auto passAt = [&](qint64 s) {
        clock.set(Start.addSecs(s));
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        engine.CheckAll();
        return finished.wait(10000);
    };

    // A polling period of 0: a pass a second.
    QVERIFY(passAt(0));
    QVERIFY(passAt(1));
    QCOMPARE(db.rows(QStringLiteral("select ip from logs")), QStringList{QStringLiteral("127.0.0.9")});
    QVERIFY(engine.lastPassWatched());
    QVERIFY(!engine.lastPassWithoutNetwork());
    QCOMPARE(engine.lastPassUnrouted(), QStringList{QStringLiteral("203.0.113.5")});
    QCOMPARE(notices, QStringList{QStringLiteral("Нет маршрута к адресам: 203.0.113.5. Пока его нет, они не "
                                                 "наблюдаются и сбои для них не записываются.")});
    QCOMPARE(db.rows(QStringLiteral("select time_begin,time_end,how_ended from watched")),
             QStringList{stored(0) + QLatin1Char('|') + stored(1) + QStringLiteral("|0")});

    // A route again: the host is watched, and down.
    network.routes.remove(QStringLiteral("203.0.113.5"));
    transport.setDown(QStringLiteral("203.0.113.5"));
    QVERIFY(passAt(2));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where ip='203.0.113.5'")).toInt(), 1);
    QVERIFY(engine.lastPassUnrouted().isEmpty());
    QCOMPARE(notices.size(), 2);
    QCOMPARE(notices.last(), QStringLiteral("Маршрут к адресам появился, они снова наблюдаются: 203.0.113.5."));
    QCOMPARE(db.rows(QStringLiteral("select ip,time_begin,time_end from unrouted")),
             QStringList{QStringLiteral("203.0.113.5|") + stored(0) + QLatin1Char('|') + stored(2)});
    QVERIFY(!notices.join(QLatin1Char(' ')).contains(QStringLiteral("Нет сети")));
}

// Steps: "pT" a watched pass at T seconds, "pT:a,b" one that found a and b
// without a route, "nT" a pass without network, "sT" the monitor stopped.
// Interval 60 s, slowest timeout 500 ms: passes may lag 122 s.
void tst_WatchedTime::unroutedStretches_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("rows");  // ip|begin offset|end offset

    QTest::newRow("carried, ended by the pass that finds a route")
        << QStringLiteral("p0 p60:a p120:a p180 p240") << QStringList{QStringLiteral("a|60|180")};
    QTest::newRow("two hosts, one comes back first")
        << QStringLiteral("p0:a,b p60:a p120") << QStringList{QStringLiteral("a|0|120"), QStringLiteral("b|0|60")};
    QTest::newRow("stopped: ends at the stop") << QStringLiteral("p0:a s30") << QStringList{QStringLiteral("a|0|30")};
    QTest::newRow("no network: ends where it was carried, begun anew after")
        << QStringLiteral("p0:a p60:a n120 p180:a")
        << QStringList{QStringLiteral("a|0|60"), QStringLiteral("a|180|180")};
    QTest::newRow("a gap ends it at the last pass")
        << QStringLiteral("p0:a p300:a") << QStringList{QStringLiteral("a|0|0"), QStringLiteral("a|300|300")};
    QTest::newRow("named twice in a pass: one row") << QStringLiteral("p0:a,a p60") << QStringList{QStringLiteral("a|0|60")};
}

void tst_WatchedTime::unroutedStretches()
{
    QFETCH(QString, steps);
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    WatchedTimeRecorder recorder;
    QString error;
    for (const QString &step : steps.split(QLatin1Char(' '))) {
        const QStringList parts = step.mid(1).split(QLatin1Char(':'));
        const qint64 t = parts[0].toLongLong();
        const QDateTime at = Start.addSecs(t);
        if (step.startsWith(QLatin1Char('s'))) {
            QVERIFY2(recorder.stopped(db.connection(), at, &error), qPrintable(error));
            continue;
        }
        WatchedTimeRecorder::Pass pass;
        pass.at = at;
        pass.bootMs = t * 1000;
        pass.longestGapMs = 2 * 60 * 1000 + 4 * 500;
        pass.watched = step.startsWith(QLatin1Char('p'));
        if (parts.size() > 1)
            pass.unrouted = parts[1].split(QLatin1Char(','));
        QVERIFY2(recorder.passEnded(db.connection(), pass, &error), qPrintable(error));
    }
    QStringList rows;
    for (const QString &row : db.rows(QStringLiteral("select ip,time_begin,time_end from unrouted order by ip,id"))) {
        const QStringList f = row.split(QLatin1Char('|'));
        rows << QStringLiteral("%1|%2|%3")
                    .arg(f[0])
                    .arg(Start.secsTo(DateTimeText::toDateTime(f[1])))
                    .arg(Start.secsTo(DateTimeText::toDateTime(f[2])));
    }
    QTEST(rows, "rows");
}

QTEST_GUILESS_MAIN(tst_WatchedTime)
#include "tst_watchedtime.moc"
