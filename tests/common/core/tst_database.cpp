// The shared database: template, opening rules and every statement of the
// suite against a real SQLite file.
#include "Database.h"
#include "DateTimeText.h"
#include "Schema.h"
#include "Statements.h"
#include "TempDatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class tst_Database : public QObject
{
    Q_OBJECT

private slots:
    void templateHasTablesAndStarterRows();
    void openRefusesMissingFileAndNamesPath();
    void openRefusesFileThatIsNotADatabase();
    void createNeverOverwrites();
    void everyStatementPrepares();
    void quotesAndCyrillicRoundTrip();
    void logKeysOnlyGrow();
    void timeBeginDefaultsToLocalNow();
    void twoConnectionsShareTheFile();
    void oneOpenRowPerAddressDuplicateIsNoOp();
    void upgradeClosesDuplicatesAndKeepsEverythingElse();
    void openOutageLookupsReadOnlyTheOpenRows_data();
    void openOutageLookupsReadOnlyTheOpenRows();
    void busyIsToldApartFromOtherFailures();
};

void tst_Database::templateHasTablesAndStarterRows()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QCOMPARE(db.rows(QStringLiteral("select name from pragma_table_info('addrs') order by cid")),
             QStringList({QStringLiteral("ip_addr"), QStringLiteral("descript"), QStringLiteral("ping_timeout")}));
    QCOMPARE(db.rows(QStringLiteral("select name from pragma_table_info('logs') order by cid")),
             QStringList({QStringLiteral("id"), QStringLiteral("time_begin"), QStringLiteral("time_end"),
                          QStringLiteral("foe"), QStringLiteral("ip"), QStringLiteral("desc")}));
    QCOMPARE(db.rows(QStringLiteral("select refresh_time,snd_err,snd_rest,\"view\" from options")),
             QStringList(QStringLiteral("1|network-connectivity-lost|network-connectivity-established|1")));
    QCOMPARE(db.scalar(QStringLiteral("select ip_addr from addrs")).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(db.scalar(QStringLiteral("pragma journal_mode")).toString(), QStringLiteral("wal"));
}

void tst_Database::openRefusesMissingFileAndNamesPath()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QString error;
    QVERIFY(!Database::open(path, &error, QStringLiteral("missing")));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(!QFile::exists(path), "opening must never create the file");
    // In Russian: what is wrong and what to do.
    QVERIFY2(error.contains(QStringLiteral("Не удалось открыть файл базы данных")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("файла нет")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("Положите")), qPrintable(error));
    // Statements after the failed open are not told "Driver not loaded".
    QSqlQuery orphan(QSqlDatabase::database(QStringLiteral("missing"), false));
    QVERIFY(!runStatement(orphan, Statements::SelectOptions));
    const QString after = statementError(orphan);
    QVERIFY2(after.contains(QStringLiteral("не открыта")) && after.contains(QLatin1String(Database::FileName)),
             qPrintable(after));
}

void tst_Database::openRefusesFileThatIsNotADatabase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ping_addr.mdb"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    QString error;
    QVERIFY(!Database::open(path, &error, QStringLiteral("garbage")));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("не читается как база данных")), qPrintable(error));
}

void tst_Database::createNeverOverwrites()
{
    TempDatabase db;
    QVERIFY(db.exec(QStringLiteral("insert into addrs values ('10.0.0.9','kept',1)")));
    QFile f(db.path());
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    QString error;
    QVERIFY(!Schema::createDatabaseFile(db.path(), &error));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 2);
}

void tst_Database::everyStatementPrepares()
{
    TempDatabase db;
    for (const char *statement : Statements::all()) {
        QSqlQuery q(db.connection());
        QVERIFY2(q.prepare(QString::fromUtf8(statement)), statement);
    }
}

// A value with both quote characters, a backslash and Cyrillic goes through
// every writing statement and comes back exactly.
void tst_Database::quotesAndCyrillicRoundTrip()
{
    TempDatabase db;
    const QString ip = QStringLiteral("10.0.0.'1");
    const QString desc = QStringLiteral("O'Brien's \"core\" switch — коммутатор \\");
    const QString path = QStringLiteral("/home/o'neil/\"звук\".wav");

    QSqlQuery q(db.connection());
    QVERIFY(runStatement(q, Statements::InsertAddress, {ip, desc, 250}));
    QVERIFY(runStatement(q, Statements::SelectAddress, {ip}));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), desc);
    QCOMPARE(q.value(1).toInt(), 250);

    QVERIFY(runStatement(q, Statements::InsertOutage, {ip, desc}));
    QVERIFY(runStatement(q, Statements::SelectAllOpenOutages));
    QVERIFY(q.next());
    const qlonglong id = q.value(0).toLongLong();
    QCOMPARE(q.value(1).toString(), ip);
    QVERIFY(runStatement(q, Statements::CloseOutage, {QStringLiteral("2026-12-07 10:00:00"), id}));
    QCOMPARE(db.rows(QStringLiteral("select time_end,foe,ip,\"desc\" from logs")),
             QStringList(QStringLiteral("2026-12-07 10:00:00|1|%1|%2").arg(ip, desc)));

    QVERIFY(runStatement(q, Statements::UpdateOptions, {5, path, path, 0}));
    QCOMPARE(db.rows(QStringLiteral("select refresh_time,snd_err,snd_rest,\"view\" from options")),
             QStringList(QStringLiteral("5|%1|%1|0").arg(path)));

    QVERIFY(runStatement(q, Statements::DeleteAddress, {ip}));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addrs where ip_addr=?"), {ip}).toInt(), 0);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where ip=?"), {ip}).toInt(), 1);
}

void tst_Database::logKeysOnlyGrow()
{
    TempDatabase db;
    QSqlQuery q(db.connection());
    QVERIFY(runStatement(q, Statements::InsertOutage, {QStringLiteral("1.1.1.1"), QString()}));
    QVERIFY(runStatement(q, Statements::InsertOutage, {QStringLiteral("1.1.1.2"), QString()}));
    QVERIFY(runStatement(q, Statements::DeleteLogBefore, {QStringLiteral("9999-01-01 00:00:00")}));
    QVERIFY(runStatement(q, Statements::InsertOutage, {QStringLiteral("1.1.1.3"), QString()}));
    QCOMPARE(db.scalar(QStringLiteral("select id from logs")).toInt(), 3);
}

void tst_Database::timeBeginDefaultsToLocalNow()
{
    TempDatabase db;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QSqlQuery q(db.connection());
    QVERIFY(runStatement(q, Statements::InsertOutage, {QStringLiteral("1.1.1.1"), QStringLiteral("x")}));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const QDateTime begin = DateTimeText::fromVariant(db.scalar(QStringLiteral("select time_begin from logs")));
    QVERIFY(begin.isValid());
    QVERIFY2(begin >= before.addMSecs(-before.time().msec()) && begin <= after, qPrintable(begin.toString()));
    QCOMPARE(db.scalar(QStringLiteral("select foe from logs")).toInt(), 0);
    QVERIFY(db.scalar(QStringLiteral("select time_end from logs")).isNull());
}

void tst_Database::twoConnectionsShareTheFile()
{
    TempDatabase db;
    QString error;
    QVERIFY2(Database::open(db.path(), &error, QStringLiteral("second")), qPrintable(error));
    {
        QSqlQuery writer(db.connection());
        QVERIFY(runStatement(writer, Statements::InsertOutage, {QStringLiteral("1.1.1.1"), QStringLiteral("a")}));
        QSqlQuery reader(QSqlDatabase::database(QStringLiteral("second")));
        QVERIFY(runStatement(reader, Statements::SelectOpenOutagesForReport));
        QVERIFY(reader.next());
        QCOMPARE(reader.value(1).toString(), QStringLiteral("1.1.1.1"));
    }
    Database::close(QStringLiteral("second"));
}

void tst_Database::oneOpenRowPerAddressDuplicateIsNoOp()
{
    TempDatabase db;
    QSqlQuery q(db.connection());
    const QString a = QStringLiteral("2026-01-01 10:00:00");
    QVERIFY(runStatement(q, Statements::InsertOutageAt, {a, QStringLiteral("10.0.0.1"), QStringLiteral("x")}));
    QVERIFY(runStatement(q, Statements::InsertOutageAt, {QStringLiteral("2026-01-01 10:00:05"),
                                                         QStringLiteral("10.0.0.1"), QStringLiteral("y")}));
    QCOMPARE(db.rows(QStringLiteral("select time_begin,\"desc\",foe from logs")), QStringList(a + QStringLiteral("|x|0")));
    // Closed, the address may open again; the close takes the open row only.
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {QStringLiteral("2026-01-01 11:00:00"), QStringLiteral("10.0.0.1")}));
    QVERIFY(runStatement(q, Statements::InsertOutageAt, {QStringLiteral("2026-01-02 10:00:00"),
                                                         QStringLiteral("10.0.0.1"), QStringLiteral("z")}));
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {QStringLiteral("2026-01-02 11:00:00"), QStringLiteral("10.0.0.1")}));
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {QStringLiteral("2026-01-03 11:00:00"), QStringLiteral("10.0.0.1")}));
    QCOMPARE(db.rows(QStringLiteral("select \"desc\",time_end from logs order by id")),
             QStringList({QStringLiteral("x|2026-01-01 11:00:00"), QStringLiteral("z|2026-01-02 11:00:00")}));
}

// A file of an earlier version: no unique index, the old index on (ip, foe),
// two monitors' duplicate open rows. The upgrade closes all but the oldest
// open row of each address at its own start and changes nothing else.
void tst_Database::upgradeClosesDuplicatesAndKeepsEverythingElse()
{
    TempDatabase db;
    db.exec(QStringLiteral("drop index logs_one_open"));
    db.exec(QStringLiteral("create index logs_open_by_ip on logs (ip, foe)"));
    db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                           "('2025-01-01 08:00:00','2025-01-01 09:00:00',1,'10.0.0.1','closed'),"
                           "('2025-01-02 08:00:00',null,0,'10.0.0.1','first'),"
                           "('2025-01-02 08:00:01',null,0,'10.0.0.1','second'),"
                           "('2025-01-02 08:00:02',null,0,'10.0.0.1','third'),"
                           "('2025-01-03 08:00:00',null,0,'10.0.0.2','alone')"));
    const QStringList addrs = db.rows(QStringLiteral("select * from addrs"));
    const QStringList options = db.rows(QStringLiteral("select * from options"));
    Database::close();
    QString error;
    QVERIFY2(Database::open(db.path(), &error), qPrintable(error));
    QCOMPARE(db.rows(QStringLiteral("select \"desc\",foe,ifnull(time_end,'-') from logs order by id")),
             QStringList({QStringLiteral("closed|1|2025-01-01 09:00:00"), QStringLiteral("first|0|-"),
                          QStringLiteral("second|1|2025-01-02 08:00:01"), QStringLiteral("third|1|2025-01-02 08:00:02"),
                          QStringLiteral("alone|0|-")}));
    QCOMPARE(db.rows(QStringLiteral("select * from addrs")), addrs);
    QCOMPARE(db.rows(QStringLiteral("select * from options")), options);
    QCOMPARE(db.rows(QStringLiteral("select name from sqlite_master where type='index' and name like 'logs_o%'")),
             QStringList(QStringLiteral("logs_one_open")));
    // Done once: a second open finds nothing to do.
    QVERIFY(Database::upgrade(db.path(), &error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 2);
}

void tst_Database::openOutageLookupsReadOnlyTheOpenRows_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("the pass's lookup") << QString::fromUtf8(Statements::SelectAllOpenOutages);
    QTest::newRow("the report window") << QString::fromUtf8(Statements::SelectOpenOutagesForReport);
    QTest::newRow("a close") << QString::fromUtf8(Statements::CloseOutageOfAddress);
}

// A year of history must cost a pass nothing: the open rows are found
// through the partial index, never by reading every row of logs.
void tst_Database::openOutageLookupsReadOnlyTheOpenRows()
{
    QFETCH(QString, statement);
    TempDatabase db;
    db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<20000) "
                           "insert into logs (time_begin,time_end,foe,ip) select '2025-01-01 00:00:00',"
                           "'2025-01-01 00:00:01',1,'10.0.'||(i%200)||'.1' from n"));
    db.exec(QStringLiteral("analyze"));
    QSqlQuery q(db.connection());
    QVERIFY(q.prepare(QStringLiteral("explain query plan ") + statement));
    q.addBindValue(QStringLiteral("2025-01-01 00:00:00"));
    q.addBindValue(QStringLiteral("10.0.0.1"));
    if (!q.exec()) {
        // Statements without parameters refuse the extra values.
        QVERIFY(q.prepare(QStringLiteral("explain query plan ") + statement));
        QVERIFY(q.exec());
    }
    QStringList plan;
    while (q.next())
        plan << q.value(3).toString();
    const QString text = plan.join(QLatin1Char('\n'));
    QVERIFY2(text.contains(QStringLiteral("logs_one_open")), qPrintable(text));
    for (const QString &step : plan)
        QVERIFY2(step != QStringLiteral("SCAN logs"), qPrintable(text));
}

void tst_Database::busyIsToldApartFromOtherFailures()
{
    TempDatabase db;
    Database::Options quick;
    quick.busyTimeoutMs = 20;
    QString error;
    QVERIFY(Database::open(db.path(), quick, &error, QStringLiteral("quick"), nullptr));
    QSqlQuery holder(db.connection());
    QVERIFY(holder.exec(QStringLiteral("begin immediate")));
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("quick")));
        QVERIFY(!runStatement(q, Statements::InsertOutageAt, {QStringLiteral("2026-01-01 00:00:00"),
                                                               QStringLiteral("1.1.1.1"), QString()}));
        QVERIFY2(Database::isBusy(q.lastError()), qPrintable(q.lastError().text()));
        QVERIFY(!q.exec(QStringLiteral("select * from no_such_table")));
        QVERIFY(!Database::isBusy(q.lastError()));
    }
    QVERIFY(holder.exec(QStringLiteral("rollback")));
    Database::close(QStringLiteral("quick"));
}

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_database.moc"
