#pragma once

#include <QString>
#include <QtGlobal>

#include <algorithm>

// One vantage point as the server knows it (table `vantages`), with the
// server's own judgement of how long ago it last passed: the sites' clocks
// may be wrong, the server's is one for all.
struct VantageState
{
    QString name;
    QString host;
    qint64 pid = 0;
    int intervalSeconds = 0;
    qint64 lastPass = 0;      // seconds since 1970, the server's clock
    qint64 started = 0;       // likewise
    qint64 ageSeconds = 0;    // since the last pass, by the server's clock
    bool writer = false;      // its session holds the log writer's lock now

    // A vantage that has not passed for 30 s, or for 3 of its own intervals
    // if that is longer, is stale: what it saw last counts neither way.
    static constexpr int StaleAfterSeconds = 30;
    static constexpr int StaleAfterIntervals = 3;
    static qint64 staleAfter(int intervalSeconds)
    {
        return std::max<qint64>(StaleAfterSeconds, qint64(StaleAfterIntervals) * std::max(0, intervalSeconds));
    }
    bool isLive() const { return ageSeconds <= staleAfter(intervalSeconds); }
};
