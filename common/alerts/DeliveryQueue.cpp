#include "DeliveryQueue.h"

#include "SecretFile.h"

#include <QEventLoop>

#include <utility>

namespace alerts {

Outbox::~Outbox() = default;

int RetrySchedule::delayAfter(int attempts) const
{
    qint64 delay = firstMs;
    for (int i = 1; i < attempts && delay < maxMs; ++i)
        delay *= 2;
    return int(qMin<qint64>(delay, maxMs));
}

DeliveryQueue::DeliveryQueue(QObject *parent)
    : QObject(parent)
    , m_dispatcher(new Dispatcher(this))
    , m_timer(this)
    , m_now([] { return QDateTime::currentDateTime(); })
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DeliveryQueue::pump);
}

DeliveryQueue::~DeliveryQueue() = default;

void DeliveryQueue::start(Outbox *outbox)
{
    if (m_started)
        return;
    m_started = true;
    m_outbox = outbox;
    // Secrets an earlier version kept in the database go to files of the
    // monitor's user, the one who must read them (see SecretFile).
    m_outbox->moveSecretsOut(this, [this](const QStringList &moved, const QString &error) {
        if (!error.isEmpty())
            emit problem(error);
        for (const QString &name : moved)
            qWarning("%s", qUtf8Printable(tr("Пароль или ключ канала %1 перенесён из базы данных в файл %2. В базе данных "
                                             "его могли прочитать другие пользователи: смените его.")
                                              .arg(name, SecretFile::directory())));
    });
    // What an earlier run left is tried at once: its receiver may well be
    // back, and a restart should not wait out a long pause of that run.
    m_composing = true;
    takeOutboxOver([this] {
        m_composing = false;
        nextPass();
    });
}

void DeliveryQueue::takeOutboxOver(const std::function<void()> &then)
{
    m_nextTry.clear();
    m_outbox->readOutbox(this, [this, then](bool ok, const QList<PendingMessage> &left, const QList<AlertChannel> &,
                                            const QString &error) {
        if (!ok) {
            emit problem(error);
        } else {
            const QDateTime at = now();
            for (const PendingMessage &p : left)
                m_nextTry.insert(p.id, at);
        }
        if (then)
            then();
        pump();
    });
}

void DeliveryQueue::passEnded(const QList<HostChange> &changes, const QDateTime &at, const QList<HostChange> &downNow)
{
    m_passes.append({changes, at, downNow});
    nextPass();
}

// One pass at a time, in order: its channels are read, then its messages
// made and saved behind those of the passes before it.
void DeliveryQueue::nextPass()
{
    if (!m_started || m_composing || m_passes.isEmpty())
        return;
    m_composing = true;
    m_outbox->readChannels(this, [this](bool ok, const QList<AlertChannel> &channels, const QString &error) {
        m_composing = false;
        // The channels as last read when another program's lock keeps them now.
        if (ok)
            m_channels = channels;
        else
            emit problem(error);
        if (m_passes.isEmpty())
            return;
        compose(m_passes.takeFirst(), m_channels);
        if (!m_passes.isEmpty()) {
            nextPass();
            return;
        }
        saveUnsaved();
        pump();
    });
}

void DeliveryQueue::compose(const Pass &pass, const QList<AlertChannel> &channels)
{
    QList<HostChange> complete;
    for (HostChange c : pass.changes) {
        if (c.event == Event::Down && !c.begin.isValid())
            c.begin = pass.at;
        if (c.event == Event::Up && !c.end.isValid())
            c.end = pass.at;
        complete.append(c);
    }
    const QList<AlertMessage> messages = messagesOfPass(complete, pass.at);
    for (const AlertChannel &channel : channels) {
        QList<AlertMessage> forChannel;
        for (const AlertMessage &m : messages) {
            if (channel.wants(m.event))
                forChannel.append(m);
        }
        if (channel.wants(Event::Reminder)) {
            // Hosts that went down in this very pass are not due yet.
            const QList<HostChange> due = dueReminders(pass.downNow, channel.reminderMinutes, m_previousPass, pass.at);
            if (!due.isEmpty()) {
                AlertMessage r;
                r.event = Event::Reminder;
                r.at = pass.at;
                r.hosts = due;
                forChannel.append(r);
            }
        }
        for (const AlertMessage &m : std::as_const(forChannel))
            m_unsaved.append({channel.id, m, pass.at});
    }
    m_previousPass = pass.at;
}

void DeliveryQueue::retrySoon()
{
    const int ms = qMin(1000, m_schedule.firstMs);
    if (!m_timer.isActive() || m_timer.remainingTime() > ms)
        m_timer.start(ms);
}

void DeliveryQueue::saveUnsaved()
{
    if (m_saving || m_unsaved.isEmpty() || !m_outbox)
        return;
    m_saving = true;
    const QList<Outbox::Entry> entries = m_unsaved;
    m_outbox->saveMessages(this, entries, [this](int saved, const QString &error) {
        m_saving = false;
        m_unsaved.erase(m_unsaved.begin(), m_unsaved.begin() + qMin<qsizetype>(saved, m_unsaved.size()));
        if (!m_unsaved.isEmpty()) {
            if (!error.isEmpty())
                emit problem(error);
            retrySoon();
            return;
        }
        pump();
    });
}

void DeliveryQueue::forgetDone()
{
    if (m_forgetting || m_done.isEmpty() || !m_outbox)
        return;
    m_forgetting = true;
    m_outbox->removeMessages(this, m_done.values(), [this](const QList<qint64> &removed, const QString &error) {
        m_forgetting = false;
        for (const qint64 id : removed)
            m_done.remove(id);
        if (!m_done.isEmpty()) {
            if (!error.isEmpty())
                emit problem(error);
            retrySoon();
        }
    });
}

void DeliveryQueue::pump()
{
    m_timer.stop();
    if (!m_started)
        return;
    forgetDone();
    // Until every message made is in the outbox, none of a later pass may
    // overtake it: it is saved first, and the pump comes back then.
    if (!m_unsaved.isEmpty()) {
        saveUnsaved();
        return;
    }
    if (m_ending || m_paused)
        return;
    if (m_reading) {
        m_pumpAgain = true;
        return;
    }
    m_reading = true;
    m_outbox->readOutbox(this, [this](bool ok, const QList<PendingMessage> &pending,
                                      const QList<AlertChannel> &channels, const QString &error) {
        m_reading = false;
        if (!ok) {
            emit problem(error);
            retrySoon();
            return;
        }
        m_channels = channels;
        dispatch(pending, channels);
        if (std::exchange(m_pumpAgain, false))
            pump();
    });
}

void DeliveryQueue::setPaused(bool paused)
{
    if (m_paused == paused)
        return;
    m_paused = paused;
    if (paused || !m_started)
        return;
    // As at a start: the retry times known here were this queue's, and
    // another monitor may have sent or dropped those messages meanwhile.
    takeOutboxOver(nullptr);
}

void DeliveryQueue::dispatch(const QList<PendingMessage> &pending, const QList<AlertChannel> &channels)
{
    if (m_ending || m_paused)
        return;
    QHash<qint64, AlertChannel> byId;
    for (const AlertChannel &c : channels)
        byId.insert(c.id, c);

    const QDateTime at = now();
    QDateTime earliest;
    QSet<qint64> headSeen;
    QList<qint64> orphans;
    for (const PendingMessage &p : pending) {
        if (!byId.contains(p.channelId)) {
            // Its channel was removed (with its messages, unless it went
            // while this pump was reading).
            orphans.append(p.id);
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
        if (next.isValid() && next > at) {
            if (!earliest.isValid() || next < earliest)
                earliest = next;
            continue;
        }
        const auto message = AlertMessage::fromJson(p.payload);
        const AlertChannel channel = byId.value(p.channelId);
        if (!message) {
            orphans.append(p.id);
            m_outbox->logDelivery(this, {at, channel.name, p.event, QStringLiteral("given up"), tr("сообщение повреждено")},
                                  nullptr);
            QTimer::singleShot(0, this, &DeliveryQueue::pump);
            continue;
        }
        m_busy.insert(p.channelId);
        m_dispatcher->deliver(channel, *message, [this, p, name = channel.name](DeliveryOutcome outcome) {
            finished(p, name, outcome);
        });
    }
    if (!orphans.isEmpty())
        m_outbox->removeMessages(this, orphans, [](const QList<qint64> &, const QString &) {});
    if (!m_done.isEmpty())
        retrySoon();
    if (earliest.isValid() && (!m_timer.isActive() || m_timer.remainingTime() > at.msecsTo(earliest)))
        m_timer.start(int(qBound(qint64(0), at.msecsTo(earliest), qint64(m_schedule.maxMs))));
}

int DeliveryQueue::finishDeliveries(int graceMs)
{
    m_ending = true;
    m_timer.stop();
    auto settled = [this] { return m_busy.isEmpty() && m_done.isEmpty(); };
    if (settled())
        return 0;
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    // A delivery's outcome, then its row struck from the outbox.
    QTimer look;
    connect(&look, &QTimer::timeout, &wait, [&] {
        if (settled())
            wait.quit();
        else
            forgetDone();
    });
    look.start(10);
    limit.start(graceMs);
    wait.exec();
    return int(m_busy.size());
}

void DeliveryQueue::finished(const PendingMessage &p, const QString &channel, const DeliveryOutcome &outcome)
{
    m_busy.remove(p.channelId);
    const QDateTime at = now();
    if (outcome.delivered || (p.created.isValid() && p.created.secsTo(at) >= m_schedule.giveUpS)) {
        m_nextTry.remove(p.id);
        // Never sent again, even before its row is struck.
        m_done.insert(p.id);
        forgetDone();
        const QString what = outcome.delivered ? QStringLiteral("delivered") : QStringLiteral("given up");
        m_outbox->logDelivery(this, {at, channel, p.event, what, outcome.detail}, nullptr);
        emit delivered(channel, p.event, outcome.delivered, outcome.detail);
    } else {
        const int attempts = p.attempts + 1;
        const QDateTime next = at.addMSecs(m_schedule.delayAfter(attempts));
        m_nextTry.insert(p.id, next);
        m_outbox->rescheduleMessage(this, p.id, attempts, next, nullptr);
        m_outbox->logDelivery(this, {at, channel, p.event, QStringLiteral("failed"), outcome.detail}, nullptr);
        emit delivered(channel, p.event, false, outcome.detail);
    }
    pump();
}

} // namespace alerts
