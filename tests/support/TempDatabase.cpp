#include "TempDatabase.h"

#include "Database.h"
#include "Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

TempDatabase::TempDatabase(const QString &connectionName)
    : m_connection(connectionName)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return;
    }
    if (!Schema::createDatabaseFile(path(), &m_error))
        return;
    Database::open(path(), &m_error, m_connection);
}

TempDatabase::~TempDatabase()
{
    Database::close(m_connection);
}

QString TempDatabase::path() const
{
    return m_dir.filePath(QLatin1String(Database::FileName));
}

QSqlDatabase TempDatabase::connection() const
{
    return QSqlDatabase::database(m_connection, false);
}

static bool prepareAndRun(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
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
        for (int i = 0; i < q.record().count(); ++i)
            cols << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        out << cols.join(QLatin1Char('|'));
    }
    return out;
}
