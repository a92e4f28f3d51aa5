#pragma once

#include "AlertPolicy.h"
#include "AlertRecords.h"
#include "HostState.h"
#include "NotificationText.h"
#include "PassReport.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

class ExtraSettings;

namespace monitor {

// The monitor's side of the alert policy: what it needs from the database
// (read by the store with load(), handed over with setLoaded()), the alarm
// of each change as the pass decides it, and at the pass's end which alarms
// to give, which to hold and why. The marks it keeps on each host live in
// the host state.
//
// With the defaults (no parents, flapping off, one pass to confirm, nothing
// muted) every change rings the moment it is decided, as it always did;
// otherwise the alarms of a pass wait for its end, when the whole pass is
// known (a parent may be decided after its children).
class AlertGate
{
public:
    struct Loaded
    {
        AlertPolicy::Config config;
        QHash<QString, QString> parents;
        AlertPolicy::Quiet quiet;
        bool ok = false;
        QString error;
    };
    // Runs where the connection lives (the store's operation).
    static Loaded load(const QSqlDatabase &db);
    static AlertPolicy::Config configFrom(const ExtraSettings &settings);

    void setLoaded(const Loaded &loaded);
    const Loaded &loaded() const { return m_loaded; }

    void passStarted(const QDateTime &now);
    // The alarm of a change decided now: at once, or at the pass's end. The
    // host state is as it was before the change.
    OutageChange::Alarm alarmFor(const QString &ip, bool began, const HostState &state) const;
    // At the pass's end: every change's alarm is settled (rung at its end or
    // held, and why), late alarms are added, the reasons to store and the
    // flapping news; the alert marks of the host state move on.
    // observed: every address the pass knew the state of, true for down.
    void passFinished(const QDateTime &now, const QHash<QString, bool> &observed, HostState *state,
                      PassReport *report);

    // The mutes that hold now, for the lists of the report window and admin.
    QList<AlertRecords::Mute> activeMutes(const QDateTime &now) const;

private:
    Loaded m_loaded;
    bool m_atOnce = true;
};

} // namespace monitor
