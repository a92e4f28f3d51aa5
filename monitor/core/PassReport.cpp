#include "PassReport.h"

namespace monitor {

QList<NotifiedHost> PassReport::ringing(OutageChange::Kind kind, bool tellDowntime) const
{
    QList<NotifiedHost> hosts;
    auto add = [&](const OutageChange &c) {
        if (c.kind != kind || !c.rings())
            return;
        const qint64 down = kind == OutageChange::Ended && tellDowntime ? c.downSeconds : -1;
        hosts.append({c.desc, c.ip, down, c.behind});
    };
    for (const OutageChange &c : changes)
        add(c);
    for (const OutageChange &c : late)
        add(c);
    return hosts;
}

bool PassReport::decidedAtEnd() const
{
    if (!late.isEmpty() || !startedFlapping.isEmpty() || !settled.isEmpty())
        return true;
    for (const OutageChange &c : changes) {
        if (c.alarm == OutageChange::Alarm::AtPassEnd || c.alarm == OutageChange::Alarm::Held)
            return true;
    }
    return false;
}

QList<alerts::HostChange> PassReport::alertChanges() const
{
    QList<alerts::HostChange> out;
    auto add = [this, &out](const OutageChange &c) {
        alerts::HostChange h;
        h.event = c.kind == OutageChange::Began ? alerts::Event::Down : alerts::Event::Up;
        h.address = c.ip;
        h.description = c.desc;
        h.begin = c.begin;
        if (c.kind == OutageChange::Ended) {
            h.end = c.end;
            h.knownDownSeconds = c.downSeconds;
        }
        // The channels hear what the desk heard: a quiet change is marked.
        h.suppressed = !c.rings();
        h.behind = c.behind;
        h.vantages = vantagesDown.value(c.ip);
        out.append(h);
    };
    for (const OutageChange &c : changes)
        add(c);
    for (const OutageChange &c : late)
        add(c);
    return out;
}

} // namespace monitor
