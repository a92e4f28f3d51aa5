// The monitor's side of a database server: its lock on the database, a
// server that goes away and comes back, and passes while it is away. Each
// test runs a server of its own (PrivatePgServer), since it stops it.
#include "Database.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "MonitorLock.h"
#include "PollingEngine.h"
#include "PrivatePgServer.h"
#include "MonitorStore.h"
#include "ServerSession.h"
#include "WriteQueue.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QSysInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

using namespace monitor;

namespace {

const QString Db = QStringLiteral("orvant_session");

Database::Options monitorOptions()
{
    Database::Options options;
    options.busyTimeoutMs = 50;
    return options;
}

OutageWrite begin(const QString &ip, int second)
{
    return {OutageWrite::Begin, ip, QStringLiteral("«%1»").arg(ip), QDateTime(QDate(2026, 1, 1), QTime(10, 0, second))};
}

OutageWrite end(const QString &ip, int second)
{
    return {OutageWrite::End, ip, QString(), QDateTime(QDate(2026, 1, 1), QTime(11, 0, second))};
}

// The monitor's store on the server, statements at once on this thread, on
// the connection "monitor".
std::unique_ptr<MonitorStore> openedStore(const DatabaseConfig &config)
{
    auto store = MonitorStore::inlineOn(QStringLiteral("monitor"));
    store->setDatabase(config);
    MonitorStore::Opening opened;
    store->open(nullptr, false, [&](const MonitorStore::Opening &o) { opened = o; });
    if (opened.result != MonitorStore::Opening::Opened)
        qWarning("%s", qPrintable(opened.error + opened.holder));
    return store;
}

// Ticks the store (as the session's timer does) until it is usable again or
// the time is up.
bool reconnect(MonitorStore &store, int ms = 8000)
{
    QElapsedTimer t;
    t.start();
    while (!store.isUsable() && t.elapsed() < ms) {
        store.tick();
        QTest::qWait(50);
    }
    return store.isUsable();
}

// Ticks the session (as the window's timer does) until it is connected
// again or the time is up.
bool reconnect(ServerSession &session, int ms = 8000)
{
    QElapsedTimer t;
    t.start();
    while (!session.isConnected() && t.elapsed() < ms) {
        session.tick();
        QTest::qWait(50);
    }
    return session.isConnected();
}

} // namespace

class tst_ServerSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondMonitorRefusedUntilTheFirstEnds();
    void ownLeftoverSessionGivesWayOthersDoNot();
    void twinWithOurPidAndHostIsNeverEnded();
    void retryDelayGrowsToAMinute_data();
    void retryDelayGrowsToAMinute();
    void refusedLoginIsToldWithTheReasonAndBacksOff();
    void writesKeptWhileTheDatabaseIsReadOnly();
    void writesWaitForTheServerAndAreMadeOnce();
    void lossFoundByAnotherStatementIsToldAtTheNextTick();
    void reconnectFindsAnotherMonitorAndWritesNothing();
    void passesGoOnWithTheLastBookWhileTheServerIsAway();

private:
    std::unique_ptr<PrivatePgServer> m_server;
};

void tst_ServerSession::init()
{
    // A computation only: no server to start for it.
    if (qstrcmp(QTest::currentTestFunction(), "retryDelayGrowsToAMinute") == 0)
        return;
    m_server = std::make_unique<PrivatePgServer>();
    if (!m_server->isValid())
        QFAIL(qPrintable(m_server->error()));
    QVERIFY2(m_server->createDatabase(Db), qPrintable(m_server->error()));
}

void tst_ServerSession::cleanup()
{
    for (const QString &name : QSqlDatabase::connectionNames())
        Database::close(name);
    m_server.reset();
}

void tst_ServerSession::secondMonitorRefusedUntilTheFirstEnds()
{
    ServerSession first(m_server->config(Db), monitorOptions(), QStringLiteral("first"));
    ServerSession second(m_server->config(Db), monitorOptions(), QStringLiteral("second"));
    // Another machine's monitor: this process's session is not its own.
    second.setSessionName(QStringLiteral("orvant 2@elsewhere"));
    QString text;
    QCOMPARE(first.open(&text), ServerSession::OpenResult::Opened);

    QCOMPARE(second.open(&text), ServerSession::OpenResult::HeldByOther);
    // Says whose session holds it: the holding monitor names itself.
    QVERIFY2(text.contains(MonitorLock::sessionNameOfThisProcess()), qPrintable(text));
    QCOMPARE(second.state(), ServerSession::State::HeldByOther);
    // Refused means closed: nothing of it can reach the database.
    QVERIFY(!QSqlDatabase::database(QStringLiteral("second"), false).isOpen());
    QVERIFY(!second.usable());

    first.close();
    QCOMPARE(second.open(&text), ServerSession::OpenResult::Opened);
    QVERIFY(second.usable());
}

void tst_ServerSession::ownLeftoverSessionGivesWayOthersDoNot()
{
    // A session of this process whose connection the monitor believes
    // broken still holds the lock on the server.
    QString error;
    QVERIFY2(Database::open(m_server->config(Db), monitorOptions(), &error, QStringLiteral("leftover"), nullptr),
             qPrintable(error));
    QSqlDatabase leftover = QSqlDatabase::database(QStringLiteral("leftover"), false);
    QVERIFY(MonitorLock::nameSession(leftover, MonitorLock::sessionNameOfThisProcess(), &error));
    QString holder;
    QCOMPARE(MonitorLock::take(leftover, MonitorLock::sessionNameOfThisProcess(), &holder, &error),
             MonitorLock::Result::Taken);

    ServerSession session(m_server->config(Db), monitorOptions(), QStringLiteral("monitor"));
    QString text;
    QCOMPARE(session.open(&text), ServerSession::OpenResult::Opened);
    QSqlQuery probe(leftover);
    QVERIFY2(!probe.exec(QStringLiteral("select 1")), "the leftover session was not ended");
    session.close();

    // Another monitor's session is never ended.
    QVERIFY(Database::open(m_server->config(Db), monitorOptions(), &error, QStringLiteral("other"), nullptr));
    QSqlDatabase other = QSqlDatabase::database(QStringLiteral("other"), false);
    QVERIFY(MonitorLock::nameSession(other, QStringLiteral("orvant 1@elsewhere"), &error));
    QCOMPARE(MonitorLock::take(other, QStringLiteral("orvant 1@elsewhere"), &holder, &error),
             MonitorLock::Result::Taken);
    QCOMPARE(session.open(&text), ServerSession::OpenResult::HeldByOther);
    QVERIFY2(text.contains(QStringLiteral("orvant 1@elsewhere")), qPrintable(text));
    QSqlQuery alive(other);
    QVERIFY(alive.exec(QStringLiteral("select 1")));
}

// Another monitor in a container or PID namespace of its own may have the
// same process id on a machine of the same name: its session is another
// monitor's, which is refused, never ended.
void tst_ServerSession::twinWithOurPidAndHostIsNeverEnded()
{
    const QString ours = MonitorLock::sessionNameOfThisProcess();
    QCOMPARE(MonitorLock::sessionNameOfThisProcess(), ours); // one name for the whole run
    const QString twin = QStringLiteral("orvant %1@%2").arg(QCoreApplication::applicationPid()).arg(QSysInfo::machineHostName());
    const QString twinWithToken = QStringLiteral("orvant %1.0123456789ab@%2")
                                      .arg(QCoreApplication::applicationPid())
                                      .arg(QSysInfo::machineHostName());
    QVERIFY(ours != twin && ours != twinWithToken);
    int i = 0;
    for (const QString &name : {twin, twinWithToken}) {
        const QString connection = QStringLiteral("twin%1").arg(++i);
        QString error;
        QVERIFY2(Database::open(m_server->config(Db), monitorOptions(), &error, connection, nullptr), qPrintable(error));
        QSqlDatabase other = QSqlDatabase::database(connection, false);
        QVERIFY(MonitorLock::nameSession(other, name, &error));
        QString holder;
        QCOMPARE(MonitorLock::take(other, name, &holder, &error), MonitorLock::Result::Taken);

        ServerSession session(m_server->config(Db), monitorOptions(), QStringLiteral("monitor"));
        QString text;
        QCOMPARE(session.open(&text), ServerSession::OpenResult::HeldByOther);
        QVERIFY2(text.contains(name), qPrintable(text));
        QSqlQuery alive(other);
        QVERIFY2(alive.exec(QStringLiteral("select 1")), "the twin's session was ended");
        Database::close(connection);
    }
}

void tst_ServerSession::retryDelayGrowsToAMinute_data()
{
    QTest::addColumn<int>("failed");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("first") << 1 << 1000;
    QTest::newRow("second") << 2 << 2000;
    QTest::newRow("sixth") << 6 << 32000;
    QTest::newRow("seventh: the minute") << 7 << 60000;
    QTest::newRow("a day of them") << 1440 << 60000;
    QTest::newRow("past 31 shifts") << 40 << 60000;
}

void tst_ServerSession::retryDelayGrowsToAMinute()
{
    QFETCH(int, failed);
    QFETCH(int, delayMs);
    QCOMPARE(ServerSession::retryDelayMs(failed), delayMs);
}

// A server that answers and refuses the login: the reason is the server's,
// said first, and the ticks do not log in again every time.
void tst_ServerSession::refusedLoginIsToldWithTheReasonAndBacksOff()
{
    const DatabaseConfig good = m_server->config(Db);
    const DatabaseConfig wrong =
        DatabaseConfig::server(good.host(), good.port(), good.name(), QStringLiteral("no_such_role"));
    ServerSession session(wrong, monitorOptions(), QStringLiteral("monitor"));
    QString text;
    QCOMPARE(session.openAtStart(&text), ServerSession::OpenResult::Failed);
    QVERIFY2(text.contains(QStringLiteral("no_such_role")) && text.contains(QStringLiteral("отказал во входе")),
             qPrintable(text));
    QVERIFY2(text.indexOf(QStringLiteral("no_such_role")) < text.indexOf(QStringLiteral("отказал во входе")),
             qPrintable(text));
    QSignalSpy failed(&session, &ServerSession::reconnectFailed);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 3500) {
        session.tick();
        QTest::qWait(50);
    }
    // Once a tick would be some seventy logins; backing off, 1 s then 2 s.
    QVERIFY2(failed.count() >= 1 && failed.count() <= 2, qPrintable(QString::number(failed.count())));
}

// A database made read-only for a while (SQLSTATE 25006) refuses the writes
// for now: they are kept in order, nothing is told as failed, and once it
// takes writes again each is made once.
void tst_ServerSession::writesKeptWhileTheDatabaseIsReadOnly()
{
    auto store = openedStore(m_server->config(Db));
    QVERIFY(store->isUsable());
    WriteQueue queue(nullptr);
    store->serve(&queue);
    QSignalSpy waiting(&queue, &WriteQueue::waiting);
    QSignalSpy refused(&queue, &WriteQueue::writeFailed);
    QSqlQuery admin(QSqlDatabase::database(QStringLiteral("monitor"), false));
    QVERIFY(admin.exec(QStringLiteral("set default_transaction_read_only=on")));

    queue.submit(begin(QStringLiteral("10.0.0.1"), 1));
    queue.submit(end(QStringLiteral("10.0.0.1"), 2));
    queue.submit(begin(QStringLiteral("10.0.0.2"), 3));
    for (int i = 0; i < 3; ++i)
        queue.retry();
    QCOMPARE(queue.size(), 3);
    QCOMPARE(waiting.count(), 1);
    QVERIFY2(queue.lastError().contains(QStringLiteral("read-only")), qPrintable(queue.lastError()));
    QVERIFY(refused.isEmpty());
    QVERIFY(store->isUsable());

    QVERIFY(admin.exec(QStringLiteral("set default_transaction_read_only=off")));
    queue.retry();
    QVERIFY2(queue.isEmpty(), qPrintable(queue.lastError()));
    QVERIFY(refused.isEmpty());
    QCOMPARE(m_server->rows(Db, QStringLiteral("select ip,time_begin,coalesce(time_end,'-'),foe from logs order by id")),
             (QStringList{QStringLiteral("10.0.0.1|2026-01-01 10:00:01|2026-01-01 11:00:02|1"),
                          QStringLiteral("10.0.0.2|2026-01-01 10:00:03|-|0")}));
}

void tst_ServerSession::writesWaitForTheServerAndAreMadeOnce()
{
    auto store = openedStore(m_server->config(Db));
    QVERIFY(store->isUsable());
    WriteQueue queue(nullptr);
    store->serve(&queue);
    QSignalSpy lost(store.get(), &MonitorStore::connectionLost);
    QSignalSpy failed(store.get(), &MonitorStore::reconnectFailed);
    QSignalSpy waiting(&queue, &WriteQueue::waiting);
    QSignalSpy resumed(&queue, &WriteQueue::resumed);
    QSignalSpy refused(&queue, &WriteQueue::writeFailed);

    queue.submit(begin(QStringLiteral("10.0.0.1"), 1));
    QVERIFY(queue.isEmpty());

    QVERIFY(m_server->stop());
    queue.submit(end(QStringLiteral("10.0.0.1"), 2));
    queue.submit(begin(QStringLiteral("10.0.0.2"), 3));
    QCOMPARE(queue.size(), 2);
    QCOMPARE(lost.count(), 1);
    QCOMPARE(waiting.count(), 1);
    QVERIFY(refused.isEmpty());

    // Ticks while the server is away: each tries once, none writes, the
    // loss is said once.
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 5; ++i) {
        store->tick();
        queue.retry();
        QTest::qWait(50);
    }
    QVERIFY(!store->isUsable());
    QVERIFY(!failed.isEmpty());
    QCOMPARE(queue.size(), 2);
    QCOMPARE(lost.count(), 1);

    QVERIFY(m_server->start());
    QVERIFY(reconnect(*store));
    queue.retry();
    QVERIFY2(queue.isEmpty(), qPrintable(queue.lastError()));
    QCOMPARE(resumed.count(), 1);
    QCOMPARE(resumed.at(0).at(0).toInt(), 2);
    QVERIFY(refused.isEmpty());
    QCOMPARE(m_server->rows(Db, QStringLiteral("select ip,time_begin,coalesce(time_end,'-'),foe,\"desc\" from logs order by id")),
             (QStringList{QStringLiteral("10.0.0.1|2026-01-01 10:00:01|2026-01-01 11:00:02|1|«10.0.0.1»"),
                          QStringLiteral("10.0.0.2|2026-01-01 10:00:03|-|0|«10.0.0.2»")}));
}

void tst_ServerSession::lossFoundByAnotherStatementIsToldAtTheNextTick()
{
    ServerSession session(m_server->config(Db), monitorOptions(), QStringLiteral("monitor"));
    QString text;
    QCOMPARE(session.open(&text), ServerSession::OpenResult::Opened);
    QSignalSpy lost(&session, &ServerSession::connectionLost);
    QVERIFY(m_server->stop());
    {
        // The report window's statement, say: it never asks the session.
        QSqlQuery report(QSqlDatabase::database(QStringLiteral("monitor"), false));
        QVERIFY(!report.exec(QStringLiteral("select 1")));
    }
    QVERIFY(!session.usable());
    session.tick();
    QCOMPARE(lost.count(), 1);
    QVERIFY(m_server->start());
    QVERIFY(reconnect(session));
    QCOMPARE(lost.count(), 1);
}

void tst_ServerSession::reconnectFindsAnotherMonitorAndWritesNothing()
{
    auto store = openedStore(m_server->config(Db));
    QVERIFY(store->isUsable());
    WriteQueue queue(nullptr);
    store->serve(&queue);
    QString text;
    QSignalSpy held(store.get(), &MonitorStore::heldByOther);

    QVERIFY(m_server->stop());
    QVERIFY(m_server->start());
    // Another monitor gets there first.
    ServerSession other(m_server->config(Db), monitorOptions(), QStringLiteral("other"));
    other.setSessionName(QStringLiteral("orvant 2@elsewhere"));
    QCOMPARE(other.open(&text), ServerSession::OpenResult::Opened);

    queue.submit(begin(QStringLiteral("10.0.0.1"), 1));
    QVERIFY(!queue.isEmpty());
    QElapsedTimer t;
    t.start();
    while (held.isEmpty() && t.elapsed() < 8000) {
        store->tick();
        QTest::qWait(50);
    }
    QCOMPARE(held.count(), 1);
    // Another machine's monitor, not this run's own session.
    QCOMPARE(held.at(0).at(1).toBool(), false);
    queue.retry();
    QCOMPARE(queue.size(), 1);
    QCOMPARE(m_server->rows(Db, QStringLiteral("select count(*) from logs")), QStringList{QStringLiteral("0")});

    // Once the other one ends, this one takes the database and writes.
    other.close();
    QVERIFY(reconnect(*store));
    queue.retry();
    QVERIFY2(queue.isEmpty(), qPrintable(queue.lastError()));
    QCOMPARE(m_server->rows(Db, QStringLiteral("select ip,foe from logs")), QStringList{QStringLiteral("10.0.0.1|0")});
}

void tst_ServerSession::passesGoOnWithTheLastBookWhileTheServerIsAway()
{
    auto store = MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
    store->setDatabase(m_server->config(Db));
    MonitorStore::Opening opened;
    store->open(nullptr, false, [&](const MonitorStore::Opening &o) { opened = o; });
    QCOMPARE(opened.result, MonitorStore::Opening::Opened);
    {
        QSqlQuery q(QSqlDatabase::database());
        QVERIFY(q.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                                      "('10.0.0.1','comes back',20),('10.0.0.2','goes down',20),('10.0.0.3','stays',20)")));
    }
    FakeClock clock;
    FakeEchoTransport transport;
    PollingEngine engine(&transport, &clock);
    engine.setStore(store.get());
    QStringList events;
    QStringList errors;
    QObject::connect(&engine, &PollingEngine::changeDecided, [&](const OutageChange &c) {
        events << (c.kind == OutageChange::Began ? QStringLiteral("red ") : QStringLiteral("green ")) + c.ip;
    });
    QObject::connect(&engine, &PollingEngine::databaseError,
                     [&](const QString &what, const QString &error) { errors << what + QStringLiteral(": ") + error; });
    auto pass = [&] {
        QSignalSpy finished(&engine, &PollingEngine::passEnded);
        engine.CheckAll();
        return finished.wait(10000);
    };

    transport.setDown(QStringLiteral("10.0.0.1"));
    QVERIFY(pass());
    QCOMPARE(events, QStringList{QStringLiteral("red 10.0.0.1")});

    QVERIFY(m_server->stop());
    clock.advanceMs(60'000);
    transport.setUp(QStringLiteral("10.0.0.1"));
    transport.setDown(QStringLiteral("10.0.0.2"));
    events.clear();
    QVERIFY(pass());
    // Probed and alerted without the server, from the book it last read.
    QCOMPARE(events, (QStringList{QStringLiteral("green 10.0.0.1"), QStringLiteral("red 10.0.0.2")}));
    QCOMPARE(engine.writeQueue()->size(), 2);
    // A second pass away changes nothing: the kept writes are the picture.
    events.clear();
    QVERIFY(pass());
    QVERIFY2(events.isEmpty(), qPrintable(events.join(QLatin1Char(','))));
    QCOMPARE(engine.writeQueue()->size(), 2);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));

    QVERIFY(m_server->start());
    QVERIFY(reconnect(*store));
    engine.tick();
    QVERIFY2(engine.writeQueue()->isEmpty(), qPrintable(engine.writeQueue()->lastError()));
    events.clear();
    QVERIFY(pass());
    QVERIFY(events.isEmpty());
    QCOMPARE(m_server->rows(Db, QStringLiteral("select ip,foe,time_end is null from logs order by id")),
             (QStringList{QStringLiteral("10.0.0.1|1|f"), QStringLiteral("10.0.0.2|0|t")}));
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(tst_ServerSession)
#include "tst_serversession.moc"
