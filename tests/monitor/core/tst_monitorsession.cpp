// The monitor's session without a window: its locks, a database that is
// missing at start and appears later, writes kept across a restart, and the
// open outages as the session knows them while another program holds the file.
#include "ChangeLog.h"
#include "Database.h"
#include "DateTimeText.h"
#include "EventListModel.h"
#include "FakeClock.h"
#include "FakeEchoTransport.h"
#include "FakeMonotonicClock.h"
#include "MonitorSession.h"
#include "PollingEngine.h"
#include "PrivatePgServer.h"
#include "SingleInstance.h"
#include "TempDatabase.h"
#include "WriteQueue.h"

#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace monitor;

namespace {

const QString Down = QStringLiteral("127.0.0.2");
const QString Fixture = QStringLiteral("fixture");

// A session on a file, with a scripted transport; the test's own statements
// go through a connection of their own, as another program's would.
struct Rig
{
    TempDatabase db{Fixture};
    QTemporaryDir locks;
    FakeClock clock;
    FakeEchoTransport transport;
    std::unique_ptr<PollingEngine> engine;
    std::unique_ptr<MonitorSession> session;
    QStringList notices;
    bool threaded = false;
    DatabaseConfig server;  // a server instead of the file, when named

    Rig()
    {
        db.exec(QStringLiteral("delete from addrs"));
        db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,?)"),
                {Down, QStringLiteral("Сервер"), 10});
    }

    SessionSetup setup(const QString &path = QString()) const
    {
        SessionSetup s;
        s.databasePath = path.isEmpty() ? db.path() : path;
        s.programDirectory = db.directory();
        s.lockDirectory = locks.path();
        s.databaseLockDirectory = locks.path();
        s.databaseThread = threaded;
        s.database = server;
        return s;
    }

    MonitorSession &make(const QString &path = QString())
    {
        // A stopped engine stays stopped: each run has its own, as each
        // process does.
        session.reset();
        engine.reset();
        Database::close();
        engine = std::make_unique<PollingEngine>(&transport, &clock);
        session = std::make_unique<MonitorSession>(setup(path), engine.get(), &clock);
        QObject::connect(session.get(), &MonitorSession::notice, [this](const QString &t) { notices << t; });
        return *session;
    }

    bool pass()
    {
        QSignalSpy finished(engine.get(), &PollingEngine::passEnded);
        session->checkNow();
        return finished.count() > 0 || finished.wait(5000);
    }

    int rows(const QString &where) { return db.scalar(QStringLiteral("select count(*) from logs where ") + where).toInt(); }
};

} // namespace

class tst_MonitorSession : public QObject
{
    Q_OBJECT

    // Statements at once on the test's thread, and on the database thread as
    // the program runs them.
    static void onBothSides()
    {
        QTest::addColumn<bool>("threaded");
        QTest::newRow("inline") << false;
        QTest::newRow("database thread") << true;
    }

private slots:
    void cleanup() { Database::close(); }
    void anotherMonitorRefused_data();
    void anotherMonitorRefused();
    void missingDatabaseOpenedWhenItAppears_data() { onBothSides(); }
    void missingDatabaseOpenedWhenItAppears();
    void keptWritesMadeOnceAtTheNextStart_data() { onBothSides(); }
    void keptWritesMadeOnceAtTheNextStart();
    void queuedOutageIsOpenBeforeItsRowExists_data() { onBothSides(); }
    void queuedOutageIsOpenBeforeItsRowExists();
    void refusedOutageIsMadeWholeOnceAtTheNextStart_data() { onBothSides(); }
    void refusedOutageIsMadeWholeOnceAtTheNextStart();
    void deletedFileIsToldAndWritesWaitForTheNextOne_data() { onBothSides(); }
    void deletedFileIsToldAndWritesWaitForTheNextOne();
    void serverLostAndBack();
    void clockSetBackAsTheFirstPassEndsIsTold();
    void eventListKeepsNewestLinesWithTheirKind();
    void eventListNotesQuietLine_data();
    void eventListNotesQuietLine();
};

void tst_MonitorSession::anotherMonitorRefused_data()
{
    QTest::addColumn<bool>("sameUser");
    QTest::newRow("this user's monitor") << true;
    QTest::newRow("a monitor of the same file") << false;
}

void tst_MonitorSession::anotherMonitorRefused()
{
    QFETCH(bool, sameUser);
    Rig rig;
    std::unique_ptr<SingleInstance> other;
    QString why;
    if (sameUser)
        other = std::make_unique<SingleInstance>(QStringLiteral("orvant"), rig.locks.path());
    else
        other = SingleInstance::forDatabase(rig.db.path(), rig.locks.path(), &why);
    QVERIFY(other && other->tryAcquire());

    MonitorSession &session = rig.make();
    QSignalSpy refused(&session, &MonitorSession::refused);
    QSignalSpy opened(&session, &MonitorSession::databaseOpened);
    QCOMPARE(session.start(), MonitorSession::StartResult::AlreadyRunning);
    QCOMPARE(refused.count(), 1);
    QVERIFY(refused.at(0).at(0).toString().startsWith(QStringLiteral("Программа уже запущена!")));
    // Refused before the database: nothing was opened, nothing probed.
    QCOMPARE(opened.count(), 0);
    QVERIFY(!QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
    QCOMPARE(rig.transport.requests.size(), 0);
}

void tst_MonitorSession::missingDatabaseOpenedWhenItAppears()
{
    QFETCH(bool, threaded);
    Rig rig;
    rig.threaded = threaded;
    QTemporaryDir elsewhere;
    const QString path = elsewhere.filePath(QString::fromLatin1(Database::FileName));
    MonitorSession &session = rig.make(path);
    QSignalSpy unopened(&session, &MonitorSession::unopenedAtStart);
    QSignalSpy opened(&session, &MonitorSession::databaseOpened);
    QCOMPARE(session.start(), MonitorSession::StartResult::Started);
    QCOMPARE(unopened.count(), 1);
    QVERIFY(unopened.at(0).at(0).toString().contains(path));
    QVERIFY(!session.databaseUsable());
    rig.transport.setDown(Down);
    QVERIFY(rig.pass());  // no book: nothing probed, nothing told again
    QCOMPARE(unopened.count(), 1);
    QCOMPARE(opened.count(), 0);

    rig.db.scalar(QStringLiteral("pragma wal_checkpoint(truncate)"));
    QVERIFY(QFile::copy(rig.db.path(), path));
    QVERIFY(rig.pass());
    QTRY_VERIFY(rig.engine->writeQueue()->isEmpty());
    QCOMPARE(opened.count(), 1);
    QVERIFY(session.databaseUsable());
    QVERIFY(session.hostState()->isDown(Down));
    QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copy"));
    copy.setDatabaseName(path);
    QVERIFY(copy.open());
    QSqlQuery q(copy);
    QVERIFY(q.exec(QStringLiteral("select count(*) from logs where foe=0")) && q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    q = QSqlQuery();
    copy = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("copy"));
}

void tst_MonitorSession::keptWritesMadeOnceAtTheNextStart()
{
    QFETCH(bool, threaded);
    Rig rig;
    rig.threaded = threaded;
    {
        QFile kept(rig.make().pendingWritesPath());
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write(R"([{"kind":"begin","ip":"127.0.0.7","desc":"kept","at":"2026-01-01 10:00:00"},
                      {"kind":"end","ip":"127.0.0.7","desc":"","at":"2026-01-01 10:05:00"},
                      {"kind":"begin","ip":"127.0.0.8","desc":"still open","at":"2026-01-01 10:06:00"}])");
    }
    for (int run = 0; run < 2; ++run) {
        MonitorSession &session = rig.make();
        QCOMPARE(session.start(), MonitorSession::StartResult::Started);
        QVERIFY(!QFile::exists(session.pendingWritesPath()));
        // On the database thread the writes are made after start() returns.
        QTRY_VERIFY(rig.engine->writeQueue()->isEmpty());
        QCOMPARE(rig.rows(QStringLiteral("ip='127.0.0.7' and foe=1 and time_begin='2026-01-01 10:00:00' "
                                         "and time_end='2026-01-01 10:05:00'")),
                 1);
        QCOMPARE(rig.rows(QStringLiteral("ip='127.0.0.8' and foe=0")), 1);
        // The open picture is the log's once the kept writes are laid over it.
        QVERIFY(session.hostState()->isDown(QStringLiteral("127.0.0.8")));
        QVERIFY(!session.hostState()->isDown(QStringLiteral("127.0.0.7")));
        session.stop();
    }
    QCOMPARE(rig.rows(QStringLiteral("1=1")), 2);
}

void tst_MonitorSession::queuedOutageIsOpenBeforeItsRowExists()
{
    QFETCH(bool, threaded);
    Rig rig;
    rig.threaded = threaded;
    MonitorSession &session = rig.make();
    QCOMPARE(session.start(), MonitorSession::StartResult::Started);

    // Another program holds the file's write lock for the whole pass.
    QString error;
    QVERIFY(Database::open(rig.db.path(), &error, QStringLiteral("other program")));
    QSqlQuery other(QSqlDatabase::database(QStringLiteral("other program")));
    QVERIFY(other.exec(QStringLiteral("begin immediate")));

    rig.transport.setDown(Down);
    ChangeLog changes(rig.engine.get());
    QVERIFY(rig.pass());
    QCOMPARE(changes.began.count(), 1);
    QCOMPARE(changes.began.at(0).begin, rig.clock.now());
    QCOMPARE(rig.engine->writeQueue()->size(), 1);
    QCOMPARE(rig.rows(QStringLiteral("1=1")), 0);
    QVERIFY(session.hostState()->isDown(Down));
    QCOMPARE(session.hostState()->openOutages().at(0).desc, QStringLiteral("Сервер"));

    // Still held at the end: the write goes to the file, and the next run
    // makes it once.
    session.stop();
    QVERIFY(QFile::exists(session.pendingWritesPath()));
    QVERIFY(other.exec(QStringLiteral("rollback")));
    other = QSqlQuery();
    Database::close(QStringLiteral("other program"));
    rig.transport.setUp(Down);
    MonitorSession &next = rig.make();
    QCOMPARE(next.start(), MonitorSession::StartResult::Started);
    QTRY_VERIFY(rig.engine->writeQueue()->isEmpty());
    QCOMPARE(rig.rows(QStringLiteral("foe=0")), 1);
    QVERIFY(next.hostState()->isDown(Down));
    QVERIFY(rig.pass());  // the host answers: closed, once
    QTRY_VERIFY(rig.engine->writeQueue()->isEmpty());
    QCOMPARE(rig.rows(QStringLiteral("foe=1")), 1);
    QCOMPARE(rig.rows(QStringLiteral("1=1")), 1);
    QVERIFY(!next.hostState()->isDown(Down));
}

// The log refuses the outage's Begin for a few passes (a full disk, a broken
// table) while the host stays down, then takes writes again; the host comes
// back. The outage is decided once, its End goes with its refused Begin to
// the pending file, and the next start makes exactly that outage: no row
// made up from a Begin decided again at every pass.
void tst_MonitorSession::refusedOutageIsMadeWholeOnceAtTheNextStart()
{
    QFETCH(bool, threaded);
    Rig rig;
    rig.threaded = threaded;
    MonitorSession &session = rig.make();
    QCOMPARE(session.start(), MonitorSession::StartResult::Started);
    QVERIFY(rig.db.refuse(QStringLiteral("insert"), QStringLiteral("logs"), QStringLiteral("disk is full")));
    rig.transport.setDown(Down);
    const QDateTime began = rig.clock.now();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("disk is full")));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(rig.pass());
        rig.clock.advanceMs(2000);
    }
    QVERIFY(rig.db.allow(QStringLiteral("insert"), QStringLiteral("logs")));
    for (int i = 0; i < 2; ++i) {
        QVERIFY(rig.pass());
        rig.clock.advanceMs(2000);
    }
    rig.transport.setUp(Down);
    QVERIFY(rig.pass());
    QTRY_VERIFY(!rig.engine->writeQueue()->hasWriteUnderWay());
    QCOMPARE(rig.rows(QStringLiteral("1=1")), 0);
    session.stop();
    QVERIFY(QFile::exists(session.pendingWritesPath()));

    MonitorSession &next = rig.make();
    QCOMPARE(next.start(), MonitorSession::StartResult::Started);
    QTRY_VERIFY(rig.engine->writeQueue()->isEmpty());
    QCOMPARE(rig.db.rows(QStringLiteral("select time_begin,foe from logs")),
             QStringList(DateTimeText::fromDateTime(began) + QStringLiteral("|1")));
}

// The database file is deleted while the monitor runs: the next statement
// finds another file (none) at the path, says so, and nothing more goes to
// the deleted one, which nobody would read again. Passes go on with the book
// last read, the outage decided meanwhile waits, and once a database is at
// the path again (restored from a copy) it is written there.
void tst_MonitorSession::deletedFileIsToldAndWritesWaitForTheNextOne()
{
    QFETCH(bool, threaded);
    Rig rig;
    rig.threaded = threaded;
    const QString path = rig.db.path();
    rig.db.scalar(QStringLiteral("pragma wal_checkpoint(truncate)"));
    const QString copy = path + QStringLiteral(".copy");
    QVERIFY(QFile::copy(path, copy));
    MonitorSession &session = rig.make();
    QCOMPARE(session.start(), MonitorSession::StartResult::Started);
    QVERIFY(rig.pass());

    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(path + suffix);
    rig.transport.setDown(Down);
    for (int i = 0; i < 3 && rig.engine->writeQueue()->isEmpty(); ++i)
        QVERIFY(rig.pass());
    QCOMPARE(rig.engine->writeQueue()->size(), 1);
    QVERIFY(session.hostState()->isDown(Down));
    // The write's answer comes after the pass on the database thread.
    QTRY_VERIFY(rig.notices.join(QLatin1Char('\n')).contains(QStringLiteral("недоступна")));
    const QString told = rig.notices.join(QLatin1Char('\n'));
    QCOMPARE(told.count(QStringLiteral("удалён или заменён")), 1);
    QVERIFY2(!told.contains(QStringLiteral("занята другой программой")), qPrintable(told));
    QVERIFY2(told.contains(QStringLiteral("недоступна")), qPrintable(told));
    QVERIFY(!session.databaseUsable());

    QVERIFY(QFile::rename(copy, path));
    QVERIFY(rig.pass());
    QTRY_VERIFY(rig.engine->writeQueue()->isEmpty());
    QVERIFY(session.databaseUsable());
    // The test's own connection still reads the deleted file: it is opened anew.
    Database::close(Fixture);
    QString error;
    QVERIFY2(Database::open(path, &error, Fixture), qPrintable(error));
    QCOMPARE(rig.rows(QStringLiteral("ip='127.0.0.2' and foe=0")), 1);
    session.stop();
}

// The server goes away during the passes and comes back: the outage decided
// meanwhile is alerted at once, in the open picture, and made once.
void tst_MonitorSession::serverLostAndBack()
{
    PrivatePgServer pg;
    if (!pg.isValid())
        QSKIP(qPrintable(pg.error()));
    const QString name = QStringLiteral("session_e2e");
    QVERIFY2(pg.createDatabase(name), qPrintable(pg.error()));
    QVERIFY(!pg.rows(name, QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                                           "('127.0.0.2','Сервер',10) returning 1"))
                 .isEmpty());
    Rig rig;
    rig.threaded = true;
    rig.server = pg.config(name);
    MonitorSession &session = rig.make();
    QSignalSpy lost(&session, &MonitorSession::databaseLost);
    QSignalSpy back(&session, &MonitorSession::databaseBack);
    QCOMPARE(session.start(), MonitorSession::StartResult::Started);
    QVERIFY(session.databaseUsable());
    QVERIFY(rig.pass());

    QVERIFY(pg.stop());
    rig.transport.setDown(Down);
    // The pass that meets the lost server probes the last book read.
    ChangeLog changes(rig.engine.get());
    for (int i = 0; i < 3 && changes.began.isEmpty(); ++i)
        QVERIFY(rig.pass());
    QCOMPARE(changes.began.count(), 1);
    QCOMPARE(lost.count(), 1);
    QVERIFY(session.hostState()->isDown(Down));
    QVERIFY(!session.databaseUsable());

    QVERIFY(pg.start());
    QTRY_COMPARE_WITH_TIMEOUT((session.tick(), back.count()), 1, 15000);
    QTRY_COMPARE_WITH_TIMEOUT((session.tick(), rig.engine->writeQueue()->size()), 0, 10000);
    QVERIFY(rig.pass());
    QCOMPARE(pg.rows(name, QStringLiteral("select ip, foe from logs")),
             QStringList(QStringLiteral("127.0.0.2|0")));
    QVERIFY(session.hostState()->isDown(Down));
    session.stop();
}

// The first pass anchors the schedule once; a step of the wall clock between
// its end and the session's return must still be noticed at the next tick.
void tst_MonitorSession::clockSetBackAsTheFirstPassEndsIsTold()
{
    Rig rig;
    rig.clock.set(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
    MonitorSession &session = rig.make();
    FakeMonotonicClock boot;
    rig.engine->setScheduleClock(&boot);
    QStringList told;
    QObject::connect(rig.engine.get(), &PollingEngine::notice, [&](const QString &t) { told << t; });
    QCOMPARE(session.start(), MonitorSession::StartResult::Started);
    QObject::connect(rig.engine.get(), &PollingEngine::passEnded,
                     [&] { rig.clock.set(rig.clock.now().addSecs(-3600)); });
    session.runFirstPass();
    QCOMPARE(rig.clock.now(), QDateTime(QDate(2026, 3, 2), QTime(9, 0)));
    rig.engine->tick();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(QStringLiteral("часы переведены назад")), qPrintable(told.first()));
}

void tst_MonitorSession::eventListKeepsNewestLinesWithTheirKind()
{
    EventListModel list;
    list.setCap(3);
    list.addHostLine(EventListModel::Kind::OutageBegan, QStringLiteral("10:00:01"), QStringLiteral("a\tb"),
                     QStringLiteral("10.0.0.1"), QStringLiteral("20"));
    list.addTextLine(EventListModel::Kind::Notice, QStringLiteral("10:00:02"), QStringLiteral("notice\nwhole"));
    list.addHostLine(EventListModel::Kind::OutageEnded, QStringLiteral("10:00:03"), QStringLiteral("c"),
                     QStringLiteral("10.0.0.1"), QStringLiteral("20"));
    list.addTextLine(EventListModel::Kind::DatabaseError, QStringLiteral("10:00:04"), QStringLiteral("error"));
    QCOMPARE(list.rowCount(), 3);
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return list.data(list.index(row, column), role);
    };
    QCOMPARE(list.kindAt(0), EventListModel::Kind::DatabaseError);
    QCOMPARE(list.kindAt(1), EventListModel::Kind::OutageEnded);
    QCOMPARE(list.kindAt(2), EventListModel::Kind::Notice);
    QCOMPARE(cell(2, EventListModel::DescriptionColumn).toString(), QStringLiteral("notice whole"));
    QCOMPARE(cell(2, EventListModel::AddressColumn, Qt::ToolTipRole).toString(), QStringLiteral("notice whole"));
    QVERIFY(!cell(1, EventListModel::DescriptionColumn, Qt::ToolTipRole).isValid());
    QCOMPARE(cell(1, EventListModel::TimeColumn).toString(), QStringLiteral("10:00:03"));
    QCOMPARE(cell(1, EventListModel::DescriptionColumn, EventListModel::KindRole).toInt(),
             int(EventListModel::Kind::OutageEnded));
}

void tst_MonitorSession::eventListNotesQuietLine_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("within");
    QTest::addColumn<int>("notedRow");  // -1: none
    using K = EventListModel::Kind;
    QTest::newRow("newest line of the address and kind") << "10.0.0.1" << int(K::OutageBegan) << 10 << 1;
    QTest::newRow("the restoration, not the outage") << "10.0.0.1" << int(K::OutageEnded) << 10 << 0;
    QTest::newRow("beyond the pass's lines") << "10.0.0.2" << int(K::OutageBegan) << 2 << -1;
    QTest::newRow("another address") << "10.0.0.9" << int(K::OutageBegan) << 10 << -1;
}

// Lines, newest first: 0 back 10.0.0.1, 1 down 10.0.0.1, 2 notice, 3 down 10.0.0.2.
void tst_MonitorSession::eventListNotesQuietLine()
{
    QFETCH(QString, ip);
    QFETCH(int, kind);
    QFETCH(int, within);
    QFETCH(int, notedRow);
    EventListModel list;
    list.addHostLine(EventListModel::Kind::OutageBegan, QStringLiteral("10:00:00"), QStringLiteral("b"),
                     QStringLiteral("10.0.0.2"), QStringLiteral("100"));
    list.addTextLine(EventListModel::Kind::Notice, QStringLiteral("10:00:01"), QStringLiteral("notice"));
    list.addHostLine(EventListModel::Kind::OutageBegan, QStringLiteral("10:00:02"), QStringLiteral("a"),
                     QStringLiteral("10.0.0.1"), QStringLiteral("100"));
    list.addHostLine(EventListModel::Kind::OutageEnded, QStringLiteral("10:00:03"), QStringLiteral("a"),
                     QStringLiteral("10.0.0.1"), QStringLiteral("100"));
    QCOMPARE(list.noteLine(ip, EventListModel::Kind(kind), QStringLiteral("why"), within), notedRow >= 0);
    for (int row = 0; row < list.rowCount(); ++row) {
        const QVariant tip = list.data(list.index(row, EventListModel::AddressColumn), Qt::ToolTipRole);
        if (row == notedRow)
            QCOMPARE(tip.toString(), QStringLiteral("why"));
        else if (row != 2)
            QVERIFY2(!tip.isValid(), qPrintable(QString::number(row)));
    }
    // The notice keeps its own whole text first.
    QCOMPARE(list.data(list.index(2, EventListModel::AddressColumn), Qt::ToolTipRole).toString(),
             QStringLiteral("notice"));
}

QTEST_GUILESS_MAIN(tst_MonitorSession)
#include "tst_monitorsession.moc"
