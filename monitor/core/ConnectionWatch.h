#pragma once

class QSqlError;

namespace monitor {

// What the polling pass and the outage store ask of a connection that can
// go away under them (a database server) and come back later.
class ConnectionWatch
{
public:
    ConnectionWatch() = default;
    virtual ~ConnectionWatch();
    ConnectionWatch(const ConnectionWatch &) = delete;
    ConnectionWatch &operator=(const ConnectionWatch &) = delete;

    // Statements may go to the connection now: it is open and, for the
    // writes, this monitor owns the database.
    virtual bool usable() const = 0;
    // A statement failed. True when it failed because the connection is
    // gone: the watch then closes it, tells the operator once and
    // reconnects later, and the caller keeps what it meant to do for then.
    virtual bool lost(const QSqlError &error) = 0;
};

} // namespace monitor
