// The monitor's write queue over a scripted back end: order, waiting,
// final refusals, and the file that carries kept writes to the next run.
#include "DateTimeText.h"
#include "WriteQueue.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace monitor;

namespace {

// Refuses with "busy" while busy is set; fails for good any write of `broken`.
struct ScriptedStore final : OutageStore
{
    bool busy = false;
    QString broken;
    QList<OutageWrite> written;
    int attempts = 0;

    Outcome write(const OutageWrite &w, QString *error) override
    {
        ++attempts;
        if (busy) {
            *error = QStringLiteral("database is locked");
            return Outcome::RetryLater;
        }
        if (w.ip == broken) {
            *error = QStringLiteral("disk is full");
            return Outcome::Failed;
        }
        written << w;
        return Outcome::Written;
    }
};

OutageWrite begin(const QString &ip, int second)
{
    return {OutageWrite::Begin, ip, QStringLiteral("описание '%1'").arg(ip),
            QDateTime(QDate(2026, 1, 1), QTime(10, 0, second))};
}

OutageWrite end(const QString &ip, int second)
{
    return {OutageWrite::End, ip, QString(), QDateTime(QDate(2026, 1, 1), QTime(11, 0, second))};
}

} // namespace

class tst_WriteQueue : public QObject
{
    Q_OBJECT

private slots:
    void writesAtOnceWhenNothingWaits();
    void busyKeepsEveryLaterWriteBehindInOrder();
    void finalRefusalIsToldAndDropped();
    void keptWritesTravelToTheNextRunOnce();
    void dispatchedWritesOneAtATimeInOrder();
    void writeUnderWayGivenUpIsKeptAndMadeOnce();
    void finalRefusalIsKeptInThePendingFile();
    void refusalsKeptAreBounded();
    void writesOfOneOutageCollapse();
    void endJoinsItsRefusedBegin();
    void keptWritesOfOneOutageCollapseOnLoad();
};

void tst_WriteQueue::writesAtOnceWhenNothingWaits()
{
    ScriptedStore store;
    WriteQueue queue(&store);
    queue.submit(begin(QStringLiteral("a"), 1));
    queue.submit(end(QStringLiteral("a"), 2));
    QCOMPARE(store.written, QList<OutageWrite>({begin(QStringLiteral("a"), 1), end(QStringLiteral("a"), 2)}));
    QVERIFY(queue.isEmpty());
}

void tst_WriteQueue::busyKeepsEveryLaterWriteBehindInOrder()
{
    ScriptedStore store;
    WriteQueue queue(&store);
    QSignalSpy waiting(&queue, &WriteQueue::waiting);
    QSignalSpy resumed(&queue, &WriteQueue::resumed);
    store.busy = true;
    queue.submit(begin(QStringLiteral("a"), 1));
    store.busy = false;
    // Free now, but a write must not overtake the one that waits.
    queue.submit(begin(QStringLiteral("b"), 2));
    queue.submit(end(QStringLiteral("a"), 3));
    QCOMPARE(store.written, QList<OutageWrite>());
    QCOMPARE(queue.size(), 3);
    QCOMPARE(waiting.size(), 1);
    QCOMPARE(waiting.first().at(1).toString(), QStringLiteral("database is locked"));

    store.busy = true;
    queue.retry();
    queue.retry();
    QCOMPARE(waiting.size(), 1);  // one notice per run of waits
    const int attemptsWhileBusy = store.attempts;
    QCOMPARE(attemptsWhileBusy, 3);  // one attempt per retry, the head only

    store.busy = false;
    queue.retry();
    QCOMPARE(store.written, QList<OutageWrite>({begin(QStringLiteral("a"), 1), begin(QStringLiteral("b"), 2),
                                                 end(QStringLiteral("a"), 3)}));
    QCOMPARE(resumed.size(), 1);
    QCOMPARE(resumed.first().first().toInt(), 3);
    queue.retry();
    QCOMPARE(store.written.size(), 3);  // none twice
}

void tst_WriteQueue::finalRefusalIsToldAndDropped()
{
    ScriptedStore store;
    store.broken = QStringLiteral("b");
    WriteQueue queue(&store);
    QSignalSpy failed(&queue, &WriteQueue::writeFailed);
    queue.submit(begin(QStringLiteral("b"), 1));
    queue.submit(begin(QStringLiteral("c"), 2));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("disk is full"));
    QCOMPARE(store.written, QList<OutageWrite>({begin(QStringLiteral("c"), 2)}));
    QVERIFY(queue.isEmpty());
}

void tst_WriteQueue::keptWritesTravelToTheNextRunOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb.orvant-pending"));
    {
        ScriptedStore store;
        store.busy = true;
        WriteQueue queue(&store);
        queue.submit(begin(QStringLiteral("a"), 1));
        queue.submit(end(QStringLiteral("b"), 2));
        QVERIFY(!queue.flushFor(50));
        QString error;
        QVERIFY2(queue.save(path, &error), qPrintable(error));
    }
    QVERIFY(QFile::exists(path));
    ScriptedStore store;
    store.busy = true;
    WriteQueue next(&store);
    next.submit(begin(QStringLiteral("c"), 3));
    QString error;
    QVERIFY2(next.load(path, &error), qPrintable(error));
    QVERIFY(!QFile::exists(path));  // taken back once only
    store.busy = false;
    next.retry();
    // The earlier run's writes go first.
    QCOMPARE(store.written, QList<OutageWrite>({begin(QStringLiteral("a"), 1), end(QStringLiteral("b"), 2),
                                                 begin(QStringLiteral("c"), 3)}));
    QVERIFY(next.load(path, &error));  // nothing kept: nothing to do
    QCOMPARE(next.size(), 0);
}

namespace {

// Writes handed elsewhere: each outcome is given by the test, later.
struct Dispatched
{
    QList<OutageWrite> handed;
    QList<WriteQueue::Done> answers;

    WriteQueue::Dispatch dispatcher()
    {
        return [this](const OutageWrite &w, WriteQueue::Done done) {
            handed << w;
            answers << done;
        };
    }
    void answer(OutageStore::Outcome outcome, const QString &error = QString())
    {
        answers.takeFirst()(outcome, error);
    }
};

} // namespace

void tst_WriteQueue::dispatchedWritesOneAtATimeInOrder()
{
    ScriptedStore store;
    WriteQueue queue(&store);
    Dispatched d;
    queue.setDispatcher(d.dispatcher());
    QSignalSpy waiting(&queue, &WriteQueue::waiting);
    queue.submit(begin(QStringLiteral("a"), 1));
    queue.submit(end(QStringLiteral("a"), 2));
    queue.retry();  // one under way: nothing more goes
    QCOMPARE(d.handed, QList<OutageWrite>({begin(QStringLiteral("a"), 1)}));
    QVERIFY(queue.hasWriteUnderWay());
    QCOMPARE(queue.size(), 2);  // the write under way is still owed

    d.answer(OutageStore::Outcome::RetryLater, QStringLiteral("database is locked"));
    QCOMPARE(waiting.size(), 1);
    QCOMPARE(d.handed.size(), 1);  // waits for a retry
    queue.retry();
    QCOMPARE(d.handed.size(), 2);
    QCOMPARE(d.handed.last(), begin(QStringLiteral("a"), 1));
    d.answer(OutageStore::Outcome::Written);
    QCOMPARE(d.handed.last(), end(QStringLiteral("a"), 2));  // the next goes at once
    d.answer(OutageStore::Outcome::Written);
    QVERIFY(queue.isEmpty());
    QVERIFY(!queue.hasWriteUnderWay());
    QCOMPARE(store.attempts, 0);  // never written on the caller's thread
}

void tst_WriteQueue::writeUnderWayGivenUpIsKeptAndMadeOnce()
{
    ScriptedStore store;
    WriteQueue queue(&store);
    Dispatched d;
    queue.setDispatcher(d.dispatcher());
    queue.submit(begin(QStringLiteral("a"), 1));
    queue.submit(begin(QStringLiteral("b"), 2));
    QSignalSpy waiting(&queue, &WriteQueue::waiting);
    queue.abandonInFlight();  // its thread was given up
    QCOMPARE(waiting.size(), 1);
    QCOMPARE(queue.size(), 2);
    QVERIFY(!queue.hasWriteUnderWay());
    // The old thread's answer, should it ever come, changes nothing.
    d.answer(OutageStore::Outcome::Written);
    QCOMPARE(queue.size(), 2);

    queue.retry();
    QCOMPARE(d.handed.size(), 2);
    QCOMPARE(d.handed.last(), begin(QStringLiteral("a"), 1));
    d.answer(OutageStore::Outcome::Written);
    d.answer(OutageStore::Outcome::Written);
    QVERIFY(queue.isEmpty());
    QCOMPARE(d.handed, QList<OutageWrite>({begin(QStringLiteral("a"), 1), begin(QStringLiteral("a"), 1),
                                           begin(QStringLiteral("b"), 2)}));
}

// Refused for good is told and holds back no later write, yet the write is
// not lost: the pending file keeps it, first, with the waiting ones.
void tst_WriteQueue::finalRefusalIsKeptInThePendingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb.orvant-pending"));
    ScriptedStore store;
    store.broken = QStringLiteral("b");
    WriteQueue queue(&store);
    queue.submit(begin(QStringLiteral("b"), 1));
    QCOMPARE(queue.lastError(), QStringLiteral("disk is full"));
    store.busy = true;
    queue.submit(begin(QStringLiteral("c"), 2));
    QCOMPARE(queue.unsavedCount(), 2);
    QString error;
    QVERIFY2(queue.save(path, &error), qPrintable(error));

    ScriptedStore next;
    next.busy = true;
    WriteQueue again(&next);
    QVERIFY2(again.load(path, &error), qPrintable(error));
    QCOMPARE(again.pending(), QList<OutageWrite>({begin(QStringLiteral("b"), 1), begin(QStringLiteral("c"), 2)}));
}

// A table that refuses every write, pass after pass: what is kept for the
// pending file stays bounded, the newest kept.
void tst_WriteQueue::refusalsKeptAreBounded()
{
    ScriptedStore store;
    store.broken = QStringLiteral("b");
    WriteQueue queue(&store);
    QSignalSpy failed(&queue, &WriteQueue::writeFailed);
    const int extra = 5;
    for (int i = 0; i < WriteQueue::MaxRefusedKept + extra; ++i)
        queue.submit({OutageWrite::Begin, QStringLiteral("b"), QString::number(i), QDateTime(QDate(2026, 1, 1), QTime(0, 0))});
    QCOMPARE(failed.size(), WriteQueue::MaxRefusedKept + extra);
    QCOMPARE(queue.refused().size(), WriteQueue::MaxRefusedKept);
    QCOMPARE(queue.refused().first().desc, QString::number(extra));
}

void tst_WriteQueue::writesOfOneOutageCollapse()
{
    ScriptedStore store;
    store.busy = true;
    WriteQueue queue(&store);
    const OutageWrite b = begin(QStringLiteral("a"), 1);
    OutageWrite e = end(QStringLiteral("a"), 2);
    e.begin = DateTimeText::fromDateTime(b.at);
    queue.submit(b);
    queue.submit(b);
    queue.submit(e);
    queue.submit(e);
    QCOMPARE(queue.pending(), QList<OutageWrite>({b, e}));
    store.busy = false;
    queue.retry();
    QCOMPARE(store.written, QList<OutageWrite>({b, e}));
}

// The database refused a Begin for good (a trigger, a broken table): the
// outage's End goes where its Begin went, so that the next start makes the
// whole outage or none of it, never an open row of an outage long over.
void tst_WriteQueue::endJoinsItsRefusedBegin()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb.orvant-pending"));
    ScriptedStore store;
    store.broken = QStringLiteral("a");
    WriteQueue queue(&store);
    const OutageWrite b = begin(QStringLiteral("a"), 1);
    OutageWrite e = end(QStringLiteral("a"), 2);
    e.begin = DateTimeText::fromDateTime(b.at);
    queue.submit(b);
    store.broken.clear();
    queue.submit(e);
    QVERIFY(store.written.isEmpty());
    QCOMPARE(queue.refused(), QList<OutageWrite>({b, e}));
    QString error;
    QVERIFY2(queue.save(path, &error), qPrintable(error));
    ScriptedStore next;
    WriteQueue again(&next);
    QVERIFY2(again.load(path, &error), qPrintable(error));
    again.retry();
    QCOMPARE(next.written, QList<OutageWrite>({b, e}));
}

// A file kept by an earlier version, which decided the same outage again at
// every pass its Begin was refused: one Begin and one End are made of it.
void tst_WriteQueue::keptWritesOfOneOutageCollapseOnLoad()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb.orvant-pending"));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.write(R"([{"kind":"begin","ip":"a","desc":"x","at":"2026-01-01 10:00:01"},
                  {"kind":"begin","ip":"a","desc":"x","at":"2026-01-01 10:00:03"},
                  {"kind":"begin","ip":"a","desc":"x","at":"2026-01-01 10:00:05"},
                  {"kind":"end","ip":"a","desc":"","at":"2026-01-01 10:00:09"},
                  {"kind":"begin","ip":"b","desc":"y","at":"2026-01-01 10:00:10"},
                  {"kind":"begin","ip":"b","desc":"y","at":"2026-01-01 10:00:10"}])");
    kept.close();
    ScriptedStore store;
    store.busy = true;
    WriteQueue queue(&store);
    QString error;
    QVERIFY2(queue.load(path, &error), qPrintable(error));
    QStringList loaded;
    for (const OutageWrite &w : queue.pending())
        loaded << QStringLiteral("%1 %2 %3")
                      .arg(w.kind == OutageWrite::Begin ? QStringLiteral("begin") : QStringLiteral("end"), w.ip,
                           DateTimeText::fromDateTime(w.at));
    QCOMPARE(loaded, (QStringList{QStringLiteral("begin a 2026-01-01 10:00:01"), QStringLiteral("end a 2026-01-01 10:00:09"),
                                  QStringLiteral("begin b 2026-01-01 10:00:10")}));
}

QTEST_GUILESS_MAIN(tst_WriteQueue)
#include "tst_writequeue.moc"
