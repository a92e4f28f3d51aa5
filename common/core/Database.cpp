#include "Database.h"

#include "Failure.h"
#include "Schema.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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

bool inGroup(gid_t gid)
{
    if (::getegid() == gid)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// What would let this user write `path` (the database file, or the folder
// its journal lives in), as a command that works for the place as it is:
// said in the operator's message instead of a guess.
QString writeAdvice(const QString &path, bool directory)
{
    const QByteArray native = QFile::encodeName(path);
    struct statvfs fs = {};
    if (::statvfs(native.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return Database::tr("файловая система подключена только для чтения: подключите её для записи");
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0)
        return {};
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    // A folder also gets the set-group bit, so the journal files made in it
    // belong to its group as the database does.
    const QString groupWrite = directory ? QStringLiteral("g+ws") : QStringLiteral("g+w");
    if (st.st_uid == ::geteuid())
        return Database::tr("например, chmod u+w %1").arg(quoted);
    if (inGroup(st.st_gid))
        return Database::tr("например, sudo chmod %2 %1").arg(quoted, groupWrite);
    const struct passwd *user = ::getpwuid(::geteuid());
    const QString userName = user ? QString::fromLocal8Bit(user->pw_name) : QStringLiteral("$USER");
    const struct group *group = ::getgrgid(st.st_gid);
    if (st.st_gid != 0 && group) {
        QString command = QStringLiteral("sudo adduser %1 %2").arg(userName, QString::fromLocal8Bit(group->gr_name));
        if (!(st.st_mode & S_IWGRP))
            command = QStringLiteral("sudo chmod %1 %2 && ").arg(groupWrite, quoted) + command;
        return Database::tr("например, %1, затем войдите в систему заново").arg(command);
    }
    // The group is root's: the folder goes to the group of the desk's users.
    return Database::tr("например, sudo chgrp users %1 && sudo chmod %2 %1 && sudo adduser %3 users, затем войдите "
                        "в систему заново")
        .arg(quoted, groupWrite, userName);
}

QString uriFor(const QString &absolute, const QString &mode)
{
    QUrl uri = QUrl::fromLocalFile(absolute);
    uri.setQuery(mode);
    return uri.toString(QUrl::FullyEncoded);
}

Statements::Dialect dialectOfDriver(const QSqlDriver *driver)
{
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL ? Statements::Dialect::Postgres
                                                                  : Statements::Dialect::Sqlite;
}

// A line more for the operator, under what was said before.
void appendLine(QString *text, const QString &line)
{
    if (text)
        *text = text->isEmpty() ? line : *text + QLatin1Char('\n') + line;
}

struct Opened
{
    DatabaseConfig config;
    Database::Options options;
    bool lost = false;
};

// What each connection was opened with, so that reopen() can make it again.
// Threads open connections of their own (admin's figures), hence the lock.
QMutex openedLock;
QHash<QString, Opened> &opened()
{
    static QHash<QString, Opened> connections;
    return connections;
}

bool openFile(const QString &path, const Database::Options &options, QString *error, const QString &connectionName,
              QString *warning);
bool openServer(const DatabaseConfig &config, const Database::Options &options, QString *error,
                const QString &connectionName, QString *warning);

} // namespace

bool Database::open(const QString &path, QString *error, const QString &connectionName)
{
    return open(DatabaseConfig::sqliteFile(path), Options(), error, connectionName, nullptr);
}

bool Database::open(const QString &path, const Options &options, QString *error, const QString &connectionName,
                    QString *warning)
{
    return open(DatabaseConfig::sqliteFile(path), options, error, connectionName, warning);
}

bool Database::open(const DatabaseConfig &config, const Options &options, QString *error,
                    const QString &connectionName, QString *warning)
{
    const bool ok = config.isServer() ? openServer(config, options, error, connectionName, warning)
                                      : openFile(config.path(), options, error, connectionName, warning);
    if (ok) {
        const QMutexLocker lock(&openedLock);
        opened().insert(connectionName, {config, options, false});
    }
    return ok;
}

bool Database::reopen(const QString &connectionName, QString *error)
{
    Opened was;
    {
        const QMutexLocker lock(&openedLock);
        const auto it = opened().constFind(connectionName);
        if (it == opened().cend()) {
            if (error)
                *error = Database::tr("соединение %1 с базой данных не открывалось").arg(connectionName);
            return false;
        }
        was = *it;
    }
    close(connectionName);
    if (open(was.config, was.options, error, connectionName, nullptr))
        return true;
    // Still known, so that the next action tries again.
    const QMutexLocker lock(&openedLock);
    was.lost = true;
    opened().insert(connectionName, was);
    return false;
}

DatabaseConfig Database::configOf(const QString &connectionName)
{
    const QMutexLocker lock(&openedLock);
    return opened().value(connectionName).config;
}

bool Database::checkLost(const QString &connectionName)
{
    if (!configOf(connectionName).isServer())
        return false;
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    bool lost = !db.isOpen();
    if (!lost) {
        QSqlQuery probe(db);
        lost = !runStatement(probe, Statements::Ping);
    }
    if (lost) {
        const QMutexLocker lock(&openedLock);
        const auto it = opened().find(connectionName);
        if (it != opened().end())
            it->lost = true;
    }
    return lost;
}

bool Database::reconnectIfLost(const QString &connectionName, QString *error)
{
    {
        const QMutexLocker lock(&openedLock);
        const auto it = opened().constFind(connectionName);
        if (it == opened().cend() || !it->lost)
            return true;
    }
    return reopen(connectionName, error);
}

QString Database::withLossNoted(const QString &failure, const QString &connectionName)
{
    if (!checkLost(connectionName))
        return failure;
    return failure + QLatin1Char('\n')
           + Database::tr("Соединение с базой данных %1 потеряно. Программа подключится к ней снова при "
                          "следующем действии.")
                 .arg(configOf(connectionName).describe());
}

Statements::Dialect Database::dialectOf(const QSqlDatabase &db)
{
    return dialectOfDriver(db.driver());
}

namespace {

// The steps of opening; the caller closes the connection when one fails,
// once the steps' own handles on it are gone (else Qt warns that it is
// still in use).
bool openFileSteps(const QString &path, const Database::Options &options, QString *error,
                   const QString &connectionName, QString *warning)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto fail = [&](const QString &why) {
        if (error)
            *error = Database::tr("Не удалось открыть файл базы данных %1: %2")
                         .arg(QDir::toNativeSeparators(absolute), why);
        return false;
    };
    auto warn = [&](const QString &text) { appendLine(warning, text); };

    // SQLite would create a missing file even with mode=rw on some paths
    // (never on a plain missing file, but a directory of that name gives a
    // confusing text), so say plainly what is wrong first.
    const QFileInfo info(absolute);
    if (!info.exists())
        return fail(Database::tr("файла нет. Положите файл базы данных на это место "
                                 "(в поставке он лежит рядом с программами) и запустите программу снова."));
    if (!info.isFile())
        return fail(Database::tr("под этим именем лежит не файл. Уберите его и положите на это место "
                                 "файл базы данных."));

    // SQLite follows a link to the database (the package links the program
    // directory's ping_addr.mdb into /var/opt/orvant) and keeps the journal
    // beside the real file: that file's folder is the one that must be
    // writable, and the one to name.
    const QString real = info.canonicalFilePath().isEmpty() ? absolute : info.canonicalFilePath();
    const QFileInfo realInfo(real);
    const QString directory = realInfo.absolutePath();
    const bool directoryWritable = writable(directory);
    const bool fileWritable = writable(real);
    const QString linkNote = real == absolute ? QString()
                                              : QLatin1Char(' ') + Database::tr("(%1 — ссылка на %2)").arg(absolute, real);
    bool immutable = false;
    if (!options.readOnly) {
        // SQLite's own text here would be "attempt to write a readonly
        // database", which sends the operator to the wrong file.
        if (!directoryWritable && !sideFilesPresent(real)) {
            return fail(Database::tr("каталог %1 доступен только для чтения: рядом с базой данных нельзя создать её "
                                     "служебные файлы (%2-wal, %2-shm)%3. Дайте программам право на запись в этот "
                                     "каталог (%4) или перенесите базу данных в каталог, доступный для записи.")
                            .arg(directory, realInfo.fileName(), linkNote, writeAdvice(directory, true)));
        }
        if (!fileWritable) {
            warn(Database::tr("Файл базы данных %1 доступен только для чтения%2: записи о сбоях и изменения не будут "
                              "сохранены. Дайте право на запись в этот файл (%3).")
                     .arg(real, linkNote, writeAdvice(real, false)));
        } else {
            QString why;
            if (!Database::upgrade(absolute, &why))
                warn(Database::tr("Не удалось обновить базу данных %1: %2").arg(absolute, why));
        }
    } else if (!directoryWritable && !sideFilesPresent(real)) {
        // Nobody can be writing a file whose journal cannot even be made, so
        // reading it as immutable is safe.
        immutable = true;
    }

    if (QSqlDatabase::contains(connectionName)
        && QSqlDatabase::database(connectionName, false).driverName() != QLatin1String("QSQLITE"))
        Database::close(connectionName);
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
        return fail(Database::tr("SQLite его не открывает. Проверьте права на файл и его папку.\n%1")
                        .arg(db.lastError().text()));

    // Opening is lazy in SQLite: read the schema now so that a file that is
    // not a database fails here, with its path, rather than at the first pass.
    QString readError;
    QString pragmaError;
    {
        QSqlQuery probe(db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
            readError = statementError(probe);
        else if (!options.readOnly && fileWritable) {
            // The template already sets WAL; a file made by other means gets it here.
            if (!probe.exec(QStringLiteral("pragma journal_mode=wal")))
                pragmaError = statementError(probe);
            else if (probe.next() && probe.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
                // Still usable, but every reader then blocks the writer.
                warn(Database::tr("База данных %1 не переведена в журнал WAL (режим %2): программы будут чаще "
                                  "ждать друг друга.")
                         .arg(absolute, probe.value(0).toString()));
            // With WAL, NORMAL loses no committed row on a program crash (only
            // on a power cut, the last commits) and spares a disk sync per
            // statement, which would otherwise stall the monitor's pass when
            // many outages begin at once.
            if (pragmaError.isEmpty() && !probe.exec(QStringLiteral("pragma synchronous=normal")))
                pragmaError = statementError(probe);
        }
    }
    if (!readError.isEmpty())
        return fail(Database::tr("файл не читается как база данных (испорчен или это другой файл). "
                                 "Восстановите его из копии.\n%1")
                        .arg(readError));
    if (!pragmaError.isEmpty())
        return fail(Database::tr("не удалось настроить журнал файла (возможно, его держит другая программа). Запустите "
                                 "программу снова.\n%1")
                        .arg(pragmaError));
    return true;
}

bool openServerSteps(const DatabaseConfig &config, const Database::Options &options, QString *error,
                     const QString &connectionName, QString *warning)
{
    auto fail = [&](const QString &why) {
        if (error) {
            *error = Database::tr("Не удалось подключиться к базе данных %1: %2").arg(config.describe(), why);
            if (!config.configPath().isEmpty())
                *error += QLatin1Char('\n')
                          + Database::tr("Настройки подключения — в файле %1.")
                                .arg(QDir::toNativeSeparators(config.configPath()));
        }
        return false;
    };
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return fail(Database::tr("нет драйвера PostgreSQL для Qt (QPSQL). Установите пакет libqt6sql6-psql."));

    // A connection of that name may be a file's or a broken one: start anew.
    Database::close(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(config.host());
    db.setPort(config.port());
    db.setDatabaseName(config.name());
    db.setUserName(config.user());
    if (!config.password().isEmpty())
        db.setPassword(config.password());
    // A server that does not answer must not hold a program at start-up for
    // the system's TCP time-out (minutes); nor may one that vanished without
    // closing the connection (power cut, cable pulled) hold a statement that
    // long: the kernel would retransmit for a quarter of an hour while the
    // window waits. tcp_user_timeout ends a statement whose bytes go
    // unacknowledged; the keepalives find a dead server while the connection
    // is idle. Neither limits how long the server may take to answer, so a
    // long listing is not cut short. libpq ignores both on a Unix socket.
    db.setConnectOptions(QStringLiteral("connect_timeout=10;keepalives=1;keepalives_idle=%1;keepalives_interval=%2;"
                                        "keepalives_count=%3;tcp_user_timeout=%4")
                             .arg(Database::KeepaliveIdleS)
                             .arg(Database::KeepaliveIntervalS)
                             .arg(Database::KeepaliveCount)
                             .arg(Database::TcpUserTimeoutMs));
    if (!db.open()) {
        if (Database::isAuthenticationFailure(db.lastError())) {
            // The server's own words come first: they say which of the
            // password, the role or the database is wrong.
            QString reason = db.lastError().databaseText().simplified();
            const qsizetype fatal = reason.indexOf(QLatin1String("FATAL:"));
            if (fatal >= 0)
                reason = reason.mid(fatal + 6).trimmed();
            reason = quotedInMessage(reason, 2000);
            return fail(Database::tr("%1. Сервер отказал во входе: проверьте пользователя, пароль и имя базы "
                                     "данных. Попытки подключения будут повторяться всё реже, до раза в минуту.")
                            .arg(reason));
        }
        return fail(Database::tr("сервер не отвечает или отказал в подключении. Проверьте, что сервер PostgreSQL "
                                 "запущен, а адрес, порт, имя базы и пользователь указаны верно.\n%1")
                        .arg(quotedInMessage(db.lastError().text(), 2000)));
    }

    QSqlQuery q(db);
    if (!runStatement(q, Statements::SetLockTimeout, {QStringLiteral("%1ms").arg(options.busyTimeoutMs)}))
        return fail(statementError(q));
    if (options.readOnly && !runStatement(q, Statements::SetReadOnlySession))
        return fail(statementError(q));
    if (!options.expectTables)
        return true;
    if (!runStatement(q, Statements::CountSuiteTables) || !q.next())
        return fail(statementError(q));
    if (q.value(0).toInt() != 3)
        return fail(Database::tr("в базе данных нет таблиц программ (addrs, logs, options). Создайте их командой "
                                 "orvant-mkdb (см. README) и запустите программу снова."));
    q.finish();
    if (!options.readOnly) {
        QString why;
        if (!Database::upgrade(db, &why))
            appendLine(warning, Database::tr("Не удалось обновить базу данных %1: %2").arg(config.describe(), why));
    }
    return true;
}

bool openFile(const QString &path, const Database::Options &options, QString *error, const QString &connectionName,
              QString *warning)
{
    if (openFileSteps(path, options, error, connectionName, warning))
        return true;
    Database::close(connectionName);
    return false;
}

bool openServer(const DatabaseConfig &config, const Database::Options &options, QString *error,
                const QString &connectionName, QString *warning)
{
    if (openServerSteps(config, options, error, connectionName, warning))
        return true;
    Database::close(connectionName);
    return false;
}

} // namespace

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
            ok = upgrade(db, error);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool Database::upgrade(QSqlDatabase db, QString *error)
{
    QSqlQuery q(db);
    auto step = [&](const Statements::Statement &statement) {
        if (runStatement(q, statement))
            return true;
        if (error)
            *error = statementError(q);
        return false;
    };
    if (!step(Statements::SelectSchemaObjects))
        return false;
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(0).toString());
    if (!endedCleanly(q)) {
        if (error)
            *error = statementError(q);
        return false;
    }
    q.finish();
    const bool needOneOpenIndex = !present.contains(QStringLiteral("logs_one_open"));
    QList<Schema::Step> missing;
    for (const Schema::Step &s : Schema::steps()) {
        if (!present.contains(QLatin1String(s.object)))
            missing << s;
    }
    if (!needOneOpenIndex && missing.isEmpty())
        return true;
    if (!step(Statements::BeginImmediate))
        return false;
    // The database may not be ours at all (no logs table): then the
    // transaction fails and is rolled back, and the caller's own reading
    // says what is wrong.
    bool ok = true;
    if (needOneOpenIndex)
        ok = step(Statements::CloseDuplicateOpenOutages) && step(Statements::DropOldOpenIndex)
             && step(Statements::CreateOneOpenIndex);
    for (const Schema::Step &s : missing) {
        if (!ok)
            break;
        ok = step(*s.statement);
    }
    if (ok && step(Statements::Commit))
        return true;
    QSqlQuery undo(db);
    runStatement(undo, Statements::Rollback);
    return false;
}

bool Database::isBusy(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    // The server's codes are five-character SQLSTATEs; SQLite's are numbers
    // of at most four digits.
    if (code.size() == 5)
        return code == QLatin1String("55P03") /* lock_not_available */
               || code == QLatin1String("40001") /* serialization_failure */
               || code == QLatin1String("40P01") /* deadlock_detected */;
    bool ok = false;
    const int number = code.toInt(&ok);
    if (ok) {
        const int primary = number & 0xff;
        return primary == 5 /* SQLITE_BUSY */ || primary == 6 /* SQLITE_LOCKED */;
    }
    return error.databaseText().contains(QLatin1String("database is locked"));
}

Database::WriteFailure Database::classifyWriteFailure(const QSqlError &error)
{
    if (isBusy(error))
        return WriteFailure::Retry;
    const QString code = error.nativeErrorCode();
    if (code.size() == 5) {
        // SQLSTATE classes whose every condition passes with time: connection
        // exceptions (08), insufficient resources (53: disk full, out of
        // memory, too many connections), operator intervention (57: query
        // cancelled by a statement timeout, shutdown, cannot connect now).
        if (code.startsWith(QLatin1String("08")) || code.startsWith(QLatin1String("53"))
            || code.startsWith(QLatin1String("57")))
            return WriteFailure::Retry;
        static const char *const temporary[] = {
            "25006", // read_only_sql_transaction: the database or role made read-only for a while
            "25P03", // idle_in_transaction_session_timeout
            "25P04", // transaction_timeout
            "40003", // statement_completion_unknown
            "55006", // object_in_use
            "58030", // io_error
        };
        for (const char *state : temporary) {
            if (code == QLatin1String(state))
                return WriteFailure::Retry;
        }
        return WriteFailure::Final;
    }
    bool ok = false;
    const int number = code.toInt(&ok);
    if (ok) {
        const int primary = number & 0xff;
        if (primary == 13 /* SQLITE_FULL */)
            return WriteFailure::Retry;
        return WriteFailure::Final;
    }
    // No code at all: the client library failed before an answer came
    // (no connection, a driver not loaded). Nothing says the write is wrong.
    return error.type() == QSqlError::ConnectionError ? WriteFailure::Retry : WriteFailure::Final;
}

bool Database::isAuthenticationFailure(const QSqlError &error)
{
    if (error.nativeErrorCode().startsWith(QLatin1String("28")))
        return true;
    const QString text = error.databaseText();
    static const char *const said[] = {
        "authentication failed",    // 28P01, password, peer, ident, ...
        "no pg_hba.conf entry",     // 28000
        "password authentication",  //
        "does not exist",           // 28000 role, 3D000 database: wrong names are as final
        "no password supplied",     // libpq itself: the server asked for one
        "проверку подлинности",     // a server speaking Russian
        "не существует",
    };
    for (const char *words : said) {
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool Database::isConnectionLost(const QSqlError &error, const QSqlDatabase &db)
{
    if (dialectOf(db) != Statements::Dialect::Postgres || error.type() == QSqlError::NoError)
        return false;
    const QString state = error.nativeErrorCode();
    // Class 08 (connection exception) and the server shutting down.
    if (state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") || state == QLatin1String("57P02")
        || state == QLatin1String("57P03"))
        return true;
    if (!state.isEmpty())
        return false; // the server answered the statement, so it is there
    // No SQLSTATE: the client library failed before any answer came.
    if (!db.isOpen())
        return true;
    QSqlQuery probe(db);
    return !runStatement(probe, Statements::Ping);
}

void Database::close(const QString &connectionName)
{
    {
        const QMutexLocker lock(&openedLock);
        opened().remove(connectionName);
    }
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

bool runStatement(QSqlQuery &query, const Statements::Statement &statement, const QVariantList &values)
{
    query.setForwardOnly(true);
    const Statements::Dialect dialect = dialectOfDriver(query.driver());
    const bool server = dialect == Statements::Dialect::Postgres;
    const char *text = statement.text(dialect);
    if (!text) {
        qWarning("Statement %s has no form for this database engine", statement.name);
        return false;
    }
    // The server prepares only queries and data changes (no begin, commit or
    // index statements); a statement without values needs no preparing.
    if (server && values.isEmpty())
        return query.exec(QString::fromUtf8(text));
    if (!query.prepare(QString::fromUtf8(text)))
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
    if (!driver || !driver->isOpen()) {
        // A server connection that could not be made again after it was lost.
        const DatabaseConfig config = Database::configOf(QLatin1String(QSqlDatabase::defaultConnection));
        if (config.isServer())
            return Database::tr("нет соединения с базой данных %1").arg(config.describe());
        return Database::tr("база данных %1 не открыта (смотрите сообщение при запуске): исправьте "
                            "файл и запустите программу снова")
            .arg(QLatin1String(Database::FileName));
    }
    const QSqlError e = query.lastError();
    QString text = e.databaseText();
    if (text.isEmpty())
        text = e.text();
    return text;
}
