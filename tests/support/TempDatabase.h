#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A fresh ping_addr.mdb made from the schema template in a temporary
// directory, opened as the program would open it (Database::open).
// Removed with the object.
class TempDatabase
{
public:
    explicit TempDatabase(const QString &connectionName = QLatin1String(QSqlDatabase::defaultConnection));
    ~TempDatabase();
    TempDatabase(const TempDatabase &) = delete;
    TempDatabase &operator=(const TempDatabase &) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString directory() const { return m_dir.path(); }
    QString path() const;
    QSqlDatabase connection() const;

    // Test set-up and checks; values are bound in order. Fails the running
    // test (QTest) on a database error.
    bool exec(const QString &sql, const QVariantList &values = {});
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    // All rows of a query, each row's columns joined by '|' (NULL as "<null>").
    QStringList rows(const QString &sql, const QVariantList &values = {});

private:
    QTemporaryDir m_dir;
    QString m_connection;
    QString m_error;
};
