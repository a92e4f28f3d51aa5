#pragma once

#include "AlertRecords.h"
#include "Availability.h"
#include "DateTimeText.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace web {

namespace Availability = admin::Availability;
using Seconds = DateTimeText::Seconds;

// What the database held at the last reading, as the server keeps it between
// readings: plain data, so that the figures can be computed (and tested)
// without a database. Times are stored local date-times read as
// DateTimeText::Seconds, like every figure of the suite.

// One minute of the wall clock of one host's round trips.
struct LatencyMinute
{
    Seconds start = 0;
    qint64 sent = 0;
    qint64 lost = 0;
    qint64 rttSumUs = 0;
    qint64 rttCount = 0;
};

// One consolidated hour of one host, for its chart.
struct LatencyHour
{
    Seconds start = 0;
    qint64 sent = 0;
    qint64 lost = 0;
    std::optional<qint64> medianUs;
};

struct HostLatency
{
    // The round trip of the newest sample; none when it went unanswered.
    std::optional<qint64> lastRttUs;
    std::vector<LatencyMinute> minutes;  // oldest first, the last two hours
    std::vector<LatencyHour> hours;      // oldest first, the last day
    // Echo requests and replies read since this program began reading:
    // counters that start at zero with it, as any exporter's do.
    qint64 requests = 0;
    qint64 replies = 0;
};

// Over the whole log.
struct OutageTotals
{
    qint64 outages = 0;
    qint64 closedSeconds = 0;
};

struct StatusData
{
    struct Address
    {
        QString ip;
        QString description;
        int timeoutMs = 0;
    };
    // The address book by address value (as the availability report lists
    // it), each address once (its first row).
    std::vector<Address> addresses;
    QHash<QString, QString> parents;  // address -> parent address
    QList<AlertRecords::Mute> mutes;
    QList<AlertRecords::MaintenanceWindow> windows;
    int refreshMinutes = 1;

    // The watched stretches touching the days kept, as stored.
    std::vector<Availability::Span> watched;
    // The newest stretch: its end is the monitor's last pass; how_ended 0
    // while it goes on (or the monitor died without saying so).
    struct Stretch
    {
        Seconds end = 0;
        int howEnded = 0;
    };
    std::optional<Stretch> newest;

    // Every address's outages touching the days kept (implicitly shared:
    // a board holds it without copying), and the open rows read every time.
    Seconds keptFrom = 0;
    QHash<QString, std::vector<Availability::Outage>> outages;
    QHash<QString, Seconds> openSince;
    // Several vantage points on a server: per address, the live vantages
    // that find it silent now. hasVantages: any vantage is registered (only
    // then do the JSON and the metrics say anything of them).
    bool hasVantages = false;
    QHash<QString, QStringList> vantagesDown;
    QHash<QString, OutageTotals> totals;

    QHash<QString, HostLatency> latency;
};

} // namespace web
