#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The shared database file ping_addr.mdb.
//
// Each program opens it once at start-up and keeps the connection for its
// whole life. The file is never created here: a missing file is an error that
// names the path, not a silently empty new database.
class Database
{
public:
    static constexpr char FileName[] = "ping_addr.mdb";

    // The directory of the running program: the suite's programs, their
    // library and the database file lie side by side in it.
    static QString programDirectory();
    static QString defaultPath();

    struct Options
    {
        // The grapher only reads: it opens a file (or a directory) it cannot
        // write, and never upgrades it.
        bool readOnly = false;
        // How long a statement waits for another connection's lock before
        // it fails with "database is locked". The monitor keeps this short
        // and lets its write queue retry later instead.
        int busyTimeoutMs = BusyTimeoutMs;
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

    // Brings a file made by an earlier version to the present schema, in one
    // transaction on a connection of its own: duplicate open rows of an
    // address are closed (the oldest stays open), then the unique partial
    // index on the open rows is made. Nothing else changes. True when the
    // file needed nothing or was upgraded.
    static bool upgrade(const QString &path, QString *error);
    static void close(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));

    // Milliseconds a statement waits for another connection's lock.
    static constexpr int BusyTimeoutMs = 5000;

    // Whether a failed statement met another connection's lock (SQLite's
    // SQLITE_BUSY or SQLITE_LOCKED): the same statement may succeed later.
    static bool isBusy(const QSqlError &error);
};

// Runs one statement of the list in Statements.h with its values bound in
// order. The query is forward-only: callers walk it once from the first row.
bool runStatement(QSqlQuery &query, const char *statement, const QVariantList &values = {});

// The database's own error text of the last statement run on the query.
QString statementError(const QSqlQuery &query);
