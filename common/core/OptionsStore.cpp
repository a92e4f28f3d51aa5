#include "OptionsStore.h"

#include "Database.h"
#include "Failure.h"
#include "RefreshInterval.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cmath>
#include <optional>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("OptionsStore", text);
}

// An integer as stored: a whole number, or text of one (SQLite keeps what it
// is given whatever the column's type).
std::optional<qlonglong> wholeNumber(const QVariant &value)
{
    bool ok = false;
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        if (d != double(qlonglong(d)))
            return std::nullopt;
        return qlonglong(d);
    }
    const qlonglong n = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

} // namespace

bool OptionsStore::read(OptionsRecord *record, QStringList *problems, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::SelectOptions))
        return failWith(error, statementError(query));
    if (!query.next()) {
        if (!endedCleanly(query))
            return failWith(error, statementError(query));
        if (error)
            *error = tr("в таблице options нет строки настроек. Добавьте в неё одну строку "
                        "(или возьмите файл базы данных из поставки) и откройте настройки снова");
        return false;
    }
    *record = OptionsRecord();
    const QSqlRecord row = query.record();
    // The value of a column, or nothing with the reason in the problems.
    auto column = [&](const char *name) -> std::optional<QVariant> {
        const QString column = QLatin1String(name);
        const int index = row.indexOf(column);
        if (index < 0) {
            problems->append(tr("в таблице options нет столбца %1").arg(column));
            return std::nullopt;
        }
        const QVariant value = query.value(index);
        if (value.isNull()) {
            problems->append(tr("столбец %1 таблицы options пуст").arg(column));
            return std::nullopt;
        }
        return value;
    };
    auto unusable = [&](const char *name, const QVariant &value) {
        problems->append(tr("недопустимое значение «%2» в столбце %1 таблицы options")
                             .arg(QLatin1String(name), value.toString()));
    };

    if (const auto value = column("refresh_time")) {
        // Read as a real number, so that a whole number of any size (even one
        // past 64 bits) compares against the range before it is cut to an
        // integer; one beyond a year means a year.
        bool ok = false;
        const double minutes = value->toString().trimmed().toDouble(&ok);
        if (ok && std::isfinite(minutes) && minutes >= 0 && minutes == std::floor(minutes))
            record->refreshTime = int(RefreshInterval::clampedMinutes(
                minutes >= double(RefreshInterval::MaxMinutes) ? RefreshInterval::MaxMinutes : qint64(minutes)));
        else
            unusable("refresh_time", *value);
    }
    if (const auto value = column("snd_err"))
        record->sndErr = value->toString();
    if (const auto value = column("snd_rest"))
        record->sndRest = value->toString();
    if (const auto value = column("view")) {
        if (const std::optional<qlonglong> view = wholeNumber(*value))
            record->view = *view != 0 ? 1 : 0;
        else
            unusable("view", *value);
    }
    return true;
}

bool OptionsStore::read(OptionsRecord *record, QString *error, const QString &connectionName)
{
    QStringList problems;
    if (!read(record, &problems, error, connectionName))
        return false;
    if (!problems.isEmpty()) {
        if (error)
            *error = problems.join(QLatin1Char('\n'));
        return false;
    }
    return true;
}

bool OptionsStore::save(const OptionsRecord &record, QString *error, const QString &connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!runStatement(query, Statements::UpdateOptions,
                      {record.refreshTime, record.sndErr, record.sndRest, record.view != 0 ? 1 : 0})) {
        if (error)
            *error = statementError(query);
        return false;
    }
    return true;
}
