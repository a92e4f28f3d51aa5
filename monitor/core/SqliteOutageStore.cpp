#include "SqliteOutageStore.h"

#include "Database.h"
#include "DateTimeText.h"
#include "Statements.h"

#include <QSqlQuery>

namespace monitor {

OutageStore::Outcome SqliteOutageStore::write(const OutageWrite &w, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen()) {
        if (error)
            *error = QStringLiteral("the database is not open");
        return Outcome::RetryLater;
    }
    QSqlQuery query(db);
    const QString at = DateTimeText::fromDateTime(w.at);
    const bool ok = w.kind == OutageWrite::Begin
                        ? runStatement(query, Statements::InsertOutageAt, {at, w.ip, w.desc})
                        : runStatement(query, Statements::CloseOutageOfAddress, {at, w.ip});
    if (ok)
        return Outcome::Written;
    if (error)
        *error = statementError(query);
    return Database::classifyWriteFailure(query.lastError()) == Database::WriteFailure::Retry ? Outcome::RetryLater
                                                                                               : Outcome::Failed;
}

} // namespace monitor
