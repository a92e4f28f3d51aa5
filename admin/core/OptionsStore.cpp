#include "OptionsStore.h"

#include "Database.h"
#include "Statements.h"

#include <QCoreApplication>
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
        *error = QCoreApplication::translate("OptionsStore",
                                             "В таблице options нет строки настроек. Добавьте в неё одну строку "
                                             "(или возьмите файл базы данных из поставки) и откройте настройки снова.");
        return false;
    }
    static const char *const columns[] = {"refresh_time", "snd_err", "snd_rest", "view"};
    for (const char *column : columns) {
        if (query.value(QLatin1String(column)).isNull()) {
            *error = QCoreApplication::translate("OptionsStore",
                                                 "В таблице options не заполнен столбец %1. Впишите в него значение "
                                                 "и откройте настройки снова.")
                         .arg(QLatin1String(column));
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
