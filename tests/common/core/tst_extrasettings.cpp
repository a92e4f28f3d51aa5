// The tables added after the first three: made once, in one transaction, in
// an older database when it is opened, and present in a new one; and the
// settings stored by name in one of them.
#include "Database.h"
#include "ExtraSettings.h"
#include "Schema.h"
#include "TempDatabase.h"

#include <QSqlQuery>
#include <QTest>

class tst_ExtraSettings : public QObject
{
    Q_OBJECT

private slots:
    void newDatabaseHasEveryStep_data();
    void newDatabaseHasEveryStep();
    void olderDatabaseGetsTheMissingStepsOnce_data();
    void olderDatabaseGetsTheMissingStepsOnce();
    void settingsRoundTripAndDefaults_data();
    void settingsRoundTripAndDefaults();
    void valuesOutsideTheirRangeReadAsDefault_data();
    void valuesOutsideTheirRangeReadAsDefault();
};

namespace {

QStringList objects(TempDatabase &db)
{
    return db.isServer()
               ? db.rows(QStringLiteral("select tablename from pg_tables where schemaname=current_schema() union all "
                                        "select indexname from pg_indexes where schemaname=current_schema()"))
               : db.rows(QStringLiteral("select name from sqlite_master where type in ('table','index')"));
}

} // namespace

void tst_ExtraSettings::newDatabaseHasEveryStep_data()
{
    addBackendColumn();
    addBackendRows();
}

void tst_ExtraSettings::newDatabaseHasEveryStep()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    TempDatabase db(backend);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QStringList present = objects(db);
    for (const Schema::Step &step : Schema::steps())
        QVERIFY2(present.contains(QLatin1String(step.object)), step.object);
}

void tst_ExtraSettings::olderDatabaseGetsTheMissingStepsOnce_data()
{
    addBackendColumn();
    addBackendRows();
}

// A database of the first three tables only (what every earlier version
// made): opening it adds the rest and leaves the rows alone; a second
// opening finds nothing to do.
void tst_ExtraSettings::olderDatabaseGetsTheMissingStepsOnce()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    TempDatabase db(backend);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QList<Schema::Step> steps = Schema::steps();
    for (auto it = steps.crbegin(); it != steps.crend(); ++it) {
        const QString name = QLatin1String(it->object);
        const bool table = QString::fromUtf8(it->statement->sqlite).startsWith(QLatin1String("create table"));
        db.exec((table ? QStringLiteral("drop table ") : QStringLiteral("drop index ")) + name);
    }
    db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values ('2025-01-01 08:00:00','10.0.0.9','x')"));
    const QStringList logs = db.rows(QStringLiteral("select * from logs order by id"));
    const QStringList addrs = db.rows(QStringLiteral("select * from addrs"));
    QString error;
    QVERIFY2(Database::reopen(db.connectionName(), &error), qPrintable(error));
    const QStringList present = objects(db);
    for (const Schema::Step &step : steps)
        QVERIFY2(present.contains(QLatin1String(step.object)), step.object);
    QCOMPARE(db.rows(QStringLiteral("select * from logs order by id")), logs);
    QCOMPARE(db.rows(QStringLiteral("select * from addrs")), addrs);
    QVERIFY(ExtraSettings::write(db.connection(), QStringLiteral("kept"), QStringLiteral("1"), &error));
    QVERIFY2(Database::reopen(db.connectionName(), &error), qPrintable(error));
    QCOMPARE(db.scalar(QStringLiteral("select value from settings where name='kept'")).toString(), QStringLiteral("1"));
}

void tst_ExtraSettings::settingsRoundTripAndDefaults_data()
{
    addBackendColumn();
    addBackendRows();
}

void tst_ExtraSettings::settingsRoundTripAndDefaults()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    TempDatabase db(backend);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QString error;
    ExtraSettings read;
    QVERIFY2(ExtraSettings::read(db.connection(), &read, &error), qPrintable(error));
    QVERIFY(read.values().isEmpty());
    QCOMPARE(read.integer(QStringLiteral("samples.raw_days"), 14, 1, 3650), 14);
    const QString hostile = QStringLiteral("a'b\"c\\ Кириллица\n%1");
    QVERIFY2(ExtraSettings::write(db.connection(), {{QStringLiteral("samples.raw_days"), QStringLiteral("30")},
                                                    {QStringLiteral("text"), hostile}},
                                  &error),
             qPrintable(error));
    QVERIFY2(ExtraSettings::write(db.connection(), QStringLiteral("samples.raw_days"), QStringLiteral("31"), &error),
             qPrintable(error));
    QVERIFY2(ExtraSettings::read(db.connection(), &read, &error), qPrintable(error));
    QCOMPARE(read.integer(QStringLiteral("samples.raw_days"), 14, 1, 3650), 31);
    QCOMPARE(read.text(QStringLiteral("text")), hostile);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from settings")).toInt(), 2);
}

void tst_ExtraSettings::valuesOutsideTheirRangeReadAsDefault_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("integer");
    QTest::addColumn<int>("flag");  // -1: the default (true) stands
    QTest::newRow("in range") << "5" << 5 << -1;
    QTest::newRow("lowest") << "1" << 1 << 1;
    QTest::newRow("highest") << "10" << 10 << -1;
    QTest::newRow("below") << "0" << 7 << 0;
    QTest::newRow("above") << "11" << 7 << -1;
    QTest::newRow("not a number") << "five" << 7 << -1;
    QTest::newRow("empty") << "" << 7 << -1;
    QTest::newRow("spaces around") << " 3 " << 3 << -1;
    QTest::newRow("true") << "true" << 7 << 1;
    QTest::newRow("false") << "FALSE" << 7 << 0;
}

void tst_ExtraSettings::valuesOutsideTheirRangeReadAsDefault()
{
    QFETCH(QString, value);
    QFETCH(int, integer);
    QFETCH(int, flag);
    const ExtraSettings settings({{QStringLiteral("x"), value}});
    QCOMPARE(settings.integer(QStringLiteral("x"), 7, 1, 10), integer);
    QCOMPARE(settings.flag(QStringLiteral("x"), true), flag == -1 ? true : flag == 1);
    QCOMPARE(settings.integer(QStringLiteral("missing"), 7, 1, 10), 7);
}

QTEST_GUILESS_MAIN(tst_ExtraSettings)
#include "tst_extrasettings.moc"
