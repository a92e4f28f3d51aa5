#include "Database.h"

#include "Statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

#include <unistd.h>

QString Database::programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString Database::defaultPath()
{
    return QDir(programDirectory()).filePath(QLatin1String(FileName));
}

namespace {

const char *const Context = "Database";

QString tr(const char *text)
{
    return QCoreApplication::translate(Context, text);
}

bool writable(const QString &path)
{
    // access() and not the mode bits: it knows about read-only mounts and
    // about the user's groups.
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// The WAL journal keeps two files beside the database, made by whoever opens
// it first; a directory nobody may write in leaves SQLite unable to make them.
bool sideFilesPresent(const QString &absolute)
{
    return QFileInfo::exists(absolute + QStringLiteral("-wal")) && QFileInfo::exists(absolute + QStringLiteral("-shm"));
}

QString uriFor(const QString &absolute, const QString &mode)
{
    QUrl uri = QUrl::fromLocalFile(absolute);
    uri.setQuery(mode);
    return uri.toString(QUrl::FullyEncoded);
}

} // namespace

bool Database::open(const QString &path, QString *error, const QString &connectionName)
{
    return open(path, Options(), error, connectionName, nullptr);
}

bool Database::open(const QString &path, const Options &options, QString *error, const QString &connectionName,
                    QString *warning)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto fail = [&](const QString &why) {
        if (error)
            *error = QCoreApplication::translate("Database", "Не удалось открыть файл базы данных %1: %2")
                         .arg(QDir::toNativeSeparators(absolute), why);
        close(connectionName);
        return false;
    };
    auto warn = [&](const QString &text) {
        if (warning)
            *warning = warning->isEmpty() ? text : *warning + QLatin1Char('\n') + text;
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

    const QString directory = info.absolutePath();
    const bool directoryWritable = writable(directory);
    const bool fileWritable = writable(absolute);
    bool immutable = false;
    if (!options.readOnly) {
        // SQLite's own text here would be "attempt to write a readonly
        // database", which sends the operator to the wrong file.
        if (!directoryWritable && !sideFilesPresent(absolute)) {
            return fail(tr("каталог %1 доступен только для чтения: рядом с базой данных нельзя создать её "
                           "служебные файлы (%2-wal, %2-shm). Дайте программам право на запись в этот каталог "
                           "(например, sudo chmod g+w \"%1\" для группы пользователей Orvant) или перенесите "
                           "базу данных в каталог, доступный для записи.")
                            .arg(directory, info.fileName()));
        }
        if (!fileWritable) {
            warn(tr("Файл базы данных %1 доступен только для чтения: записи о сбоях и изменения не будут "
                    "сохранены. Дайте право на запись в этот файл (например, sudo chmod g+w \"%1\").")
                     .arg(absolute));
        } else {
            QString why;
            if (!upgrade(absolute, &why))
                warn(tr("Не удалось обновить базу данных %1: %2").arg(absolute, why));
        }
    } else if (!directoryWritable && !sideFilesPresent(absolute)) {
        // Nobody can be writing a file whose journal cannot even be made, so
        // reading it as immutable is safe.
        immutable = true;
    }

    QSqlDatabase db = QSqlDatabase::contains(connectionName)
                          ? QSqlDatabase::database(connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    // A URI lets us say mode=rw: open read-write, never create.
    db.setDatabaseName(uriFor(absolute, options.readOnly ? (immutable ? QStringLiteral("mode=ro&immutable=1")
                                                                        : QStringLiteral("mode=ro"))
                                                         : QStringLiteral("mode=rw")));
    QString connectOptions = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs);
    if (options.readOnly)
        connectOptions += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(connectOptions);
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
        else if (!options.readOnly && fileWritable) {
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

bool Database::upgrade(const QString &path, QString *error)
{
    const QString name = QStringLiteral("orvant-upgrade-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(uriFor(QFileInfo(path).absoluteFilePath(), QStringLiteral("mode=rw")));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db.open()) {
            if (error)
                *error = db.lastError().text();
        } else {
            QSqlQuery q(db);
            auto step = [&](const char *statement) {
                if (runStatement(q, statement))
                    return true;
                if (error)
                    *error = statementError(q);
                return false;
            };
            if (step(Statements::SelectOneOpenIndex) && q.next()) {
                if (q.value(0).toInt() > 0) {
                    ok = true;
                } else if (step(Statements::BeginImmediate)) {
                    // The file may not be ours at all (no logs table): then
                    // the transaction fails and is rolled back, and the
                    // caller's own reading says what is wrong.
                    ok = step(Statements::CloseDuplicateOpenOutages) && step(Statements::DropOldOpenIndex)
                         && step(Statements::CreateOneOpenIndex) && step(Statements::Commit);
                    if (!ok) {
                        QSqlQuery undo(db);
                        runStatement(undo, Statements::Rollback);
                    }
                }
            } else if (error && error->isEmpty()) {
                *error = statementError(q);
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool Database::isBusy(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (ok) {
        const int primary = code & 0xff;
        return primary == 5 /* SQLITE_BUSY */ || primary == 6 /* SQLITE_LOCKED */;
    }
    return error.databaseText().contains(QLatin1String("database is locked"));
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
