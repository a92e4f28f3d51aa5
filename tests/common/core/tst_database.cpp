// The shared database: template, opening rules and every statement of the
// suite against a real SQLite file.
#include "Database.h"
#include "DateTimeText.h"
#include "Schema.h"
#include "Statements.h"
#include "TempDatabase.h"

#include <QFile>
#include <QSqlDatabase>
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

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_database.moc"
