#pragma once

#include "OutagePaths.h"
#include "PassReport.h"
#include "RouteTracer.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace monitor {

class AlertGate;
class HostState;
class MonitorStore;
class PollingEngine;

// Traces the route to a host when its outage begins, and keeps the path
// with the outage: hop number, the address that answered (the router where
// the request's time to live ran out) and its round trip.
//
// The outages a pass began are gathered as the pass decides them and traced
// once the pass is over, when it is known which of them are behind a down
// parent (those are not traced: their parent's path tells more). At most one
// trace per host runs at a time, and at most MaxNewPerPass start after a
// pass; the others wait for the next pass, as long as their outage lasts.
// Each trace takes at most the tracer's three rounds, bounded by half the
// pass period, so a trace never runs into the next pass.
class OutagePathTracer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutagePathTracer)

public:
    static constexpr int MaxNewPerPass = 10;
    static constexpr int BudgetMs = 3 * RouteTracer::RoundWaitMs;

    // None is owned; gate may be null (no parents then). store null: the
    // paths are only told, not kept.
    OutagePathTracer(PollingEngine *engine, HostState *state, const AlertGate *gate, MonitorStore *store,
                     QObject *parent = nullptr);

    // Off: nothing is traced (a machine where no ICMP socket may be opened
    // says so once, and is off from then on).
    void setEnabled(bool on) { m_enabled = on; }
    int runningCount() const { return int(m_running.size()); }
    int waitingCount() const { return int(m_waiting.size()); }
    // The paths traced in this run for outages still open, by address.
    const QHash<QString, OutagePaths::Path> &paths() const { return m_paths; }
    // The path of the outage of `ip` that began at `begin` (stored form),
    // open or just ended (an ended one is kept until the host's next
    // outage): a restoration message carries its outage's path too. None
    // (empty) when it was not traced.
    QList<OutagePaths::Hop> pathOf(const QString &ip, const QString &begin) const;
    // Calls `done` once every trace started for the outages of `report` has
    // finished (at once when none runs): the alert channels wait for it, so
    // a down message carries its path.
    void afterTraces(const PassReport &report, std::function<void()> done);
    // Everything waiting for traces goes on now (the program's end).
    void releaseWaiters();

signals:
    void traced(const OutagePaths::Path &path);
    void failed(const QString &what, const QString &errorText);

private:
    struct Wanted
    {
        QString ip;
        QString begin;  // the outage's begin as stored
    };
    void readOpenPaths();
    void onChange(const OutageChange &change);
    void onPassEnded(const PassReport &report);
    void onFinished(int id, const RouteTracer::Result &result);
    void settleWaiters();

    PollingEngine *m_engine;
    HostState *m_state;
    const AlertGate *m_gate;
    QPointer<MonitorStore> m_store;
    RouteTracer *m_tracer;
    bool m_enabled = true;
    QList<Wanted> m_waiting;
    QHash<int, Wanted> m_running;       // by trace id
    QHash<QString, int> m_runningByIp;
    QHash<QString, OutagePaths::Path> m_paths;
    // The last ended outage's path of each address.
    QHash<QString, OutagePaths::Path> m_ended;
    struct Waiter
    {
        QStringList ips;
        std::function<void()> done;
    };
    QList<Waiter> m_waiters;
};

} // namespace monitor
