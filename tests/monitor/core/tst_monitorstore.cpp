// The monitor's store on its own database thread, against the file and a
// real server: what its operations read and write, and that an outage write
// made twice (its answer lost on the way) never doubles a row.
#include "AlertStore.h"
#include "DateTimeText.h"
#include "FakeClock.h"
#include "LatencyService.h"
#include "MonitorStore.h"
#include "TempDatabase.h"
#include "WriteQueue.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace monitor;

namespace {

const QDateTime Noon(QDate(2026, 3, 2), QTime(12, 0, 0));

QString stored(const QDateTime &t)
{
    return DateTimeText::fromDateTime(t);
}

// Runs one operation of the store and waits for its answer.
template <typename Start>
bool answered(Start start)
{
    auto done = std::make_shared<bool>(false);
    start([done] { *done = true; });
    return QTest::qWaitFor([done] { return *done; }, 10000);
}

struct Rig
{
    TempDatabase db;
    QTemporaryDir locks;
    std::unique_ptr<MonitorStore> store = MonitorStore::threaded();

    explicit Rig(TempDatabase::Backend backend)
        : db(backend)
    {
        store->setDatabase(db.config(), locks.path());
    }

    bool open()
    {
        MonitorStore::Opening opening;
        const bool ok = answered([&](auto done) {
            store->open(nullptr, true, [&opening, done](const MonitorStore::Opening &o) {
                opening = o;
                done();
            });
        });
        if (opening.result != MonitorStore::Opening::Opened)
            qWarning("%s", qPrintable(opening.error + opening.holder));
        return ok && opening.result == MonitorStore::Opening::Opened && store->isUsable();
    }

    // One write through a queue served by the store, as the engine makes it.
    OutageStore::Outcome write(const OutageWrite &w)
    {
        WriteQueue queue(nullptr);
        store->serve(&queue);
        QSignalSpy refused(&queue, &WriteQueue::writeFailed);
        queue.submit(w);
        QTest::qWaitFor([&queue] { return queue.isEmpty() || !queue.hasWriteUnderWay(); }, 10000);
        if (!refused.isEmpty())
            return OutageStore::Outcome::Failed;
        return queue.isEmpty() ? OutageStore::Outcome::Written : OutageStore::Outcome::RetryLater;
    }
};

} // namespace

class tst_MonitorStore : public QObject
{
    Q_OBJECT

private slots:
    void outageWritesAreMadeOnce_data() { addBackendColumn(); addBackendRows(); }
    void outageWritesAreMadeOnce();
    void endClosesOnlyTheOutageThatBeganThen_data() { addBackendColumn(); addBackendRows(); }
    void endClosesOnlyTheOutageThatBeganThen();
    void readsTheBookTheOpenOutagesAndTheSettings_data() { addBackendColumn(); addBackendRows(); }
    void readsTheBookTheOpenOutagesAndTheSettings();
    void keepsRoundTripsWatchedTimeMarksAndMutes_data() { addBackendColumn(); addBackendRows(); }
    void keepsRoundTripsWatchedTimeMarksAndMutes();
    void outboxKeepsMessagesUntilStruck_data() { addBackendColumn(); addBackendRows(); }
    void outboxKeepsMessagesUntilStruck();
    void roundTripsWaitAcrossARestart_data() { addBackendColumn(); addBackendRows(); }
    void roundTripsWaitAcrossARestart();
    void secondMonitorOnTheSameDatabaseIsRefused_data() { addBackendColumn(); addBackendRows(); }
    void secondMonitorOnTheSameDatabaseIsRefused();
};

// A Begin whose answer was lost is made again at the next chance (the next
// start, from the pending-writes file): the log must hold the outage once,
// open or closed, and its End close it once.
void tst_MonitorStore::outageWritesAreMadeOnce()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    QVERIFY(rig.open());
    const QString ip = QStringLiteral("10.0.0.1");
    const OutageWrite begin{OutageWrite::Begin, ip, QStringLiteral("O'Brien"), Noon};
    const OutageWrite end{OutageWrite::End, ip, QString(), Noon.addSecs(90), stored(Noon)};

    QCOMPARE(rig.write(begin), OutageStore::Outcome::Written);
    QCOMPARE(rig.write(begin), OutageStore::Outcome::Written);
    QCOMPARE(rig.db.rows(QStringLiteral("select ip,\"desc\",time_begin,foe from logs")),
             QStringList(ip + QStringLiteral("|O'Brien|") + stored(Noon) + QStringLiteral("|0")));

    QCOMPARE(rig.write(end), OutageStore::Outcome::Written);
    QCOMPARE(rig.write(end), OutageStore::Outcome::Written);
    // Closed, and the same Begin made once more opens nothing again.
    QCOMPARE(rig.write(begin), OutageStore::Outcome::Written);
    QCOMPARE(rig.db.rows(QStringLiteral("select time_begin,time_end,foe from logs")),
             QStringList(stored(Noon) + QLatin1Char('|') + stored(Noon.addSecs(90)) + QStringLiteral("|1")));
}

void tst_MonitorStore::endClosesOnlyTheOutageThatBeganThen()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    QVERIFY(rig.open());
    const QString ip = QStringLiteral("10.0.0.2");
    // An End kept from an outage that closed already, then a new outage.
    QVERIFY(rig.db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,?,'x')"),
                        {stored(Noon.addSecs(600)), ip}));
    QCOMPARE(rig.write({OutageWrite::End, ip, QString(), Noon.addSecs(30), stored(Noon)}),
             OutageStore::Outcome::Written);
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 1);
    // Its own End closes it; one of an earlier version (no begin named)
    // closes the address's open row, as before.
    QCOMPARE(rig.write({OutageWrite::End, ip, QString(), Noon.addSecs(700), stored(Noon.addSecs(600))}),
             OutageStore::Outcome::Written);
    QCOMPARE(rig.db.scalar(QStringLiteral("select time_end from logs")).toString(), stored(Noon.addSecs(700)));
    QVERIFY(rig.db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,?,'x')"),
                        {stored(Noon.addSecs(800)), ip}));
    QCOMPARE(rig.write({OutageWrite::End, ip, QString(), Noon.addSecs(900)}), OutageStore::Outcome::Written);
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from logs where foe=1")).toInt(), 2);
}

void tst_MonitorStore::readsTheBookTheOpenOutagesAndTheSettings()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    rig.db.exec(QStringLiteral("delete from addrs"));
    rig.db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('10.0.0.1','a',20),('10.0.0.2','b',30)"));
    rig.db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values ('2026-03-01 10:00:00','10.0.0.2','b')"));
    rig.db.exec(QStringLiteral("update options set refresh_time=7"));
    QVERIFY(rig.open());

    MonitorStore::Book book;
    QVERIFY(answered([&](auto done) {
        rig.store->readBook(nullptr, true, [&book, done](const MonitorStore::Book &b) {
            book = b;
            done();
        });
    }));
    QCOMPARE(book.status, MonitorStore::Book::Read);
    QCOMPARE(int(book.rows.size()), 2);
    QCOMPARE(book.openStatus, MonitorStore::Book::OpenRead);
    QCOMPARE(book.open.size(), 1);
    QCOMPARE(book.open.first().ip, QStringLiteral("10.0.0.2"));
    QCOMPARE(book.open.first().begin.toString(), QStringLiteral("2026-03-01 10:00:00"));

    MonitorStore::Settings settings;
    QVERIFY(answered([&](auto done) {
        rig.store->readSettings(nullptr, [&settings, done](const MonitorStore::Settings &s) {
            settings = s;
            done();
        });
    }));
    QVERIFY2(settings.ok, qPrintable(settings.error));
    QCOMPARE(settings.record.refreshTime, 7);
}

void tst_MonitorStore::keepsRoundTripsWatchedTimeMarksAndMutes()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    QVERIFY(rig.open());

    LatencySample sample;
    sample.ip = QStringLiteral("10.0.0.1");
    sample.sent = 2;
    sample.lost = 1;
    sample.rttUs = 900;
    sample.timeoutMs = 200;
    QString error = QStringLiteral("?");
    QVERIFY(answered([&](auto done) {
        rig.store->recordSamples(nullptr, Noon, std::make_shared<const std::vector<LatencySample>>(1, sample),
                                 [&error, done](const QString &e) {
            error = e;
            done();
        });
    }));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from latency_samples")).toInt(), 1);

    WatchedTimeRecorder::Pass pass;
    pass.at = Noon;
    pass.bootMs = 1000;
    pass.longestGapMs = 60000;
    QVERIFY(answered([&](auto done) { rig.store->watchedPassEnded(nullptr, pass, [done](const QString &) { done(); }); }));
    pass.at = Noon.addSecs(60);
    pass.bootMs = 61000;
    QVERIFY(answered([&](auto done) { rig.store->watchedPassEnded(nullptr, pass, [done](const QString &) { done(); }); }));
    QCOMPARE(rig.db.rows(QStringLiteral("select time_begin,time_end from watched")),
             QStringList(stored(Noon) + QLatin1Char('|') + stored(Noon.addSecs(60))));

    QVERIFY(answered([&](auto done) {
        rig.store->writeMarks(nullptr, {{QStringLiteral("10.0.0.3"), Noon, QStringLiteral("behind"), QStringLiteral("gw")}},
                              [done](const QString &) { done(); });
    }));
    QVERIFY(answered([&](auto done) {
        rig.store->writeMute(nullptr, {QStringLiteral("10.0.0.4"), QDateTime()}, [done](const QString &) { done(); });
    }));
    AlertGate::Loaded loaded;
    QVERIFY(answered([&](auto done) {
        rig.store->readAlerts(nullptr, [&loaded, done](const AlertGate::Loaded &l) {
            loaded = l;
            done();
        });
    }));
    QVERIFY2(loaded.ok, qPrintable(loaded.error));
    QCOMPARE(loaded.quiet.mutes.size(), 1);
    QCOMPARE(loaded.quiet.mutes.first().ip, QStringLiteral("10.0.0.4"));
    QCOMPARE(rig.db.scalar(QStringLiteral("select reason from outage_marks where ip_addr='10.0.0.3'")).toString(),
             QStringLiteral("behind"));
    QVERIFY(answered([&](auto done) { rig.store->liftMute(nullptr, QStringLiteral("10.0.0.4"), [done](const QString &) { done(); }); }));
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from alert_mutes")).toInt(), 0);
}

void tst_MonitorStore::outboxKeepsMessagesUntilStruck()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    alerts::AlertChannel channel;
    channel.name = QStringLiteral("cmd");
    channel.kind = alerts::ChannelKind::Command;
    channel.settings = {{QStringLiteral("program"), QStringLiteral("/bin/true")}};
    channel.setEventsText(QStringLiteral("down"));
    QString error;
    QVERIFY2(alerts::AlertStore(rig.db.connection()).addChannel(&channel, &error), qPrintable(error));
    QVERIFY(rig.open());

    alerts::AlertMessage message;
    message.event = alerts::Event::Down;
    message.at = Noon;
    int saved = 0;
    QVERIFY(answered([&](auto done) {
        rig.store->saveMessages(nullptr, {{channel.id, message, Noon}, {channel.id, message, Noon.addSecs(1)}},
                                [&saved, done](int n, const QString &) {
                                    saved = n;
                                    done();
                                });
    }));
    QCOMPARE(saved, 2);
    QList<alerts::PendingMessage> pending;
    QList<alerts::AlertChannel> channels;
    bool read = false;
    QVERIFY(answered([&](auto done) {
        rig.store->readOutbox(nullptr, [&](bool ok, const QList<alerts::PendingMessage> &p,
                                            const QList<alerts::AlertChannel> &c, const QString &) {
            read = ok;
            pending = p;
            channels = c;
            done();
        });
    }));
    QVERIFY(read);
    QCOMPARE(pending.size(), 2);
    QCOMPARE(channels.size(), 1);
    QVERIFY(answered([&](auto done) {
        rig.store->rescheduleMessage(nullptr, pending.first().id, 3, Noon.addSecs(60), [done](const QString &) { done(); });
    }));
    QCOMPARE(rig.db.scalar(QStringLiteral("select attempts from alert_outbox where id=?"), {pending.first().id}).toInt(), 3);
    QList<qint64> removed;
    QVERIFY(answered([&](auto done) {
        rig.store->removeMessages(nullptr, {pending.first().id}, [&removed, done](const QList<qint64> &r, const QString &) {
            removed = r;
            done();
        });
    }));
    QCOMPARE(removed, QList<qint64>{pending.first().id});
    QVERIFY(answered([&](auto done) {
        rig.store->logDelivery(nullptr, {Noon, QStringLiteral("cmd"), QStringLiteral("down"), QStringLiteral("delivered"), QString()},
                               [done](const QString &) { done(); });
    }));
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from alert_outbox")).toInt(), 1);
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from alert_deliveries")).toInt(), 1);
}

void tst_MonitorStore::secondMonitorOnTheSameDatabaseIsRefused()
{
    QFETCH(TempDatabase::Backend, backend);
    // Both stores here are this process's: on a server the second would take
    // the first one's session for its own leftover (tst_serversession tells
    // monitors of other processes apart).
    if (backend == TempDatabase::Backend::Server)
        QSKIP("one process's two sessions on a server: see tst_serversession");
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    QVERIFY(rig.open());
    auto second = MonitorStore::threaded();
    second->setDatabase(rig.db.config(), rig.locks.path());
    MonitorStore::Opening opening;
    QVERIFY(answered([&](auto done) {
        second->open(nullptr, true, [&opening, done](const MonitorStore::Opening &o) {
            opening = o;
            done();
        });
    }));
    QCOMPARE(opening.result, MonitorStore::Opening::HeldByOther);
    QVERIFY(!second->isUsable());
    // The first one's end frees it.
    rig.store->close();
    QVERIFY(answered([&](auto done) {
        second->open(nullptr, true, [&opening, done](const MonitorStore::Opening &o) {
            opening = o;
            done();
        });
    }));
    QCOMPARE(opening.result, MonitorStore::Opening::Opened);
}

// The database does not take round trips for a while (here: not open yet):
// the passes wait, the program's end keeps them in a file, and the next run
// writes them, once, as it does the outage writes.
void tst_MonitorStore::roundTripsWaitAcrossARestart()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    Rig rig(backend);
    QVERIFY2(rig.db.isValid(), qPrintable(rig.db.error()));
    const QString kept = rig.locks.filePath(QStringLiteral("pending-samples"));
    FakeClock clock;
    LatencySample sample;
    sample.ip = QStringLiteral("10.0.0.1");
    sample.desc = QStringLiteral("узел");
    sample.sent = 1;
    sample.rttUs = 700;
    sample.timeoutMs = 200;
    {
        LatencyService service(rig.store.get(), &clock);
        QSignalSpy failed(&service, &LatencyService::failed);
        service.record(Noon, {sample});
        service.record(Noon.addSecs(60), {sample, sample});
        QTRY_VERIFY(!service.isBusy());
        QCOMPARE(service.waitingPasses(), 2);
        QCOMPARE(failed.size(), 1);  // said once
        QString error;
        QVERIFY2(service.save(kept, &error), qPrintable(error));
    }
    QVERIFY(rig.open());
    LatencyService next(rig.store.get(), &clock);
    QString error;
    QVERIFY2(next.load(kept, &error), qPrintable(error));
    QVERIFY(!QFile::exists(kept));
    QTRY_COMPARE(next.waitingPasses(), 0);
    QCOMPARE(rig.db.rows(QStringLiteral("select at from latency_passes order by id")),
             (QStringList{stored(Noon), stored(Noon.addSecs(60))}));
    QCOMPARE(rig.db.scalar(QStringLiteral("select count(*) from latency_samples")).toInt(), 2);
}

QTEST_GUILESS_MAIN(tst_MonitorStore)
#include "tst_monitorstore.moc"
