#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace monitor {

// One monitor per server database: a session-level advisory lock on the
// monitor's own connection.
//
// The server drops the lock with the session that holds it, so a monitor
// that ends in any way, or whose connection breaks, frees the database by
// itself; a monitor that reconnects must take it again. The key is the same
// for every monitor of the suite: locks are per database anyway.
class MonitorLock
{
public:
    // "ORVA", "NT" + 1: fixed, so every monitor of the suite meets the same lock.
    static constexpr qint64 Key = (qint64(0x4F525641) << 32) | 0x4E540001;

    enum class Result {
        Taken,        // this connection holds it now
        HeldByOther,  // another session holds it: *holder says whose
        Failed,       // a statement failed: *error has the server's text
    };

    // Names this connection's session after the program, the process, a
    // random token of this run and the machine, so that a refused monitor can say who holds the lock and a
    // monitor can recognise its own session left over from a broken
    // connection. Needed before take().
    static bool nameSession(QSqlDatabase db, const QString &sessionName, QString *error);
    // The name nameSession() gives this process's sessions.
    static QString sessionNameOfThisProcess();

    // Tries the lock once, never waits. A holding session of the same name
    // as this one (sessionName: this very process's, left over from a
    // broken connection the server has not noticed yet) is ended first,
    // since otherwise it would keep the monitor from its own database until
    // the server's keepalive gives up on it.
    // *ownSession (when given) tells whether the holder is such a session of
    // this very run that the server has not ended yet (its backend stopped
    // answering): no other monitor at all.
    static Result take(QSqlDatabase db, const QString &sessionName, QString *holder, QString *error,
                       bool *ownSession = nullptr);

    // Whose session holds the lock, in words for the operator; empty when
    // nobody holds it (or the server does not say).
    // Vantage points hold it together: then the text names them.
    static QString holder(QSqlDatabase db, qint64 *pid = nullptr, QString *sessionName = nullptr);
    // "наблюдательные пункты «A», «B»" for the sessions of vantage points
    // (a session of no known vantage by its own name).
    static QString vantagesText(QSqlDatabase db, const QStringList &sessions);
};

} // namespace monitor
