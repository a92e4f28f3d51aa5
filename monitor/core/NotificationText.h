#pragma once

#include <QList>
#include <QString>

namespace monitor {

// A host named in a desktop notification.
struct NotifiedHost
{
    QString desc;
    QString ip;
    // How long a restored host was down, in seconds; negative: not told.
    qint64 downSeconds = -1;
    // Hosts that fell silent behind this one and rang no alarm of their own.
    int behind = 0;
};

// Summary and body of one desktop notification.
struct NotificationText
{
    QString summary;
    QString body;
};

// What the notifications of a pass say. One notification covers a whole pass,
// so a switch that takes fifty hosts down yields one bubble, not fifty: the
// body lists at most MaxLines hosts and counts the rest.
namespace NotificationTexts {

inline constexpr int MaxLines = 10;

// Hosts whose outage began in the pass (empty summary and body when none).
NotificationText outage(const QList<NotifiedHost> &hosts);
// Hosts whose outage ended in the pass (likewise); a host whose downtime is
// known says it in the report window's form: "Маршрутизатор (10.0.0.1): 12 мин".
NotificationText restored(const QList<NotifiedHost> &hosts);
// Hosts that began to flap (their alarms are held while it lasts), and
// hosts that settled.
NotificationText flapping(const QList<NotifiedHost> &hosts);
NotificationText settled(const QList<NotifiedHost> &hosts);
// " и ещё 30 адресов за ним", in the form the count asks for.
QString behindSuffix(int count);

// The body as a server that reads markup gets it: '<', '>' and '&' of a
// description would otherwise be taken for tags.
QString escapedForMarkup(const QString &body);

} // namespace NotificationTexts

} // namespace monitor
