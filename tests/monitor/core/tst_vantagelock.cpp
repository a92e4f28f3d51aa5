// Vantage points and a plain monitor on one real server, each on a session
// of its own: who is refused beside whom and how the refusal names the
// holder, one name per running vantage, and the log writer's election.
#include "Database.h"
#include "MonitorLock.h"
#include "TempDatabase.h"
#include "VantageLock.h"
#include "VantageRecords.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

using namespace monitor;

namespace {

// A session whose client has gone lets go of its locks as its server
// process exits, a moment later: a test waits for that, within bounds.
template <typename Try>
bool eventually(Try attempt)
{
    QElapsedTimer waited;
    waited.start();
    while (!attempt()) {
        if (waited.elapsed() > 5000)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace

class tst_VantageLock : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void plainMonitorAndVantagesKeepApart();
    void nameInUseRefusedWhileItsSessionRuns();
    void writerElectedAndTakenOver();
    void ownLeftoverSessionEndedAndWriterFreed();

private:
    // A connection of its own to the test's database, its session so named.
    QSqlDatabase session(const QString &connection, const QString &sessionName);

    std::unique_ptr<TempDatabase> m_db;
};

void tst_VantageLock::init()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    m_db = std::make_unique<TempDatabase>(TempDatabase::Backend::Server, QStringLiteral("set-up"));
    QVERIFY2(m_db->isValid(), qPrintable(m_db->error()));
}

void tst_VantageLock::cleanup()
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (name != QLatin1String("set-up"))
            Database::close(name);
    }
    m_db.reset();
}

QSqlDatabase tst_VantageLock::session(const QString &connection, const QString &sessionName)
{
    QString error;
    if (!Database::open(m_db->config(), Database::Options{}, &error, connection, nullptr))
        qWarning("%s", qPrintable(error));
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!MonitorLock::nameSession(db, sessionName, &error))
        qWarning("%s", qPrintable(error));
    return db;
}

void tst_VantageLock::plainMonitorAndVantagesKeepApart()
{
    QString holder, error;
    const QString s1 = QStringLiteral("orvant 11.aaaa@north-host"), s2 = QStringLiteral("orvant 12.bbbb@south-host");
    QSqlDatabase north = session(QStringLiteral("north"), s1);
    QSqlDatabase south = session(QStringLiteral("south"), s2);
    QCOMPARE(VantageLock::take(north, QStringLiteral("north"), s1, &holder, &error), VantageLock::Result::Taken);
    QVERIFY(VantageRecords::registerVantage(north, QStringLiteral("north"), 10, s1, &error));
    QCOMPARE(VantageLock::take(south, QStringLiteral("south"), s2, &holder, &error), VantageLock::Result::Taken);
    QVERIFY(VantageRecords::registerVantage(south, QStringLiteral("south"), 10, s2, &error));
    // A vantage that has not registered yet is named by its session.
    const QString s3 = QStringLiteral("orvant 13.cccc@east-host");
    QSqlDatabase east = session(QStringLiteral("east"), s3);
    QCOMPARE(VantageLock::take(east, QStringLiteral("east"), s3, &holder, &error), VantageLock::Result::Taken);

    const QString sm = QStringLiteral("orvant 20.dddd@desk");
    QSqlDatabase plain = session(QStringLiteral("plain"), sm);
    QCOMPARE(MonitorLock::take(plain, sm, &holder, &error), MonitorLock::Result::HeldByOther);
    QVERIFY2(holder.startsWith(QStringLiteral("наблюдательные пункты")) && holder.contains(QStringLiteral("«north»"))
                 && holder.contains(QStringLiteral("«south»")) && holder.contains(s3),
             qPrintable(holder));
    // Refused, the plain monitor ended nobody's session.
    QSqlQuery alive(north);
    QVERIFY(alive.exec(QStringLiteral("select 1")));

    north.close();
    south.close();
    east.close();
    QVERIFY(eventually([&] { return MonitorLock::take(plain, sm, &holder, &error) == MonitorLock::Result::Taken; }));
    QSqlDatabase late = session(QStringLiteral("late"), s1);
    QCOMPARE(VantageLock::take(late, QStringLiteral("north"), s1, &holder, &error),
             VantageLock::Result::HeldByMonitor);
    QVERIFY2(holder.contains(sm), qPrintable(holder));
    QSqlQuery stillThere(plain);
    QVERIFY(stillThere.exec(QStringLiteral("select 1")));
}

void tst_VantageLock::nameInUseRefusedWhileItsSessionRuns()
{
    QString holder, error;
    const QString s1 = QStringLiteral("orvant 11.aaaa@north-host"), s2 = QStringLiteral("orvant 12.bbbb@other-host");
    QSqlDatabase first = session(QStringLiteral("first"), s1);
    QCOMPARE(VantageLock::take(first, QStringLiteral("north"), s1, &holder, &error), VantageLock::Result::Taken);
    QVERIFY(VantageRecords::registerVantage(first, QStringLiteral("north"), 10, s1, &error));

    QSqlDatabase twin = session(QStringLiteral("twin"), s2);
    QCOMPARE(VantageLock::take(twin, QStringLiteral("north"), s2, &holder, &error), VantageLock::Result::NameInUse);
    QVERIFY2(holder.contains(QStringLiteral("«north»")) && holder.contains(s1), qPrintable(holder));
    // The refused twin gave its share back: with the first gone, a plain
    // monitor finds the database free.
    first.close();
    const QString sm = QStringLiteral("orvant 20.dddd@desk");
    QSqlDatabase plain = session(QStringLiteral("plain"), sm);
    QVERIFY(eventually([&] { return MonitorLock::take(plain, sm, &holder, &error) == MonitorLock::Result::Taken; }));
    plain.close();
    // The name is free again once its vantage has ended.
    QVERIFY(eventually([&] {
        return VantageLock::take(twin, QStringLiteral("north"), s2, &holder, &error) == VantageLock::Result::Taken;
    }));
}

void tst_VantageLock::writerElectedAndTakenOver()
{
    QString holder, error;
    const QString s1 = QStringLiteral("orvant 11.aaaa@north-host"), s2 = QStringLiteral("orvant 12.bbbb@south-host");
    QSqlDatabase north = session(QStringLiteral("north"), s1);
    QSqlDatabase south = session(QStringLiteral("south"), s2);
    QCOMPARE(VantageLock::take(north, QStringLiteral("north"), s1, &holder, &error), VantageLock::Result::Taken);
    QCOMPARE(VantageLock::take(south, QStringLiteral("south"), s2, &holder, &error), VantageLock::Result::Taken);
    QVERIFY(VantageRecords::registerVantage(north, QStringLiteral("north"), 10, s1, &error));
    QVERIFY(VantageRecords::registerVantage(south, QStringLiteral("south"), 10, s2, &error));

    bool taken = false;
    QVERIFY2(VantageLock::tryWriter(north, &taken, &error), qPrintable(error));
    QVERIFY(taken);
    QVERIFY(VantageLock::tryWriter(south, &taken, &error));
    QVERIFY(!taken);
    QList<VantageState> list;
    QVERIFY(VantageRecords::listVantages(south, &list, &error));
    QVERIFY(list.at(0).writer && !list.at(1).writer);

    // The writer's session ends: the next try of another takes over.
    north.close();
    QVERIFY(eventually([&] { return VantageLock::tryWriter(south, &taken, &error) && taken; }));
    QVERIFY(VantageRecords::listVantages(south, &list, &error));
    QVERIFY(!list.at(0).writer && list.at(1).writer);
}

// A connection of this very run broke without the server noticing: its
// session still holds the share and the writer's lock. Taking the share
// again ends it, so the log does not wait for the server's keepalive.
void tst_VantageLock::ownLeftoverSessionEndedAndWriterFreed()
{
    QString holder, error;
    const QString own = MonitorLock::sessionNameOfThisProcess();
    QSqlDatabase leftover = session(QStringLiteral("leftover"), own);
    QCOMPARE(VantageLock::take(leftover, QStringLiteral("north"), own, &holder, &error), VantageLock::Result::Taken);
    bool taken = false;
    QVERIFY(VantageLock::tryWriter(leftover, &taken, &error) && taken);
    // Another vantage's session is never ended.
    const QString other = QStringLiteral("orvant 12.bbbb@south-host");
    QSqlDatabase south = session(QStringLiteral("south"), other);
    QCOMPARE(VantageLock::take(south, QStringLiteral("south"), other, &holder, &error), VantageLock::Result::Taken);

    QSqlDatabase again = session(QStringLiteral("again"), own);
    QCOMPARE(VantageLock::take(again, QStringLiteral("north"), own, &holder, &error), VantageLock::Result::Taken);
    QVERIFY(eventually([&] { return VantageLock::tryWriter(again, &taken, &error) && taken; }));
    QSqlQuery probe(leftover);
    QVERIFY2(!probe.exec(QStringLiteral("select 1")), "the leftover session was not ended");
    QSqlQuery alive(south);
    QVERIFY(alive.exec(QStringLiteral("select 1")));
}

QTEST_GUILESS_MAIN(tst_VantageLock)
#include "tst_vantagelock.moc"
