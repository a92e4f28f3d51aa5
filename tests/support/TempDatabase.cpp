#include "TempDatabase.h"

#include "Database.h"
#include "Schema.h"

#include <QFile>
#include <QSettings>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QUuid>

TempDatabase::TempDatabase(const QString &connectionName)
    : TempDatabase(defaultBackend(), connectionName)
{
}

TempDatabase::Backend TempDatabase::defaultBackend()
{
    return qEnvironmentVariable("ORVANT_TEST_BACKEND") == QLatin1String("server") ? Backend::Server : Backend::File;
}

TempDatabase::TempDatabase(Backend backend, const QString &connectionName)
    : m_backend(backend)
    , m_connection(connectionName)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return;
    }
    if (backend == Backend::File)
        makeFile();
    else
        makeServer();
}

void TempDatabase::makeFile()
{
    m_config = DatabaseConfig::sqliteFile(path());
    if (!Schema::createDatabaseFile(path(), &m_error))
        return;
    Database::open(path(), &m_error, m_connection);
}

bool TempDatabase::serverMissing()
{
    return qEnvironmentVariableIsEmpty("ORVANT_PG_SOCKET");
}

DatabaseConfig TempDatabase::serverConfig(const QString &databaseName)
{
    const QString user = qEnvironmentVariableIsEmpty("ORVANT_PG_USER") ? QStringLiteral("postgres")
                                                                        : qEnvironmentVariable("ORVANT_PG_USER");
    return DatabaseConfig::server(qEnvironmentVariable("ORVANT_PG_SOCKET"), 5432, databaseName, user);
}

QString TempDatabase::uniqueServerDatabaseName()
{
    return QStringLiteral("orvant_test_") + QUuid::createUuid().toString(QUuid::Id128);
}

// A plain connection to a database of the tests' server, without the
// suite's schema check.
static bool connectTo(const QString &connection, const QString &databaseName, QString *error)
{
    const DatabaseConfig c = TempDatabase::serverConfig(databaseName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    db.setHostName(c.host());
    db.setPort(c.port());
    db.setDatabaseName(c.name());
    db.setUserName(c.user());
    if (db.open())
        return true;
    if (error)
        *error = db.lastError().text();
    return false;
}

// Database names are identifiers, not values: they cannot be bound. The
// names are made here (letters, digits, "_") and quoted by the driver.
static bool onMaintenanceDatabase(const QString &sqlTemplate, const QString &name, QString *error)
{
    const QString connection = QStringLiteral("maintenance-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    if (connectTo(connection, QStringLiteral("postgres"), error)) {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        QSqlQuery q(db);
        const QString quoted = db.driver()->escapeIdentifier(name, QSqlDriver::TableName);
        ok = q.exec(sqlTemplate.arg(quoted));
        if (!ok && error)
            *error = q.lastError().text();
    }
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

bool TempDatabase::createServerDatabase(const QString &name, QString *error)
{
    return onMaintenanceDatabase(QStringLiteral("create database %1 encoding 'UTF8' template template0"), name,
                                 error);
}

void TempDatabase::dropServerDatabase(const QString &name)
{
    QString error;
    onMaintenanceDatabase(QStringLiteral("drop database if exists %1 with (force)"), name, &error);
}

void TempDatabase::makeServer()
{
    if (serverMissing()) {
        m_error = QStringLiteral("no test PostgreSQL server (ORVANT_PG_SOCKET is not set)");
        return;
    }
    m_serverName = uniqueServerDatabaseName();
    if (!createServerDatabase(m_serverName, &m_error)) {
        m_serverName.clear();
        return;
    }
    m_config = serverConfig(m_serverName);
    const QString maker = QStringLiteral("maker-") + m_serverName;
    if (connectTo(maker, m_serverName, &m_error)
        && Schema::createServerTables(QSqlDatabase::database(maker, false), &m_error)) {
        QSqlQuery q(QSqlDatabase::database(maker, false));
        if (!q.exec(QStringLiteral(
                "create function datetime(t text, modifier text) returns text language sql immutable as "
                "$$select to_char(cast(t as timestamp) + cast(modifier as interval), 'YYYY-MM-DD HH24:MI:SS')$$")))
            m_error = q.lastError().text();
    }
    {
        QSqlDatabase db = QSqlDatabase::database(maker, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(maker);
    if (!m_error.isEmpty())
        return;
    // The program directory of a server seat: orvant.conf names the database.
    QSettings conf(m_dir.filePath(QLatin1String(DatabaseConfig::FileName)), QSettings::IniFormat);
    conf.beginGroup(QStringLiteral("database"));
    conf.setValue(QStringLiteral("driver"), QStringLiteral("postgresql"));
    conf.setValue(QStringLiteral("host"), m_config.host());
    conf.setValue(QStringLiteral("port"), m_config.port());
    conf.setValue(QStringLiteral("name"), m_config.name());
    conf.setValue(QStringLiteral("user"), m_config.user());
    conf.endGroup();
    conf.sync();
    Database::open(m_config, Database::Options(), &m_error, m_connection, nullptr);
}

TempDatabase::~TempDatabase()
{
    Database::close(m_connection);
    if (!m_serverName.isEmpty())
        dropServerDatabase(m_serverName);
}

QString TempDatabase::path() const
{
    return m_backend == Backend::File ? m_dir.filePath(QLatin1String(Database::FileName)) : QString();
}

QSqlDatabase TempDatabase::connection() const
{
    return QSqlDatabase::database(m_connection, false);
}

static bool prepareAndRun(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    // The server prepares only queries and data changes.
    if (values.isEmpty() && q.driver() && q.driver()->dbmsType() == QSqlDriver::PostgreSQL)
        return q.exec(sql);
    if (!q.prepare(sql))
        return false;
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec();
}

bool TempDatabase::exec(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(connection());
    if (!prepareAndRun(q, sql, values)) {
        QTest::qFail(qPrintable(QStringLiteral("%1: %2").arg(sql, q.lastError().text())), __FILE__, __LINE__);
        return false;
    }
    return true;
}

QVariant TempDatabase::scalar(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(connection());
    if (!prepareAndRun(q, sql, values)) {
        QTest::qFail(qPrintable(QStringLiteral("%1: %2").arg(sql, q.lastError().text())), __FILE__, __LINE__);
        return {};
    }
    return q.next() ? q.value(0) : QVariant();
}

QStringList TempDatabase::rows(const QString &sql, const QVariantList &values)
{
    QStringList out;
    QSqlQuery q(connection());
    if (!prepareAndRun(q, sql, values)) {
        QTest::qFail(qPrintable(QStringLiteral("%1: %2").arg(sql, q.lastError().text())), __FILE__, __LINE__);
        return out;
    }
    while (q.next()) {
        QStringList cols;
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            // The server's booleans read as the file's 0/1.
            cols << (v.isNull() ? QStringLiteral("<null>")
                     : v.typeId() == QMetaType::Bool ? QString::number(v.toBool() ? 1 : 0)
                                                     : v.toString());
        }
        out << cols.join(QLatin1Char('|'));
    }
    return out;
}

bool TempDatabase::refuse(const QString &operation, const QString &table, const QString &message)
{
    // Test set-up with names and a message of the test's own: a trigger's
    // body takes no bound values.
    const QString name = QStringLiteral("refuse_%1_%2").arg(operation, table);
    QString quoted = message;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    if (!isServer())
        return exec(QStringLiteral("create trigger %1 before %2 on %3 begin select raise(abort, '%4'); end")
                        .arg(name, operation, table, quoted));
    return exec(QStringLiteral("create function %1() returns trigger language plpgsql as "
                               "$$begin raise exception '%2'; end$$")
                    .arg(name, quoted))
           && exec(QStringLiteral("create trigger %1 before %2 on %3 for each row execute function %1()")
                       .arg(name, operation, table));
}

bool TempDatabase::allow(const QString &operation, const QString &table)
{
    const QString name = QStringLiteral("refuse_%1_%2").arg(operation, table);
    return isServer() ? exec(QStringLiteral("drop trigger %1 on %2").arg(name, table))
                      : exec(QStringLiteral("drop trigger %1").arg(name));
}

void addBackendColumn()
{
    QTest::addColumn<TempDatabase::Backend>("backend");
}

void addBackendRows(const char *suffix)
{
    const QByteArray tail = suffix ? QByteArray(" ") + suffix : QByteArray();
    QTest::newRow(QByteArray("file" + tail).constData()) << TempDatabase::Backend::File;
    QTest::newRow(QByteArray("server" + tail).constData()) << TempDatabase::Backend::Server;
}
