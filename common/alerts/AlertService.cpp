#include "AlertService.h"

#include <QMetaObject>

namespace alerts {

AlertService::AlertService(const DatabaseConfig &config, const RetrySchedule &schedule, const DeliveryLimits &limits,
                           QObject *parent)
    : QObject(parent), m_queue(new DeliveryQueue), m_config(config)
{
    qRegisterMetaType<QList<alerts::HostChange>>();
    m_thread.setObjectName(QStringLiteral("orvant-alerts"));
    m_queue->setSchedule(schedule);
    m_queue->setLimits(limits);
    m_queue->moveToThread(&m_thread);
    m_thread.start();
}

void AlertService::start()
{
    if (m_started)
        return;
    m_started = true;
    const QString connection = QStringLiteral("orvant-alerts");
    DeliveryQueue *queue = m_queue;
    const DatabaseConfig config = m_config;
    QMetaObject::invokeMethod(queue, [queue, config, connection] { queue->open(config, connection); },
                              Qt::QueuedConnection);
}

AlertService::~AlertService()
{
    DeliveryQueue *queue = m_queue;
    // Deliveries under way get a moment to finish, so a receiver that has a
    // message does not get it again from the next run's outbox.
    int left = 0;
    QMetaObject::invokeMethod(queue, [queue, &left] { left = queue->finishDeliveries(EndGraceMs); },
                              Qt::BlockingQueuedConnection);
    if (left > 0)
        qWarning("%s", qUtf8Printable(tr("orvant: оповещений ещё в пути при завершении: %n; следующий запуск отправит "
                                         "их снова",
                                         nullptr, left)));
    // The queue goes on its own thread, so its connection, processes and
    // replies end where they were made.
    QMetaObject::invokeMethod(queue, [queue] { delete queue; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void AlertService::passEnded(const QList<HostChange> &changes, const QDateTime &at)
{
    DeliveryQueue *queue = m_queue;
    QMetaObject::invokeMethod(queue, [queue, changes, at] { queue->passEnded(changes, at); }, Qt::QueuedConnection);
}

} // namespace alerts
