#include "PassAlerts.h"

#include "DateTimeText.h"
#include "MonitorSession.h"
#include "OpenOutages.h"
#include "PollingEngine.h"

#include <QHash>

namespace monitor {

PassAlerts::PassAlerts(PollingEngine *engine, MonitorSession *session, Send send, QObject *parent)
    : QObject(parent), m_session(session), m_send(std::move(send))
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
    // Emitted at every pass's end the session saw through, changes or not:
    // reminders fall due between changes.
    connect(session, &MonitorSession::passEnded, this, &PassAlerts::passEnded);
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

QDateTime PassAlerts::openSince(const QString &ip) const
{
    const OpenOutages *open = m_session->openOutages();
    if (!open)
        return QDateTime();
    for (const OpenOutage &row : open->rows()) {
        if (row.ip == ip)
            return DateTimeText::fromVariant(row.begin);
    }
    return QDateTime();
}

void PassAlerts::passEnded(const QList<NotifiedHost> &began, const QList<NotifiedHost> &ended)
{
    QList<alerts::HostChange> changes;
    changes.swap(m_changes);
    QHash<QString, const NotifiedHost *> rangDown;
    QHash<QString, const NotifiedHost *> rangUp;
    for (const NotifiedHost &h : began)
        rangDown.insert(h.ip, &h);
    for (const NotifiedHost &h : ended)
        rangUp.insert(h.ip, &h);
    for (alerts::HostChange &c : changes) {
        auto &rang = c.event == alerts::Event::Down ? rangDown : rangUp;
        const auto it = rang.constFind(c.address);
        if (it == rang.cend()) {
            c.suppressed = true;
            continue;
        }
        c.behind = (*it)->behind;
        rang.erase(it);
    }
    // What is left rang in this pass for a change of an earlier one.
    for (const NotifiedHost &h : began) {
        if (!rangDown.contains(h.ip))
            continue;
        alerts::HostChange c;
        c.event = alerts::Event::Down;
        c.address = h.ip;
        c.description = h.desc;
        c.begin = openSince(h.ip);
        c.behind = h.behind;
        changes.append(c);
    }
    m_send(changes, QDateTime::currentDateTime());
}

} // namespace monitor
