#pragma once

#include "AlertMessage.h"
#include "DatabaseConfig.h"
#include "DeliveryQueue.h"

#include <QObject>
#include <QThread>

namespace alerts {

// The delivery queue on its own thread, for a program's main thread to hand
// passes to. Handing over only posts an event: it never waits.
class AlertService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlertService)

public:
    explicit AlertService(const DatabaseConfig &config, const RetrySchedule &schedule = {},
                          const DeliveryLimits &limits = {}, QObject *parent = nullptr);
    // Gives deliveries under way up to EndGraceMs to finish; one that does
    // not stays in the outbox for the next run. Then ends the thread.
    ~AlertService() override;

    static constexpr int EndGraceMs = 3000;

    // Opens the queue's connection and starts delivering, what an earlier
    // run left first. Only once this program is the database's one monitor:
    // a second monitor refused by the lock must not send the outbox too.
    // Passes handed over before wait for it.
    void start();
    void passEnded(const QList<HostChange> &changes, const QDateTime &at);
    DeliveryQueue *queue() const { return m_queue; }

private:
    QThread m_thread;
    DeliveryQueue *m_queue;
    DatabaseConfig m_config;
    bool m_started = false;
};

} // namespace alerts
