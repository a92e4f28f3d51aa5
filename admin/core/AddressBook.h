#pragma once

#include "AddressRecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace admin {

// The address book table `addrs` on the program's connection. Every call but
// a removal runs one statement; on failure it returns false and puts the
// database's own error text into *error.
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
    // Removes the address and ends its open outage at this moment, in one
    // transaction (removeAddress below, without a transaction of its own).
    static bool remove(const QString &ip, QString *error, const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));

    // The steps of a removal inside the caller's transaction: an address
    // that leaves the book has its open outage closed at `at` (stored form),
    // since no monitor will probe it again to close it, and its row goes.
    // The outage stays in the log, as every closed one does.
    static bool removeAddress(QSqlDatabase db, const QString &ip, const QString &at, QString *error);
    // The moment a removal made now is stored with.
    static QString removalMoment();
};

} // namespace admin
