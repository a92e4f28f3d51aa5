// Single instance per user and per database file: real lock files, a real
// second process holding one.
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void leftOverLockFileIsTakenOver_data();
    void leftOverLockFileIsTakenOver();
    void lockHeldByAnotherProcessNamesIt();
    void lockThatCannotBeMadeIsReportedAsSuch();
    void everyPathToOneDatabaseMeetsOneLock();
};

void tst_SingleInstance::leftOverLockFileIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\\x01\\xff not a lock at all\\n\\n\\n");
    QTest::newRow("a pid of nobody") << QByteArray("999999999\\nhost\\norvant\\n");
}

void tst_SingleInstance::leftOverLockFileIsTakenOver()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    SingleInstance probe(QStringLiteral("orvant"), dir.path());
    QFile f(probe.lockFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QVERIFY(probe.tryAcquire());
    SingleInstance second(QStringLiteral("orvant"), dir.path());
    QVERIFY(!second.tryAcquire());
    QCOMPARE(second.state(), ExclusiveLock::State::HeldByOther);
    QCOMPARE(second.holderPid(), qint64(::getpid()));
}

void tst_SingleInstance::lockHeldByAnotherProcessNamesIt()
{
    if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
        QSKIP("flock (util-linux) is not installed");
    QTemporaryDir dir;
    SingleInstance mine(QStringLiteral("orvant"), dir.path());
    QProcess holder;
    // -F: the lock stays with the process we kill, not with a child of it
    // (sh execs sleep in the same process). flock runs the command only once
    // it holds the lock: its "locked" says so. The file alone appears before
    // the lock is taken, and a try in that gap would take the lock itself.
    holder.start(QStringLiteral("flock"), {QStringLiteral("-F"), QStringLiteral("-x"), mine.lockFilePath(),
                                           QStringLiteral("sh"), QStringLiteral("-c"),
                                           QStringLiteral("echo locked; exec sleep 20")});
    QVERIFY(holder.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine() || (holder.waitForReadyRead(100) && holder.canReadLine()), 5000);
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
    QTRY_COMPARE_WITH_TIMEOUT((mine.tryAcquire(), mine.state()), ExclusiveLock::State::HeldByOther, 5000);
    QCOMPARE(mine.holderPid(), holder.processId());
    QVERIFY(mine.holderPid() > 0);
    QVERIFY(!mine.holderUser().isEmpty());
    holder.kill();  // as kill -9 would: the kernel drops the lock
    holder.waitForFinished(5000);
    QVERIFY(mine.tryAcquire());
}

void tst_SingleInstance::lockThatCannotBeMadeIsReportedAsSuch()
{
    QTemporaryDir dir;
    // A directory where the lock file should be: it cannot be opened as a file.
    SingleInstance probe(QStringLiteral("orvant"), dir.path());
    QVERIFY(QDir().mkpath(probe.lockFilePath()));
    QVERIFY(!probe.tryAcquire());
    QCOMPARE(probe.state(), ExclusiveLock::State::Failed);
    QVERIFY(!probe.errorText().isEmpty());
}

void tst_SingleInstance::everyPathToOneDatabaseMeetsOneLock()
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QFile f(db);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(QFile::link(db, dir.filePath(QStringLiteral("linked.mdb"))));
    QVERIFY(::link(QFile::encodeName(db).constData(), QFile::encodeName(dir.filePath(QStringLiteral("hard.mdb"))).constData()) == 0);
    const QString locks = dir.filePath(QStringLiteral("locks"));
    QVERIFY(QDir().mkpath(locks));
    QString error;
    auto first = SingleInstance::forDatabase(db, locks, &error);
    QVERIFY(first && first->tryAcquire());
    for (const char *other : {"linked.mdb", "hard.mdb", "./ping_addr.mdb"}) {
        auto second = SingleInstance::forDatabase(dir.filePath(QLatin1String(other)), locks, &error);
        QVERIFY(second);
        QVERIFY2(!second->tryAcquire(), other);
        QCOMPARE(second->state(), ExclusiveLock::State::HeldByOther);
    }
    QVERIFY(!SingleInstance::forDatabase(dir.filePath(QStringLiteral("missing.mdb")), locks, &error));
    first.reset();
    auto again = SingleInstance::forDatabase(db, locks, &error);
    QVERIFY(again->tryAcquire());
}

QTEST_GUILESS_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
