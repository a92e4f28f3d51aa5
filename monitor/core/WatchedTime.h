#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace monitor {

class Clock;
class PollingEngine;
struct PassReport;

// Keeps the watched table: the stretches of time in which the monitor really
// watched the hosts. Outside them a host is neither up nor down, so the
// availability figures count only these stretches.
//
// A stretch begins with a pass that probed and ends when the monitor stops,
// when passes did not run for longer than they can (a suspend, a stopped
// process, a frozen machine: measured on the boot clock, which counts a
// suspend), when a pass found this machine without network, or when the
// wall clock was stepped (the boot clock and the wall clock parted): a
// stretch never spans a step, so none ends before it begins nor counts
// time that never passed. Each pass
// carries the stretch's end forward, so a monitor that dies unannounced
// leaves its stretch ending at its last pass.
//
// Inside a stretch, a host to which the machine had no route (while its
// network was up) is unwatched on its own: the unrouted table keeps those
// stretches per address, begun by the pass that found it so, carried forward
// like the watched stretch and ended by the first pass that finds a route
// again; none outlives the watched stretch around it.
//
// Takes a connection for each write, so that it runs on whichever thread
// owns the monitor's connection.
class WatchedTimeRecorder
{
public:
    // How a stretch ended, as stored in watched.how_ended.
    enum class Ended { NotYet = 0, Stopped = 1, Gap = 2, NoNetwork = 3, NotProbed = 4 };

    struct Pass
    {
        QDateTime at;          // the pass's end, local time
        qint64 bootMs = 0;     // the same moment on the boot clock
        qint64 longestGapMs = 0;  // the most a pass may lag behind the one before
        bool watched = true;
        Ended whyNot = Ended::NoNetwork;  // when not watched
        QStringList unrouted;  // addresses without a route in a watched pass
    };

    // False with *error when the database refused a write; the stretch is
    // then begun anew at the next watched pass.
    bool passEnded(const QSqlDatabase &db, const Pass &pass, QString *error);
    bool stopped(const QSqlDatabase &db, const QDateTime &at, QString *error);
    bool isWatching() const { return m_row.has_value(); }

private:
    bool begin(const QSqlDatabase &db, const QString &at, QString *error);
    bool update(const QSqlDatabase &db, const QString &end, Ended how, QString *error);
    bool carryUnrouted(const QSqlDatabase &db, const QString &at, const QStringList &unrouted, QString *error);

    std::optional<qint64> m_row;
    QString m_begin;
    QHash<QString, qint64> m_unrouted;  // address -> its open row in unrouted
    QString m_lastEnd;
    qint64 m_lastBootMs = 0;
    qint64 m_lastWallMs = 0;
};

// The recorder hooked to the monitor's passes; its writes go to the engine's
// store, where the recorder itself lives.
class WatchedTimeKeeper : public QObject
{
    Q_OBJECT

public:
    WatchedTimeKeeper(PollingEngine *engine, const Clock *clock, QObject *parent = nullptr);

    void setBootClock(std::function<qint64()> bootMs) { m_bootMs = std::move(bootMs); }

    // Milliseconds on CLOCK_BOOTTIME.
    static qint64 bootClockMs();

private:
    void onPassEnded(const PassReport &report);
    void onWatchEnded();
    void tellFailure(const QString &error);

    PollingEngine *m_engine;
    const Clock *m_clock;
    std::function<qint64()> m_bootMs = &WatchedTimeKeeper::bootClockMs;
    bool m_told = false;
};

} // namespace monitor
