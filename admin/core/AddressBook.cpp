#include "AddressBook.h"

#include "Database.h"
#include "DateTimeText.h"
#include "Failure.h"
#include "Statements.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

namespace admin {

static bool failed(const QSqlQuery &query, QString *error)
{
    return failWith(error, statementError(query));
}

bool AddressBook::list(QList<AddressRecord> *records, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::SelectAddressesSorted))
        return failed(query, error);
    records->clear();
    // Position 0 is the address, the key the editor looks rows up by.
    while (query.next())
        records->append({query.value(0).toString(), query.value(QStringLiteral("descript")),
                         query.value(QStringLiteral("ping_timeout"))});
    if (!endedCleanly(query))
        return failed(query, error);
    return true;
}

bool AddressBook::exists(const QString &ip, bool *found, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::SelectAddressExists, {ip}))
        return failed(query, error);
    *found = query.next();
    if (!*found && !endedCleanly(query))
        return failed(query, error);
    return true;
}

bool AddressBook::add(const QString &ip, const QString &descript, qint32 pingTimeout, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::InsertAddress, {ip, descript, pingTimeout}))
        return failed(query, error);
    return true;
}

bool AddressBook::load(const QString &ip, AddressRecord *record, bool *found, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::SelectAddress, {ip}))
        return failed(query, error);
    *found = query.next();
    if (!*found && !endedCleanly(query))
        return failed(query, error);
    if (*found) {
        record->ip = ip;
        record->descript = query.value(0);
        record->pingTimeout = query.value(1);
    }
    return true;
}

bool AddressBook::update(const QString &ip, const QString &descript, qint32 pingTimeout, int *rowsChanged,
                         QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::UpdateAddress, {descript, pingTimeout, ip}))
        return failed(query, error);
    if (rowsChanged)
        *rowsChanged = query.numRowsAffected();
    return true;
}

bool AddressBook::remove(const QString &ip, QString *error, const QString &connectionName)
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    QSqlQuery query(db);
    if (!runStatement(query, Statements::BeginImmediate))
        return failed(query, error);
    QString why;
    bool ok = removeAddress(db, ip, removalMoment(), &why);
    if (ok && !runStatement(query, Statements::Commit)) {
        ok = false;
        why = statementError(query);
    }
    if (ok)
        return true;
    QSqlQuery undo(db);
    runStatement(undo, Statements::Rollback);
    return failWith(error, why);
}

bool AddressBook::removeAddress(QSqlDatabase db, const QString &ip, const QString &at, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::CloseOutagesOfRemovedAddress, {at, ip})
        || !runStatement(query, Statements::DeleteAddress, {ip}))
        return failed(query, error);
    return true;
}

QString AddressBook::removalMoment()
{
    return DateTimeText::fromDateTime(QDateTime::currentDateTime());
}

} // namespace admin
