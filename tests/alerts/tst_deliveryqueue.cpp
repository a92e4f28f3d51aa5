// The delivery queue with a real command channel that fails while a flag
// file exists, and retry delays shortened through the schedule (the real
// ones start at 10 s): order per channel, once only, giving up, a restart
// with messages left, passes that end before the queue is open.
#include "AlertStore.h"
#include "Database.h"
#include "DeliveryQueue.h"
#include "MonitorStore.h"
#include "TempDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace alerts;

namespace {

const char Script[] = "if [ -e \"$0/slow\" ]; then sleep 1; fi; "
                      "if [ -e \"$0/fail\" ]; then echo refused; exit 1; fi; cat >> \"$0/got\"";

HostChange host(Event e, const QString &ip)
{
    HostChange h;
    h.event = e;
    h.address = ip;
    h.description = QStringLiteral("узел ") + ip;
    return h;
}

} // namespace

class tst_DeliveryQueue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void retriedInOrderAndDeliveredOnce();
    void givenUpAfterTheLimit();
    void restartSendsWhatWasLeftOnce();
    void passesBeforeOpeningAreKept();
    void suppressedAndUnwantedNotSent();
    void endWaitsForDeliveriesUnderWay();
    void pausedQueueLeavesTheOutboxToAnother();

private:
    // A delivery queue on the monitor's store, statements at once on the
    // test's thread on a connection of its own; both go with the queue.
    std::shared_ptr<DeliveryQueue> makeQueue(const QString &connection,
                                             const RetrySchedule &schedule = {200, 400, 3600});
    QStringList received() const;  // the events the command got, in order
    void addChannel(const QString &events = QStringLiteral("down,up"));
    void setFailing(bool failing);

    std::unique_ptr<TempDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_DeliveryQueue::init()
{
    m_db = std::make_unique<TempDatabase>();
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_DeliveryQueue::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

std::shared_ptr<DeliveryQueue> tst_DeliveryQueue::makeQueue(const QString &connection, const RetrySchedule &schedule)
{
    QString error;
    if (!Database::open(m_db->config(), Database::Options(), &error, connection, nullptr))
        qWarning("%s", qPrintable(error));
    std::shared_ptr<monitor::MonitorStore> store = monitor::MonitorStore::inlineOn(connection);
    auto *queue = new DeliveryQueue;
    queue->setSchedule(schedule);
    queue->start(store.get());
    return std::shared_ptr<DeliveryQueue>(queue, [store, connection](DeliveryQueue *q) mutable {
        delete q;
        store.reset();
        Database::close(connection);
    });
}

void tst_DeliveryQueue::addChannel(const QString &events)
{
    AlertChannel c;
    c.name = QStringLiteral("cmd");
    c.kind = ChannelKind::Command;
    c.settings = {{QStringLiteral("program"), QStringLiteral("/bin/sh")},
                  {QStringLiteral("arguments"),
                   QJsonArray{QStringLiteral("-c"), QString::fromUtf8(Script), m_dir->path()}}};
    c.setEventsText(events);
    QString error;
    QVERIFY2(AlertStore(m_db->connection()).addChannel(&c, &error), qPrintable(error));
}

void tst_DeliveryQueue::setFailing(bool failing)
{
    QFile flag(m_dir->filePath(QStringLiteral("fail")));
    if (failing)
        QVERIFY(flag.open(QIODevice::WriteOnly));
    else
        QVERIFY(!flag.exists() || flag.remove());
}

QStringList tst_DeliveryQueue::received() const
{
    QFile got(m_dir->filePath(QStringLiteral("got")));
    QStringList events;
    if (!got.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray &line : got.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const auto m = AlertMessage::fromJson(line);
        events << (m ? eventName(m->event) + QString::number(m->hosts.size()) : QStringLiteral("?"));
    }
    return events;
}

void tst_DeliveryQueue::retriedInOrderAndDeliveredOnce()
{
    addChannel();
    setFailing(true);
    auto queue = makeQueue(QStringLiteral("q"));
    QSignalSpy spy(queue.get(), &DeliveryQueue::delivered);
    const QDateTime t = QDateTime::currentDateTime();
    queue->passEnded({host(Event::Down, QStringLiteral("10.0.0.1")), host(Event::Down, QStringLiteral("10.0.0.2"))}, t);
    queue->passEnded({host(Event::Up, QStringLiteral("10.0.0.1"))}, t.addSecs(1));
    // Failures: the first message retried, the second waiting behind it.
    QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= 3, 10000);
    for (const QList<QVariant> &call : std::as_const(spy))
        QCOMPARE(call.at(1).toString(), QStringLiteral("down"));
    setFailing(false);
    QTRY_COMPARE_WITH_TIMEOUT(received(), (QStringList{QStringLiteral("down2"), QStringLiteral("up1")}), 10000);
    QTest::qWait(800);  // no second copy comes
    QCOMPARE(received().size(), 2);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 0);
    const QStringList log = m_db->rows(QStringLiteral("select outcome from alert_deliveries order by id"));
    QCOMPARE(log.count(QStringLiteral("delivered")), 2);
    QVERIFY(log.count(QStringLiteral("failed")) >= 3);
    QVERIFY(m_db->rows(QStringLiteral("select detail from alert_deliveries where outcome='failed'"))
                .first()
                .contains(QStringLiteral("refused")));
}

void tst_DeliveryQueue::givenUpAfterTheLimit()
{
    addChannel();
    setFailing(true);
    auto queue = makeQueue(QStringLiteral("q"), {200, 200, 1});
    queue->passEnded({host(Event::Down, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
    QTRY_COMPARE_WITH_TIMEOUT(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 0, 10000);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_deliveries where outcome='given up'")).toInt(), 1);
    setFailing(false);
    QTest::qWait(500);
    QVERIFY(received().isEmpty());
}

void tst_DeliveryQueue::restartSendsWhatWasLeftOnce()
{
    addChannel();
    setFailing(true);
    {
        // A long pause after the failure: only a restart sends it soon.
        auto queue = makeQueue(QStringLiteral("q1"), {600000, 600000, 3600});
        QSignalSpy spy(queue.get(), &DeliveryQueue::delivered);
        queue->passEnded({host(Event::Down, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
        QVERIFY(spy.wait(5000));
    }
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 1);
    setFailing(false);
    auto queue = makeQueue(QStringLiteral("q2"), {600000, 600000, 3600});
    QTRY_COMPARE_WITH_TIMEOUT(received(), QStringList{QStringLiteral("down1")}, 5000);
    QTest::qWait(500);
    QCOMPARE(received().size(), 1);
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 0);
}

void tst_DeliveryQueue::passesBeforeOpeningAreKept()
{
    addChannel();
    auto store = monitor::MonitorStore::inlineOn(QLatin1String(QSqlDatabase::defaultConnection));
    DeliveryQueue queue;
    queue.setSchedule({200, 400, 3600});
    queue.passEnded({host(Event::Down, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
    QTest::qWait(300);
    QVERIFY(received().isEmpty());
    queue.start(store.get());
    QTRY_COMPARE_WITH_TIMEOUT(received(), QStringList{QStringLiteral("down1")}, 5000);
}

void tst_DeliveryQueue::suppressedAndUnwantedNotSent()
{
    addChannel(QStringLiteral("up"));
    auto queue = makeQueue(QStringLiteral("q"));
    const QDateTime t = QDateTime::currentDateTime();
    HostChange hidden = host(Event::Up, QStringLiteral("10.0.0.2"));
    hidden.suppressed = true;
    queue->passEnded({host(Event::Down, QStringLiteral("10.0.0.1")), host(Event::Down, QStringLiteral("10.0.0.2"))},
                     t.addSecs(-65));
    // The pass says when the outage that ended began.
    HostChange back = host(Event::Up, QStringLiteral("10.0.0.1"));
    back.begin = t.addSecs(-65);
    queue->passEnded({back, hidden}, t);
    QTRY_COMPARE_WITH_TIMEOUT(received(), QStringList{QStringLiteral("up1")}, 5000);
    QFile got(m_dir->filePath(QStringLiteral("got")));
    QVERIFY(got.open(QIODevice::ReadOnly));
    const auto m = AlertMessage::fromJson(got.readAll().trimmed());
    QVERIFY(m);
    // The begin as the pass gave it.
    QCOMPARE(m->hosts.first().begin.toString(Qt::ISODate), t.addSecs(-65).toString(Qt::ISODate));
    QCOMPARE(m->toJson().value(QLatin1String("hosts")).toArray().first().toObject().value(QLatin1String("downtime_s")).toInt(), 65);
}

// The program ends while a receiver takes its time: what it got is struck
// from the outbox (not sent again by the next run); what it had not got by
// the end of the grace stays there, and no new delivery starts meanwhile.
void tst_DeliveryQueue::endWaitsForDeliveriesUnderWay()
{
    addChannel();
    QFile slow(m_dir->filePath(QStringLiteral("slow")));
    QVERIFY(slow.open(QIODevice::WriteOnly));
    {
        auto queue = makeQueue(QStringLiteral("q1"));
        queue->passEnded({host(Event::Down, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
        QCOMPARE(queue->finishDeliveries(5000), 0);
        QCOMPARE(received(), QStringList{QStringLiteral("down1")});
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 0);
        // Ending: a later pass is kept for the next run, not started.
        queue->passEnded({host(Event::Up, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
        QTest::qWait(1500);
        QCOMPARE(received().size(), 1);
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 1);
    }
    {
        auto queue = makeQueue(QStringLiteral("q2"));
        QCOMPARE(queue->finishDeliveries(100), 1);
    }
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 1);
    QVERIFY(slow.remove());
    auto queue = makeQueue(QStringLiteral("q3"));
    QTRY_COMPARE_WITH_TIMEOUT(received(), (QStringList{QStringLiteral("down1"), QStringLiteral("up1")}), 5000);
}

// Two monitors on one outbox, as vantage points are: the one that lost the
// log's writing pauses, the other takes the message over and sends it, and
// the first sends nothing of it when it writes again.
void tst_DeliveryQueue::pausedQueueLeavesTheOutboxToAnother()
{
    addChannel();
    setFailing(true);
    auto former = makeQueue(QStringLiteral("former"), {200, 200, 3600});
    QSignalSpy tried(former.get(), &DeliveryQueue::delivered);
    former->passEnded({host(Event::Down, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
    QVERIFY(tried.wait(5000));
    former->setPaused(true);
    QVERIFY(former->isPaused());
    setFailing(false);
    QTest::qWait(700);  // three of its retry times
    QVERIFY(received().isEmpty());
    QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 1);

    auto writer = makeQueue(QStringLiteral("writer"), {200, 200, 3600});
    QTRY_COMPARE_WITH_TIMEOUT(received(), QStringList{QStringLiteral("down1")}, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_db->scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 0, 5000);
    former->setPaused(false);
    QTest::qWait(700);
    QCOMPARE(received(), QStringList{QStringLiteral("down1")});

    // Writing again, it sends what the outbox holds then, at once.
    writer->setPaused(true);
    setFailing(true);
    former->passEnded({host(Event::Up, QStringLiteral("10.0.0.1"))}, QDateTime::currentDateTime());
    QVERIFY(tried.wait(5000));
    former->setPaused(true);
    setFailing(false);
    writer->setPaused(false);
    QTRY_COMPARE_WITH_TIMEOUT(received(), (QStringList{QStringLiteral("down1"), QStringLiteral("up1")}), 5000);
    QTest::qWait(500);
    QCOMPARE(received().size(), 2);
}

QTEST_GUILESS_MAIN(tst_DeliveryQueue)
#include "tst_deliveryqueue.moc"
