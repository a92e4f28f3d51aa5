#include "PassAlerts.h"

#include "Clock.h"
#include "DateTimeText.h"
#include "MonitorSession.h"
#include "OpenOutages.h"
#include "PollingEngine.h"

namespace monitor {

PassAlerts::PassAlerts(PollingEngine *engine, MonitorSession *session, const Clock *clock, Send send, QObject *parent)
    : QObject(parent), m_session(session), m_clock(clock), m_send(std::move(send))
{
    connect(engine, &PollingEngine::passStarted, this, [this] {
        m_changes.clear();
        m_beganAt.clear();
        for (const OpenOutage &row : m_session->openOutages()->rows())
            m_beganAt.insert(row.ip, DateTimeText::fromVariant(row.begin));
    });
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
    // The moment it was decided, as its row carries it.
    if (event == alerts::Event::Down) {
        c.begin = at;
        m_beganAt.insert(ip, at);
    } else {
        c.begin = m_beganAt.take(ip);
        c.end = at;
    }
    m_changes.append(c);
}

QList<alerts::HostChange> PassAlerts::downNow() const
{
    QList<alerts::HostChange> down;
    for (const OpenOutage &row : m_session->openOutages()->rows()) {
        alerts::HostChange h;
        h.event = alerts::Event::Down;
        h.address = row.ip;
        h.description = row.desc;
        h.begin = DateTimeText::fromVariant(row.begin);
        down.append(h);
    }
    return down;
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
    const QList<alerts::HostChange> down = downNow();
    // What is left rang in this pass for a change of an earlier one.
    for (const NotifiedHost &h : began) {
        if (!rangDown.contains(h.ip))
            continue;
        alerts::HostChange c;
        c.event = alerts::Event::Down;
        c.address = h.ip;
        c.description = h.desc;
        for (const alerts::HostChange &d : down) {
            if (d.address == h.ip)
                c.begin = d.begin;
        }
        c.behind = h.behind;
        changes.append(c);
    }
    m_send(changes, m_clock->now(), down);
}

} // namespace monitor
