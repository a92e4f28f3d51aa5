#pragma once

#include "AvailabilityReport.h"
#include "StatusData.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace web {

// What the server shows, computed from one reading: each host's state and
// marks, its availability over the windows and the days of the bar, its
// round trips. Pure computation (no database), done on the database thread
// after each reading; the HTTP side only ever reads a finished board.
//
// Availability is Availability::figures() over the watched time, exactly
// as orvant-export --availability computes it: the windows 7d … 365d are
// whole days up to now, today included (30d is orvant-export's default
// period), and each day of the bar is that day alone; 24h is the last 24
// hours.
enum class HostState { Up, Down, Unwatched, Maintenance };

struct DayCell
{
    qint64 watched = 0;
    qint64 down = 0;
};

// One hour of a host's chart: the hour's median round trip where the
// monitor consolidated it, the mean of the hour so far otherwise.
struct ChartPoint
{
    Seconds start = 0;
    std::optional<double> rttMs;
    std::optional<double> lossShare;
};

struct HostBoard
{
    QString address;
    QString description;
    QString parent;  // empty: none
    HostState state = HostState::Up;
    std::optional<Seconds> downSince;
    // With vantage points: those that find the host silent now (perhaps
    // none); without any: nothing, and nothing is said of them.
    std::optional<QStringList> vantagesDown;
    bool muted = false;
    bool maintenance = false;
    std::optional<qint64> lastRttUs;
    std::optional<double> lossShareHour;  // 0..1; none when nothing was sent
    std::array<Availability::Figures, 5> windows;
    std::vector<DayCell> days;  // oldest first, the last one today
    std::vector<ChartPoint> chart;
    qint64 outagesTotal = 0;
    qint64 downtimeTotal = 0;  // closed outages' length, and an open one's up to the last pass
    qint64 echoRequests = 0;
    qint64 echoReplies = 0;
};

struct StatusBoard
{
    static constexpr int BarDays = 90;
    static constexpr int ChartHours = 24;
    // The windows' names in the JSON and the metrics, in the order of
    // HostBoard::windows.
    static constexpr const char *WindowNames[5] = {"24h", "7d", "30d", "90d", "365d"};
    static constexpr int WindowDays[5] = {0, 7, 30, 90, 365};

    QDateTime generated;  // local time
    Seconds now = 0;
    QDate today;
    Seconds keptFrom = 0;
    // Whether the monitor watches now: its newest stretch goes on and its
    // last pass is no older than the longest gap the monitor itself allows.
    bool watching = false;
    std::optional<Seconds> lastPass;
    std::vector<HostBoard> hosts;  // by address value
    QHash<QString, int> byAddress;
    // Every address's outages touching the days kept, by begin.
    QHash<QString, std::vector<Availability::Outage>> outages;

    static StatusBoard build(const StatusData &data, const QDateTime &now);

    // The period of a window (whole days, or the last 24 hours) and of a day.
    static admin::AvailabilityPeriod windowPeriod(int window, Seconds now, const QDate &today);
    static admin::AvailabilityPeriod dayPeriod(const QDate &day);
    // Whether the monitor's newest stretch still goes on at `now`.
    static bool isWatching(const StatusData &data, Seconds now);

    static const char *stateName(HostState state);
};

} // namespace web
