#include "OutageLog.h"

#include "AdminRules.h"
#include "Database.h"
#include "Statements.h"

#include <QSqlQuery>

namespace admin {

bool OutageLog::deleteBefore(const QDate &day, int *deleted, QString *error)
{
    QSqlQuery query;
    if (!runStatement(query, Statements::DeleteLogBefore, {AdminRules::clearCutOff(day)})) {
        *error = statementError(query);
        return false;
    }
    if (deleted)
        *deleted = query.numRowsAffected();
    return true;
}

} // namespace admin
