#include "LatencySchema.h"

#include "Database.h"

#include <QSqlQuery>

namespace LatencySchema {

QList<const Statements::Statement *> creates()
{
    using namespace Statements;
    return {&CreateLatencyHosts,      &CreateLatencyDays,        &CreateLatencyDaysByDay,  &CreateLatencyHours,
            &CreateLatencyHoursByHour, &CreateLatencyHoursByDay, &CreateLatencyPasses,     &CreateLatencyPassesByAt,
            &CreateLatencyPassesByHour, &CreateLatencySamples,   &CreateLatencyHourly,     &CreateLatencyDaily};
}

bool ensure(QSqlDatabase db, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::BeginImmediate)) {
        if (error)
            *error = statementError(q);
        return false;
    }
    for (const Statements::Statement *s : creates()) {
        if (!runStatement(q, *s)) {
            if (error)
                *error = statementError(q);
            QSqlQuery r(db);
            runStatement(r, Statements::Rollback);
            return false;
        }
    }
    if (!runStatement(q, Statements::Commit)) {
        if (error)
            *error = statementError(q);
        QSqlQuery r(db);
        runStatement(r, Statements::Rollback);
        return false;
    }
    return true;
}

} // namespace LatencySchema
