#pragma once

#include "AlertMessage.h"
#include "AlertStore.h"
#include "Dispatcher.h"
#include "Outbox.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

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

// The monitor's alert delivery. Neither a slow receiver nor a slow database
// ever holds up a pass: deliveries run asynchronously (a mail on a thread of
// its own), and the outbox is reached through the program's store, which
// answers later.
//
// A pass's changes become one message per channel and event, written to the
// outbox table before any is sent. Each channel sends its messages one at a
// time in the order they were made; a failure keeps the message at the head
// of its channel (the later ones wait behind it) and tries it again later.
// A message leaves the outbox only once delivered or given up, so a restart
// sends what was left, once. What the store cannot save yet (another
// program's lock, a server away) is kept here, in order, and saved before
// anything newer.
class DeliveryQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeliveryQueue)

public:
    explicit DeliveryQueue(QObject *parent = nullptr);
    ~DeliveryQueue() override;

    void setSchedule(const RetrySchedule &schedule) { m_schedule = schedule; }
    void setLimits(const DeliveryLimits &limits) { m_dispatcher->setLimits(limits); }
    // Where the times of deliveries and retries are read (the system's
    // clock unless set).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // Starts delivering through the outbox (not owned), what an earlier run
    // left first. Passes that ended before wait for it.
    void start(Outbox *outbox);

public slots:
    // The host changes of a pass that ended at `at`, in the pass's order,
    // each with its outage's begin; `downNow`: every outage open after the
    // pass (address, description, begin), for the reminders.
    void passEnded(const QList<alerts::HostChange> &changes, const QDateTime &at,
                   const QList<alerts::HostChange> &downNow = {});
    // The program ends: no new delivery starts, and those under way get up
    // to `graceMs` to finish and be struck from the outbox, so a message a
    // receiver already has is not sent again at the next start. One still
    // under way then stays in the outbox (sent again: at least once, never
    // lost). Returns how many were left under way.
    int finishDeliveries(int graceMs);
    // Whether this queue sends what the outbox holds. Several monitors
    // (vantage points) share one outbox and only the one that writes the log
    // sends: one that lost that place, or its connection (another may take
    // the place meanwhile), pauses. A paused queue still saves the messages
    // it made and strikes those it delivered; sending resumes from the outbox
    // as it then stands, so nothing another monitor sent meanwhile goes twice.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }

signals:
    // A delivery was made, failed or given up (for a test's or a window's eyes).
    void delivered(const QString &channel, const QString &event, bool ok, const QString &detail);
    // The queue cannot reach its database (the text says why).
    void problem(const QString &text);

private:
    struct Pass
    {
        QList<HostChange> changes;
        QDateTime at;
        QList<HostChange> downNow;
    };
    void nextPass();
    void compose(const Pass &pass, const QList<AlertChannel> &channels);
    void saveUnsaved();
    void forgetDone();
    void pump();
    void dispatch(const QList<PendingMessage> &pending, const QList<AlertChannel> &channels);
    void finished(const PendingMessage &message, const QString &channel, const DeliveryOutcome &outcome);
    QDateTime now() const { return m_now(); }
    void retrySoon();
    // Reads the outbox and makes all it holds due now; then `then`, and a pump.
    void takeOutboxOver(const std::function<void()> &then);

    Outbox *m_outbox = nullptr;
    bool m_started = false;
    bool m_ending = false;
    bool m_paused = false;
    RetrySchedule m_schedule;
    Dispatcher *m_dispatcher;
    QTimer m_timer;
    std::function<QDateTime()> m_now;
    // Channels with a delivery under way.
    QSet<qint64> m_busy;
    // The exact moment of a message's next try (the table keeps whole seconds).
    QHash<qint64, QDateTime> m_nextTry;
    QDateTime m_previousPass;
    // Passes waiting for their turn (the first waits for the start).
    QList<Pass> m_passes;
    bool m_composing = false;
    // Messages the outbox does not hold yet, in order, saved before any
    // newer one; and delivered messages whose row is not struck yet, never
    // sent again meanwhile.
    QList<Outbox::Entry> m_unsaved;
    bool m_saving = false;
    QSet<qint64> m_done;
    bool m_forgetting = false;
    bool m_reading = false;
    bool m_pumpAgain = false;
    QList<AlertChannel> m_channels;  // as last read
};

} // namespace alerts

Q_DECLARE_METATYPE(alerts::HostChange)
