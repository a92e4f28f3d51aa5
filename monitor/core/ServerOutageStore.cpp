#include "ServerOutageStore.h"

#include "ConnectionWatch.h"
#include "Database.h"
#include "DateTimeText.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace monitor {

ConnectionWatch::~ConnectionWatch() = default;

OutageStore::Outcome ServerOutageStore::write(const OutageWrite &w, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (!db.isOpen() || !m_watch->usable()) {
        if (error)
            *error = QCoreApplication::translate("monitor::ServerOutageStore", "нет соединения с сервером базы данных");
        return Outcome::RetryLater;
    }
    bool ok = false;
    QSqlError failure;
    {
        QSqlQuery query(db);
        const QString at = DateTimeText::fromDateTime(w.at);
        ok = w.kind == OutageWrite::Begin ? runStatement(query, Statements::InsertOutageAt, {at, w.ip, w.desc})
                                          : runStatement(query, Statements::CloseOutageOfAddress, {at, w.ip});
        if (!ok) {
            failure = query.lastError();
            if (error)
                *error = statementError(query);
        }
    }
    if (ok)
        return Outcome::Written;
    // A write whose connection broke may or may not have been made: the
    // server commits each statement on its own, and the answer was lost.
    // Made again it is harmless: a second Begin of an open address is a
    // no-op (the one-open-row index), and a second End finds no open row.
    if (m_watch->lost(failure)) {
        if (error)
            *error = (failure.databaseText().isEmpty() ? failure.text() : failure.databaseText()).simplified();
        return Outcome::RetryLater;
    }
    // Refused for now (read-only for a while, a timeout, too many sessions,
    // a full disk): kept, in order, as for a lost connection.
    return Database::classifyWriteFailure(failure) == Database::WriteFailure::Retry ? Outcome::RetryLater
                                                                                    : Outcome::Failed;
}

} // namespace monitor
