// The polling pass against a real database file, with a scripted echo
// transport and a clock set by hand.
#include "Database.h"
#include "DateTimeText.h"
#include "EchoProbe.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "PollingEngine.h"
#include "Statements.h"
#include "TempDatabase.h"

#include <QElapsedTimer>
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
        QObject::connect(&engine, &PollingEngine::outageBegan, [this](const QString &ip, const QString &d, int t) {
            events << QStringLiteral("red %1 %2 %3").arg(ip, d).arg(t);
        });
        QObject::connect(&engine, &PollingEngine::outageEnded, [this](const QString &ip, const QString &d, int t) {
            events << QStringLiteral("green %1 %2 %3").arg(ip, d).arg(t);
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
        db.exec(QStringLiteral("insert into logs (ip,\"desc\") values (?,?)"), {ip, desc});
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
        QSignalSpy finished(&engine, &PollingEngine::passFinished);
        engine.CheckAll();
        return finished.wait(10000);
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
    void tickDuringPassNeverStartsSecond();
    void addressListUnreadableEndsPassWithoutProbing();
    void failedLookupIsNoChange();
    void failedWritesReportedAlertStillGiven();
    void probeUnavailableLeavesStateAndIsToldOnce();
    void quotesAndCyrillicLoggedClosedListed();
    void stopEndsThePassWhereItStands();
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

void tst_Polling::twoOpenRowsCloseOnePerPass()
{
    Monitor m;
    const QString ip = QStringLiteral("127.0.0.5");
    m.add(ip);
    const qint64 older = m.openRow(ip);
    const qint64 newer = m.openRow(ip);

    QVERIFY(m.pass());
    QCOMPARE(m.db.rows(QStringLiteral("select id from logs where foe=0")), QStringList(QString::number(newer)));
    QVERIFY(m.pass());
    QCOMPARE(m.openCount(ip), 0);
    QVERIFY(m.pass());
    QCOMPARE(m.events.size(), 2);
    Q_UNUSED(older);
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
    // The second row finds the row the first one wrote, as a serial pass would.
    QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.6 first 20")));
    QCOMPARE(m.openCount(ip), 1);

    // Two open rows, host back: each book row closes one.
    m.openRow(ip);
    m.transport.setUp(ip);
    QVERIFY(m.pass());
    QCOMPARE(m.openCount(ip), 0);
    QCOMPARE(m.engine.countsText(), QStringLiteral("0 : 2"));
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
    QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
    m.engine.CheckAll();
    QVERIFY(m.engine.isRunning());  // never finishes inside the call
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.first(), QVariantList({0, 0}));
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
    QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
    QVERIFY(m.pass());
    QCOMPARE(m.events.size(), 300);
    QCOMPARE(m.engine.restCount(), 255);
    QCOMPARE(finished.first(), QVariantList({0, 255}));
    QCOMPARE(m.engine.countsText(), QStringLiteral("0 : 255"));
}

void tst_Polling::effectsInBookOrderWhateverTheReplyOrder()
{
    Monitor m;
    m.add(QStringLiteral("127.0.0.11"), QStringLiteral("a"), 40);  // down, times out last
    m.add(QStringLiteral("127.0.0.12"), QStringLiteral("b"), 5);   // down, times out first
    m.add(QStringLiteral("127.0.0.13"), QStringLiteral("c"), 200); // back, answers late
    m.add(QStringLiteral("127.0.0.14"), QStringLiteral("d"), 200); // back, answers at once
    m.transport.setDown(QStringLiteral("127.0.0.11"));
    m.transport.setDown(QStringLiteral("127.0.0.12"));
    m.transport.script(QStringLiteral("127.0.0.13"), {B::reply(60)});
    m.openRow(QStringLiteral("127.0.0.13"), QStringLiteral("c"));
    m.openRow(QStringLiteral("127.0.0.14"), QStringLiteral("d"));

    QVERIFY(m.pass());
    QCOMPARE(m.events, QStringList({QStringLiteral("red 127.0.0.11 a 40"), QStringLiteral("red 127.0.0.12 b 5"),
                                    QStringLiteral("green 127.0.0.13 c 200"), QStringLiteral("green 127.0.0.14 d 200")}));
    QCOMPARE(m.db.rows(QStringLiteral("select ip from logs where foe=0 order by id")),
             QStringList({QStringLiteral("127.0.0.11"), QStringLiteral("127.0.0.12")}));
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
    QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
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
    QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
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
    QVERIFY(QSignalSpy(&m.engine, &PollingEngine::passFinished).wait(5000));

    // The button still starts a pass at once.
    m.clock.advanceMs(-500'000);
    QVERIFY(m.pass());
    QCOMPARE(m.passesStarted, 2);
}

void tst_Polling::tickDuringPassNeverStartsSecond()
{
    Monitor m;
    m.engine.setRefreshSecs(0);
    m.add(QStringLiteral("127.0.0.16"), QStringLiteral("host"), 30);
    m.transport.setDown(QStringLiteral("127.0.0.16"));
    // Ticks while probing and while the alert is handled.
    QObject::connect(&m.engine, &PollingEngine::outageBegan, [&] {
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
    QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
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
    QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
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
    QCOMPARE(m.events, QStringList({QStringLiteral("red 127.0.0.18 down 20"), QStringLiteral("green 127.0.0.19 back 20")}));
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
        QObject::connect(&m.engine, &PollingEngine::outageBegan, &m.engine, [&m] { m.engine.stop(); });
        QSignalSpy finished(&m.engine, &PollingEngine::passFinished);
        m.engine.CheckAll();
        QTRY_VERIFY_WITH_TIMEOUT(!m.engine.isRunning(), 5000);
        QVERIFY(!QTest::qWaitFor([&m, &finished] { return m.events.size() > 1 || finished.count() > 0; }, 100));
        QCOMPARE(m.events, QStringList(QStringLiteral("red 127.0.0.21 host 20")));
        QCOMPARE(m.db.rows(QStringLiteral("select ip from logs")), QStringList(QStringLiteral("127.0.0.21")));
        QCOMPARE(finished.count(), 0);
    }

    // Stopped while probing: nothing at all; and no later pass starts.
    Monitor n;
    QVERIFY(n.db.isValid());
    n.add(QStringLiteral("127.0.0.24"));
    n.transport.setDown(QStringLiteral("127.0.0.24"));
    QSignalSpy nFinished(&n.engine, &PollingEngine::passFinished);
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

QTEST_GUILESS_MAIN(tst_Polling)
#include "tst_polling.moc"
