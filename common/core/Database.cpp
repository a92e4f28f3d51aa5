#include "Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

QString Database::programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString Database::defaultPath()
{
    return QDir(programDirectory()).filePath(QLatin1String(FileName));
}

bool Database::open(const QString &path, QString *error, const QString &connectionName)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto fail = [&](const QString &why) {
        if (error)
            *error = QCoreApplication::translate("Database", "Не удалось открыть файл базы данных %1: %2")
                         .arg(QDir::toNativeSeparators(absolute), why);
        close(connectionName);
        return false;
    };

    // SQLite would create a missing file even with mode=rw on some paths
    // (never on a plain missing file, but a directory of that name gives a
    // confusing text), so say plainly what is wrong first.
    const QFileInfo info(absolute);
    if (!info.exists())
        return fail(QCoreApplication::translate("Database",
                                                "файла нет. Положите файл базы данных на это место "
                                                "(в поставке он лежит рядом с программами) и запустите программу снова."));
    if (!info.isFile())
        return fail(QCoreApplication::translate("Database",
                                                "под этим именем лежит не файл. Уберите его и положите на это место "
                                                "файл базы данных."));

    QSqlDatabase db = QSqlDatabase::contains(connectionName)
                          ? QSqlDatabase::database(connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    // A URI lets us say mode=rw: open read-write, never create.
    QUrl uri = QUrl::fromLocalFile(absolute);
    uri.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        return fail(QCoreApplication::translate("Database",
                                                "SQLite его не открывает. Проверьте права на файл и его папку.\n%1")
                        .arg(db.lastError().text()));

    // Opening is lazy in SQLite: read the schema now so that a file that is
    // not a database fails here, with its path, rather than at the first pass.
    QString readError;
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
            readError = statementError(probe);
        else {
            // The template already sets WAL; a file made by other means gets it here.
            probe.exec(QStringLiteral("pragma journal_mode=wal"));
            // With WAL, NORMAL loses no committed row on a program crash (only
            // on a power cut, the last commits) and spares a disk sync per
            // statement, which would otherwise stall the monitor's pass when
            // many outages begin at once.
            probe.exec(QStringLiteral("pragma synchronous=normal"));
        }
    }
    if (!readError.isEmpty())
        return fail(QCoreApplication::translate("Database",
                                                "файл не читается как база данных (испорчен или это другой файл). "
                                                "Восстановите его из копии.\n%1")
                        .arg(readError));
    return true;
}

void Database::close(const QString &connectionName)
{
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

bool runStatement(QSqlQuery &query, const char *statement, const QVariantList &values)
{
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromUtf8(statement)))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

QString statementError(const QSqlQuery &query)
{
    // Without an open connection the driver can only say "Driver not
    // loaded", which points the operator the wrong way.
    const QSqlDriver *driver = query.driver();
    if (!driver || !driver->isOpen())
        return QCoreApplication::translate("Database",
                                           "база данных %1 не открыта (смотрите сообщение при запуске): исправьте "
                                           "файл и запустите программу снова")
            .arg(QLatin1String(Database::FileName));
    const QSqlError e = query.lastError();
    QString text = e.databaseText();
    if (text.isEmpty())
        text = e.text();
    return text;
}
