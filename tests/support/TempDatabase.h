#pragma once

#include "DatabaseConfig.h"

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A fresh database made from the schema template and opened as the program
// would open it (Database::open); removed with the object.
//
// File: ping_addr.mdb in a temporary directory.
// Server: a database of its own on the tests' PostgreSQL server (the ctest
// fixture pg_server, tests/support/pg_server.sh), so tests run in parallel.
// It has a function datetime(text, modifier) like SQLite's, so that set-up
// statements that make many rows read the same on both.
// The server is found through ORVANT_PG_SOCKET (its socket directory) and
// ORVANT_PG_USER; without them a server variant is not valid and
// serverMissing() says so.
class TempDatabase
{
public:
    enum class Backend { File, Server };

    // The back end of defaultBackend().
    explicit TempDatabase(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    explicit TempDatabase(Backend backend,
                          const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    ~TempDatabase();
    TempDatabase(const TempDatabase &) = delete;
    TempDatabase &operator=(const TempDatabase &) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    bool isServer() const { return m_backend == Backend::Server; }
    // The file, unless ORVANT_TEST_BACKEND=server: the ctest variants
    // <test>_server (orvant_add_server_variant) run a test's cases again on
    // the server that way.
    static Backend defaultBackend();
    // True when a server variant was asked for outside ctest's fixture.
    static bool serverMissing();
    // The directory the program would run from: the file's directory, and
    // for the server one holding orvant.conf that names the database.
    QString directory() const { return m_dir.path(); }
    // The file (empty for the server).
    QString path() const;
    DatabaseConfig config() const { return m_config; }
    QString connectionName() const { return m_connection; }
    QSqlDatabase connection() const;

    // A second database of the same kind for a test that needs one (as
    // TempDatabase, but not opened): the server variant's database name.
    QString serverDatabaseName() const { return m_serverName; }

    // Test set-up and checks; values are bound in order. Fails the running
    // test (QTest) on a database error.
    bool exec(const QString &sql, const QVariantList &values = {});
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // All rows of a query, each row's columns joined by '|' (NULL as "<null>").
    QStringList rows(const QString &sql, const QVariantList &values = {});
    // Makes every `operation` (insert, update, delete) on `table` fail with
    // `message` from now on, on either engine: a trigger that aborts.
    bool refuse(const QString &operation, const QString &table, const QString &message);
    // Undoes refuse().
    bool allow(const QString &operation, const QString &table);

    // The server the tests run against, for tests that make databases of
    // their own: a connection to its maintenance database.
    static DatabaseConfig serverConfig(const QString &databaseName);
    // Makes or drops a database on the tests' server.
    static bool createServerDatabase(const QString &name, QString *error);
    static void dropServerDatabase(const QString &name);
    static QString uniqueServerDatabaseName();

private:
    void makeFile();
    void makeServer();

    Backend m_backend;
    QTemporaryDir m_dir;
    QString m_connection;
    QString m_error;
    QString m_serverName;
    DatabaseConfig m_config;
};

// For data-driven tests that run on both back ends: a column "backend" and
// rows "file" and "server". Use in a _data() function and read it with
// QFETCH(TempDatabase::Backend, backend).
Q_DECLARE_METATYPE(TempDatabase::Backend)
void addBackendColumn();
void addBackendRows(const char *suffix = nullptr);
// Skips a case that is about the file only (its path, SQLite's own tables)
// in the server run of a test.
#define FILE_ONLY(reason)                                                                                              \
    do {                                                                                                               \
        if (TempDatabase::defaultBackend() == TempDatabase::Backend::Server)                                           \
            QSKIP("about the database file only: " reason);                                                            \
    } while (false)
// Skips the running test when a server variant runs outside ctest's fixture.
#define SKIP_WITHOUT_SERVER(backend)                                                                                  \
    do {                                                                                                               \
        if ((backend) == TempDatabase::Backend::Server && TempDatabase::serverMissing())                               \
            QSKIP("no test PostgreSQL server: run under ctest (fixture pg_server) or set ORVANT_PG_SOCKET");           \
    } while (false)
