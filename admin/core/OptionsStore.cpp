#include "OptionsStore.h"

#include "Database.h"
#include "Statements.h"

#include <QSqlQuery>

namespace admin {

bool OptionsStore::read(OptionsRecord *record, QString *error)
{
    QSqlQuery query;
    if (!runStatement(query, Statements::SelectOptions)) {
        *error = statementError(query);
        return false;
    }
    if (!query.next()) {
        *error = QStringLiteral("the table options has no row");
        return false;
    }
    static const char *const columns[] = {"refresh_time", "snd_err", "snd_rest", "view"};
    for (const char *column : columns) {
        if (query.value(QLatin1String(column)).isNull()) {
            *error = QStringLiteral("the column %1 of options has no value").arg(QLatin1String(column));
            return false;
        }
    }
    record->refreshTime = query.value(QStringLiteral("refresh_time")).toInt();
    record->sndErr = query.value(QStringLiteral("snd_err")).toString();
    record->sndRest = query.value(QStringLiteral("snd_rest")).toString();
    record->view = query.value(QStringLiteral("view")).toInt() != 0 ? 1 : 0;
    return true;
}

bool OptionsStore::save(const OptionsRecord &record, QString *error)
{
    QSqlQuery query;
    if (!runStatement(query, Statements::UpdateOptions,
                      {record.refreshTime, record.sndErr, record.sndRest, record.view != 0 ? 1 : 0})) {
        *error = statementError(query);
        return false;
    }
    return true;
}

} // namespace admin
