#include "Schema.h"

#include "Database.h"
#include "Failure.h"

#include <QCoreApplication>

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace Schema {

QList<Step> steps()
{
#define SCHEMA_STEP(object, statement) Step{object, &Statements::statement},
    return {
#include "SchemaSteps.def"
    };
#undef SCHEMA_STEP
}

QStringList statements(Statements::Dialect dialect)
{
    QFile file(dialect == Statements::Dialect::Sqlite ? QStringLiteral(":/orvant/schema.sql")
                                                      : QStringLiteral(":/orvant/schema-postgres.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList result;
    QString current;
    // The template is ours: a statement ends with ";" at the end of a line,
    // and comments are whole lines starting with "--".
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (trimmed.endsWith(QLatin1Char(';'))) {
            result << current.trimmed();
            current.clear();
        }
    }
    return result;
}

bool createDatabaseFile(const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Cannot create %1: %2").arg(QFileInfo(path).absoluteFilePath(), why);
        return false;
    };
    if (QFileInfo::exists(path))
        return fail(QStringLiteral("a file of that name exists already"));
    const QStringList list = statements();
    if (list.isEmpty())
        return fail(QStringLiteral("the schema template is missing"));

    {
        // Made before SQLite opens it, so that it is never readable by
        // others, not even for a moment.
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return fail(file.errorString());
    }
    const QString name = QStringLiteral("orvant-schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = true;
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            ok = false;
            why = db.lastError().text();
        }
        for (const QString &statement : list) {
            if (!ok)
                break;
            QSqlQuery q(db);
            if (!q.exec(statement)) {
                ok = false;
                why = q.lastError().text() + QStringLiteral(" in: ") + statement;
            }
        }
        // The tables added since the template was first written.
        if (ok && !Database::upgrade(db, &why))
            ok = false;
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok) {
        QFile::remove(path);
        return fail(why);
    }
    return true;
}

bool createServerTables(QSqlDatabase db, QString *error)
{
    auto tr = [](const char *text) { return QCoreApplication::translate("Schema", text); };
    const QStringList list = statements(Statements::Dialect::Postgres);
    if (list.isEmpty())
        return failWith(error, tr("нет шаблона таблиц для сервера"));
    QSqlQuery q(db);
    if (!runStatement(q, Statements::CountSuiteTables) || !q.next())
        return failWith(error, statementError(q));
    if (q.value(0).toInt() != 0)
        return failWith(error, tr("в базе данных уже есть таблицы программ: она не пуста, её данные оставлены как есть"));
    q.finish();
    if (!runStatement(q, Statements::BeginImmediate))
        return failWith(error, statementError(q));
    auto undo = [&](const QString &why) {
        QSqlQuery rollback(db);
        runStatement(rollback, Statements::Rollback);
        return failWith(error, why);
    };
    // The template is ours and takes no values: its statements run as they are.
    for (const QString &statement : list) {
        if (!q.exec(statement))
            return undo(statementError(q) + QLatin1Char('\n') + statement);
    }
    if (!runStatement(q, Statements::Commit))
        return undo(statementError(q));
    // The tables added since the template was first written, in a
    // transaction of their own.
    QString why;
    if (!Database::upgrade(db, &why))
        return failWith(error, why);
    return true;
}

} // namespace Schema
