// The host state's rules, and the durations a pass tells, on clocks moved by
// hand: the wall clock (FakeClock) and the monotonic one, which a step of
// the wall clock does not move.
#include "ChangeLog.h"
#include "DateTimeText.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakeMonotonicClock.h"
#include "HostState.h"
#include "PollingEngine.h"
#include "TempDatabase.h"
#include "WatchedTime.h"

#include <QSignalSpy>
#include <QTest>

using namespace monitor;

namespace {

const QDateTime Noon(QDate(2026, 3, 2), QTime(12, 0, 0));

QString stored(const QDateTime &t)
{
    return DateTimeText::fromDateTime(t);
}

QStringList downIps(const HostState &state)
{
    QStringList ips;
    for (const StoredOutage &o : state.openOutages())
        ips << o.ip;
    return ips;
}

} // namespace

class tst_HostState : public QObject
{
    Q_OBJECT

private slots:
    void readFromTheLogWithWaitingWritesLaidOver_data();
    void readFromTheLogWithWaitingWritesLaidOver();
    void readingAgainKeepsWhatThisRunKnew();
    void downtime_data();
    void downtime();
    void unwatchedOnlyFromUp();
    void bookKeepsItsHostsAndTheOpenOutages();
    void boardFacts();
    void vantagesDownLayOwnPassOverTheServers();
    void clockStepDuringAnOutageTellsItsRealLength_data();
    void clockStepDuringAnOutageTellsItsRealLength();
    void watchedStretchesNeverSpanAClockStep_data();
    void watchedStretchesNeverSpanAClockStep();
};

void tst_HostState::readFromTheLogWithWaitingWritesLaidOver_data()
{
    QTest::addColumn<QStringList>("waiting");  // "b ip" (a Begin) or "e ip" (an End)
    QTest::addColumn<QStringList>("down");

    QTest::newRow("the log alone") << QStringList() << QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")};
    QTest::newRow("a waiting begin is down already") << QStringList{QStringLiteral("b 10.0.0.3")}
                                                      << QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.3")};
    QTest::newRow("a waiting end is back already") << QStringList{QStringLiteral("e 10.0.0.1")} << QStringList{QStringLiteral("10.0.0.2")};
    QTest::newRow("a begin of a host down already changes nothing") << QStringList{QStringLiteral("b 10.0.0.2")}
                                                                     << QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")};
    QTest::newRow("begun and ended while waiting") << QStringList{QStringLiteral("b 10.0.0.3"), QStringLiteral("e 10.0.0.3")}
                                                   << QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")};
}

void tst_HostState::readFromTheLogWithWaitingWritesLaidOver()
{
    QFETCH(QStringList, waiting);
    QFETCH(QStringList, down);
    HostState state;
    QSignalSpy reread(&state, &HostState::reread);
    QVERIFY(!state.isKnown());
    QVERIFY(state.wantsReading());
    QList<OutageWrite> writes;
    for (const QString &w : waiting)
        writes.append({w.startsWith(QLatin1Char('b')) ? OutageWrite::Begin : OutageWrite::End, w.mid(2),
                       QStringLiteral("w"), Noon});
    // A second open row of one address (an older file) counts once.
    state.reset({{QStringLiteral("10.0.0.1"), QStringLiteral("a"), stored(Noon.addSecs(-60))},
                 {QStringLiteral("10.0.0.2"), QStringLiteral("b"), stored(Noon.addSecs(-30))},
                 {QStringLiteral("10.0.0.1"), QStringLiteral("a"), stored(Noon.addSecs(-10))}},
                writes);
    QCOMPARE(downIps(state), down);
    QCOMPARE(state.downCount(), down.size());
    QVERIFY(state.isKnown());
    QVERIFY(!state.wantsReading());
    QCOMPARE(reread.count(), 1);
    if (down.contains(QStringLiteral("10.0.0.1")))
        QCOMPARE(state.host(QStringLiteral("10.0.0.1"))->since.toString(), stored(Noon.addSecs(-60)));
}

// The database came back: the same outage, read again, keeps the monotonic
// start this run gave it; one the log closed meanwhile is over.
void tst_HostState::readingAgainKeepsWhatThisRunKnew()
{
    HostState state;
    state.reset({}, {});
    state.begin(QStringLiteral("10.0.0.1"), QStringLiteral("a"), Noon, 5000);
    state.begin(QStringLiteral("10.0.0.2"), QStringLiteral("b"), Noon, 5000);
    state.readAgain();
    QVERIFY(state.wantsReading());
    state.reset({{QStringLiteral("10.0.0.1"), QStringLiteral("a"), stored(Noon)}}, {});
    QCOMPARE(state.host(QStringLiteral("10.0.0.1"))->sinceMonoMs, std::optional<qint64>(5000));
    QVERIFY(!state.isDown(QStringLiteral("10.0.0.2")));
    QCOMPARE(downIps(state), QStringList{QStringLiteral("10.0.0.1")});
}

void tst_HostState::downtime_data()
{
    QTest::addColumn<QVariant>("since");
    QTest::addColumn<qint64>("sinceMono");  // -1: begun before this run
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<qint64>("endMono");
    QTest::addColumn<qint64>("seconds");

    const QVariant noon = stored(Noon);
    QTest::newRow("monotonic, whatever the wall clock says") << noon << qint64(1000) << Noon.addSecs(3611)
                                                            << qint64(12000) << qint64(11);
    // 12:00:00.9 to 12:00:03.1 is 2.2 s measured and 3 s as stored: the
    // stored seconds are told, as the log's begin and end read.
    QTest::newRow("no step: the stored seconds") << noon << qint64(900) << Noon.addSecs(3) << qint64(3100)
                                                 << qint64(3);
    QTest::newRow("a step back within the outage: monotonic") << noon << qint64(1000) << Noon.addSecs(-7189)
                                                              << qint64(12000) << qint64(11);
    QTest::newRow("begun before this run: the stored times") << noon << qint64(-1) << Noon.addSecs(720)
                                                            << qint64(5000) << qint64(720);
    QTest::newRow("stored times running backwards: none") << noon << qint64(-1) << Noon.addSecs(-3600)
                                                          << qint64(5000) << qint64(0);
    QTest::newRow("a begin that is no time: unknown") << QVariant(QStringLiteral("вчера")) << qint64(-1) << Noon
                                                      << qint64(5000) << qint64(-1);
}

void tst_HostState::downtime()
{
    QFETCH(QVariant, since);
    QFETCH(qint64, sinceMono);
    QFETCH(QDateTime, end);
    QFETCH(qint64, endMono);
    QFETCH(qint64, seconds);
    HostState::Host host;
    host.condition = HostState::Condition::Down;
    host.since = since;
    if (sinceMono >= 0)
        host.sinceMonoMs = sinceMono;
    QCOMPARE(HostState::downSeconds(host, end, endMono), seconds);
}

void tst_HostState::unwatchedOnlyFromUp()
{
    HostState state;
    state.reset({{QStringLiteral("10.0.0.9"), QStringLiteral("open"), stored(Noon)}}, {});
    state.unwatched(QStringLiteral("10.0.0.1"), Noon, 100);
    state.unwatched(QStringLiteral("10.0.0.9"), Noon, 100);
    QCOMPARE(state.condition(QStringLiteral("10.0.0.1")), HostState::Condition::Unwatched);
    // Down before this machine lost its network: it stays down.
    QCOMPARE(state.condition(QStringLiteral("10.0.0.9")), HostState::Condition::Down);
    state.answered(QStringLiteral("10.0.0.1"), 250, Noon.addSecs(5), 5100);
    QCOMPARE(state.condition(QStringLiteral("10.0.0.1")), HostState::Condition::Up);
    QCOMPARE(state.host(QStringLiteral("10.0.0.1"))->since.toString(), stored(Noon.addSecs(5)));
}

void tst_HostState::bookKeepsItsHostsAndTheOpenOutages()
{
    HostState state;
    state.reset({{QStringLiteral("10.0.0.9"), QStringLiteral("removed, still open"), stored(Noon)}}, {});
    state.seen(QStringLiteral("10.0.0.1"), QStringLiteral("a"));
    state.seen(QStringLiteral("10.0.0.2"), QStringLiteral("b"));
    state.keepOnly({QStringLiteral("10.0.0.1")});
    QVERIFY(!state.host(QStringLiteral("10.0.0.2")));
    // An outage the log holds open stays until the log says otherwise.
    QVERIFY(state.isDown(QStringLiteral("10.0.0.9")));
    QCOMPARE(state.description(QStringLiteral("10.0.0.1")), QStringLiteral("a"));
}

void tst_HostState::boardFacts()
{
    HostState state;
    state.reset({}, {});
    const QString ip = QStringLiteral("10.0.0.1");
    state.silent(ip);
    state.silent(ip);
    state.begin(ip, QStringLiteral("a"), Noon, 1000);
    QCOMPARE(state.host(ip)->failedPasses, 2);
    const HostState::Host before = state.end(ip, Noon.addSecs(30), 31000);
    QCOMPARE(before.condition, HostState::Condition::Down);
    QCOMPARE(before.since.toString(), stored(Noon));
    state.answered(ip, 1234, Noon.addSecs(30), 31000);
    const HostState::Host after = *state.host(ip);
    QCOMPARE(after.failedPasses, 0);
    QCOMPARE(after.lastRttUs, std::optional<qint64>(1234));
    QCOMPARE(after.lastOutageEnd, Noon.addSecs(30));
    QCOMPARE(after.condition, HostState::Condition::Up);
    const QList<alerts::HostChange> none = state.downNow(40000);
    QVERIFY(none.isEmpty());
    state.begin(ip, QStringLiteral("a"), Noon.addSecs(60), 61000);
    const QList<alerts::HostChange> down = state.downNow(91000);
    QCOMPARE(down.size(), 1);
    QCOMPARE(down.first().knownDownSeconds, qint64(30));
}

void tst_HostState::clockStepDuringAnOutageTellsItsRealLength_data()
{
    QTest::addColumn<qint64>("stepMs");
    QTest::newRow("an hour forward") << qint64(3'600'000);
    QTest::newRow("two hours back") << qint64(-7'200'000);
}

// An 11-second outage during which the wall clock is stepped: its row keeps
// the wall clock's times, but the length told (notification, channels) is
// the one that passed.
void tst_HostState::clockStepDuringAnOutageTellsItsRealLength()
{
    QFETCH(qint64, stepMs);
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('127.0.0.2','h',20)"));
    FakeClock clock(Noon);
    FakeMonotonicClock boot;
    FakeEchoTransport transport;
    PollingEngine engine(&transport, &clock);
    engine.setScheduleClock(&boot);
    ChangeLog changes(&engine);
    QSignalSpy passes(&engine, &PollingEngine::passEnded);
    transport.setDown(QStringLiteral("127.0.0.2"));
    engine.startPass();
    QVERIFY(passes.wait(5000));
    QCOMPARE(changes.began.size(), 1);

    clock.advanceMs(stepMs + 11'000);
    boot.advanceMs(11'000);
    transport.setUp(QStringLiteral("127.0.0.2"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("часы переведены")));
    engine.startPass();
    QVERIFY(passes.wait(5000));
    QCOMPARE(changes.ended.size(), 1);
    QCOMPARE(changes.ended.first().downSeconds, qint64(11));
    const PassReport report = passes.last().first().value<PassReport>();
    QCOMPARE(report.alertChanges().first().downSeconds(report.endedAt), qint64(11));
    // The JSON the channels get says the same.
    alerts::AlertMessage message;
    message.event = alerts::Event::Up;
    message.at = report.endedAt;
    message.hosts = report.alertChanges();
    const auto back = alerts::AlertMessage::fromJson(message.toJsonBytes());
    QVERIFY(back);
    QCOMPARE(back->toJson().value(QLatin1String("hosts")).toArray().first().toObject().value(QLatin1String("downtime_s")).toInt(),
             11);
}

void tst_HostState::watchedStretchesNeverSpanAClockStep_data()
{
    QTest::addColumn<qint64>("stepMs");
    QTest::newRow("an hour forward") << qint64(3'600'000);
    QTest::newRow("two hours back") << qint64(-7'200'000);
}

void tst_HostState::watchedStretchesNeverSpanAClockStep()
{
    QFETCH(qint64, stepMs);
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    WatchedTimeRecorder recorder;
    QString error;
    auto pass = [&](const QDateTime &at, qint64 bootMs) {
        WatchedTimeRecorder::Pass p;
        p.at = at;
        p.bootMs = bootMs;
        p.longestGapMs = 125'000;
        return recorder.passEnded(db.connection(), p, &error);
    };
    QVERIFY2(pass(Noon, 0), qPrintable(error));
    QVERIFY2(pass(Noon.addSecs(60), 60'000), qPrintable(error));
    const QDateTime stepped = Noon.addMSecs(120'000 + stepMs);
    QVERIFY2(pass(stepped, 120'000), qPrintable(error));
    QVERIFY2(pass(stepped.addSecs(60), 180'000), qPrintable(error));
    QVERIFY2(recorder.stopped(db.connection(), stepped.addSecs(70), &error), qPrintable(error));
    const QStringList rows = db.rows(QStringLiteral("select time_begin,time_end from watched order by id"));
    QCOMPARE(rows, (QStringList{stored(Noon) + QLatin1Char('|') + stored(Noon.addSecs(60)),
                                stored(stepped) + QLatin1Char('|') + stored(stepped.addSecs(70))}));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from watched where time_end<time_begin")).toInt(), 0);
}

// What the server said at the vantage's last pass, corrected by the
// vantage's own pass since: it sees a host down or up before the server
// hears of it. A plain monitor has no list at all.
void tst_HostState::vantagesDownLayOwnPassOverTheServers()
{
    HostState state;
    state.reset({}, {});
    const QHash<QString, QStringList> server{{QStringLiteral("10.0.0.1"), {QStringLiteral("north"), QStringLiteral("south")}},
                                             {QStringLiteral("10.0.0.2"), {QStringLiteral("south")}}};
    state.setVantagesDown(server);
    QVERIFY(state.vantagesDown(QStringLiteral("10.0.0.1")).isEmpty());
    QVERIFY(state.allVantagesDown().isEmpty());

    state.setVantageName(QStringLiteral("north"));
    // North found 10.0.0.1 answering and 10.0.0.3 silent since the server spoke.
    state.begin(QStringLiteral("10.0.0.3"), QStringLiteral("c"), Noon, std::nullopt);
    QCOMPARE(state.vantagesDown(QStringLiteral("10.0.0.1")), QStringList{QStringLiteral("south")});
    QCOMPARE(state.vantagesDown(QStringLiteral("10.0.0.3")), QStringList{QStringLiteral("north")});
    state.begin(QStringLiteral("10.0.0.2"), QStringLiteral("b"), Noon, std::nullopt);
    QCOMPARE(state.vantagesDown(QStringLiteral("10.0.0.2")), (QStringList{QStringLiteral("north"), QStringLiteral("south")}));
    const QHash<QString, QStringList> all = state.allVantagesDown();
    QCOMPARE(all.size(), 3);
    QVERIFY(!all.contains(QStringLiteral("10.0.0.4")));
}

QTEST_GUILESS_MAIN(tst_HostState)
#include "tst_hoststate.moc"
