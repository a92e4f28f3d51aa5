#pragma once

#include "WriteQueue.h"

#include <QSqlDatabase>
#include <QString>

namespace monitor {

// Outage writes on an SQLite connection. A write that meets another
// program's lock (within the connection's short busy timeout) or finds no
// open database is to be retried; any other failure is final.
class SqliteOutageStore final : public OutageStore
{
public:
    explicit SqliteOutageStore(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection))
        : m_connectionName(connectionName)
    {
    }
    void setConnectionName(const QString &name) { m_connectionName = name; }

    Outcome write(const OutageWrite &w, QString *error) override;

private:
    QString m_connectionName;
};

} // namespace monitor
