#pragma once

#include <QSqlDatabase>
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

    // Opens an existing file read-write (WAL journal, busy timeout so that a
    // statement waits for another program's write instead of failing).
    // On failure returns false and sets *error to a text naming the path.
    static bool open(const QString &path, QString *error,
                     const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    static void close(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));

    // Milliseconds a statement waits for another connection's lock.
    static constexpr int BusyTimeoutMs = 5000;
};

// Runs one statement of the list in Statements.h with its values bound in
// order. The query is forward-only: callers walk it once from the first row.
bool runStatement(QSqlQuery &query, const char *statement, const QVariantList &values = {});

// The database's own error text of the last statement run on the query.
QString statementError(const QSqlQuery &query);
