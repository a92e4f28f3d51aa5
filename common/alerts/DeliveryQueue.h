#pragma once

#include "AlertMessage.h"
#include "AlertStore.h"
#include "DatabaseConfig.h"
#include "Dispatcher.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

namespace alerts {

// When a failed delivery is tried again: after RetrySchedule::firstMs, then
// twice as long each time up to maxMs, until giveUpS after the message was
// made.
struct RetrySchedule
{
    int firstMs = 10000;
    int maxMs = 10 * 60 * 1000;
    qint64 giveUpS = 24 * 60 * 60;

    // The pause after the given number of failed attempts (1 = the first).
    int delayAfter(int attempts) const;
};

// The monitor's alert delivery, on a thread of its own with its own database
// connection, so neither a slow receiver nor a slow database ever holds up a
// pass.
//
// A pass's changes become one message per channel and event, written to the
// outbox table before any is sent. Each channel sends its messages one at a
// time in the order they were made; a failure keeps the message at the head
// of its channel (the later ones wait behind it) and tries it again later.
// A message leaves the outbox only once delivered or given up, so a restart
// sends what was left, once.
//
// The connection waits only a moment for another program's lock (the
// monitor's own writes, admin): what meets the lock is kept in memory and
// written again shortly, so the thread never sits in a statement and the
// monitor ends at once when told to.
class DeliveryQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeliveryQueue)

public:
    explicit DeliveryQueue(QObject *parent = nullptr);
    ~DeliveryQueue() override;

    void setSchedule(const RetrySchedule &schedule) { m_schedule = schedule; }
    // Milliseconds a statement waits for another connection's lock.
    static constexpr int BusyTimeoutMs = 200;
    void setLimits(const DeliveryLimits &limits) { m_dispatcher->setLimits(limits); }

public slots:
    // Opens the queue's own connection (on this object's thread), learns the
    // outages open now and sends what an earlier run left undelivered.
    void open(const DatabaseConfig &config, const QString &connectionName);
    // The host changes of a pass that ended at `at`, in the pass's order.
    void passEnded(const QList<alerts::HostChange> &changes, const QDateTime &at);
    // The program ends: no new delivery starts, and those under way get up
    // to `graceMs` to finish and be struck from the outbox, so a message a
    // receiver already has is not sent again at the next start. One still
    // under way then stays in the outbox (sent again: at least once, never
    // lost). Returns how many were left under way.
    int finishDeliveries(int graceMs);
    void close();

signals:
    // A delivery was made, failed or given up (for a test's or a window's eyes).
    void delivered(const QString &channel, const QString &event, bool ok, const QString &detail);
    // The queue cannot reach its database (the text says why).
    void problem(const QString &text);

private:
    void pump();
    void finished(const PendingMessage &message, const QString &channel, const DeliveryOutcome &outcome);
    bool usable();

    QString m_connectionName;
    bool m_open = false;
    bool m_ending = false;
    RetrySchedule m_schedule;
    Dispatcher *m_dispatcher;
    QTimer m_timer;
    // Channels with a delivery under way.
    QSet<qint64> m_busy;
    // The exact moment of a message's next try (the table keeps whole seconds).
    QHash<qint64, QDateTime> m_nextTry;
    // The outages open now, by address, for restorations' begins and reminders.
    QHash<QString, HostChange> m_down;
    QList<QString> m_downOrder;
    QDateTime m_previousPass;
    // Messages whose outbox row another program's lock kept out, in order,
    // written before any newer one; and delivered messages whose row could
    // not be deleted yet, never sent again meanwhile.
    struct Unsaved
    {
        qint64 channelId;
        AlertMessage message;
        QDateTime at;
    };
    QList<Unsaved> m_unsaved;
    QList<AlertChannel> m_channels;
    QSet<qint64> m_done;
    bool saveUnsaved(AlertStore &store);
    // Passes that ended before the connection was opened, in order.
    QList<QPair<QList<HostChange>, QDateTime>> m_early;
};

} // namespace alerts

Q_DECLARE_METATYPE(alerts::HostChange)
