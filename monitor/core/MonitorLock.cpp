#include "MonitorLock.h"

#include "Database.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QHash>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>

namespace monitor {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("monitor::MonitorLock", text);
}

// pg_locks shows a bigint key as two oids.
qint64 classId()
{
    return MonitorLock::Key >> 32;
}

qint64 objectId()
{
    return MonitorLock::Key & 0xffffffff;
}

} // namespace

QString MonitorLock::sessionNameOfThisProcess()
{
    // A process id and a host name are no identity: two containers (or PID
    // namespaces) on one machine name give the same pair, and each monitor
    // would end the other's session as its own leftover. A random token
    // drawn once per run tells this run apart. application_name keeps 63
    // bytes; the id and the token come first so that a long machine name
    // cannot cut them off.
    static const QString token =
        QStringLiteral("%1").arg(QRandomGenerator::system()->generate64() & 0xffffffffffffULL, 12, 16, QLatin1Char('0'));
    return QStringLiteral("orvant %1.%2@%3")
        .arg(QCoreApplication::applicationPid())
        .arg(token, QSysInfo::machineHostName())
        .left(63);
}

bool MonitorLock::nameSession(QSqlDatabase db, const QString &sessionName, QString *error)
{
    QSqlQuery query(db);
    if (runStatement(query, Statements::SetSessionSetting, {QStringLiteral("application_name"), sessionName}))
        return true;
    if (error)
        *error = statementError(query);
    return false;
}

QString MonitorLock::vantagesText(QSqlDatabase db, const QStringList &sessions)
{
    QHash<QString, QString> names;
    QSqlQuery query(db);
    if (runStatement(query, Statements::SelectVantageSessions)) {
        while (query.next())
            names.insert(query.value(1).toString(), query.value(0).toString());
    }
    QStringList shown;
    for (const QString &session : sessions) {
        const QString name = names.value(session);
        shown << (name.isEmpty() ? tr("сеанс «%1»").arg(session) : QStringLiteral("«%1»").arg(name));
    }
    return tr("наблюдательные пункты %1").arg(shown.join(QStringLiteral(", ")));
}

QString MonitorLock::holder(QSqlDatabase db, qint64 *pid, QString *sessionName)
{
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectMonitorLockHolder, {classId(), objectId()}) || !query.next())
        return QString();
    // Vantage points share the lock (the exclusive holder would come first):
    // none of them is this monitor's own leftover session, so no pid goes back.
    if (query.value(4).toString() != QLatin1String("ExclusiveLock")) {
        QStringList sessions;
        do {
            sessions << query.value(2).toString();
        } while (query.next());
        return vantagesText(db, sessions);
    }
    if (pid)
        *pid = query.value(0).toLongLong();
    const QString name = query.value(2).toString();
    if (sessionName)
        *sessionName = name;
    const QString user = query.value(1).toString();
    const QString address = query.value(3).toString();
    return tr("сеанс «%1» пользователя %2 (%3, процесс сервера %4)")
        .arg(name.isEmpty() ? tr("без имени") : name, user,
             address.isEmpty() ? tr("подключение на самом сервере") : tr("адрес %1").arg(address))
        .arg(query.value(0).toLongLong());
}

MonitorLock::Result MonitorLock::take(QSqlDatabase db, const QString &sessionName, QString *holderText, QString *error,
                                      bool *ownSession)
{
    if (ownSession)
        *ownSession = false;
    auto tryOnce = [&](bool *taken) {
        QSqlQuery query(db);
        if (!runStatement(query, Statements::TryMonitorLock, {Key}) || !query.next()) {
            if (error)
                *error = statementError(query);
            return false;
        }
        *taken = query.value(0).toBool();
        return true;
    };

    bool taken = false;
    if (!tryOnce(&taken))
        return Result::Failed;
    if (taken)
        return Result::Taken;

    qint64 pid = 0;
    QString name;
    QString text = holder(db, &pid, &name);
    if (pid > 0 && name == sessionName) {
        // Our own session from before the connection broke: only this run
        // could have named it so (its random token is in the name).
        QSqlQuery end(db);
        if (runStatement(end, Statements::EndSession, {pid}) && end.next() && end.value(0).toBool()) {
            end.finish();
            // The ended session lets go of its locks as it exits, which
            // the server does a moment after the call returns.
            for (int i = 0; i < 20 && !taken; ++i) {
                if (!tryOnce(&taken))
                    return Result::Failed;
                if (!taken)
                    QThread::msleep(5);
            }
            if (taken)
                return Result::Taken;
            name.clear();
            text = holder(db, nullptr, &name);
        }
    }
    // A backend that stopped answering does not end until it runs again:
    // the session still named as ours is this run's own, not a second monitor.
    if (ownSession)
        *ownSession = !name.isEmpty() && name == sessionName;
    if (holderText)
        *holderText = text.isEmpty() ? tr("другой сеанс") : text;
    return Result::HeldByOther;
}

} // namespace monitor
