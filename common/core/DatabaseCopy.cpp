#include "DatabaseCopy.h"

#include "Database.h"
#include "Failure.h"
#include "Schema.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DatabaseCopy", text);
}

// The starter row of a fresh database (schema templates): it is replaced by
// the file's addresses, and is the only row a target may hold.
const char StarterIp[] = "127.0.0.1";
const char StarterDescript[] = "Этот компьютер";

} // namespace

bool DatabaseCopy::copy(QSqlDatabase file, QSqlDatabase server, Counts *counts, QString *errorOut)
{
    *counts = Counts();
    QString why;
    QString *error = &why;
    QSqlQuery target(server);
    auto fail = [&](const QString &text) {
        QSqlQuery undo(server);
        runStatement(undo, Statements::Rollback);
        return failWith(errorOut, text);
    };
    auto step = [&](QSqlQuery &query, const Statements::Statement &statement, const QVariantList &values = {}) {
        if (runStatement(query, statement, values))
            return true;
        *error = statementError(query);
        return false;
    };

    if (!step(target, Statements::BeginImmediate))
        return failWith(errorOut, why);
    if (!step(target, Statements::CountSuiteTables) || !target.next())
        return fail(*error);
    const int tables = target.value(0).toInt();
    target.finish();
    if (tables == 0) {
        // The template is ours and takes no values: its statements run as they are.
        for (const QString &statement : Schema::statements(Statements::Dialect::Postgres)) {
            if (!target.exec(statement))
                return fail(statementError(target) + QLatin1Char('\n') + statement);
        }
    } else if (tables != 3) {
        return fail(tr("в базе данных на сервере есть лишь часть таблиц программ (addrs, logs, options): "
                       "копировать в неё нельзя"));
    }
    if (!step(target, Statements::CountServerRows,
              {QString::fromUtf8(StarterIp), QString::fromUtf8(StarterDescript)})
        || !target.next())
        return fail(*error);
    if (target.value(0).toLongLong() != 0)
        return fail(tr("в базе данных на сервере уже есть журнал или адреса: копия в неё смешала бы две истории. "
                       "Копируйте в пустую базу данных."));
    target.finish();
    if (!step(target, Statements::DeleteAllAddresses) || !step(target, Statements::DeleteAllOptions))
        return fail(*error);

    QSqlQuery source(file);
    QSqlQuery insert(server);
    // Each table: read forward from the file, one bound insert per row.
    auto copyRows = [&](const Statements::Statement &read, const Statements::Statement &write, int columns,
                        const char *table, qint64 *count) {
        if (!step(source, read))
            return false;
        while (source.next()) {
            QVariantList values;
            values.reserve(columns);
            for (int i = 0; i < columns; ++i)
                values << source.value(i);
            if (!runStatement(insert, write, values)) {
                *error = tr("строка %1 таблицы %2 (%3): %4")
                             .arg(QString::number(*count + 1), QLatin1String(table),
                                  values.value(0).toString(), statementError(insert));
                return false;
            }
            ++*count;
        }
        if (source.lastError().isValid()) {
            *error = statementError(source);
            return false;
        }
        source.finish();
        return true;
    };
    if (!copyRows(Statements::SelectAllAddresses, Statements::CopyAddress, 3, "addrs", &counts->addresses)
        || !copyRows(Statements::SelectAllOptions, Statements::CopyOptions, 4, "options", &counts->options)
        || !copyRows(Statements::SelectAllOutages, Statements::CopyOutage, 6, "logs", &counts->outages))
        return fail(*error);

    // Keys the file once gave stay used: the next outage on the server gets
    // a key past all of them.
    if (!step(source, Statements::SelectLastOutageKey) || !source.next())
        return fail(*error);
    const qlonglong lastKey = source.value(0).toLongLong();
    source.finish();
    if (!step(target, Statements::MoveOutageKeyPast, {lastKey, lastKey}) || !step(target, Statements::Commit))
        return fail(*error);
    return true;
}
