// The monitor's store as a vantage point on a real server: its own outages
// go to vantage_outages (never to the log) and are made once however often
// they are replayed, its window reads its own open outages back, and its
// pass keeps its heartbeat, takes the writer's lock and applies the rule to
// the log over the live vantages, without doubling a row.
#include "Database.h"
#include "DateTimeText.h"
#include "MonitorLock.h"
#include "MonitorStore.h"
#include "Statements.h"
#include "TempDatabase.h"
#include "VantageRecords.h"
#include "WriteQueue.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace monitor;

namespace {

template <typename Start>
bool answered(Start start)
{
    auto done = std::make_shared<bool>(false);
    start([done] { *done = true; });
    return QTest::qWaitFor([done] { return *done; }, 10000);
}

QString scalar(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next())
        return QStringLiteral("<%1>").arg(q.lastError().text());
    return q.value(0).toString();
}

} // namespace

class tst_MonitorVantage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void ownOutagesGoToTheVantageTablesOnce();
    void passKeepsHeartbeatAndWritesTheLogByTheRule();

private:
    VantagePass pass();
    OutageStore::Outcome write(const OutageWrite &w);
    // Another vantage, on a connection of its own (not a monitor).
    void otherVantage(const QString &name);

    std::unique_ptr<TempDatabase> m_db;
    QTemporaryDir m_locks;
    std::unique_ptr<MonitorStore> m_store;
};

void tst_MonitorVantage::init()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    m_db = std::make_unique<TempDatabase>(TempDatabase::Backend::Server, QStringLiteral("set-up"));
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    QSqlQuery q(m_db->connection());
    QVERIFY(q.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                                  "('192.0.2.1','one',200),('192.0.2.2','two',200)")));
    DatabaseConfig config = m_db->config();
    config.setVantageName(QStringLiteral("north"));
    m_store = MonitorStore::threaded();
    m_store->setDatabase(config, m_locks.path());
    MonitorStore::Opening opening;
    QVERIFY(answered([&](auto done) {
        m_store->open(nullptr, true, [&opening, done](const MonitorStore::Opening &o) {
            opening = o;
            done();
        });
    }));
    QCOMPARE(opening.result, MonitorStore::Opening::Opened);
}

void tst_MonitorVantage::cleanup()
{
    m_store.reset();
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (name != QLatin1String("set-up"))
            Database::close(name);
    }
    m_db.reset();
}

VantagePass tst_MonitorVantage::pass()
{
    VantagePass out;
    answered([&](auto done) {
        m_store->vantagePass(nullptr, 1, [&out, done](const VantagePass &p) {
            out = p;
            done();
        });
    });
    return out;
}

OutageStore::Outcome tst_MonitorVantage::write(const OutageWrite &w)
{
    WriteQueue queue(nullptr);
    m_store->serve(&queue);
    QSignalSpy refused(&queue, &WriteQueue::writeFailed);
    queue.submit(w);
    QTest::qWaitFor([&queue] { return queue.isEmpty() || !queue.hasWriteUnderWay(); }, 10000);
    if (!refused.isEmpty())
        return OutageStore::Outcome::Failed;
    return queue.isEmpty() ? OutageStore::Outcome::Written : OutageStore::Outcome::RetryLater;
}

void tst_MonitorVantage::otherVantage(const QString &name)
{
    QString error;
    QVERIFY2(Database::open(m_db->config(), Database::Options{}, &error, name, nullptr), qPrintable(error));
    QSqlDatabase db = QSqlDatabase::database(name, false);
    QVERIFY(MonitorLock::nameSession(db, QStringLiteral("orvant-test-") + name, &error));
    QVERIFY2(VantageRecords::heartbeat(db, name, 1, QStringLiteral("orvant-test-") + name, &error), qPrintable(error));
}

void tst_MonitorVantage::ownOutagesGoToTheVantageTablesOnce()
{
    const QSqlDatabase db = m_db->connection();
    // Registered at opening; the shared lock keeps a plain monitor off.
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from vantages where name='north'")), QStringLiteral("1"));
    QString holder, error;
    QSqlDatabase plain = m_db->connection();
    QVERIFY(MonitorLock::nameSession(plain, QStringLiteral("orvant-plain"), &error));
    QCOMPARE(MonitorLock::take(plain, QStringLiteral("orvant-plain"), &holder, &error), MonitorLock::Result::HeldByOther);
    QVERIFY2(holder.contains(QStringLiteral("«north»")), qPrintable(holder));

    const QDateTime begin = QDateTime::currentDateTime().addSecs(-60);
    const QDateTime end = begin.addSecs(20);
    const OutageWrite opened{OutageWrite::Begin, QStringLiteral("192.0.2.1"), QStringLiteral("one"), begin, {}};
    const OutageWrite closed{OutageWrite::End, QStringLiteral("192.0.2.1"), QString(), end,
                             DateTimeText::fromDateTime(begin)};
    // Replayed after a lost answer or from the pending file: one row, closed once.
    QCOMPARE(write(opened), OutageStore::Outcome::Written);
    QCOMPARE(write(opened), OutageStore::Outcome::Written);

    MonitorStore::OpenRead open;
    QVERIFY(answered([&](auto done) {
        m_store->readOpenOutages(nullptr, [&open, done](const MonitorStore::OpenRead &r) {
            open = r;
            done();
        });
    }));
    QVERIFY2(open.ok, qPrintable(open.error));
    QCOMPARE(open.rows.size(), 1);
    QCOMPARE(open.rows[0].ip, QStringLiteral("192.0.2.1"));
    QCOMPARE(open.rows[0].begin.toString(), DateTimeText::fromDateTime(begin));

    QCOMPARE(write(closed), OutageStore::Outcome::Written);
    QCOMPARE(write(opened), OutageStore::Outcome::Written);
    QCOMPARE(write(closed), OutageStore::Outcome::Written);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from vantage_outages")), QStringLiteral("1"));
    QCOMPARE(scalar(db, QStringLiteral("select time_begin||'/'||time_end from vantage_outages where vantage='north'")),
             VantageRecords::utcText(begin.toSecsSinceEpoch()) + QLatin1Char('/')
                 + VantageRecords::utcText(end.toSecsSinceEpoch()));
    // The log is the writer's alone, and no pass ran.
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from logs")), QStringLiteral("0"));
}

void tst_MonitorVantage::passKeepsHeartbeatAndWritesTheLogByTheRule()
{
    const QSqlDatabase db = m_db->connection();
    otherVantage(QStringLiteral("south"));
    const QDateTime begin = QDateTime::currentDateTime().addSecs(-30);
    QCOMPARE(write({OutageWrite::Begin, QStringLiteral("192.0.2.1"), QStringLiteral("one"), begin, {}}),
             OutageStore::Outcome::Written);

    // `all` over north and south: north alone is not enough.
    VantagePass p = pass();
    QVERIFY2(p.ok, qPrintable(p.error));
    QVERIFY(p.writer);
    QCOMPARE(p.vantages.size(), 2);
    QCOMPARE(p.vantagesDown.value(QStringLiteral("192.0.2.1")), QStringList{QStringLiteral("north")});
    QVERIFY(p.applied.isEmpty());
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from logs")), QStringLiteral("0"));

    // South sees it too, later: the row begins when the second one did.
    QString error;
    const QDateTime southBegin = begin.addSecs(10);
    QVERIFY(VantageRecords::beginOutage(QSqlDatabase::database(QStringLiteral("south"), false),
                                        QStringLiteral("south"), QStringLiteral("192.0.2.1"), southBegin, &error));
    p = pass();
    QVERIFY2(p.ok, qPrintable(p.error));
    QCOMPARE(p.applied.opens.size(), 1);
    QCOMPARE(p.vantagesDown.value(QStringLiteral("192.0.2.1")),
             (QStringList{QStringLiteral("north"), QStringLiteral("south")}));
    QCOMPARE(scalar(db, QStringLiteral("select time_begin from logs where ip='192.0.2.1' and foe=0")),
             DateTimeText::fromDateTime(southBegin));
    // The alert channels hear one outage naming both, and remind of it.
    QList<alerts::HostChange> alerts = p.alertChanges();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0].event, alerts::Event::Down);
    QCOMPARE(alerts[0].vantages, (QStringList{QStringLiteral("north"), QStringLiteral("south")}));
    QCOMPARE(p.logDownNow.size(), 1);
    QCOMPARE(p.logDownNow[0].begin.toSecsSinceEpoch(), southBegin.toSecsSinceEpoch());
    // Another pass changes nothing; the heartbeat moved on.
    p = pass();
    QVERIFY(p.ok && p.applied.isEmpty());
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from logs")), QStringLiteral("1"));
    QCOMPARE(scalar(db, QStringLiteral("select interval_s from vantages where name='north'")), QStringLiteral("1"));

    // North sees it answer: under `all` the row closes at north's end, once.
    const QDateTime end = QDateTime::currentDateTime().addSecs(-2);
    QCOMPARE(write({OutageWrite::End, QStringLiteral("192.0.2.1"), QString(), end, DateTimeText::fromDateTime(begin)}),
             OutageStore::Outcome::Written);
    p = pass();
    QCOMPARE(p.applied.closes.size(), 1);
    alerts = p.alertChanges();
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts[0].event, alerts::Event::Up);
    QCOMPARE(alerts[0].description, QStringLiteral("one"));
    QCOMPARE(alerts[0].vantages, QStringList{QStringLiteral("south")});
    QVERIFY(p.logDownNow.isEmpty());
    QVERIFY(pass().applied.isEmpty());
    QCOMPARE(scalar(db, QStringLiteral("select count(*)||'/'||min(time_end) from logs where foe=1")),
             QStringLiteral("1/") + DateTimeText::fromDateTime(end));

    // `any`: south alone opens the next row; the writer is still north.
    QVERIFY(VantageRecords::writeRule(db, VantageRule::any(), &error));
    p = pass();
    QVERIFY(p.writer);
    QCOMPARE(p.rule, VantageRule::any());
    QCOMPARE(p.applied.opens.size(), 1);
    QCOMPARE(p.applied.opens[0].vantages, QStringList{QStringLiteral("south")});
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from logs")), QStringLiteral("2"));
}

QTEST_GUILESS_MAIN(tst_MonitorVantage)
#include "tst_monitorvantage.moc"
