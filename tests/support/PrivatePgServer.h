#pragma once

#include "DatabaseConfig.h"

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of one test's own (socket only, in a temporary
// directory), which the test may stop and start again: the shared test
// server (fixture pg_server) must never go away under other tests.
// Made with tests/support/pg_server.sh, removed with the object.
class PrivatePgServer
{
public:
    PrivatePgServer();
    ~PrivatePgServer();
    PrivatePgServer(const PrivatePgServer &) = delete;
    PrivatePgServer &operator=(const PrivatePgServer &) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // A database with the suite's tables (schema-postgres.sql) and an empty
    // address book.
    bool createDatabase(const QString &name);
    DatabaseConfig config(const QString &databaseName) const;
    QString socketDirectory() const;

    // Stops the server at once (fast shutdown: sessions are ended) and
    // starts it again on the same data.
    bool stop();
    bool start();

    // psql on the database: each row's columns joined by '|'.
    QStringList rows(const QString &databaseName, const QString &sql) const;

private:
    bool pgCtl(const QStringList &arguments) const;
    bool psql(const QString &databaseName, const QStringList &arguments, QString *output) const;

    QTemporaryDir m_parent;
    QString m_dir;
    QString m_bin;
    QString m_error;
};
