#pragma once

#include "NotificationText.h"

#include <QObject>
#include <QStringList>

namespace monitor {

// Tells the operator's desktop what a polling pass changed. The main window
// hands it each pass's outages at the pass's end; the desktop one sends
// notifications, a test's fake records them.
class PassNotifier : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // At the end of a pass: the hosts whose outage began and those whose
    // outage ended in it, in the order the pass applied them. Returns at
    // once; a pass never waits for the desktop.
    virtual void passEnded(const QList<NotifiedHost> &began, const QList<NotifiedHost> &ended) = 0;
    // Every host that came back in the pass, its alarm given or not (a muted
    // host, say): what an earlier notification names may be over.
    virtual void hostsBack(const QStringList &ips) { Q_UNUSED(ips); }
    // Hosts that began to flap in the pass, and hosts that settled.
    virtual void flappingChanged(const QList<NotifiedHost> &started, const QList<NotifiedHost> &settled)
    {
        Q_UNUSED(started);
        Q_UNUSED(settled);
    }
    // At the program's end: takes this run's notifications off the screen,
    // so none tells of an outage nobody watches any more.
    virtual void withdrawAll() {}

signals:
    // The operator clicked a notification: the main window should open.
    void openRequested();
};

} // namespace monitor
