#pragma once

#include "Database.h"
#include "DatabaseThread.h"
#include "DatabaseWait.h"

#include <QString>

namespace admin {

// The answer of one operator's action on the database thread: whether it
// worked, and the failure as the operator reads it (the database's text, and
// a line more when the server connection turned out lost, which only the
// database thread may ask).
struct Outcome
{
    bool ok = false;
    QString error;

    static Outcome of(bool ok, const QString &error, const QString &connection)
    {
        return {ok, ok ? QString() : error + Database::withLossNoted(QString(), connection)};
    }
};

// Runs job(connectionName) on the admin's database thread for a window that
// waits for the answer (see DatabaseWait); no answer when the operator gave
// up waiting.
template <class Job> auto onDatabase(DatabaseThread &thread, QWidget *window, Job job)
{
    return DatabaseWait::run(thread, window,
                             [job = std::move(job), name = thread.connectionName()](QSqlDatabase) mutable {
                                 return job(name);
                             });
}

// A server connection lost in an earlier action is made again before the
// next one, on the database thread and in order before that action's work;
// should the server still be away, the action's own failure says so.
inline void reconnectFirst(DatabaseThread &thread)
{
    thread.post([name = thread.connectionName()](QSqlDatabase) {
        QString ignored;
        Database::reconnectIfLost(name, &ignored);
    });
}

} // namespace admin
