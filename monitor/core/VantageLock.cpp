#include "VantageLock.h"

#include "Database.h"
#include "MonitorLock.h"
#include "Statements.h"
#include "VantageRecords.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>

#include <utility>

namespace monitor {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("monitor::VantageLock", text);
}

bool tryLock(QSqlDatabase db, const Statements::Statement &statement, qint64 key, bool *taken, QString *error)
{
    QSqlQuery query(db);
    if (!runStatement(query, statement, {key}) || !query.next()) {
        if (error)
            *error = statementError(query);
        return false;
    }
    *taken = query.value(0).toBool();
    return true;
}

struct Holder
{
    qint64 pid = 0;
    QString session;
    bool mine = false;
};

bool sharedHolders(QSqlDatabase db, QList<Holder> *holders, QString *error)
{
    QSqlQuery query(db);
    const QVariantList key{MonitorLock::Key >> 32, MonitorLock::Key & 0xffffffff};
    if (!runStatement(query, Statements::SelectMonitorLockHolder, key)) {
        if (error)
            *error = statementError(query);
        return false;
    }
    while (query.next())
        holders->append({query.value(0).toLongLong(), query.value(2).toString(), query.value(5).toBool()});
    return true;
}

} // namespace

VantageLock::Result VantageLock::take(QSqlDatabase db, const QString &vantageName, const QString &sessionName,
                                      QString *holder, QString *error)
{
    // The server keeps a dead client's session, and with it the writer's
    // lock, until its own TCP keepalives give up: two hours by the system's
    // defaults. Set for this session, they give it up within about 11 s, so
    // another vantage takes the log over well within 30 s of a site that
    // lost its power or its line. Over a Unix socket they do not apply; a
    // server that refuses one still works, only slower to take over.
    const std::pair<const char *, int> keepalives[] = {
        {"tcp_keepalives_idle", Database::KeepaliveIdleS},
        {"tcp_keepalives_interval", Database::KeepaliveIntervalS},
        {"tcp_keepalives_count", Database::KeepaliveCount},
        {"tcp_user_timeout", Database::TcpUserTimeoutMs},
    };
    for (const auto &[name, value] : keepalives) {
        QSqlQuery set(db);
        runStatement(set, Statements::SetSessionSetting, {QLatin1String(name), QString::number(value)});
    }

    bool taken = false;
    if (!tryLock(db, Statements::TryVantageLock, MonitorLock::Key, &taken, error))
        return Result::Failed;
    if (!taken) {
        const QString text = MonitorLock::holder(db);
        if (holder)
            *holder = text.isEmpty() ? tr("другой сеанс") : text;
        return Result::HeldByMonitor;
    }

    QList<Holder> holders;
    if (!sharedHolders(db, &holders, error))
        return Result::Failed;
    QStringList running;
    for (const Holder &h : std::as_const(holders)) {
        if (h.mine)
            continue;
        if (h.session == sessionName) {
            // Only this run names its sessions so (a random token is in the
            // name): a connection of ours that broke without the server
            // noticing yet.
            QSqlQuery end(db);
            runStatement(end, Statements::EndSession, {h.pid});
        } else {
            running << h.session;
        }
    }

    // Two sites under one name would write one row of heartbeats and mix
    // their outages: the second is refused while the first runs.
    QSqlQuery names(db);
    if (!runStatement(names, Statements::SelectVantageSessions)) {
        if (error)
            *error = statementError(names);
        return Result::Failed;
    }
    while (names.next()) {
        if (names.value(0).toString() != vantageName)
            continue;
        const QString session = names.value(1).toString();
        if (session == sessionName || !running.contains(session))
            break;
        names.finish();
        QSqlQuery release(db);
        runStatement(release, Statements::ReleaseVantageLock, {MonitorLock::Key});
        if (holder)
            *holder = tr("наблюдательный пункт «%1» уже работает (сеанс «%2»)").arg(vantageName, session);
        return Result::NameInUse;
    }
    return Result::Taken;
}

bool VantageLock::tryWriter(QSqlDatabase db, bool *taken, QString *error)
{
    return tryLock(db, Statements::TryWriterLock, VantageRecords::WriterLockKey, taken, error);
}

} // namespace monitor
