#pragma once

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// A PostgreSQL server for a benchmark's run: the tests' one (ORVANT_PG_SOCKET),
// else one started here (tests/support/pg_server.sh, socket only) and
// stopped whatever happens. ORVANT_PG_SERVER_SCRIPT names the script.
class BenchServer
{
public:
    ~BenchServer()
    {
        if (!m_dir.isEmpty())
            QProcess::execute(QStringLiteral("bash"), {QStringLiteral(ORVANT_PG_SERVER_SCRIPT), QStringLiteral("stop"), m_dir});
    }
    // `scratch` must be reachable by the server's user (it runs as postgres).
    bool start(const QString &scratch)
    {
        m_socket = qEnvironmentVariable("ORVANT_PG_SOCKET");
        if (!m_socket.isEmpty())
            return true;
        const QString dir = QDir(scratch).filePath(QStringLiteral("pg"));
        if (QProcess::execute(QStringLiteral("bash"), {QStringLiteral(ORVANT_PG_SERVER_SCRIPT), QStringLiteral("start"), dir})
            != 0)
            return false;
        m_dir = dir;
        m_socket = QDir(dir).filePath(QStringLiteral("sock"));
        return true;
    }
    QString socket() const { return m_socket; }
    // Someone else's server keeps nothing of the run: the benchmark's
    // database goes. A server started here goes as a whole.
    bool ownServer() const { return !m_dir.isEmpty(); }
    static QString user()
    {
        return qEnvironmentVariableIsEmpty("ORVANT_PG_USER") ? QStringLiteral("postgres")
                                                             : qEnvironmentVariable("ORVANT_PG_USER");
    }
    // Runs one statement on the maintenance database; `sql` names a
    // database made by the benchmark (identifiers cannot be bound).
    bool onMaintenance(const QString &sql) const
    {
        const QString connection = QStringLiteral("bench-maintenance");
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(m_socket);
            db.setDatabaseName(QStringLiteral("postgres"));
            db.setUserName(user());
            if (db.open())
                ok = QSqlQuery(db).exec(sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        return ok;
    }

private:
    QString m_dir;
    QString m_socket;
};
