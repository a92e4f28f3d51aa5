#include "AddressParents.h"

#include "AddressBook.h"
#include "Database.h"
#include "Failure.h"
#include "Statements.h"

#include <QSet>
#include <QSqlQuery>

namespace admin {

namespace {

bool failedQuery(const QSqlQuery &query, QString *error)
{
    return failWith(error, statementError(query));
}

} // namespace

bool AddressParents::readAll(QSqlDatabase db, QHash<QString, QString> *parents, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectAddressesWithParents))
        return failedQuery(query, error);
    parents->clear();
    while (query.next()) {
        if (!query.value(3).isNull())
            parents->insert(query.value(0).toString(), query.value(3).toString());
    }
    return endedCleanly(query) || failedQuery(query, error);
}

bool AddressParents::parentOf(QSqlDatabase db, const QString &address, QString *parent, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectParentOf, {address}))
        return failedQuery(query, error);
    parent->clear();
    if (query.next())
        *parent = query.value(0).toString();
    else if (!endedCleanly(query))
        return failedQuery(query, error);
    return true;
}

bool AddressParents::makesCycle(const QHash<QString, QString> &parents, const QString &address,
                                const QString &parent)
{
    // Up the chain from the new parent; a chain already looping elsewhere
    // ends the walk without touching `address`.
    QSet<QString> seen;
    for (QString node = parent; !node.isEmpty(); node = parents.value(node)) {
        if (node == address)
            return true;
        if (seen.contains(node))
            return false;
        seen.insert(node);
    }
    return false;
}

bool AddressParents::setParent(QSqlDatabase db, const QString &address, const QString &parent, bool *cycle,
                               QString *error)
{
    *cycle = false;
    QSqlQuery query(db);
    if (parent.isEmpty()) {
        if (!runStatement(query, Statements::ClearAddressParent, {address}))
            return failedQuery(query, error);
        return true;
    }
    QHash<QString, QString> parents;
    if (!readAll(db, &parents, error))
        return false;
    if (makesCycle(parents, address, parent)) {
        *cycle = true;
        return failWith(error, tr("%1 стоит за %2: адрес не может стоять за самим собой.").arg(parent, address));
    }
    if (!runStatement(query, Statements::SetAddressParent, {address, parent}))
        return failedQuery(query, error);
    return true;
}

bool AddressParents::countChildren(QSqlDatabase db, const QString &address, int *children, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::CountChildrenOf, {address}) || !query.next())
        return failedQuery(query, error);
    *children = query.value(0).toInt();
    return true;
}

bool AddressParents::removeAddress(QSqlDatabase db, const QString &address, Children children, QString *error)
{
    QSqlQuery query(db);
    const auto step = [&](const Statements::Statement &statement, const QVariantList &values) {
        return runStatement(query, statement, values);
    };
    if (!step(Statements::BeginImmediate, {}))
        return failedQuery(query, error);
    QString parent;
    bool ok = parentOf(db, address, &parent, error);
    if (ok) {
        const bool move = children == Children::MoveToItsParent && !parent.isEmpty();
        ok = (move ? step(Statements::MoveChildrenTo, {parent, address})
                   : step(Statements::ClearChildrenOf, {address}))
             && step(Statements::ClearAddressParent, {address});
        if (ok) {
            ok = AddressBook::removeAddress(db, address, AddressBook::removalMoment(), error)
                 && (step(Statements::Commit, {}) || failedQuery(query, error));
        } else {
            failedQuery(query, error);
        }
    }
    if (!ok) {
        QSqlQuery undo(db);
        runStatement(undo, Statements::Rollback);
    }
    return ok;
}

} // namespace admin
