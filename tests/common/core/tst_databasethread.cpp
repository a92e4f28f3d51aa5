// The database thread: jobs in order on their own thread, results back on
// the owner's, nothing delivered to a window that is gone, and a stuck job
// that can be given up without holding the program.
#include "Database.h"
#include "DatabaseThread.h"
#include "TempDatabase.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

class tst_DatabaseThread : public QObject
{
    Q_OBJECT

private slots:
    void jobsRunInOrderOnTheirThreadAndAnswerOnTheOwners();
    void connectionOpenedByAJobBelongsToTheThread();
    void nothingIsDeliveredToAContextThatIsGone();
    void callWaitsForTheResult();
    void cancelTokenStopsALongJob();
    void stuckJobIsSeenAndCanBeGivenUp();
    void stopRunsThePostedJobsThenEnds_data();
    void stopRunsThePostedJobsThenEnds();
    void stopGivesUpAStuckJobInTime();
};

void tst_DatabaseThread::jobsRunInOrderOnTheirThreadAndAnswerOnTheOwners()
{
    DatabaseThread worker(QStringLiteral("order"));
    QObject context;
    QList<int> ran;
    QList<int> answered;
    QThread *const owner = QThread::currentThread();
    bool allOnWorker = true;
    bool allOnOwner = true;
    for (int i = 0; i < 50; ++i) {
        worker.post(
            &context,
            [&, i](QSqlDatabase) {
                allOnWorker = allOnWorker && QThread::currentThread() != owner;
                ran << i;  // read only after every answer came, so no race
                return i * 2;
            },
            [&](int doubled) {
                allOnOwner = allOnOwner && QThread::currentThread() == owner;
                answered << doubled / 2;
            });
    }
    QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 50, 5000);
    QList<int> expected;
    for (int i = 0; i < 50; ++i)
        expected << i;
    QCOMPARE(ran, expected);
    QCOMPARE(answered, expected);
    QVERIFY(allOnWorker);
    QVERIFY(allOnOwner);
    QCOMPARE(worker.jobsWaiting(), 0);
    QCOMPARE(worker.jobElapsedMs(), qint64(-1));
}

void tst_DatabaseThread::connectionOpenedByAJobBelongsToTheThread()
{
    TempDatabase made(QStringLiteral("maker"));
    QVERIFY2(made.isValid(), qPrintable(made.error()));
    const QString path = made.path();
    {
        DatabaseThread worker(QStringLiteral("threaded"));
        const QString error = worker.call([path](QSqlDatabase) {
            QString why;
            Database::open(path, &why, QStringLiteral("threaded"));
            return why;
        });
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QObject context;
        int count = -1;
        worker.post(
            &context,
            [](QSqlDatabase db) {
                QSqlQuery q(db);
                return q.exec(QStringLiteral("select count(*) from addrs")) && q.next() ? q.value(0).toInt() : -2;
            },
            [&](int n) { count = n; });
        QTRY_COMPARE_WITH_TIMEOUT(count, 1, 5000);
    }
    // The destructor closed the connection on its own thread.
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("threaded")));
}

void tst_DatabaseThread::nothingIsDeliveredToAContextThatIsGone()
{
    DatabaseThread worker(QStringLiteral("gone"));
    QSemaphore release;
    bool delivered = false;
    auto *context = new QObject;
    worker.post(
        context,
        [&](QSqlDatabase) {
            release.acquire();
            return 1;
        },
        [&](int) { delivered = true; });
    delete context;
    release.release();
    bool after = false;
    QObject still;
    worker.post(&still, [](QSqlDatabase) { return 0; }, [&](int) { after = true; });
    QTRY_VERIFY_WITH_TIMEOUT(after, 5000);
    QVERIFY(!delivered);
}

void tst_DatabaseThread::callWaitsForTheResult()
{
    DatabaseThread worker(QStringLiteral("call"));
    QThread *const owner = QThread::currentThread();
    QThread *ranOn = nullptr;
    const int result = worker.call([&](QSqlDatabase) {
        QThread::msleep(50);
        ranOn = QThread::currentThread();
        return 42;
    });
    QCOMPARE(result, 42);
    QVERIFY(ranOn && ranOn != owner);
}

void tst_DatabaseThread::cancelTokenStopsALongJob()
{
    DatabaseThread worker(QStringLiteral("cancel"));
    CancelToken token;
    QObject context;
    int steps = -1;
    QSemaphore started;
    worker.post(
        &context,
        [token, &started](QSqlDatabase) {
            started.release();
            int n = 0;
            for (; n < 100'000 && !token.isCancelled(); ++n)
                QThread::usleep(100);
            return n;
        },
        [&](int n) { steps = n; });
    started.acquire();
    token.cancel();
    QTRY_VERIFY_WITH_TIMEOUT(steps >= 0, 5000);
    QVERIFY(steps < 100'000);
}

// A job that never comes back (a server frozen under our statement) must
// neither hold the owner's destructor nor deliver anything later.
void tst_DatabaseThread::stuckJobIsSeenAndCanBeGivenUp()
{
    auto gate = std::make_shared<QSemaphore>();
    bool delivered = false;
    bool laterRan = false;
    QObject context;
    {
        DatabaseThread worker(QStringLiteral("stuck"));
        worker.post(
            &context, [gate](QSqlDatabase) { gate->acquire(); return 1; }, [&](int) { delivered = true; });
        worker.post([&laterRan](QSqlDatabase) { laterRan = true; });
        QTRY_VERIFY_WITH_TIMEOUT(worker.jobElapsedMs() >= 100, 5000);
        QCOMPARE(worker.jobsWaiting(), 2);
        worker.abandon();
        QVERIFY(worker.isAbandoned());
        QElapsedTimer t;
        t.start();
    }  // destroyed at once although its job still waits
    gate->release();
    QTest::qWait(200);
    QVERIFY(!delivered);
    QVERIFY(!laterRan);
}

// Jobs posted just before the end still run, then the connection closes:
// a stop must not end the thread's loop before it has taken them.
void tst_DatabaseThread::stopRunsThePostedJobsThenEnds_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("one job") << 1;
    QTest::newRow("many jobs") << 200;
}

void tst_DatabaseThread::stopRunsThePostedJobsThenEnds()
{
    QFETCH(int, jobs);
    TempDatabase db;
    QVERIFY(db.isValid());
    for (int round = 0; round < 20; ++round) {
        DatabaseThread worker(QStringLiteral("stop-%1").arg(round));
        const QString name = worker.connectionName();
        const DatabaseConfig config = db.config();
        std::atomic<int> ran{0};
        std::atomic_bool open{false};
        worker.post([&, name, config](QSqlDatabase) {
            QString error;
            open = Database::open(config, Database::Options(), &error, name, nullptr);
        });
        for (int i = 0; i < jobs; ++i)
            worker.post([&](QSqlDatabase) { ++ran; });
        QVERIFY(worker.stop(5000));
        QVERIFY(open);
        QCOMPARE(ran.load(), jobs);
        QVERIFY(!QSqlDatabase::contains(name));
        // Later posts are dropped, not run on a thread that is gone.
        worker.post([&](QSqlDatabase) { ++ran; });
        QCOMPARE(ran.load(), jobs);
    }
}

void tst_DatabaseThread::stopGivesUpAStuckJobInTime()
{
    DatabaseThread worker(QStringLiteral("stuck-stop"));
    QSemaphore started;
    QSemaphore release;
    std::atomic_bool after{false};
    worker.post([&](QSqlDatabase) {
        started.release();
        release.tryAcquire(1, 10000);
    });
    worker.post([&](QSqlDatabase) { after = true; });
    QVERIFY(started.tryAcquire(1, 5000));
    QElapsedTimer took;
    took.start();
    QVERIFY(!worker.stop(300));
    QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
    QVERIFY(worker.isAbandoned());
    release.release();
    QTest::qWait(200);
    QVERIFY(!after);  // the job behind the stuck one was given up with it
}

QTEST_GUILESS_MAIN(tst_DatabaseThread)
#include "tst_databasethread.moc"
