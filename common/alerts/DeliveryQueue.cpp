#include "DeliveryQueue.h"

#include "Database.h"
#include "SecretFile.h"

#include <QEventLoop>
#include <QSqlDatabase>

#include <utility>

namespace alerts {

int RetrySchedule::delayAfter(int attempts) const
{
    qint64 delay = firstMs;
    for (int i = 1; i < attempts && delay < maxMs; ++i)
        delay *= 2;
    return int(qMin<qint64>(delay, maxMs));
}

DeliveryQueue::DeliveryQueue(QObject *parent) : QObject(parent), m_dispatcher(new Dispatcher(this)), m_timer(this)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DeliveryQueue::pump);
}

DeliveryQueue::~DeliveryQueue()
{
    close();
}

void DeliveryQueue::open(const DatabaseConfig &config, const QString &connectionName)
{
    m_connectionName = connectionName;
    QString error;
    QString warning;
    Database::Options options;
    options.busyTimeoutMs = BusyTimeoutMs;
    if (!Database::open(config, options, &error, connectionName, &warning)) {
        emit problem(error);
        return;
    }
    m_open = true;
    AlertStore store(QSqlDatabase::database(m_connectionName, false));
    // Secrets an earlier version kept in the database go to files of the
    // monitor's user, the one who must read them (see SecretFile).
    QStringList moved;
    if (!store.moveSecretsOut(&moved, &error))
        emit problem(error);
    for (const QString &name : std::as_const(moved))
        qWarning("%s", qUtf8Printable(tr("Пароль или ключ канала %1 перенесён из базы данных в файл %2. В базе данных "
                                         "его могли прочитать другие пользователи: смените его.")
                                          .arg(name, SecretFile::directory())));
    // What an earlier run left is tried at once: its receiver may well be
    // back, and a restart should not wait out a long pause of that run.
    QList<PendingMessage> left;
    if (store.pending(&left, &error)) {
        const QDateTime now = QDateTime::currentDateTime();
        for (const PendingMessage &p : std::as_const(left))
            m_nextTry.insert(p.id, now);
    }
    QList<HostChange> down;
    if (store.openOutages(&down, &error)) {
        for (const HostChange &h : down) {
            if (!m_down.contains(h.address))
                m_downOrder.append(h.address);
            m_down.insert(h.address, h);
        }
    }
    const auto early = std::exchange(m_early, {});
    for (const auto &pass : early)
        passEnded(pass.first, pass.second);
    pump();
}

void DeliveryQueue::close()
{
    m_timer.stop();
    if (!m_open)
        return;
    m_open = false;
    Database::close(m_connectionName);
}

bool DeliveryQueue::usable()
{
    if (!m_open)
        return false;
    QString error;
    if (!Database::reconnectIfLost(m_connectionName, &error)) {
        emit problem(error);
        return false;
    }
    return true;
}

void DeliveryQueue::passEnded(const QList<HostChange> &changes, const QDateTime &at)
{
    if (!m_open && m_connectionName.isEmpty()) {
        m_early.append({changes, at});
        return;
    }
    if (!usable())
        return;
    AlertStore store(QSqlDatabase::database(m_connectionName, false));

    // The changes with what the pass itself cannot know: when a restored
    // host's outage began.
    QList<HostChange> complete;
    for (HostChange c : changes) {
        if (c.event == Event::Down) {
            if (!c.begin.isValid())
                c.begin = at;
            if (!m_down.contains(c.address))
                m_downOrder.append(c.address);
            m_down.insert(c.address, c);
        } else if (c.event == Event::Up) {
            if (!c.end.isValid())
                c.end = at;
            if (!c.begin.isValid())
                c.begin = m_down.contains(c.address) ? m_down.value(c.address).begin : store.lastClosedBegin(c.address);
            m_down.remove(c.address);
            m_downOrder.removeAll(c.address);
        }
        complete.append(c);
    }
    const QList<AlertMessage> messages = messagesOfPass(complete, at);

    // The channels as last read when another program's lock keeps them now.
    QString error;
    if (!store.channels(&m_channels, &error))
        emit problem(error);
    const QList<AlertChannel> channels = m_channels;
    QList<HostChange> down;
    for (const QString &ip : std::as_const(m_downOrder))
        down.append(m_down.value(ip));
    for (const AlertChannel &channel : std::as_const(channels)) {
        QList<AlertMessage> forChannel;
        for (const AlertMessage &m : messages) {
            if (channel.wants(m.event))
                forChannel.append(m);
        }
        if (channel.wants(Event::Reminder)) {
            // Hosts that went down in this very pass are not due yet.
            const QList<HostChange> due = dueReminders(down, channel.reminderMinutes, m_previousPass, at);
            if (!due.isEmpty()) {
                AlertMessage r;
                r.event = Event::Reminder;
                r.at = at;
                r.hosts = due;
                forChannel.append(r);
            }
        }
        for (const AlertMessage &m : std::as_const(forChannel))
            m_unsaved.append({channel.id, m, at});
    }
    m_previousPass = at;
    saveUnsaved(store);
    pump();
}

bool DeliveryQueue::saveUnsaved(AlertStore &store)
{
    QString error;
    while (!m_unsaved.isEmpty()) {
        const Unsaved &u = m_unsaved.first();
        if (!store.enqueue(u.channelId, u.message, u.at, &error)) {
            emit problem(error);
            return false;
        }
        m_unsaved.removeFirst();
    }
    for (auto it = m_done.begin(); it != m_done.end();) {
        if (store.removePending(*it, &error))
            it = m_done.erase(it);
        else
            ++it;
    }
    return true;
}

int DeliveryQueue::finishDeliveries(int graceMs)
{
    m_ending = true;
    m_timer.stop();
    if (m_busy.isEmpty())
        return 0;
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    const auto check = connect(this, &DeliveryQueue::delivered, &wait, [this, &wait] {
        if (m_busy.isEmpty())
            wait.quit();
    });
    limit.start(graceMs);
    wait.exec();
    disconnect(check);
    return int(m_busy.size());
}

void DeliveryQueue::pump()
{
    m_timer.stop();
    if (m_ending || !usable())
        return;
    AlertStore store(QSqlDatabase::database(m_connectionName, false));
    QList<PendingMessage> pending;
    QList<AlertChannel> channels;
    QString error;
    // Until every message made is in the outbox, none of a later pass may
    // overtake it: come back shortly.
    const bool saved = saveUnsaved(store);
    if (!saved || !m_done.isEmpty())
        m_timer.start(qMin(1000, m_schedule.firstMs));
    if (!saved)
        return;
    if (!store.pending(&pending, &error) || !store.channels(&channels, &error)) {
        emit problem(error);
        m_timer.start(qMin(1000, m_schedule.firstMs));
        return;
    }
    QHash<qint64, AlertChannel> byId;
    for (const AlertChannel &c : std::as_const(channels))
        byId.insert(c.id, c);

    const QDateTime now = QDateTime::currentDateTime();
    QDateTime earliest;
    QSet<qint64> headSeen;
    for (const PendingMessage &p : std::as_const(pending)) {
        if (!byId.contains(p.channelId)) {
            // Its channel was removed (with its messages, unless it went
            // while this pump was reading).
            store.removePending(p.id, &error);
            continue;
        }
        if (m_done.contains(p.id))
            continue;  // delivered; its row goes at the next chance
        if (headSeen.contains(p.channelId))
            continue;  // in order: only a channel's oldest message is sent
        headSeen.insert(p.channelId);
        if (m_busy.contains(p.channelId))
            continue;
        const QDateTime next = m_nextTry.value(p.id, p.nextTry);
        if (next.isValid() && next > now) {
            if (!earliest.isValid() || next < earliest)
                earliest = next;
            continue;
        }
        const auto message = AlertMessage::fromJson(p.payload);
        const AlertChannel channel = byId.value(p.channelId);
        if (!message) {
            store.removePending(p.id, &error);
            store.log({now, channel.name, p.event, QStringLiteral("given up"), tr("сообщение повреждено")}, &error);
            QTimer::singleShot(0, this, &DeliveryQueue::pump);
            continue;
        }
        m_busy.insert(p.channelId);
        m_dispatcher->deliver(channel, *message, [this, p, name = channel.name](DeliveryOutcome outcome) {
            finished(p, name, outcome);
        });
    }
    if (earliest.isValid() && (!m_timer.isActive() || m_timer.remainingTime() > now.msecsTo(earliest)))
        m_timer.start(int(qBound(qint64(0), now.msecsTo(earliest), qint64(m_schedule.maxMs))));
}

void DeliveryQueue::finished(const PendingMessage &p, const QString &channel, const DeliveryOutcome &outcome)
{
    m_busy.remove(p.channelId);
    if (!usable())
        return;
    AlertStore store(QSqlDatabase::database(m_connectionName, false));
    const QDateTime now = QDateTime::currentDateTime();
    QString error;
    if (outcome.delivered) {
        m_nextTry.remove(p.id);
        if (!store.removePending(p.id, &error)) {
            m_done.insert(p.id);
            emit problem(error);
        }
        store.log({now, channel, p.event, QStringLiteral("delivered"), outcome.detail}, &error);
        emit delivered(channel, p.event, true, outcome.detail);
    } else if (p.created.isValid() && p.created.secsTo(now) >= m_schedule.giveUpS) {
        m_nextTry.remove(p.id);
        if (!store.removePending(p.id, &error))
            m_done.insert(p.id);
        store.log({now, channel, p.event, QStringLiteral("given up"), outcome.detail}, &error);
        emit delivered(channel, p.event, false, outcome.detail);
    } else {
        const int attempts = p.attempts + 1;
        const QDateTime next = now.addMSecs(m_schedule.delayAfter(attempts));
        m_nextTry.insert(p.id, next);
        store.reschedule(p.id, attempts, next, &error);
        store.log({now, channel, p.event, QStringLiteral("failed"), outcome.detail}, &error);
        emit delivered(channel, p.event, false, outcome.detail);
    }
    pump();
}

} // namespace alerts
