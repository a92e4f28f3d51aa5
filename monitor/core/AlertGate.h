#pragma once

#include "AlertPolicy.h"
#include "AlertRecords.h"
#include "NotificationText.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>

class ExtraSettings;

namespace monitor {

// The monitor's side of the alert policy: what it needs from the database
// (read on the database thread with load(), handed over with setLoaded()),
// the changes of the running pass, and at its end which alarms to give,
// which to hold and why.
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
    // Runs on the thread that owns db.
    static Loaded load(const QSqlDatabase &db);
    static AlertPolicy::Config configFrom(const ExtraSettings &settings);

    void setLoaded(const Loaded &loaded);
    const Loaded &loaded() const { return m_loaded; }

    void passStarted(const QDateTime &now);
    // Whether a change decided now rings at once (else it waits for the pass's end).
    bool ringsAtOnce(const QString &ip, bool began) const;
    // Every change of the pass, in order: at is its row's moment.
    void noteChange(const QString &ip, const QString &desc, bool began, bool rungAtOnce, const QDateTime &at);

    struct Held
    {
        QString ip;
        bool down = true;
        QString reasonText;  // for the event line's tooltip
    };
    struct Alarms
    {
        QList<NotifiedHost> began;  // to ring now: notification, sound, pop-up
        QList<NotifiedHost> ended;
        QList<Held> held;           // changes of this pass that stay quiet
        QList<AlertRecords::Mark> marks;  // to store
        QList<NotifiedHost> startedFlapping;
        QList<NotifiedHost> settled;
    };
    // states: every address the pass knew, true for down.
    Alarms passFinished(const QDateTime &now, const QHash<QString, bool> &states);

    // Hosts down now: as the last pass left them, with the changes of the
    // running pass so far.
    int downCount() const { return int(m_down.size()); }
    // The mutes that hold now, for the lists of the report window and admin.
    QList<AlertRecords::Mute> activeMutes(const QDateTime &now) const;

private:
    QString described(const QString &ip) const;

    Loaded m_loaded;
    AlertPolicy::State m_state;
    bool m_atOnce = true;
    QHash<QString, QString> m_desc;  // last description seen of each address
    QList<QString> m_began;
    QList<QString> m_ended;
    QSet<QString> m_rungAtOnce;
    QHash<QString, QDateTime> m_beganAt;
    QSet<QString> m_down;
};

} // namespace monitor
