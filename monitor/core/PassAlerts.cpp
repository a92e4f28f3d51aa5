#include "PassAlerts.h"

#include "AlertService.h"
#include "PollingEngine.h"

namespace monitor {

PassAlerts::PassAlerts(PollingEngine *engine, alerts::AlertService *delivery, QObject *parent)
    : QObject(parent), m_delivery(delivery)
{
    connect(engine, &PollingEngine::passStarted, this, [this] { m_changes.clear(); });
    connect(engine, &PollingEngine::outageBegan, this,
            [this](const QString &ip, const QString &desc, int, const QDateTime &at) {
                changed(alerts::Event::Down, ip, desc, at);
            });
    connect(engine, &PollingEngine::outageEnded, this,
            [this](const QString &ip, const QString &desc, int, const QDateTime &at) {
                changed(alerts::Event::Up, ip, desc, at);
            });
    connect(engine, &PollingEngine::passFinished, this, &PassAlerts::passFinished);
}

void PassAlerts::changed(alerts::Event event, const QString &ip, const QString &desc, const QDateTime &at)
{
    alerts::HostChange c;
    c.event = event;
    c.address = ip;
    c.description = desc;
    // The moment it was decided, as its row carries it; the delivery knows
    // an outage's begin for a restoration.
    if (event == alerts::Event::Down)
        c.begin = at;
    else
        c.end = at;
    m_changes.append(c);
}

void PassAlerts::passFinished()
{
    QList<alerts::HostChange> changes;
    changes.swap(m_changes);
    if (m_filter)
        m_filter(changes);
    // Also a pass without changes: reminders fall due between changes.
    m_delivery->passEnded(changes, QDateTime::currentDateTime());
}

} // namespace monitor
