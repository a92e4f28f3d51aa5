#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "OutagePaths.h"

#include <optional>

namespace alerts {

enum class Event { Down, Up, Reminder };

// "down", "up", "reminder": the names the messages and the database use.
QString eventName(Event event);
std::optional<Event> eventFromName(const QString &name);

// One host's change in a pass, as the pass hands it on. A filter in front of
// the channels may mark it suppressed (behind a parent that is down, flapping,
// muted, not yet confirmed): such a change is never sent. A parent's change
// counts the hosts behind it whose own changes were suppressed for it.
struct HostChange
{
    Event event = Event::Down;
    QString address;
    QString description;
    QDateTime begin;  // the outage's begin (for every event)
    QDateTime end;    // a restoration's end; invalid otherwise
    bool suppressed = false;
    int behind = 0;
    // How long the host was (or has been) down as the monitor measured it
    // on its monotonic clock, which a step of the wall clock does not move;
    // -1: not measured, the stored begin and end tell.
    qint64 knownDownSeconds = -1;
    // The route traced when the outage began (empty: none traced): each
    // hop's number, the router that answered and its round trip.
    QList<OutagePaths::Hop> path;
    // Several vantage points: those that see the host down as the monitor
    // that sends this knows it; empty for a plain monitor.
    QStringList vantages;

    // Seconds from begin to end (restoration) or to `now` (reminder), the
    // measured length where there is one; -1 when the begin is not known.
    qint64 downSeconds(const QDateTime &now) const;
};

// What one channel is sent about one kind of event in one pass: however many
// hosts changed, one message.
struct AlertMessage
{
    Event event = Event::Down;
    QDateTime at;  // the pass's end
    QList<HostChange> hosts;
    bool test = false;  // the operator's "send a test"
    // The same on every try of this message, so that a receiver which got
    // it before (its answer lost on the way back) can drop the repeat.
    QString deliveryId;

    // The form receivers get (documented in docs/desk-guide.md):
    // {"event","at","test","delivery_id","hosts":[{"address","description","begin","end","downtime_s","behind"}]}
    // A host with a traced path also has "path":[{"hop","address","rtt_ms"}]
    // (address and rtt_ms null for a hop that never answered).
    // Date-times are local ISO 8601 without a zone; end and downtime_s are
    // null where they do not apply (downtime_s: a restoration's length, a
    // reminder's time down so far).
    QJsonObject toJson() const;
    QByteArray toJsonBytes() const;
    // A message stored without an id (by an earlier version) gets one made
    // from its bytes: the same at every try, as the bytes are.
    static std::optional<AlertMessage> fromJson(const QByteArray &bytes);
    static QString newDeliveryId();
};

// The messages of one pass: one per event that has at least one host not
// suppressed, in the order down, up, reminder; hosts in the pass's order;
// each with a delivery id of its own.
QList<AlertMessage> messagesOfPass(const QList<HostChange> &changes, const QDateTime &at);

// Hosts due a reminder every `minutes` minutes: those of `down` (begin
// known) for which a multiple of the period since their begin falls in
// (previous, now]. Stateless, so a restart neither repeats nor skips one
// beyond the pass it missed.
QList<HostChange> dueReminders(const QList<HostChange> &down, int minutes, const QDateTime &previous,
                               const QDateTime &now);

} // namespace alerts
