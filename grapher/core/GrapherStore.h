#pragma once

#include "LatencyLayout.h"
#include "LatencyReader.h"
#include "ProgramStore.h"
#include "Timeline.h"
#include "WeekHourMap.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QStringList>

#include <vector>

namespace grapher {

// Everything the grapher reads, as computations: the host list, the
// time-of-day histogram, the weekday × hour map, and the round trips and
// loss of the latency chart. The grapher only reads: its one connection is
// read-only. Each computation runs on the program's one database thread and
// answers with a StoreReply; a server connection lost earlier is opened
// again first.
class GrapherStore final : public ProgramStore
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GrapherStore)

public:
    explicit GrapherStore(QObject *parent = nullptr);

    struct Descriptions
    {
        bool opened = true;  // false: the database never opened (told elsewhere)
        bool whole = false;  // every row was read
        QString error;       // a lost connection noted
        QStringList descriptions;
    };
    // The hosts' descriptions, in the book's order of them ("order by 1").
    StoreReply<Descriptions> readDescriptions();

    struct Histogram
    {
        Timeline::Computation computation;
        QString lossNote;  // a line more when the server connection is gone
    };
    StoreReply<Histogram> computeHistogram(const GraphRequest &request, const QLocale &locale,
                                           const CancelToken &cancel);

    struct WeekRows
    {
        std::vector<WeekHourMap::Outage> spans;
        QStringList descriptions;  // one per span
        QString error;
    };
    StoreReply<WeekRows> readWeekMap(bool allHosts, const QString &description, WeekHourMap::Seconds from,
                                     WeekHourMap::Seconds to);

    struct LatencyHosts
    {
        QString error;
        QList<LatencyReader::Host> hosts;  // IPv4 before IPv6, each by value
    };
    StoreReply<LatencyHosts> readLatencyHosts();
    struct LatencySeries
    {
        QString error;
        std::vector<LatencyLayout::Series> series;  // one per host asked, in that order
    };
    StoreReply<LatencySeries> readLatency(const QList<qint64> &hostIds, const QDateTime &from, const QDateTime &to);
};

} // namespace grapher
