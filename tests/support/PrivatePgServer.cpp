#include "PrivatePgServer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace {

QString sourceDirectory()
{
    return QString::fromLocal8Bit(qgetenv("ORVANT_SOURCE_DIR"));
}

bool run(const QString &program, const QStringList &arguments, QString *output, int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        if (output)
            *output = QStringLiteral("%1 did not finish").arg(program);
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

PrivatePgServer::PrivatePgServer()
{
    const QString script = sourceDirectory() + QStringLiteral("/tests/support/pg_server.sh");
    if (sourceDirectory().isEmpty() || !QFileInfo::exists(script)) {
        m_error = QStringLiteral("ORVANT_SOURCE_DIR does not lead to tests/support/pg_server.sh (run under ctest)");
        return;
    }
    const QStringList bins = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &version : bins) {
        if (QFileInfo::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/pg_ctl").arg(version)))
            m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
    }
    if (m_bin.isEmpty()) {
        m_error = QStringLiteral("PostgreSQL's server programs are missing: install the package postgresql");
        return;
    }
    // The server's user must reach its directory through the temporary one.
    QFile::setPermissions(m_parent.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                               | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    m_dir = m_parent.path() + QStringLiteral("/pg");
    QString output;
    if (!run(QStringLiteral("bash"), {script, QStringLiteral("start"), m_dir}, &output))
        m_error = QStringLiteral("pg_server.sh start: %1").arg(output);
}

PrivatePgServer::~PrivatePgServer()
{
    if (!m_dir.isEmpty())
        run(QStringLiteral("bash"), {sourceDirectory() + QStringLiteral("/tests/support/pg_server.sh"),
                                     QStringLiteral("stop"), m_dir},
            nullptr);
}

QString PrivatePgServer::socketDirectory() const
{
    return m_dir + QStringLiteral("/sock");
}

DatabaseConfig PrivatePgServer::config(const QString &databaseName) const
{
    return DatabaseConfig::server(socketDirectory(), 5432, databaseName, QStringLiteral("postgres"));
}

bool PrivatePgServer::pgCtl(const QStringList &arguments) const
{
    QStringList command = {m_bin + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_dir + QStringLiteral("/data"),
                           QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("30")};
    command += arguments;
    QString output;
    if (::getuid() == 0)
        return run(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} + command, &output);
    return run(command.takeFirst(), command, &output);
}

bool PrivatePgServer::stop()
{
    return pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
}

bool PrivatePgServer::start()
{
    return pgCtl({QStringLiteral("-l"), m_dir + QStringLiteral("/server.log"), QStringLiteral("-o"),
                  QStringLiteral("-c listen_addresses='' -c unix_socket_directories='%1' -c fsync=off")
                      .arg(socketDirectory()),
                  QStringLiteral("start")});
}

bool PrivatePgServer::psql(const QString &databaseName, const QStringList &arguments, QString *output) const
{
    return run(QStringLiteral("psql"),
               QStringList{QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"), QStringLiteral("-v"),
                           QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socketDirectory(),
                           QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-d"), databaseName}
                   + arguments,
               output);
}

bool PrivatePgServer::createDatabase(const QString &name)
{
    QString output;
    if (!psql(QStringLiteral("postgres"), {QStringLiteral("-c"), QStringLiteral("create database \"%1\"").arg(name)}, &output)
        || !psql(name, {QStringLiteral("-f"), sourceDirectory() + QStringLiteral("/common/core/schema-postgres.sql")}, &output)
        || !psql(name, {QStringLiteral("-c"), QStringLiteral("delete from addrs")}, &output)) {
        m_error = output;
        return false;
    }
    return true;
}

QStringList PrivatePgServer::rows(const QString &databaseName, const QString &sql) const
{
    QString output;
    if (!psql(databaseName, {QStringLiteral("-c"), sql}, &output))
        return {QStringLiteral("error: ") + output.trimmed()};
    QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines;
}
