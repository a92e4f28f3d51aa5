#include "VantagePass.h"

#include <QDateTime>

namespace monitor {

QList<alerts::HostChange> VantagePass::alertChanges() const
{
    QList<alerts::HostChange> out;
    // Closes first, as they were applied: a row may close and the next open.
    for (const VantageWriter::Close &c : applied.closes) {
        alerts::HostChange h;
        h.event = alerts::Event::Up;
        h.address = c.ip;
        h.description = closedDescriptions.value(c.ip);
        h.begin = QDateTime::fromSecsSinceEpoch(c.rowBegin);
        h.end = QDateTime::fromSecsSinceEpoch(c.end);
        h.vantages = vantagesDown.value(c.ip);
        out << h;
    }
    for (const VantageWriter::Open &o : applied.opens) {
        alerts::HostChange h;
        h.event = alerts::Event::Down;
        h.address = o.ip;
        h.description = o.description;
        h.begin = QDateTime::fromSecsSinceEpoch(o.begin);
        h.vantages = o.vantages;
        out << h;
    }
    return out;
}

} // namespace monitor
