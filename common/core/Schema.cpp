#include "Schema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace Schema {

QStringList statements()
{
    QFile file(QStringLiteral(":/orvant/schema.sql"));
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
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok) {
        QFile::remove(path);
        return fail(why);
    }
    return true;
}

} // namespace Schema
