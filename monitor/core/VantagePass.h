#pragma once

#include "AlertMessage.h"
#include "VantageRule.h"
#include "VantageState.h"
#include "VantageWriter.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace monitor {

// What a vantage point's pass learnt from the server, and what it wrote to
// the log when it is the writer.
struct VantagePass
{
    bool ok = false;
    QString error;            // the database's text when not ok
    bool writer = false;      // this vantage holds the writer's lock now
    QList<VantageState> vantages;
    VantageRule rule;
    // Per address: the live vantages (this one included) that find it
    // silent now, sorted by name; addresses no live vantage finds silent
    // are absent.
    QHash<QString, QStringList> vantagesDown;
    // The writer only: what the log gained, and how long deciding took.
    VantageWriter::Decision applied;
    qint64 decideMs = 0;

    // The book's descriptions of the addresses whose rows closed.
    QHash<QString, QString> closedDescriptions;
    // The writer only: the log's open rows after this pass, oldest first
    // (address, description, begin, and the vantages that see it down),
    // for the alert channels' reminders.
    QList<alerts::HostChange> logDownNow;

    // What the alert channels hear of the writer's pass: each row opened
    // (down, naming the vantages that see it so) and closed (up, naming
    // those that still do), one change each.
    QList<alerts::HostChange> alertChanges() const;
};

} // namespace monitor
