#pragma once

#include <QSqlDatabase>
#include <QString>

namespace monitor {

// A vantage point's claims on the server database, beside MonitorLock.
//
// Vantages share the suite's one-monitor lock (a shared advisory lock on the
// same key): any number of them run together, a plain monitor is refused
// beside them and they are refused beside it. One of them at a time also
// holds the writer's lock and writes the outage log; the others try it at
// every pass, and when the writer's session ends (its monitor ended, its
// connection broke) the next try takes it over. Both are session-level, so
// the server frees them with the session, however the monitor ended.
class VantageLock
{
public:
    enum class Result {
        Taken,
        HeldByMonitor,  // a plain monitor holds the database: *holder says whose session
        NameInUse,      // another running vantage has this name: *holder names it
        Failed,         // a statement failed: *error has the server's text
    };

    // Takes the shared lock once, never waiting. The server is told to find
    // this session dead within seconds should its client vanish (TCP
    // keepalives of its own), so a dead vantage's locks do not outlive it
    // for long. Sessions of this very run
    // left over from a broken connection (sessionName, see
    // MonitorLock::sessionNameOfThisProcess) are ended, so that they give
    // back the writer's lock at once instead of when the server's
    // keepalive gives up on them. Needs MonitorLock::nameSession() first.
    static Result take(QSqlDatabase db, const QString &vantageName, const QString &sessionName, QString *holder,
                       QString *error);

    // One try at the writer's lock. Each success holds it once more, so a
    // vantage stops trying once it writes.
    static bool tryWriter(QSqlDatabase db, bool *taken, QString *error);
};

} // namespace monitor
