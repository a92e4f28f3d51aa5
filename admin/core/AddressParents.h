#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QSqlDatabase>
#include <QString>

namespace admin {

// Which address of the book each address is reached through (table
// addr_parents; an address without a row there has no parent). The monitor
// reads this to tell "the router is down, and the hosts behind it" from
// many separate outages, so a parent chain must never close on itself.
class AddressParents
{
    Q_DECLARE_TR_FUNCTIONS(admin::AddressParents)

public:
    // Every address's parent, by address.
    static bool readAll(QSqlDatabase db, QHash<QString, QString> *parents, QString *error);
    // *parent empty: none.
    static bool parentOf(QSqlDatabase db, const QString &address, QString *parent, QString *error);
    // Whether giving `address` the parent `parent` would make a chain that
    // comes back to it (the address itself included).
    static bool makesCycle(const QHash<QString, QString> &parents, const QString &address, const QString &parent);
    // Sets (or, with an empty parent, clears) the parent. A parent that
    // would make a cycle is refused: false with *cycle set and nothing written.
    static bool setParent(QSqlDatabase db, const QString &address, const QString &parent, bool *cycle,
                          QString *error);
    static bool countChildren(QSqlDatabase db, const QString &address, int *children, QString *error);

    // What becomes of the addresses behind one that is removed.
    enum class Children { MoveToItsParent, LeaveWithoutParent };
    // Removes the address from the book with its parent row, hands its
    // children on and ends its open outage now (AddressBook::removeAddress),
    // in one transaction.
    static bool removeAddress(QSqlDatabase db, const QString &address, Children children, QString *error);
};

} // namespace admin
