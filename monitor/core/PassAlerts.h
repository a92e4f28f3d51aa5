#pragma once

#include "AlertMessage.h"
#include "NotificationText.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>

#include <functional>

namespace monitor {

class Clock;
class MonitorSession;
class PollingEngine;

// Gathers a pass's outages and restorations as the engine applies them and,
// when the session has decided the pass's alarms, hands them on as one list
// to the alert channels' delivery.
//
// The channels hear what the operator's desk heard: a change the session
// kept quiet (behind a down parent, flapping, muted, not yet confirmed) is
// sent marked suppressed, a parent's alarm carries the count behind it, and
// an alarm the session gives late (a child still down when its parent came
// back, an outage confirmed passes after it began, a maintenance window's
// end) is sent in the pass that gives it, with the outage's own begin.
class PassAlerts final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PassAlerts)

public:
    // The pass's changes, its end, and every outage open after it.
    using Send = std::function<void(const QList<alerts::HostChange> &changes, const QDateTime &at,
                                    const QList<alerts::HostChange> &downNow)>;

    // Not owned: the engine, the session and the clock, which outlive this object.
    PassAlerts(PollingEngine *engine, MonitorSession *session, const Clock *clock, Send send,
               QObject *parent = nullptr);

private:
    void changed(alerts::Event event, const QString &ip, const QString &desc, const QDateTime &at);
    void passEnded(const QList<NotifiedHost> &began, const QList<NotifiedHost> &ended);
    QList<alerts::HostChange> downNow() const;

    MonitorSession *m_session;
    const Clock *m_clock;
    Send m_send;
    QList<alerts::HostChange> m_changes;
    QHash<QString, QDateTime> m_beganAt;  // the outages open as the pass went
};

} // namespace monitor
