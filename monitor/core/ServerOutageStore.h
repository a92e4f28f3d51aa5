#pragma once

#include "WriteQueue.h"

#include <QString>

namespace monitor {

class ConnectionWatch;

// Outage writes on a database server's connection. While the server is
// unreachable, or another monitor owns the database, every write is to be
// retried later, and so is one that met a lock or lost the connection on
// its way; anything else the server refuses is final.
class ServerOutageStore final : public OutageStore
{
public:
    ServerOutageStore(const QString &connectionName, ConnectionWatch *watch)
        : m_connectionName(connectionName)
        , m_watch(watch)
    {
    }
    void setConnectionName(const QString &name) { m_connectionName = name; }

    Outcome write(const OutageWrite &w, QString *error) override;

private:
    QString m_connectionName;
    ConnectionWatch *m_watch;
};

} // namespace monitor
