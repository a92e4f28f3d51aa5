#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QTime>

#include "AlertRecords.h"

#include <deque>

namespace monitor {

// Which outages interrupt the operator (sound, notification, the window) and
// which only leave their row and event line, with the reason they did not.
// Pure: one call per pass, from the state the previous pass left.
namespace AlertPolicy {

// Why an alarm was not given. Stored by name in the marks table.
enum class Reason {
    None,
    Maintenance,  // a recurring window of planned work covers the host now
    Muted,        // the operator muted it (or every host)
    Behind,       // an ancestor in the address book's parents is down
    Flapping,
    Unconfirmed,  // down fewer passes than the confirmation count
};

QString reasonName(Reason reason);          // "behind", … ("" for None)
Reason reasonFromName(const QString &name); // None for anything unknown

struct Config
{
    bool flapping = false;
    int flapHighPercent = 30;
    int flapLowPercent = 20;
    int confirmPasses = 1;
};

inline constexpr int FlapWindow = 21;  // passes of a host's history weighed

using Mute = AlertRecords::Mute;
using MaintenanceWindow = AlertRecords::MaintenanceWindow;
using AlertRecords::inWindow;

struct Quiet
{
    QList<Mute> mutes;
    QList<MaintenanceWindow> windows;
};

// Mutes first (the operator's own word), then maintenance.
Reason quietReason(const Quiet &quiet, const QString &ip, const QDateTime &now);

struct HostState
{
    std::deque<bool> changes;  // newest last, at most FlapWindow
    bool down = false;
    int downPasses = 0;
    bool alarmed = false;  // the open outage has rung
    bool flapping = false;
    Reason held = Reason::None;  // why the open outage has not rung yet
    QString heldParent;          // its down ancestor, when held behind one
};

using State = QHash<QString, HostState>;

struct Pass
{
    QDateTime now;
    // Every host whose state this pass knows: true when it is down after
    // the pass (an open outage).
    QHash<QString, bool> observed;
    QList<QString> began;  // outages begun in the pass, in order
    QList<QString> ended;  // outages ended in the pass, in order
    QHash<QString, QString> parents;  // ip -> parent ip
    QHash<QString, QString> descriptions;
    Quiet quiet;
};

struct Decision
{
    QString ip;
    bool down = true;       // an outage (true) or a restoration (false)
    bool rings = false;
    bool late = false;      // the alarm of an outage begun in an earlier pass
    Reason reason = Reason::None;
    QString parentIp;       // Behind: the down ancestor it is behind
    int behind = 0;         // a ringing outage: hosts that went down behind it in this pass
};

struct Outcome
{
    QList<Decision> decisions;  // began and ended first (in pass order), then late alarms
    QList<QString> startedFlapping;
    QList<QString> settled;
    State state;
};

// The highest ancestor of ip that is down (the one an alarm is about), or
// an empty string. Cycles in the parents end the walk.
QString downAncestor(const QString &ip, const QHash<QString, QString> &parents, const QSet<QString> &down);

Outcome decide(const Config &config, const State &before, const Pass &pass);

// True when the policy can only ever say "rings" for the changes of a pass
// with these settings: then the alarms are given the moment each host is
// decided, as they always were.
bool ringsEverything(const Config &config, bool anyParents, const Quiet &quiet, const QDateTime &now);

} // namespace AlertPolicy

} // namespace monitor
