// A database file's rows copied into a server database (orvant-mkdb
// --copy-from): everything exactly, keys kept, or nothing at all.
#include "Database.h"
#include "DatabaseCopy.h"
#include "Statements.h"
#include "TempDatabase.h"

#include <QSqlQuery>
#include <QTest>

class tst_DatabaseCopy : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void hostileTextsArriveExactly_data();
    void hostileTextsArriveExactly();
    void keysKeptAndNeverGivenAgain();
    void intoDatabaseWithoutTables();
    void refusesDatabaseWithHistory_data();
    void refusesDatabaseWithHistory();
    void badRowCopiesNothing();
};

void tst_DatabaseCopy::init()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
}

static bool copy(TempDatabase &file, TempDatabase &server, DatabaseCopy::Counts *counts, QString *error)
{
    return DatabaseCopy::copy(file.connection(), server.connection(), counts, error);
}

void tst_DatabaseCopy::hostileTextsArriveExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("apostrophes") << QStringLiteral("O'Brien's switch '');--");
    QTest::newRow("double quotes") << QStringLiteral("the \"core\" \"\"router\"\"");
    QTest::newRow("newlines and tab") << QStringLiteral("line one\nline two\r\n\tend");
    QTest::newRow("arg markers") << QStringLiteral("%1 %2 %L1 %% %s");
    QTest::newRow("cyrillic") << QStringLiteral("Коммутатор на складе — ёж");
    QTest::newRow("backslashes") << QStringLiteral("C:\\path\\to\\ \\' \\\\ \\n");
    QTest::newRow("question marks and dollars") << QStringLiteral("? $1 ?? $$x$$");
    QTest::newRow("empty") << QString(QLatin1String(""));
}

void tst_DatabaseCopy::hostileTextsArriveExactly()
{
    QFETCH(QString, text);
    TempDatabase file(QStringLiteral("file"));
    TempDatabase server(TempDatabase::Backend::Server, QStringLiteral("server"));
    QVERIFY2(server.isValid(), qPrintable(server.error()));
    file.exec(QStringLiteral("delete from addrs"));
    file.exec(QStringLiteral("insert into addrs values (?,?,?)"), {text + QStringLiteral("-ip"), text, 750});
    file.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,1,?,?)"),
              {QStringLiteral("2026-01-01 10:00:00"), QStringLiteral("2026-01-01 10:05:00"), text, text});
    file.exec(QStringLiteral("insert into logs (time_begin,foe,ip,\"desc\") values (?,0,?,?)"),
              {QStringLiteral("2026-01-02 10:00:00"), text, text});
    file.exec(QStringLiteral("update options set snd_err=?,snd_rest=?,refresh_time=7,\"view\"=0"), {text, text});

    DatabaseCopy::Counts counts;
    QString error;
    QVERIFY2(copy(file, server, &counts, &error), qPrintable(error));
    QCOMPARE(counts.addresses, 1);
    QCOMPARE(counts.outages, 2);
    QCOMPARE(counts.options, 1);
    for (const char *table : {"addrs", "options"}) {
        const QString all = QStringLiteral("select * from ") + QLatin1String(table);
        QCOMPARE(server.rows(all), file.rows(all));
    }
    const QString logs = QStringLiteral("select id,time_begin,coalesce(time_end,'-'),foe,ip,\"desc\" from logs order by id");
    QCOMPARE(server.rows(logs), file.rows(logs));
}

// The file's AUTOINCREMENT never gives a key twice, even after clearing
// deleted the newest rows; the server's sequence continues past it.
void tst_DatabaseCopy::keysKeptAndNeverGivenAgain()
{
    TempDatabase file(QStringLiteral("file"));
    TempDatabase server(TempDatabase::Backend::Server, QStringLiteral("server"));
    QVERIFY2(server.isValid(), qPrintable(server.error()));
    for (int i = 0; i < 5; ++i)
        file.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip) values (?,?,1,'10.0.0.1')"),
                  {QStringLiteral("2026-01-0%1 10:00:00").arg(i + 1), QStringLiteral("2026-01-0%1 11:00:00").arg(i + 1)});
    file.exec(QStringLiteral("delete from logs where id in (1,4,5)"));

    DatabaseCopy::Counts counts;
    QString error;
    QVERIFY2(copy(file, server, &counts, &error), qPrintable(error));
    QCOMPARE(counts.outages, 2);
    QCOMPARE(server.rows(QStringLiteral("select id from logs order by id")),
             QStringList({QStringLiteral("2"), QStringLiteral("3")}));
    QSqlQuery q(server.connection());
    QVERIFY(runStatement(q, Statements::InsertOutageAt,
                         {QStringLiteral("2026-02-01 00:00:00"), QStringLiteral("10.0.0.9"), QString()}));
    QCOMPARE(server.scalar(QStringLiteral("select max(id) from logs")).toInt(), 6);
}

// orvant-mkdb --copy-from on a database the administrator just made: the
// tables come in the same transaction.
void tst_DatabaseCopy::intoDatabaseWithoutTables()
{
    TempDatabase file(QStringLiteral("file"));
    file.exec(QStringLiteral("insert into logs (time_begin,foe,ip) values ('2026-01-01 00:00:00',0,'10.0.0.1')"));
    const QString name = TempDatabase::uniqueServerDatabaseName();
    QString error;
    QVERIFY2(TempDatabase::createServerDatabase(name, &error), qPrintable(error));
    Database::Options connectOnly;
    connectOnly.expectTables = false;
    bool ok = Database::open(TempDatabase::serverConfig(name), connectOnly, &error, QStringLiteral("bare"), nullptr);
    DatabaseCopy::Counts counts;
    if (ok)
        ok = DatabaseCopy::copy(file.connection(), QSqlDatabase::database(QStringLiteral("bare")), &counts, &error);
    Database::close(QStringLiteral("bare"));
    // Opened as a program opens it, the copy must pass the schema check.
    const bool opens = ok && Database::open(TempDatabase::serverConfig(name), Database::Options(), &error,
                                            QStringLiteral("program"), nullptr);
    Database::close(QStringLiteral("program"));
    TempDatabase::dropServerDatabase(name);
    QVERIFY2(ok, qPrintable(error));
    QVERIFY2(opens, qPrintable(error));
    QCOMPARE(counts.outages, 1);
    QCOMPARE(counts.addresses, 1);
}

void tst_DatabaseCopy::refusesDatabaseWithHistory_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("an outage") << QStringLiteral(
        "insert into logs (time_begin,ip) values ('2026-01-01 00:00:00','10.0.0.1')");
    QTest::newRow("an address entered on the server")
        << QStringLiteral("insert into addrs (ip_addr,descript) values ('10.0.0.2','склад')");
    QTest::newRow("the starter address renamed")
        << QStringLiteral("update addrs set descript='мой' where ip_addr='127.0.0.1'");
}

void tst_DatabaseCopy::refusesDatabaseWithHistory()
{
    QFETCH(QString, setup);
    TempDatabase file(QStringLiteral("file"));
    TempDatabase server(TempDatabase::Backend::Server, QStringLiteral("server"));
    QVERIFY2(server.isValid(), qPrintable(server.error()));
    server.exec(setup);
    const QStringList before = server.rows(QStringLiteral("select * from addrs")) +
                               server.rows(QStringLiteral("select ip from logs"));
    DatabaseCopy::Counts counts;
    QString error;
    QVERIFY(!copy(file, server, &counts, &error));
    QVERIFY2(error.contains(QStringLiteral("смешала бы две истории")), qPrintable(error));
    QCOMPARE(server.rows(QStringLiteral("select * from addrs")) + server.rows(QStringLiteral("select ip from logs")),
             before);
}

// SQLite keeps any value in any column; one the server cannot take stops the
// copy with the row named, and the server keeps nothing of it.
void tst_DatabaseCopy::badRowCopiesNothing()
{
    TempDatabase file(QStringLiteral("file"));
    TempDatabase server(TempDatabase::Backend::Server, QStringLiteral("server"));
    QVERIFY2(server.isValid(), qPrintable(server.error()));
    file.exec(QStringLiteral("insert into addrs values ('10.0.0.1','a',500),('10.0.0.2','b','fast')"));
    const QStringList before = server.rows(QStringLiteral("select * from addrs"));
    DatabaseCopy::Counts counts;
    QString error;
    QVERIFY(!copy(file, server, &counts, &error));
    QVERIFY2(error.contains(QStringLiteral("addrs")) && error.contains(QStringLiteral("10.0.0.2")), qPrintable(error));
    QCOMPARE(server.rows(QStringLiteral("select * from addrs")), before);
    QVERIFY(server.exec(QStringLiteral("select 1"))); // the connection is usable after the rollback
}

QTEST_GUILESS_MAIN(tst_DatabaseCopy)
#include "tst_databasecopy.moc"
