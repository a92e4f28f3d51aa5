#pragma once

#include "AlertMessage.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

namespace alerts {
class AlertService;
}

namespace monitor {

class PollingEngine;

// Gathers a pass's outages and restorations as the engine applies them and,
// when the pass ends, hands them on as one list: to the alert channels'
// delivery, which runs on a thread of its own, so a pass never waits for it.
//
// A filter set with setFilter() sees the list first and may mark changes
// suppressed (or count the hosts behind a parent); the channels send none of
// those.
class PassAlerts final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PassAlerts)

public:
    using Filter = std::function<void(QList<alerts::HostChange> &)>;

    // Not owned: the engine and the delivery, which outlive this object.
    PassAlerts(PollingEngine *engine, alerts::AlertService *delivery, QObject *parent = nullptr);

    void setFilter(Filter filter) { m_filter = std::move(filter); }

private:
    void changed(alerts::Event event, const QString &ip, const QString &desc, const QDateTime &at);
    void passFinished();

    alerts::AlertService *m_delivery;
    Filter m_filter;
    QList<alerts::HostChange> m_changes;
};

} // namespace monitor
