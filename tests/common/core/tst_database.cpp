// The shared database: templates, opening rules and every statement of the
// suite against a real SQLite file and a real PostgreSQL server.
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
    void serverTemplateMatchesTheFile();
    void everyStatementPrepares_data();
    void everyStatementPrepares();
    void quotesAndCyrillicRoundTrip_data();
    void quotesAndCyrillicRoundTrip();
    void logKeysOnlyGrow_data();
    void logKeysOnlyGrow();
    void timeBeginDefaultsToLocalNow_data();
    void timeBeginDefaultsToLocalNow();
    void twoConnectionsShareTheFile_data();
    void twoConnectionsShareTheFile();
    void oneOpenRowPerAddressDuplicateIsNoOp_data();
    void oneOpenRowPerAddressDuplicateIsNoOp();
    void upgradeClosesDuplicatesAndKeepsEverythingElse_data();
    void upgradeClosesDuplicatesAndKeepsEverythingElse();
    void serverUnreachableIsNamed();
    void serverWithoutTablesIsRefused();
    void lostServerConnectionIsToldAndReopened();
    void serverRefusesSecondSchema();
    void readOnlyServerSessionRefusesChanges();
    void openOutageLookupsReadOnlyTheOpenRows_data();
    void openOutageLookupsReadOnlyTheOpenRows();
    void busyIsToldApartFromOtherFailures_data();
    void busyIsToldApartFromOtherFailures();
    void writeFailureClassified_data();
    void writeFailureClassified();
    void refusalsOfARealDatabaseClassified_data();
    void refusalsOfARealDatabaseClassified();
    void closeNeverEndsBeforeTheBegin_data();
    void closeNeverEndsBeforeTheBegin();
};

#define BACKEND_ROWS()                                                                                                 \
    addBackendColumn();                                                                                                \
    addBackendRows()
#define FETCH_DATABASE(db)                                                                                             \
    QFETCH(TempDatabase::Backend, backend);                                                                            \
    SKIP_WITHOUT_SERVER(backend);                                                                                      \
    TempDatabase db(backend);                                                                                          \
    QVERIFY2(db.isValid(), qPrintable(db.error()))

// The server's template must give the columns of the file's in the same
// order: readers take them by position.
void tst_Database::serverTemplateMatchesTheFile()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    TempDatabase file;
    TempDatabase server(TempDatabase::Backend::Server, QStringLiteral("server"));
    QVERIFY2(server.isValid(), qPrintable(server.error()));
    for (const char *table : {"addrs", "logs", "options"}) {
        const QStringList fileColumns =
            file.rows(QStringLiteral("select name from pragma_table_info(?) order by cid"), {QLatin1String(table)});
        const QStringList serverColumns =
            server.rows(QStringLiteral("select column_name from information_schema.columns where table_name=? "
                                       "and table_schema=current_schema() order by ordinal_position"),
                        {QLatin1String(table)});
        QCOMPARE(serverColumns, fileColumns);
    }
    QCOMPARE(server.rows(QStringLiteral("select * from options")), file.rows(QStringLiteral("select * from options")));
    QCOMPARE(server.rows(QStringLiteral("select * from addrs")), file.rows(QStringLiteral("select * from addrs")));
}

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

void tst_Database::everyStatementPrepares_data()
{
    BACKEND_ROWS();
}

// Every form of every statement against the engine it is for. The server
// prepares only queries and data changes; its transaction and index
// statements run instead, the index ones in a transaction rolled back.
void tst_Database::everyStatementPrepares()
{
    FETCH_DATABASE(db);
    const Statements::Dialect dialect = Database::dialectOf(db.connection());
    int forms = 0;
    for (const Statements::Statement *statement : Statements::all()) {
        QVERIFY2(statement->sqlite || statement->postgres, statement->name);
        const char *text = statement->text(dialect);
        if (!text)
            continue;
        ++forms;
        const QString sql = QString::fromUtf8(text);
        QSqlQuery q(db.connection());
        if (dialect == Statements::Dialect::Sqlite) {
            QVERIFY2(q.prepare(sql), qPrintable(QLatin1String(statement->name) + QLatin1Char(' ') + statementError(q)));
        } else if (sql.startsWith(QLatin1String("begin")) || sql.startsWith(QLatin1String("commit"))
                   || sql.startsWith(QLatin1String("rollback"))) {
            QVERIFY2(q.exec(sql), qPrintable(QLatin1String(statement->name) + QLatin1Char(' ') + statementError(q)));
            QVERIFY(q.exec(QStringLiteral("rollback")));
        } else if (sql.startsWith(QLatin1String("create")) || sql.startsWith(QLatin1String("drop"))) {
            QVERIFY(q.exec(QStringLiteral("begin")));
            QVERIFY2(q.exec(sql), qPrintable(QLatin1String(statement->name) + QLatin1Char(' ') + statementError(q)));
            QVERIFY(q.exec(QStringLiteral("rollback")));
        } else {
            QVERIFY2(q.prepare(sql), qPrintable(QLatin1String(statement->name) + QLatin1Char(' ') + statementError(q)));
        }
    }
    QVERIFY(forms > 20);
}

// A value with both quote characters, a backslash and Cyrillic goes through
// every writing statement and comes back exactly.
void tst_Database::quotesAndCyrillicRoundTrip_data()
{
    BACKEND_ROWS();
}

void tst_Database::quotesAndCyrillicRoundTrip()
{
    FETCH_DATABASE(db);
    const QString ip = QStringLiteral("10.0.0.'1");
    const QString desc = QStringLiteral("O'Brien's \"core\" switch — коммутатор \\");
    const QString path = QStringLiteral("/home/o'neil/\"звук\".wav");

    QSqlQuery q(db.connection());
    QVERIFY(runStatement(q, Statements::InsertAddress, {ip, desc, 250}));
    QVERIFY(runStatement(q, Statements::SelectAddress, {ip}));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), desc);
    QCOMPARE(q.value(1).toInt(), 250);

    QVERIFY(runStatement(q, Statements::InsertOutageAt, {QStringLiteral("2026-12-07 09:00:00"), ip, desc}));
    QVERIFY(runStatement(q, Statements::SelectAllOpenOutages));
    QVERIFY(q.next());
    QCOMPARE(q.value(1).toString(), ip);
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {QStringLiteral("2026-12-07 10:00:00"), ip}));
    QCOMPARE(db.rows(QStringLiteral("select time_end,foe,ip,\"desc\" from logs")),
             QStringList(QStringLiteral("2026-12-07 10:00:00|1|%1|%2").arg(ip, desc)));

    QVERIFY(runStatement(q, Statements::UpdateOptions, {5, path, path, 0}));
    QCOMPARE(db.rows(QStringLiteral("select refresh_time,snd_err,snd_rest,\"view\" from options")),
             QStringList(QStringLiteral("5|%1|%1|0").arg(path)));

    QVERIFY(runStatement(q, Statements::DeleteAddress, {ip}));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addrs where ip_addr=?"), {ip}).toInt(), 0);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where ip=?"), {ip}).toInt(), 1);
}

void tst_Database::logKeysOnlyGrow_data()
{
    BACKEND_ROWS();
}

void tst_Database::logKeysOnlyGrow()
{
    FETCH_DATABASE(db);
    QSqlQuery q(db.connection());
    const QString at = QStringLiteral("2026-01-01 00:00:00");
    QVERIFY(runStatement(q, Statements::InsertOutageAt, {at, QStringLiteral("1.1.1.1"), QString()}));
    QVERIFY(runStatement(q, Statements::InsertOutageAt, {at, QStringLiteral("1.1.1.2"), QString()}));
    QVERIFY(runStatement(q, Statements::DeleteLogBefore, {QStringLiteral("9999-01-01 00:00:00")}));
    QVERIFY(runStatement(q, Statements::InsertOutageAt, {at, QStringLiteral("1.1.1.3"), QString()}));
    QCOMPARE(db.scalar(QStringLiteral("select id from logs")).toInt(), 3);
}

void tst_Database::timeBeginDefaultsToLocalNow_data()
{
    BACKEND_ROWS();
}

void tst_Database::timeBeginDefaultsToLocalNow()
{
    FETCH_DATABASE(db);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    db.exec(QStringLiteral("insert into logs (ip,\"desc\") values (?,?)"), {QStringLiteral("1.1.1.1"), QStringLiteral("x")});
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    const QDateTime begin = DateTimeText::fromVariant(db.scalar(QStringLiteral("select time_begin from logs")));
    QVERIFY(begin.isValid());
    QVERIFY2(begin >= before.addMSecs(-before.time().msec()) && begin <= after, qPrintable(begin.toString()));
    QCOMPARE(db.scalar(QStringLiteral("select foe from logs")).toInt(), 0);
    QVERIFY(db.scalar(QStringLiteral("select time_end from logs")).isNull());
}

void tst_Database::twoConnectionsShareTheFile_data()
{
    BACKEND_ROWS();
}

void tst_Database::twoConnectionsShareTheFile()
{
    FETCH_DATABASE(db);
    QString error;
    QVERIFY2(Database::open(db.config(), Database::Options(), &error, QStringLiteral("second"), nullptr),
             qPrintable(error));
    {
        QSqlQuery writer(db.connection());
        QVERIFY(runStatement(writer, Statements::InsertOutageAt, {QStringLiteral("2026-01-01 00:00:00"),
                                                                  QStringLiteral("1.1.1.1"), QStringLiteral("a")}));
        QSqlQuery reader(QSqlDatabase::database(QStringLiteral("second")));
        QVERIFY(runStatement(reader, Statements::SelectOpenOutagesForReport));
        QVERIFY(reader.next());
        QCOMPARE(reader.value(1).toString(), QStringLiteral("1.1.1.1"));
    }
    Database::close(QStringLiteral("second"));
}

void tst_Database::oneOpenRowPerAddressDuplicateIsNoOp_data()
{
    BACKEND_ROWS();
}

void tst_Database::oneOpenRowPerAddressDuplicateIsNoOp()
{
    FETCH_DATABASE(db);
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
void tst_Database::upgradeClosesDuplicatesAndKeepsEverythingElse_data()
{
    BACKEND_ROWS();
}

void tst_Database::upgradeClosesDuplicatesAndKeepsEverythingElse()
{
    FETCH_DATABASE(db);
    const bool server = db.isServer();
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
    QString error;
    QVERIFY2(Database::reopen(db.connectionName(), &error), qPrintable(error));
    QCOMPARE(db.rows(QStringLiteral("select \"desc\",foe,coalesce(time_end,'-') from logs order by id")),
             QStringList({QStringLiteral("closed|1|2025-01-01 09:00:00"), QStringLiteral("first|0|-"),
                          QStringLiteral("second|1|2025-01-02 08:00:01"), QStringLiteral("third|1|2025-01-02 08:00:02"),
                          QStringLiteral("alone|0|-")}));
    QCOMPARE(db.rows(QStringLiteral("select * from addrs")), addrs);
    QCOMPARE(db.rows(QStringLiteral("select * from options")), options);
    QCOMPARE(db.rows(server ? QStringLiteral("select indexname from pg_indexes where indexname like 'logs_o%'")
                            : QStringLiteral("select name from sqlite_master where type='index' and name like 'logs_o%'")),
             QStringList(QStringLiteral("logs_one_open")));
    // Done once: a second open finds nothing to do.
    QVERIFY(server ? Database::upgrade(db.connection(), &error) : Database::upgrade(db.path(), &error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 2);
}

void tst_Database::openOutageLookupsReadOnlyTheOpenRows_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("the pass's lookup") << QString::fromUtf8(Statements::SelectAllOpenOutages.sqlite);
    QTest::newRow("the report window") << QString::fromUtf8(Statements::SelectOpenOutagesForReport.sqlite);
    QTest::newRow("a close") << QString::fromUtf8(Statements::CloseOutageOfAddress.sqlite);
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

void tst_Database::busyIsToldApartFromOtherFailures_data()
{
    BACKEND_ROWS();
}

void tst_Database::busyIsToldApartFromOtherFailures()
{
    FETCH_DATABASE(db);
    Database::Options quick;
    quick.busyTimeoutMs = 20;
    QString error;
    QVERIFY(Database::open(db.config(), quick, &error, QStringLiteral("quick"), nullptr));
    QSqlQuery holder(db.connection());
    QVERIFY(holder.exec(db.isServer() ? QStringLiteral("begin") : QStringLiteral("begin immediate")));
    if (db.isServer())
        QVERIFY(holder.exec(QStringLiteral("lock table logs in exclusive mode")));
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("quick")));
        QVERIFY(!runStatement(q, Statements::InsertOutageAt, {QStringLiteral("2026-01-01 00:00:00"),
                                                               QStringLiteral("1.1.1.1"), QString()}));
        QVERIFY2(Database::isBusy(q.lastError()), qPrintable(q.lastError().text()));
        QVERIFY2(!Database::isConnectionLost(q.lastError(), QSqlDatabase::database(QStringLiteral("quick"))),
                 qPrintable(q.lastError().text()));
        QVERIFY(!q.exec(QStringLiteral("select * from no_such_table")));
        QVERIFY(!Database::isBusy(q.lastError()));
        QVERIFY(!Database::isConnectionLost(q.lastError(), QSqlDatabase::database(QStringLiteral("quick"))));
    }
    QVERIFY(holder.exec(QStringLiteral("rollback")));
    Database::close(QStringLiteral("quick"));
}

void tst_Database::writeFailureClassified_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("retry");

    const int statement = int(QSqlError::StatementError);
    const int connection = int(QSqlError::ConnectionError);
    // The server's SQLSTATEs.
    QTest::newRow("read-only transaction 25006") << QStringLiteral("25006") << statement << true;
    QTest::newRow("statement timeout 57014") << QStringLiteral("57014") << statement << true;
    QTest::newRow("lock timeout 55P03") << QStringLiteral("55P03") << statement << true;
    QTest::newRow("serialization 40001") << QStringLiteral("40001") << statement << true;
    QTest::newRow("deadlock 40P01") << QStringLiteral("40P01") << statement << true;
    QTest::newRow("too many connections 53300") << QStringLiteral("53300") << statement << true;
    QTest::newRow("disk full 53100") << QStringLiteral("53100") << statement << true;
    QTest::newRow("out of memory 53200") << QStringLiteral("53200") << statement << true;
    QTest::newRow("admin shutdown 57P01") << QStringLiteral("57P01") << statement << true;
    QTest::newRow("cannot connect now 57P03") << QStringLiteral("57P03") << statement << true;
    QTest::newRow("database dropped 57P04") << QStringLiteral("57P04") << statement << true;
    QTest::newRow("connection failure 08006") << QStringLiteral("08006") << connection << true;
    QTest::newRow("idle in transaction timeout 25P03") << QStringLiteral("25P03") << statement << true;
    QTest::newRow("not null violation 23502") << QStringLiteral("23502") << statement << false;
    QTest::newRow("unique violation 23505") << QStringLiteral("23505") << statement << false;
    QTest::newRow("undefined table 42P01") << QStringLiteral("42P01") << statement << false;
    QTest::newRow("undefined column 42703") << QStringLiteral("42703") << statement << false;
    QTest::newRow("permission denied 42501") << QStringLiteral("42501") << statement << false;
    QTest::newRow("bad text 22P02") << QStringLiteral("22P02") << statement << false;
    // SQLite's result codes, extended ones included.
    QTest::newRow("SQLITE_BUSY") << QStringLiteral("5") << statement << true;
    QTest::newRow("SQLITE_BUSY_SNAPSHOT") << QStringLiteral("517") << statement << true;
    QTest::newRow("SQLITE_LOCKED") << QStringLiteral("6") << statement << true;
    QTest::newRow("SQLITE_FULL") << QStringLiteral("13") << statement << true;
    QTest::newRow("SQLITE_CONSTRAINT_NOTNULL") << QStringLiteral("1299") << statement << false;
    QTest::newRow("SQLITE_ERROR") << QStringLiteral("1") << statement << false;
    QTest::newRow("SQLITE_READONLY") << QStringLiteral("8") << statement << false;
    // No code: the client library gave up before any answer.
    QTest::newRow("no code, connection") << QString() << connection << true;
    QTest::newRow("no code, statement") << QString() << statement << false;
}

void tst_Database::writeFailureClassified()
{
    QFETCH(QString, code);
    QFETCH(int, type);
    QFETCH(bool, retry);
    const QSqlError error(QStringLiteral("driver"), QStringLiteral("database"), QSqlError::ErrorType(type), code);
    QCOMPARE(Database::classifyWriteFailure(error) == Database::WriteFailure::Retry, retry);
}

void tst_Database::refusalsOfARealDatabaseClassified_data()
{
    BACKEND_ROWS();
}

// The codes the engines really give: a database made read-only for a while
// is a refusal for now; a statement the table can never take is final.
void tst_Database::refusalsOfARealDatabaseClassified()
{
    FETCH_DATABASE(db);
    QSqlQuery q(db.connection());
    QVERIFY(!q.exec(QStringLiteral("insert into logs (ip) values (null)")));
    QCOMPARE(Database::classifyWriteFailure(q.lastError()), Database::WriteFailure::Final);
    QVERIFY(!q.exec(QStringLiteral("update no_such_table set x=1")));
    QCOMPARE(Database::classifyWriteFailure(q.lastError()), Database::WriteFailure::Final);
    if (!db.isServer())
        return;
    QVERIFY(q.exec(QStringLiteral("set default_transaction_read_only=on")));
    QVERIFY(!runStatement(q, Statements::InsertOutageAt,
                          {QStringLiteral("2026-01-01 00:00:00"), QStringLiteral("10.0.0.1"), QString()}));
    QCOMPARE(q.lastError().nativeErrorCode(), QStringLiteral("25006"));
    QCOMPARE(Database::classifyWriteFailure(q.lastError()), Database::WriteFailure::Retry);
    QVERIFY(q.exec(QStringLiteral("set default_transaction_read_only=off")));
}

void tst_Database::closeNeverEndsBeforeTheBegin_data()
{
    BACKEND_ROWS();
}

// A wall clock set back while a host was down: the outage ends where it
// began, never before, and every duration read from the log is zero or more.
void tst_Database::closeNeverEndsBeforeTheBegin()
{
    FETCH_DATABASE(db);
    QSqlQuery q(db.connection());
    const QString begin = QStringLiteral("2026-03-01 10:00:00");
    for (const char *ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"})
        QVERIFY(runStatement(q, Statements::InsertOutageAt, {begin, QString::fromLatin1(ip), QStringLiteral("x")}));
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {QStringLiteral("2026-03-01 09:00:43"), QStringLiteral("10.0.0.1")}));
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {begin, QStringLiteral("10.0.0.2")}));
    QVERIFY(runStatement(q, Statements::CloseOutageOfAddress, {QStringLiteral("2026-03-01 10:00:07"), QStringLiteral("10.0.0.3")}));
    QCOMPARE(db.rows(QStringLiteral("select ip,time_end from logs order by id")),
             QStringList({QStringLiteral("10.0.0.1|2026-03-01 10:00:00"), QStringLiteral("10.0.0.2|2026-03-01 10:00:00"),
                          QStringLiteral("10.0.0.3|2026-03-01 10:00:07")}));
    // A row an older monitor closed "before" it began.
    db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip) values "
                           "('2026-03-02 10:00:00','2026-03-02 09:00:03',1,'10.0.0.4')"));
    QVERIFY(runStatement(q, Statements::SelectLogForExport, {QStringLiteral("2000-01-01 00:00:00"),
                                                             QStringLiteral("2100-01-01 00:00:00"), 0, QString()}));
    QStringList durations;
    while (q.next())
        durations << q.value(5).toString() + QLatin1Char('=') + q.value(3).toString();
    QCOMPARE(durations, QStringList({QStringLiteral("10.0.0.1=0"), QStringLiteral("10.0.0.2=0"),
                                     QStringLiteral("10.0.0.3=7"), QStringLiteral("10.0.0.4=0")}));
    QVERIFY(runStatement(q, Statements::SelectLogSummary));
    QVERIFY(q.next());
    QCOMPARE(q.value(2).toLongLong(), 7);
    QCOMPARE(q.value(3).toLongLong(), 7);
}

void tst_Database::serverUnreachableIsNamed()
{
    QTemporaryDir dir;
    const QString socketDir = dir.filePath(QStringLiteral("no-server-here"));
    QString error;
    QVERIFY(!Database::open(DatabaseConfig::server(socketDir, 5432, QStringLiteral("orvant"), QStringLiteral("orvant")),
                            Database::Options(), &error, QStringLiteral("unreachable"), nullptr));
    QVERIFY2(error.contains(socketDir + QStringLiteral(":5432")) && error.contains(QStringLiteral("сервер")),
             qPrintable(error));
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("unreachable")));
}

void tst_Database::serverWithoutTablesIsRefused()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    const QString name = TempDatabase::uniqueServerDatabaseName();
    QString error;
    QVERIFY2(TempDatabase::createServerDatabase(name, &error), qPrintable(error));
    const bool opened = Database::open(TempDatabase::serverConfig(name), Database::Options(), &error,
                                       QStringLiteral("empty"), nullptr);
    TempDatabase::dropServerDatabase(name);
    QVERIFY(!opened);
    QVERIFY2(error.contains(name) && error.contains(QStringLiteral("orvant-mkdb")), qPrintable(error));
}

// The server ends the session (as on its restart): the failed statement is
// told apart as a lost connection, and reopen() makes a working one.
void tst_Database::lostServerConnectionIsToldAndReopened()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    TempDatabase db(TempDatabase::Backend::Server);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QVariant pid = db.scalar(QStringLiteral("select pg_backend_pid()"));
    {
        TempDatabase other(TempDatabase::Backend::Server, QStringLiteral("other"));
        QVERIFY2(other.isValid(), qPrintable(other.error()));
        QVERIFY(other.scalar(QStringLiteral("select pg_terminate_backend(cast(? as integer))"), {pid}).toBool());
    }
    QSqlQuery q(db.connection());
    QVERIFY(!runStatement(q, Statements::SelectAddressExists, {QStringLiteral("127.0.0.1")}));
    QVERIFY2(Database::isConnectionLost(q.lastError(), db.connection()), qPrintable(q.lastError().text()));
    QVERIFY(!Database::isBusy(q.lastError()));
    q = QSqlQuery();
    QString error;
    QVERIFY2(Database::reopen(db.connectionName(), &error), qPrintable(error));
    QSqlQuery again(db.connection());
    QVERIFY2(runStatement(again, Statements::SelectAddressExists, {QStringLiteral("127.0.0.1")}),
             qPrintable(statementError(again)));
    QVERIFY(again.next());
}

void tst_Database::serverRefusesSecondSchema()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    TempDatabase db(TempDatabase::Backend::Server);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("insert into logs (time_begin,ip) values ('2026-01-01 00:00:00','1.1.1.1')"));
    QString error;
    QVERIFY(!Schema::createServerTables(db.connection(), &error));
    QVERIFY2(error.contains(QStringLiteral("не пуста")), qPrintable(error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 1);
}

void tst_Database::readOnlyServerSessionRefusesChanges()
{
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);
    TempDatabase db(TempDatabase::Backend::Server);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    Database::Options reader;
    reader.readOnly = true;
    QString error;
    QVERIFY2(Database::open(db.config(), reader, &error, QStringLiteral("reader"), nullptr), qPrintable(error));
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("reader")));
        QVERIFY(runStatement(q, Statements::SelectDescriptions));
        QVERIFY(!runStatement(q, Statements::DeleteAddress, {QStringLiteral("127.0.0.1")}));
    }
    Database::close(QStringLiteral("reader"));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 1);
}

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_database.moc"
