#pragma once

#include "DatabaseConfig.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The shared database: the file ping_addr.mdb, or a PostgreSQL database
// named in orvant.conf (DatabaseConfig).
//
// Each program opens it once at start-up and keeps the connection for its
// whole life (reconnecting to a server that went away). The file is never
// created here: a missing file is an error that names the path, not a
// silently empty new database; likewise a server database without the
// suite's tables.
class Database
{
    Q_DECLARE_TR_FUNCTIONS(Database)

public:
    static constexpr char FileName[] = "ping_addr.mdb";

    // The directory of the running program: the suite's programs, their
    // library and the database file lie side by side in it.
    static QString programDirectory();
    static QString defaultPath();

    struct Options
    {
        // The grapher only reads: it opens a file (or a directory) it cannot
        // write, and never upgrades it; on the server its session is
        // read-only.
        bool readOnly = false;
        // How long a statement waits for another connection's lock before
        // it fails with "database is locked". The monitor keeps this short
        // and lets its write queue retry later instead.
        int busyTimeoutMs = BusyTimeoutMs;
        // PostgreSQL: false only for orvant-mkdb, which makes the tables in
        // a database that has none yet (no schema check, no upgrade).
        bool expectTables = true;
    };

    // Opens an existing file read-write (WAL journal, busy timeout so that a
    // statement waits for another program's write instead of failing).
    // On failure returns false and sets *error to a text naming the path.
    // A file made by an earlier version is upgraded first (see upgrade()).
    static bool open(const QString &path, QString *error,
                     const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    // The same with options. *warning (when given) receives what the
    // operator should know about a file that did open: it is read-only, or
    // its upgrade could not be made now.
    static bool open(const QString &path, const Options &options, QString *error, const QString &connectionName,
                     QString *warning);
    // The database a configuration names. SQLite: as above. PostgreSQL:
    // connects (a Russian text naming the server when it cannot), checks
    // that the suite's tables are there and upgrades them as for a file.
    static bool open(const DatabaseConfig &config, const Options &options, QString *error,
                     const QString &connectionName, QString *warning);
    // Opens the connection again with the configuration and options it was
    // last opened with, after the server went away (isConnectionLost).
    static bool reopen(const QString &connectionName, QString *error);
    // The configuration a connection was opened with (an empty SQLite one
    // for a name never opened here).
    static DatabaseConfig configOf(const QString &connectionName);

    // After a failed step of an operator's action: whether the connection to
    // the server is gone (it does not answer). A lost connection is opened
    // again by the next reconnectIfLost(). Never true for a file.
    static bool checkLost(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    // Before an operator's action: opens a lost server connection again.
    // False with *error (naming the server) while it stays unreachable.
    static bool reconnectIfLost(const QString &connectionName, QString *error);
    // A failure's text for the operator, with checkLost() asked: when the
    // connection is gone, a line more says so and that the next action
    // connects again.
    static QString withLossNoted(const QString &failure,
                                 const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));

    // Brings a file made by an earlier version to the present schema, in one
    // transaction on a connection of its own: duplicate open rows of an
    // address are closed (the oldest stays open) and the unique partial
    // index on the open rows is made, where it is missing; then every table
    // and index of SchemaSteps.def the file lacks is made. The rows of the
    // three first tables are left as they are. True when the file needed
    // nothing or was upgraded.
    static bool upgrade(const QString &path, QString *error);
    // The same on an open connection (the server's database).
    static bool upgrade(QSqlDatabase db, QString *error);
    static void close(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));

    // Milliseconds a statement waits for another connection's lock.
    static constexpr int BusyTimeoutMs = 5000;
    // A server connection over TCP that stops answering: sent bytes left
    // unacknowledged this long end the statement, and an idle connection is
    // found dead after idle + interval x count seconds. The longest a window
    // waits on a vanished server is about TcpUserTimeoutMs.
    static constexpr int TcpUserTimeoutMs = 6000;
    static constexpr int KeepaliveIdleS = 5;
    static constexpr int KeepaliveIntervalS = 2;
    static constexpr int KeepaliveCount = 3;

    // Whether a failed statement met another connection's lock (SQLite's
    // SQLITE_BUSY or SQLITE_LOCKED): the same statement may succeed later.
    // On the server: a lock not granted in time, a serialization failure or
    // a deadlock.
    static bool isBusy(const QSqlError &error);
    // Whether a failed statement failed because the server went away or the
    // connection broke (never for SQLite): the statement may succeed after
    // reopen(). Asks the server once when the error alone does not tell.
    static bool isConnectionLost(const QSqlError &error, const QSqlDatabase &db);

    static Statements::Dialect dialectOf(const QSqlDatabase &db);
};

// Runs one statement of the list in Statements.h, in the form of the query's
// engine, with its values bound in order. The query is forward-only: callers
// walk it once from the first row. A statement the engine has no form of
// is a mistake of the caller (the statement test runs every form): it fails.
bool runStatement(QSqlQuery &query, const Statements::Statement &statement, const QVariantList &values = {});

// The database's own error text of the last statement run on the query.
QString statementError(const QSqlQuery &query);
