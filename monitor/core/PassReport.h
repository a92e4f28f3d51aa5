#pragma once

#include "AlertMessage.h"
#include "AlertPolicy.h"
#include "AlertRecords.h"
#include "LatencyRecorder.h"
#include "NotificationText.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace monitor {

// One host's change of state in a pass, as the pass decided it.
struct OutageChange
{
    enum Kind { Began, Ended };
    // Whether it interrupts the operator (sound, notification, the window).
    enum class Alarm {
        RingsNow,   // given the moment it was decided (always so with the defaults)
        Pending,    // as it is decided: its alarm is decided at the pass's end
        AtPassEnd,  // given at the pass's end, when the whole pass was known
        Held,       // kept quiet: `reason` says why
        GivenLate,  // the alarm of an outage begun in an earlier pass, given now
    };

    Kind kind = Began;
    QString ip;
    QString desc;
    int timeoutMs = 0;     // as used for the attempts and shown in the event line
    QDateTime begin;       // the outage's begin as stored (invalid when its row holds no time)
    QDateTime end;         // Ended: as stored
    qint64 downSeconds = -1;  // Ended: how long it lasted (monotonic where known); -1 unknown
    Alarm alarm = Alarm::RingsNow;
    AlertPolicy::Reason reason = AlertPolicy::Reason::None;  // Held
    QString reasonText;    // Held: in words, for the event line's tip
    int behind = 0;        // hosts that fell silent behind it and rang nothing of their own

    bool rings() const { return alarm == Alarm::RingsNow || alarm == Alarm::AtPassEnd || alarm == Alarm::GivenLate; }
    // The moment it was decided: the begin of an outage, the end of a restoration.
    QDateTime at() const { return kind == Began ? begin : end; }
};

// What a pass leaves: each change it decided with its alarm, the alarms it
// gives late, and the pass's own facts. One value, handed to everyone that
// follows the passes (the window, the notifier, the alert channels, the
// watched time, the round-trip recording) at the pass's end.
struct PassReport
{
    QList<OutageChange> changes;    // in the order they were decided
    QList<OutageChange> late;       // alarms of outages begun in earlier passes
    QList<NotifiedHost> startedFlapping;
    QList<NotifiedHost> settled;
    QList<AlertRecords::Mark> marks;  // why held outages rang nothing, to store

    int errCount = 0;
    int restCount = 0;
    bool probed = false;     // an echo facility and a book to probe (or an empty book)
    bool watched = false;    // probed with this machine's network usable
    bool noNetwork = false;  // this machine had no network towards a silent host
    // Silent hosts this machine had no route to while its network was up:
    // each unwatched on its own, sorted (the last judged list when this
    // pass judged none).
    QStringList unrouted;
    QDateTime probeStartedAt;
    QDateTime endedAt;
    std::optional<qint64> endedMonoMs;
    int slowestTimeoutMs = 0;  // of the book the pass read
    int refreshSecs = 0;
    // A vantage point: per address, the vantages that see it down at the
    // pass's end (this one's own view, the others' as the server last told),
    // for a board's column and the alerts. Empty for a plain monitor.
    QHash<QString, QStringList> vantagesDown;
    // Every probed host's attempts and round trip; shared by everyone who
    // keeps them (a pass of 10,000 hosts is copied by nobody). Null: none.
    std::shared_ptr<const std::vector<LatencySample>> samples;

    // The hosts whose alarm the pass gave, at once or at its end (late ones
    // among the outages), for the pass's one notification.
    QList<NotifiedHost> ringing(OutageChange::Kind kind, bool tellDowntime) const;
    // Whether anything rang, was held or changed flapping at the pass's end.
    bool decidedAtEnd() const;
    // What the alert channels are handed: every change (the quiet ones
    // marked suppressed), then the late alarms, each with its outage's begin.
    QList<alerts::HostChange> alertChanges() const;
};

} // namespace monitor

Q_DECLARE_METATYPE(monitor::OutageChange)
Q_DECLARE_METATYPE(monitor::PassReport)
