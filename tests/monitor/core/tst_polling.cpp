// The polling pass against a real database file, with a scripted echo
// transport and a clock set by hand.
#include "Database.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakeMonotonicClock.h"
#include "PollingEngine.h"
#include "Statements.h"
#include "TempDatabase.h"
#include "WriteQueue.h"

#include <QElapsedTimer>

#include <algorithm>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

using namespace monitor;

using B = FakeEchoTransport::Behaviour;

namespace {

// One engine on a fresh database with an empty address book; every signal
// the operator would see is written down in order.
struct Monitor
{
    TempDatabase db;
    FakeClock clock;
    FakeEchoTransport transport;
    PollingEngine engine{&transport, &clock};
    QStringList events;
    QStringList dbErrors;
    QStringList unavailable;
    int passesStarted = 0;

    Monitor()
    {
        db.exec(QStringLiteral("delete from addrs"));
        QObject::connect(&engine, &PollingEngine::changeDecided, [this](const OutageChange &c) {
            events << QStringLiteral("%1 %2 %3 %4")
                          .arg(c.kind == OutageChange::Began ? QStringLiteral("red") : QStringLiteral("green"), c.ip,
                               c.desc)
                          .arg(c.timeoutMs);
        });
        QObject::connect(&engine, &PollingEngine::databaseError,
                         [this](const QString &what, const QString &text) { dbErrors << what + QStringLiteral(": ") + text; });
        QObject::connect(&engine, &PollingEngine::probeUnavailable,
                         [this](const QString &message) { unavailable << message; });
        QObject::connect(&engine, &PollingEngine::passStarted, [this] { ++passesStarted; });
    }

    void add(const QString &ip, const QString &desc = QStringLiteral("host"), int timeout = 20)
    {
        db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)"), {ip, desc, timeout});
    }
    qint64 openRow(const QString &ip, const QString &desc = QStringLiteral("host"))
    {
        // Begun before any moment the fake clock is set to: a close is never
        // earlier than the begin, or the log would keep the begin as the end.
        db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values ('2000-01-01 00:00:00',?,?)"),
                {ip, desc});
        return db.scalar(QStringLiteral("select max(id) from logs")).toLongLong();
    }
    QStringList logRows()
    {
        return db.rows(QStringLiteral("select id,ip,\"desc\",foe,time_end from logs order by id"));
    }
    int openCount(const QString &ip)
    {
        return db.scalar(QStringLiteral("select count(*) from logs where ip=? and foe=0"), {ip}).toInt();
    }
    // Runs one whole pass and waits for its end.
    bool pass()
    {
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        engine.CheckAll();
        return finished.wait(10000);
    }
    QStringList notices;
    void watchNotices()
    {
        QObject::connect(&engine, &PollingEngine::notice, [this](const QString &text) { notices << text; });
    }
};

} // namespace

class tst_Polling : public QObject
{
    Q_OBJECT

private slots:
    void outcomeTable_data();
    void outcomeTable();
    void thirdAttemptAnswerCountsAsUp();
    void tenPassesDownGiveOneRowThenOneClose();
    void twoOpenRowsCloseOnePerPass();
    void duplicateAddressesProbedOncePerRow();
    void notAnAddressIsDownWithoutTraffic();
    void emptyBookShowsZeroCounts();
    void timeoutBelowOneProbedAndShownAsTen_data();
    void timeoutBelowOneProbedAndShownAsTen();
    void restCountSaturates();
    void effectsInBookOrderWhateverTheReplyOrder();
    void lateOrForeignRepliesIgnored();
    void countdownCountsBoundaries();
    void countdownStartsPassAtMinusOne();
    void clockSetBackDelaysPass();
    void countdownNeverShowsBelowMinusOne();
    void scheduleClockKeepsPassesThroughWallClockSteps_data();
    void scheduleClockKeepsPassesThroughWallClockSteps();
    void tickDuringPassNeverStartsSecond();
    void addressListUnreadableEndsPassWithoutProbing();
    void failedLookupIsNoChange();
    void failedWritesReportedAlertStillGiven();
    void probeUnavailableLeavesStateAndIsToldOnce();
    void quotesAndCyrillicLoggedClosedListed();
    void stopEndsThePassWhereItStands();
    void unusableTimeoutsToldOncePerAddress();
    void rowsWithoutAddressToldOnceAndSkipped_data();
    void rowsWithoutAddressToldOnceAndSkipped();
    void olderIPv4SpellingsToldOnceAndNotProbed();
    void heldWriteLockKeepsWritesInOrderWithoutBlocking();
    void missingDatabaseOpenedByALaterPass();
};

void tst_Polling::outcomeTable_data()
{
    QTest::addColumn<bool>("answers");
    QTest::addColumn<bool>("openRow");
    QTest::addColumn<QString>("event");
    QTest::addColumn<int>("openAfter");
    QTest::addColumn<QString>("counts");

    QTest::newRow("up, open row: closed") << true << true << QStringLiteral("green 127.0.0.9 host 20") << 0
                                          << QStringLiteral("0 : 1");
    QTest::newRow("up, no row: nothing") << true << false << QString() << 0 << QStringLiteral("0 : 0");
    QTest::newRow("down, no row: new row") << false << false << QStringLiteral("red 127.0.0.9 host 20") << 1
                                           << QStringLiteral("1 : 0");
    QTest::newRow("down, open row: nothing") << false << true << QString() << 1 << QStringLiteral("0 : 0");
}

void tst_Polling::outcomeTable()
{
    QFETCH(bool, answers);
    QFETCH(bool, openRow);
    QFETCH(QString, event);
    QFETCH(int, openAfter);
    QFETCH(QString, counts);

    Monitor m;
    const QString ip = QStringLiteral("127.0.0.9");
    m.add(ip);
    if (openRow)
        m.openRow(ip);
    if (!answers)
        m.transport.setDown(ip);
    m.clock.set(QDateTime(QDate(2024, 9, 14), QTime(13, 5, 9)));

    QVERIFY(m.pass());
    QCOMPARE(m.events, event.isEmpty() ? QStringList() : QStringList(event));
    QCOMPARE(m.openCount(ip), openAfter);
    QCOMPARE(m.engine.countsText(), counts);
    QCOMPARE(m.dbErrors, QStringList());
    if (answers && openRow) {
        // Closed with the engine's clock, in the stored form, together with foe.
        QCOMPARE(m.db.scalar(QStringLiteral("select time_end from logs where foe=1")).toString(),
                 QStringLiteral("2024-09-14 13:05:09"));
    }
    QCOMPARE(m.engine.lastCheck(), m.clock.now());
    QVERIFY(!m.engine.isRunning());
}

void tst_Polling::thirdAttemptAnswerCountsAsUp()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.3"));
    m.add(QStringLiteral("127.0.0.4"));
    m.transport.script(QStringLiteral("127.0.0.3"), {B::silent(), B::sendFails(), B::reply(5)});
    m.transport.setDown(QStringLiteral("127.0.0.4"));

    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.4 host 20")));
    QCOMPARE(m.openCount(QStringLiteral("127.0.0.3")), 0);

    QList<int> attemptsOf3, attemptsOf4;
    for (const auto &r : m.transport.requests) {
        (r.address == FakeEchoTransport::address(QStringLiteral("127.0.0.3")) ? attemptsOf3 : attemptsOf4) << r.attempt;
        QCOMPARE(r.payload, QByteArray("echo_testecho_testecho_testecho_testecho_test"));
    }
    QCOMPARE(attemptsOf3, QList<int>({1, 2, 3}));
    QCOMPARE(attemptsOf4, QList<int>({1, 2, 3, 4}));
}

void tst_Polling::tenPassesDownGiveOneRowThenOneClose()
{
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.2");
    m.add(ip, QStringLiteral("router"), 5);
    m.transport.setDown(ip);
    for (int i = 0; i < 10; ++i)
        QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.2 router 5")));
    QCOMPARE(m.logRows().size(), 1);
    QCOMPARE(m.engine.countsText(), QStringLiteral("0 : 0"));

    m.transport.setUp(ip);
    for (int i = 0; i < 3; ++i)
        QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList({QStringLiteral("red 127.0.0.2 router 5"), QStringLiteral("green 127.0.0.2 router 5")}));
    QCOMPARE(m.db.rows(QStringLiteral("select foe from logs")), QStringList(QStringLiteral("1")));
}

// A file of an earlier version may hold two open rows of one address (two
// monitors on it): the upgrade leaves the oldest open, and the host's first
// answer closes it.
void tst_Polling::twoOpenRowsCloseOnePerPass()
{
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.5");
    m.add(ip);
    m.db.exec(QStringLiteral("drop index logs_one_open"));
    const qint64 older = m.openRow(ip);
    const qint64 newer = m.openRow(ip);
    QString error;
    QVERIFY2(Database::upgrade(m.db.path(), &error), qPrintable(error));
    QCOMPARE(m.db.rows(QStringLiteral("select id from logs where foe=0")), QStringList(QString::number(older)));

    QVERIFY(m.pass());
    QCOMPARE(m.openCount(ip), 0);
    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList(QStringLiteral("green 127.0.0.5 host 20")));
    Q_UNUSED(newer);
}

void tst_Polling::duplicateAddressesProbedOncePerRow()
{
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.6");
    m.add(ip, QStringLiteral("first"));
    m.add(ip, QStringLiteral("second"));
    m.transport.setDown(ip);

    QVERIFY(m.pass());
    QCOMPARE(m.transport.requests.size(), 8);
    // The row decided second finds the row the first one wrote.
    QCOMPARE(m.events.size(), 1);
    QVERIFY2(m.events.first().startsWith(QStringLiteral("red 127.0.0.6 ")), qPrintable(m.events.first()));
    QCOMPARE(m.openCount(ip), 1);

    // Host back: the first row decided closes the one open row, the second finds none.
    m.transport.setUp(ip);
    QVERIFY(m.pass());
    QCOMPARE(m.openCount(ip), 0);
    QCOMPARE(m.engine.countsText(), QStringLiteral("0 : 1"));
}

void tst_Polling::notAnAddressIsDownWithoutTraffic()
{
    Monitor m;
    m.add(QStringLiteral("localhost"));
    for (int i = 0; i < 3; ++i)
        QVERIFY(m.pass());
    QCOMPARE(m.transport.requests.size(), 0);
    QCOMPARE(m.events, QStringList(QStringLiteral("red localhost host 20")));
    QCOMPARE(m.openCount(QStringLiteral("localhost")), 1);
}

void tst_Polling::emptyBookShowsZeroCounts()
{
    Monitor m;
    QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
    m.engine.CheckAll();
    QVERIFY(m.engine.isRunning());  // never finishes inside the call
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first().first().value<PassReport>().errCount, 0);
    QCOMPARE(finished.first().first().value<PassReport>().restCount, 0);
    QCOMPARE(m.engine.countsText(), QStringLiteral("0 : 0"));
    QCOMPARE(m.transport.opens, 0);
}

void tst_Polling::timeoutBelowOneProbedAndShownAsTen_data()
{
    QTest::addColumn<int>("stored");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -5;
}

void tst_Polling::timeoutBelowOneProbedAndShownAsTen()
{
    QFETCH(int, stored);
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.7");
    m.add(ip, QStringLiteral("host"), stored);
    // Answers 25 ms late: too late for a 10 ms attempt, so all four time out.
    m.transport.script(ip, {B::reply(25)});
    QElapsedTimer t;
    t.start();
    QVERIFY(m.pass());
    QVERIFY2(t.elapsed() >= 40, "four attempts of 10 ms each");
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.7 host 10")));
    QCOMPARE(m.db.scalar(QStringLiteral("select ping_timeout from addrs")).toInt(), stored);
}

void tst_Polling::restCountSaturates()
{
    Monitor m;
    for (int i = 0; i < 300; ++i) {
        const QString ip = QStringLiteral("127.1.%1.%2").arg(i / 200).arg(i % 200 + 1);
        m.add(ip);
        m.openRow(ip);
    }
    QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
    QVERIFY(m.pass());
    QCOMPARE(m.events.size(), 300);
    QCOMPARE(m.engine.restCount(), 255);
    QCOMPARE(finished.first().first().value<PassReport>().errCount, 0);
    QCOMPARE(finished.first().first().value<PassReport>().restCount, 255);
    QCOMPARE(m.engine.countsText(), QStringLiteral("0 : 255"));
}

// Each host's outcome is applied when its own attempts are decided, stamped
// with that moment: the order of the event lines is the order of decision,
// and no slow host holds back another.
void tst_Polling::effectsInBookOrderWhateverTheReplyOrder()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.11"), QStringLiteral("a"), 300); // down, decided last (1.2 s)
    m.add(QStringLiteral("127.0.0.12"), QStringLiteral("b"), 5);   // down, decided after 20 ms
    m.add(QStringLiteral("127.0.0.13"), QStringLiteral("c"), 200); // back, answers after 60 ms
    m.add(QStringLiteral("127.0.0.14"), QStringLiteral("d"), 200); // back, answers at once
    m.transport.setDown(QStringLiteral("127.0.0.11"));
    m.transport.setDown(QStringLiteral("127.0.0.12"));
    m.transport.script(QStringLiteral("127.0.0.13"), {B::reply(60)});
    m.openRow(QStringLiteral("127.0.0.13"), QStringLiteral("c"));
    m.openRow(QStringLiteral("127.0.0.14"), QStringLiteral("d"));

    // The engine's clock runs with the real one, from a known start.
    const QDateTime start(QDate(2024, 9, 14), QTime(13, 0, 0));
    m.clock.set(start);
    QElapsedTimer real;
    real.start();
    QTimer follow;
    QObject::connect(&follow, &QTimer::timeout, [&] { m.clock.set(start.addMSecs(real.elapsed())); });
    follow.start(5);
    QHash<QString, qint64> announcedAfterMs;
    auto note = [&](const QString &ip) { announcedAfterMs.insert(ip, real.elapsed()); };
    QObject::connect(&m.engine, &PollingEngine::changeDecided, [&](const OutageChange &c) { note(c.ip); });

    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList({QStringLiteral("green 127.0.0.14 d 200"), QStringLiteral("red 127.0.0.12 b 5"),
                                    QStringLiteral("green 127.0.0.13 c 200"), QStringLiteral("red 127.0.0.11 a 300")}));
    // The fast down host was written long before the slow one was decided.
    QVERIFY2(announcedAfterMs.value(QStringLiteral("127.0.0.12")) < 600,
             qPrintable(QString::number(announcedAfterMs.value(QStringLiteral("127.0.0.12")))));
    QVERIFY(announcedAfterMs.value(QStringLiteral("127.0.0.11")) >= 1200);
    const QDateTime beginB = DateTimeText::fromVariant(
        m.db.scalar(QStringLiteral("select time_begin from logs where ip='127.0.0.12'")));
    const QDateTime beginA = DateTimeText::fromVariant(
        m.db.scalar(QStringLiteral("select time_begin from logs where ip='127.0.0.11'")));
    QVERIFY2(beginB < start.addSecs(1), qPrintable(beginB.toString()));
    QVERIFY2(beginA >= start.addSecs(1), qPrintable(beginA.toString()));
    QCOMPARE(m.db.rows(QStringLiteral("select ip from logs where foe=0 order by id")),
             QStringList({QStringLiteral("127.0.0.12"), QStringLiteral("127.0.0.11")}));
    QCOMPARE(m.engine.countsText(), QStringLiteral("2 : 2"));
}

void tst_Polling::lateOrForeignRepliesIgnored()
{
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.15");
    m.add(ip, QStringLiteral("host"), 30);
    // Each attempt's reply comes after that attempt timed out, while the next
    // one is waiting; the last one after the pass ended.
    m.transport.script(ip, {B::reply(45), B::reply(45), B::reply(45), B::reply(300)});
    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.15 host 30")));

    // The next pass: the host stays silent, a reply of the previous pass and
    // a reply from another address carrying a live cookie both come in.
    m.transport.setDown(ip);
    QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
    m.engine.CheckAll();
    QTimer::singleShot(10, [&m] {
        const auto &last = m.transport.requests.constLast();
        m.transport.deliver(last.cookie, FakeEchoTransport::address(QStringLiteral("127.0.0.99")));
    });
    QVERIFY(finished.wait(5000));
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.15 host 30")));
    QCOMPARE(m.openCount(ip), 1);
}

void tst_Polling::countdownCountsBoundaries()
{
    Monitor m;
    m.engine.setRefreshSecs(300);
    const QDateTime base(QDate(2024, 9, 14), QTime(12, 0, 0, 900));
    m.engine.setLastCheck(base);
    QSignalSpy countdown(&m.engine, &PollingEngine::countdownChanged);

    // 0.2 s later but across a second boundary: one second gone.
    m.clock.set(base.addMSecs(200));
    m.engine.tick();
    // 0.9 s later, same second: none gone.
    m.engine.setLastCheck(base.addMSecs(-800));
    m.clock.set(base.addMSecs(-700));
    m.engine.tick();
    QCOMPARE(countdown.at(0).at(0).toInt(), 299);
    QCOMPARE(countdown.at(1).at(0).toInt(), 300);
}

void tst_Polling::countdownStartsPassAtMinusOne()
{
    Monitor m;
    m.engine.setRefreshSecs(300);
    const QDateTime start(QDate(2024, 9, 14), QTime(12, 0, 0, 500));
    m.engine.setLastCheck(start);
    m.clock.set(start);
    QList<int> shown;
    int shownAtPass = 1000;
    QObject::connect(&m.engine, &PollingEngine::countdownChanged, [&](int s) { shown << s; });
    QObject::connect(&m.engine, &PollingEngine::passStarted, [&] { shownAtPass = shown.constLast(); });

    for (int i = 0; i <= 301; ++i) {
        m.engine.tick();
        if (i < 301)
            QCOMPARE(m.passesStarted, 0);
        m.clock.advanceMs(1000);
    }
    QCOMPARE(shown.size(), 302);
    QCOMPARE(shown.first(), 300);
    QCOMPARE(shown.at(300), 0);
    QCOMPARE(shown.last(), -1);
    QCOMPARE(m.passesStarted, 1);
    QCOMPARE(shownAtPass, -1);

    // After the pass the count starts again from the full period.
    QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
    QVERIFY(finished.wait(5000));
    m.engine.tick();
    QCOMPARE(shown.last(), 300);
}

void tst_Polling::clockSetBackDelaysPass()
{
    Monitor m;
    m.engine.setRefreshSecs(60);
    m.engine.setLastCheck(m.clock.now());
    m.clock.advanceMs(-90'000);
    QSignalSpy countdown(&m.engine, &PollingEngine::countdownChanged);
    m.engine.tick();
    QCOMPARE(countdown.last().at(0).toInt(), 150);
    QCOMPARE(m.engine.elapsedSeconds(), -90);
    m.clock.advanceMs(150'000);
    m.engine.tick();
    QCOMPARE(m.passesStarted, 0);
    m.clock.advanceMs(1000);
    m.engine.tick();
    QCOMPARE(m.passesStarted, 1);
    QVERIFY(QSignalSpy(&m.engine, &PollingEngine::passEnded).wait(5000));

    // The button still starts a pass at once.
    m.clock.advanceMs(-500'000);
    QVERIFY(m.pass());
    QCOMPARE(m.passesStarted, 2);
}

// A pass that takes seconds (a silent host, four attempts of 600 ms) while
// the ticks go on, and a tick that comes two seconds late: the button shows
// -1 at the lowest.
void tst_Polling::countdownNeverShowsBelowMinusOne()
{
    Monitor m;
    m.engine.setRefreshSecs(0);
    m.add(QStringLiteral("127.0.0.16"), QStringLiteral("host"), 600);
    m.transport.setDown(QStringLiteral("127.0.0.16"));
    QList<int> shown;
    QObject::connect(&m.engine, &PollingEngine::countdownChanged, [&](int s) { shown << s; });
    m.engine.setLastCheck(m.clock.now());
    m.clock.advanceMs(3000);  // a late tick
    m.engine.tick();
    QVERIFY(m.engine.isRunning());
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        m.clock.advanceMs(1000);
        m.engine.tick();
    });
    ticker.start(200);
    QVERIFY(QSignalSpy(&m.engine, &PollingEngine::passEnded).wait(10000));
    ticker.stop();
    QVERIFY(shown.size() > 5);
    QCOMPARE(*std::min_element(shown.cbegin(), shown.cend()), -1);
}

void tst_Polling::scheduleClockKeepsPassesThroughWallClockSteps_data()
{
    QTest::addColumn<qint64>("stepMs");
    QTest::addColumn<int>("notices");

    QTest::newRow("an hour back") << qint64(-3'600'000) << 1;
    QTest::newRow("a day back") << qint64(-86'400'000) << 1;
    QTest::newRow("a second back: no step") << qint64(-1000) << 0;
    QTest::newRow("an hour forward") << qint64(3'600'000) << 1;
}

// On the boot-time clock the period is the period whatever the wall clock
// does: a pass comes after refreshSecs of real time, and a step either way
// is told once.
void tst_Polling::scheduleClockKeepsPassesThroughWallClockSteps()
{
    QFETCH(qint64, stepMs);
    QFETCH(int, notices);
    Monitor m;
    m.watchNotices();
    FakeMonotonicClock boot;
    m.engine.setScheduleClock(&boot);
    m.engine.setRefreshSecs(60);
    m.engine.setLastCheck(m.clock.now());
    QSignalSpy countdown(&m.engine, &PollingEngine::countdownChanged);
    m.clock.advanceMs(stepMs);
    if (notices)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("часы переведены (назад|вперёд)")));
    for (int second = 1; second <= 60; ++second) {
        boot.advanceMs(1000);
        m.clock.advanceMs(1000);
        m.engine.tick();
        QCOMPARE(countdown.last().at(0).toInt(), 60 - second);
    }
    QCOMPARE(m.passesStarted, 0);
    boot.advanceMs(1000);
    m.clock.advanceMs(1000);
    m.engine.tick();
    QCOMPARE(m.passesStarted, 1);
    QVERIFY(QSignalSpy(&m.engine, &PollingEngine::passEnded).wait(5000));
    // The next period counts from the pass, on the stepped clock.
    m.engine.tick();
    QCOMPARE(countdown.last().at(0).toInt(), 60);
    QCOMPARE(m.notices.size(), notices);
}

void tst_Polling::tickDuringPassNeverStartsSecond()
{
    Monitor m;
    m.engine.setRefreshSecs(0);
    m.add(QStringLiteral("127.0.0.16"), QStringLiteral("host"), 30);
    m.transport.setDown(QStringLiteral("127.0.0.16"));
    // Ticks while probing and while the alert is handled.
    QObject::connect(&m.engine, &PollingEngine::changeDecided, [&] {
        m.clock.advanceMs(5000);
        m.engine.tick();
        m.engine.CheckAll();
    });
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        m.clock.advanceMs(1000);
        m.engine.tick();
    });
    ticker.start(10);
    QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
    m.engine.CheckAll();
    QVERIFY(finished.wait(5000));
    ticker.stop();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m.passesStarted, 1);
    QCOMPARE(m.transport.requests.size(), 4);
}

void tst_Polling::addressListUnreadableEndsPassWithoutProbing()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.1"));
    m.db.exec(QStringLiteral("alter table addrs rename to addrs_gone"));
    QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("адресов.*addrs")));
    m.engine.CheckAll();
    QVERIFY(finished.wait(5000));
    QCOMPARE(m.transport.opens, 0);
    QCOMPARE(m.dbErrors.size(), 1);
    QVERIFY2(m.dbErrors.first().contains(QStringLiteral("addrs")), qPrintable(m.dbErrors.first()));
    QVERIFY(!m.engine.isRunning());
}

void tst_Polling::failedLookupIsNoChange()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.17"));
    m.transport.setDown(QStringLiteral("127.0.0.17"));
    // A view in place of the table: reading it fails, so nothing is known.
    m.db.exec(QStringLiteral("alter table logs rename to logs_real"));
    m.db.exec(QStringLiteral("create view logs as select id,ip,missing_column as foe from logs_real"));
    for (int pass = 0; pass < 2; ++pass)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("открытые записи о сбоях: .*missing_column")));
    QVERIFY(m.pass());
    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList());
    QCOMPARE(m.dbErrors.size(), 2);
    QCOMPARE(m.db.scalar(QStringLiteral("select count(*) from logs_real")).toInt(), 0);
}

void tst_Polling::failedWritesReportedAlertStillGiven()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.18"), QStringLiteral("down"));
    m.add(QStringLiteral("127.0.0.19"), QStringLiteral("back"));
    m.transport.setDown(QStringLiteral("127.0.0.18"));
    const qint64 open = m.openRow(QStringLiteral("127.0.0.19"), QStringLiteral("back"));
    m.db.exec(QStringLiteral("create trigger no_insert before insert on logs begin select raise(abort,'disk is full'); end"));
    m.db.exec(QStringLiteral("create trigger no_update before update on logs begin select raise(abort,'disk is full'); end"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("127.0.0.18: disk is full")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("127.0.0.19: disk is full")));

    QVERIFY(m.pass());
    // The host that answers at once is decided first.
    QCOMPARE(m.events, QStringList({QStringLiteral("green 127.0.0.19 back 20"), QStringLiteral("red 127.0.0.18 down 20")}));
    QCOMPARE(m.dbErrors.size(), 2);
    QVERIFY(m.dbErrors.at(0).endsWith(QStringLiteral("disk is full")));
    QCOMPARE(m.engine.countsText(), QStringLiteral("1 : 1"));
    QCOMPARE(m.db.rows(QStringLiteral("select id,foe from logs")), QStringList(QStringLiteral("%1|0").arg(open)));
}

void tst_Polling::probeUnavailableLeavesStateAndIsToldOnce()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.20"), QStringLiteral("down"));
    m.add(QStringLiteral("127.0.0.21"), QStringLiteral("back"));
    m.transport.setDown(QStringLiteral("127.0.0.20"));
    m.openRow(QStringLiteral("127.0.0.21"), QStringLiteral("back"));
    m.transport.setAvailable(false);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ICMP")));
    QVERIFY(m.pass());
    QVERIFY(m.pass());
    QCOMPARE(m.unavailable.size(), 1);
    const QString text = m.unavailable.first();
    QVERIFY2(text.contains(QStringLiteral("ping_group_range")) && text.contains(QStringLiteral("setcap cap_net_raw+ep"))
                 && text.contains(QStringLiteral("Operation not permitted")),
             qPrintable(text));
    QCOMPARE(m.events, QStringList());
    QCOMPARE(m.openCount(QStringLiteral("127.0.0.20")), 0);
    QCOMPARE(m.openCount(QStringLiteral("127.0.0.21")), 1);
    QCOMPARE(m.transport.requests.size(), 0);

    // Probing works again, then fails again: told again.
    m.transport.setAvailable(true);
    QVERIFY(m.pass());
    QCOMPARE(m.events.size(), 2);
    m.transport.setAvailable(false);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("ICMP")));
    QVERIFY(m.pass());
    QCOMPARE(m.unavailable.size(), 2);
}

void tst_Polling::quotesAndCyrillicLoggedClosedListed()
{
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.22");
    const QString desc = QStringLiteral("O'Brien's \"core\" switch — коммутатор");
    m.add(ip, desc);
    m.transport.setDown(ip);
    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList(QStringLiteral("red %1 %2 20").arg(ip, desc)));

    QSqlQuery report(m.db.connection());
    QVERIFY(runStatement(report, Statements::SelectOpenOutagesForReport));
    QVERIFY(report.next());
    QCOMPARE(report.value(1).toString(), ip);
    QCOMPARE(report.value(2).toString(), desc);

    m.transport.setUp(ip);
    QVERIFY(m.pass());
    QCOMPARE(m.events.last(), QStringLiteral("green %1 %2 20").arg(ip, desc));
    QCOMPARE(m.db.rows(QStringLiteral("select \"desc\",foe from logs")), QStringList(desc + QStringLiteral("|1")));
    QCOMPARE(m.dbErrors, QStringList());
}

void tst_Polling::stopEndsThePassWhereItStands()
{
    {
        Monitor m;
        for (const char *ip : {"127.0.0.21", "127.0.0.22", "127.0.0.23"}) {
            m.add(QString::fromLatin1(ip));
            m.transport.setDown(QString::fromLatin1(ip));
        }
        // The program ends (quit confirmed) while the first outage is being
        // announced: the rest of the pass is neither written nor announced.
        QObject::connect(&m.engine, &PollingEngine::changeDecided, &m.engine, [&m] { m.engine.stop(); });
        QSignalSpy finished(&m.engine, &PollingEngine::passEnded);
        m.engine.CheckAll();
        QTRY_VERIFY_WITH_TIMEOUT(!m.engine.isRunning(), 5000);
        QVERIFY(!QTest::qWaitFor([&m, &finished] { return m.events.size() > 1 || finished.count() > 0; }, 100));
        QCOMPARE(m.events.size(), 1);
        const QString announced = m.events.first().section(QLatin1Char(' '), 1, 1);
        QCOMPARE(m.db.rows(QStringLiteral("select ip from logs")), QStringList(announced));
        QCOMPARE(finished.count(), 0);
    }

    // Stopped while probing: nothing at all; and no later pass starts.
    Monitor n;
    QVERIFY(n.db.isValid());
    n.add(QStringLiteral("127.0.0.24"));
    n.transport.setDown(QStringLiteral("127.0.0.24"));
    QSignalSpy nFinished(&n.engine, &PollingEngine::passEnded);
    n.engine.CheckAll();
    n.engine.stop();
    auto anything = [&n, &nFinished] { return !n.events.isEmpty() || !n.logRows().isEmpty() || nFinished.count() > 0; };
    QVERIFY(!QTest::qWaitFor(anything, 200));
    n.engine.CheckAll();
    n.engine.tick();
    QVERIFY(!n.engine.isRunning());
    QVERIFY(!QTest::qWaitFor(anything, 100));
    QVERIFY(n.events.isEmpty());
    QVERIFY(n.logRows().isEmpty());
    QCOMPARE(nFinished.count(), 0);
    QCOMPARE(n.passesStarted, 1);
}

void tst_Polling::unusableTimeoutsToldOncePerAddress()
{
    Monitor m;
    m.watchNotices();
    m.add(QStringLiteral("127.0.0.30"), QStringLiteral("text"), 20);
    m.db.exec(QStringLiteral("update addrs set ping_timeout='долго' where ip_addr='127.0.0.30'"));
    m.add(QStringLiteral("127.0.0.31"), QStringLiteral("huge"), 20);
    m.db.exec(QStringLiteral("update addrs set ping_timeout=2147483647 where ip_addr='127.0.0.31'"));
    m.add(QStringLiteral("127.0.0.32"), QStringLiteral("past 32 bits"), 20);
    m.db.exec(QStringLiteral("update addrs set ping_timeout=99999999999 where ip_addr='127.0.0.32'"));
    m.add(QStringLiteral("127.0.0.33"), QStringLiteral("the bound"), 60000);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("127.0.0.30.*долго")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("127.0.0.31.*2147483647.*60000")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("127.0.0.32.*99999999999.*60000")));
    QVERIFY(m.pass());
    QVERIFY(m.pass());
    QCOMPARE(m.notices.size(), 3);
    QVERIFY2(m.notices.at(0).contains(QStringLiteral("ping_timeout")), qPrintable(m.notices.at(0)));
    // The text one is not probed; the clamped ones are, with the bound.
    QList<HostAddress> probed;
    for (const auto &r : m.transport.requests)
        if (!probed.contains(r.address))
            probed << r.address;
    QCOMPARE(probed.size(), 3);
    QVERIFY(!probed.contains(FakeEchoTransport::address(QStringLiteral("127.0.0.30"))));
    QCOMPARE(m.events, QStringList());
}

void tst_Polling::rowsWithoutAddressToldOnceAndSkipped_data()
{
    QTest::addColumn<QString>("address");  // the SQL literal stored as ip_addr
    QTest::addColumn<QString>("said");

    QTest::newRow("NULL") << QStringLiteral("NULL") << QStringLiteral("NULL");
    QTest::newRow("empty") << QStringLiteral("''") << QStringLiteral("пуст");
    QTest::newRow("blanks") << QStringLiteral("'   '") << QStringLiteral("пуст");
}

// An older or hand-made table may hold such a row: it is named once and left
// out, while the rest of the book is probed as usual.
void tst_Polling::rowsWithoutAddressToldOnceAndSkipped()
{
    QFETCH(QString, address);
    QFETCH(QString, said);
    Monitor m;
    m.watchNotices();
    m.db.exec(QStringLiteral("drop table addrs"));
    m.db.exec(QStringLiteral("create table addrs (ip_addr TEXT, descript TEXT DEFAULT '', "
                             "ping_timeout INTEGER NOT NULL DEFAULT 500)"));
    m.db.exec(QStringLiteral("insert into addrs values (%1, 'склад', 20)").arg(address));
    m.add(QStringLiteral("127.0.0.40"), QStringLiteral("other"), 20);
    m.transport.setDown(QStringLiteral("127.0.0.40"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("склад")));
    for (int i = 0; i < 3; ++i)
        QVERIFY(m.pass());
    QCOMPARE(m.notices.size(), 1);
    QVERIFY2(m.notices.first().contains(QStringLiteral("«склад»")) && m.notices.first().contains(said),
             qPrintable(m.notices.first()));
    QCOMPARE(m.events, QStringList{QStringLiteral("red 127.0.0.40 other 20")});
    QCOMPARE(m.dbErrors, QStringList());
    QCOMPARE(m.db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 1);
}

// "010.0.0.1" was probed as 8.0.0.1 and "10.1" as 10.0.0.1: such a row is
// named once with what it was read as, and neither probed nor logged, while
// the rest of the book, a comment after a blank included, goes on as usual.
void tst_Polling::olderIPv4SpellingsToldOnceAndNotProbed()
{
    Monitor m;
    m.watchNotices();
    m.add(QStringLiteral("0127.0.0.1"), QStringLiteral("octal"), 20);
    m.add(QStringLiteral("127.1"), QStringLiteral("short"), 20);
    m.add(QStringLiteral("127.0.0.41 router"), QStringLiteral("comment"), 20);
    m.transport.setDown(QStringLiteral("127.0.0.41"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("0127.0.0.1.*87.0.0.1")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("127.1.*127.0.0.1")));
    for (int i = 0; i < 3; ++i)
        QVERIFY(m.pass());
    QCOMPARE(m.notices.size(), 2);
    QList<HostAddress> probed;
    for (const auto &r : m.transport.requests)
        if (!probed.contains(r.address))
            probed << r.address;
    QCOMPARE(probed, QList<HostAddress>{FakeEchoTransport::address(QStringLiteral("127.0.0.41"))});
    QCOMPARE(m.events, QStringList{QStringLiteral("red 127.0.0.41 router comment 20")});
    QCOMPARE(m.db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 1);
}

// Another program holds the file's write lock: the alerts come at once, the
// writes wait in order without holding the event loop, and once the lock
// goes every row is written once, stamped with the moment of decision.
void tst_Polling::heldWriteLockKeepsWritesInOrderWithoutBlocking()
{
    Monitor m;
    Database::Options quick;
    quick.busyTimeoutMs = 50;
    QString error;
    QVERIFY2(Database::open(m.db.path(), quick, &error, QLatin1String(QSqlDatabase::defaultConnection), nullptr),
             qPrintable(error));
    for (int i = 1; i <= 5; ++i) {
        m.add(QStringLiteral("127.0.0.%1").arg(40 + i), QStringLiteral("h%1").arg(i), 10 * i);
        m.transport.setDown(QStringLiteral("127.0.0.%1").arg(40 + i));
    }
    const qint64 back = m.openRow(QStringLiteral("127.0.0.50"));
    m.add(QStringLiteral("127.0.0.50"), QStringLiteral("back"), 10);

    QVERIFY(Database::open(m.db.path(), &error, QStringLiteral("other program")));
    QSqlQuery other(QSqlDatabase::database(QStringLiteral("other program")));
    QVERIFY(other.exec(QStringLiteral("begin immediate")));
    QSignalSpy waiting(m.engine.writeQueue(), &WriteQueue::waiting);

    // The longest the event loop waits while the lock is held.
    QElapsedTimer gap;
    gap.start();
    qint64 longestGapMs = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        longestGapMs = qMax(longestGapMs, gap.restart());
    });
    beat.start(5);
    const QDateTime decided = m.clock.now();
    QVERIFY(m.pass());
    QVERIFY(m.pass());  // still locked: nothing decided twice
    for (int i = 0; i < 3; ++i)
        m.engine.tick();
    beat.stop();
    QCOMPARE(m.events.size(), 6);
    QCOMPARE(waiting.size(), 1);
    QCOMPARE(m.engine.writeQueue()->size(), 6);
    QVERIFY2(longestGapMs < 100, qPrintable(QString::number(longestGapMs)));
    QCOMPARE(m.dbErrors, QStringList());

    QVERIFY(other.exec(QStringLiteral("commit")));
    m.clock.advanceMs(60'000);
    QSignalSpy resumed(m.engine.writeQueue(), &WriteQueue::resumed);
    m.engine.tick();
    QCOMPARE(resumed.size(), 1);
    QCOMPARE(resumed.first().first().toInt(), 6);
    QCOMPARE(m.db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 5);
    QCOMPARE(m.db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 6);
    // Stamped when decided, not when written a minute later.
    QCOMPARE(m.db.scalar(QStringLiteral("select count(*) from logs where foe=0 and time_begin=?"),
                         {DateTimeText::fromDateTime(decided)})
                 .toInt(),
             5);
    QCOMPARE(m.db.scalar(QStringLiteral("select time_end from logs where id=?"), {back}).toString(),
             DateTimeText::fromDateTime(decided));
    QVERIFY(m.pass());
    QCOMPARE(m.events.size(), 6);
    Database::close(QStringLiteral("other program"));
}

// The file was missing when the monitor started: each pass asks the opener,
// and the pass after it opened probes as usual.
void tst_Polling::missingDatabaseOpenedByALaterPass()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.60"));
    m.transport.setDown(QStringLiteral("127.0.0.60"));
    const QString path = m.db.path();
    Database::close();
    int asked = 0;
    bool present = false;
    m.engine.setDatabaseOpener([&] {
        ++asked;
        QString error;
        return present && Database::open(path, &error);
    });
    QVERIFY(m.pass());
    QVERIFY(m.pass());
    QCOMPARE(asked, 2);
    QCOMPARE(m.transport.requests.size(), 0);
    QCOMPARE(m.dbErrors, QStringList());
    present = true;
    QVERIFY(m.pass());
    QCOMPARE(asked, 3);
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.60 host 20")));
    QVERIFY(m.pass());
    QCOMPARE(asked, 3);
}

QTEST_GUILESS_MAIN(tst_Polling)
#include "tst_polling.moc"
