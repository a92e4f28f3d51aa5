#pragma once

#include "AddressRecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace admin {

// The address book table `addrs` on the program's connection. Every call runs
// one statement; on failure it returns false and puts the database's own
// error text into *error.
class AddressBook
{
public:
    // Ordered by the address, as text.
    static bool list(QList<AddressRecord> *records, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    static bool exists(const QString &ip, bool *found, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    static bool add(const QString &ip, const QString &descript, qint32 pingTimeout, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    // *found is false when no row has that address; the record is then left as it was.
    static bool load(const QString &ip, AddressRecord *record, bool *found, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    // *rowsChanged tells whether a row had that address.
    static bool update(const QString &ip, const QString &descript, qint32 pingTimeout, int *rowsChanged,
                       QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    static bool remove(const QString &ip, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
};

} // namespace admin
