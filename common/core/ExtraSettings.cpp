#include "ExtraSettings.h"

#include "Database.h"
#include "Failure.h"

bool ExtraSettings::read(QSqlDatabase db, ExtraSettings *settings, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::SelectAllSettings))
        return failWith(error, statementError(q));
    QHash<QString, QString> values;
    while (q.next())
        values.insert(q.value(0).toString(), q.value(1).toString());
    if (!endedCleanly(q))
        return failWith(error, statementError(q));
    *settings = ExtraSettings(std::move(values));
    return true;
}

bool ExtraSettings::write(QSqlDatabase db, const QString &name, const QString &value, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::UpsertSetting, {name, value}))
        return failWith(error, statementError(q));
    return true;
}

bool ExtraSettings::write(QSqlDatabase db, const QHash<QString, QString> &values, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::BeginImmediate))
        return failWith(error, statementError(q));
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!runStatement(q, Statements::UpsertSetting, {it.key(), it.value()})) {
            const QString why = statementError(q);
            QSqlQuery undo(db);
            runStatement(undo, Statements::Rollback);
            return failWith(error, why);
        }
    }
    if (!runStatement(q, Statements::Commit)) {
        const QString why = statementError(q);
        QSqlQuery undo(db);
        runStatement(undo, Statements::Rollback);
        return failWith(error, why);
    }
    return true;
}

QString ExtraSettings::text(const QString &name, const QString &defaultValue) const
{
    return m_values.value(name, defaultValue);
}

int ExtraSettings::integer(const QString &name, int defaultValue, int min, int max) const
{
    bool ok = false;
    const int value = m_values.value(name).trimmed().toInt(&ok);
    return ok && value >= min && value <= max ? value : defaultValue;
}

bool ExtraSettings::flag(const QString &name, bool defaultValue) const
{
    const QString value = m_values.value(name).trimmed().toLower();
    if (value == QLatin1String("1") || value == QLatin1String("true"))
        return true;
    if (value == QLatin1String("0") || value == QLatin1String("false"))
        return false;
    return defaultValue;
}
