#include "OutagePathTracer.h"

#include "AlertGate.h"
#include "AlertPolicy.h"
#include "DateTimeText.h"
#include "HostState.h"
#include "MonitorStore.h"
#include "PollingEngine.h"

#include <QSet>

#include <algorithm>
#include <utility>

namespace monitor {

namespace {

// Whether the host is down in the outage that began at `begin` (as stored,
// to the second: the host state keeps the stored text).
bool downSince(const std::optional<HostState::Host> &host, const QString &begin)
{
    return host && host->condition == HostState::Condition::Down
        && DateTimeText::fromDateTime(DateTimeText::fromVariant(host->since)) == begin;
}

} // namespace

OutagePathTracer::OutagePathTracer(PollingEngine *engine, HostState *state, const AlertGate *gate,
                                   MonitorStore *store, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_state(state)
    , m_gate(gate)
    , m_store(store)
    , m_tracer(new RouteTracer(this))
{
    connect(engine, &PollingEngine::changeDecided, this, &OutagePathTracer::onChange);
    connect(engine, &PollingEngine::passEnded, this, &OutagePathTracer::onPassEnded);
    connect(m_tracer, &RouteTracer::finished, this, &OutagePathTracer::onFinished);
    // Outages open since an earlier run keep the paths traced then.
    connect(state, &HostState::reread, this, &OutagePathTracer::readOpenPaths);
}

void OutagePathTracer::readOpenPaths()
{
    if (!m_store)
        return;
    m_store->readOpenOutagePaths(this, [this](bool ok, const QList<OutagePaths::Path> &paths, const QString &) {
        if (!ok)
            return;
        for (const OutagePaths::Path &p : paths) {
            const std::optional<HostState::Host> host = m_state->host(p.ip);
            if (!downSince(host, p.begin) || m_paths.contains(p.ip))
                continue;
            m_paths.insert(p.ip, p);
            emit traced(p);
        }
    });
}

void OutagePathTracer::onChange(const OutageChange &change)
{
    if (!m_enabled)
        return;
    if (change.kind == OutageChange::Ended) {
        if (const auto p = m_paths.constFind(change.ip); p != m_paths.constEnd())
            m_ended.insert(change.ip, *p);
        m_paths.remove(change.ip);
        return;
    }
    m_ended.remove(change.ip);
    if (!change.begin.isValid())
        return;  // no row's begin to keep the path with
    auto same = [&change](const Wanted &w) { return w.ip == change.ip; };
    m_waiting.erase(std::remove_if(m_waiting.begin(), m_waiting.end(), same), m_waiting.end());
    m_waiting.append({change.ip, DateTimeText::fromDateTime(change.begin)});
}

QList<OutagePaths::Hop> OutagePathTracer::pathOf(const QString &ip, const QString &begin) const
{
    for (const QHash<QString, OutagePaths::Path> *map : {&m_paths, &m_ended}) {
        const auto p = map->constFind(ip);
        if (p != map->constEnd() && p->begin == begin)
            return p->hops;
    }
    return {};
}

void OutagePathTracer::onPassEnded(const PassReport &report)
{
    Q_UNUSED(report);
    if (!m_enabled || m_waiting.isEmpty())
        return;
    QSet<QString> down;
    for (const StoredOutage &o : m_state->openOutages())
        down.insert(o.ip);
    const QHash<QString, QString> parents = m_gate ? m_gate->loaded().parents : QHash<QString, QString>();
    const int periodMs = m_engine->refreshSecs() > 0 ? m_engine->refreshSecs() * 500 : BudgetMs;
    const int budget = std::clamp(periodMs, 3, BudgetMs);

    int started = 0;
    QList<Wanted> later;
    for (const Wanted &w : std::as_const(m_waiting)) {
        // Only an outage that still lasts, and not one behind a parent
        // that is down: the parent's own path says where it breaks.
        const std::optional<HostState::Host> host = m_state->host(w.ip);
        if (!downSince(host, w.begin))
            continue;
        if (!parents.isEmpty() && !AlertPolicy::downAncestor(w.ip, parents, down).isEmpty())
            continue;
        if (m_runningByIp.contains(w.ip))
            continue;  // one trace per host at a time
        if (started >= MaxNewPerPass) {
            later.append(w);
            continue;
        }
        HostAddress address;
        if (!HostAddress::parse(w.ip, &address))
            continue;
        QString why;
        const int id = m_tracer->start(address, budget, &why);
        if (id == 0) {
            // No ICMP socket: said once; the outages go without paths.
            emit failed(tr("Путь к узлу не прослежен"), why);
            m_enabled = false;
            later.clear();
            break;
        }
        ++started;
        m_running.insert(id, w);
        m_runningByIp.insert(w.ip, id);
    }
    m_waiting = later;
}

void OutagePathTracer::onFinished(int id, const RouteTracer::Result &result)
{
    const auto it = m_running.constFind(id);
    if (it == m_running.constEnd())
        return;
    const Wanted w = *it;
    m_running.erase(it);
    m_runningByIp.remove(w.ip);

    OutagePaths::Path path;
    path.ip = w.ip;
    path.begin = w.begin;
    for (const RouteTracer::Hop &h : result.hops) {
        OutagePaths::Hop hop;
        hop.number = h.number;
        if (!h.address.isNull())
            hop.address = h.address.toString();
        if (h.rttNs >= 0)
            hop.rttUs = (h.rttNs + 500) / 1000;
        path.hops.append(hop);
    }
    // The outage may have ended while it was traced: the path still
    // belongs to it, but no longer to what is down now.
    const std::optional<HostState::Host> host = m_state->host(w.ip);
    if (downSince(host, w.begin))
        m_paths.insert(w.ip, path);
    if (m_store && !path.hops.isEmpty()) {
        m_store->writeOutagePath(this, path, [this](const QString &error) {
            if (!error.isEmpty())
                emit failed(tr("Путь к узлу не записан"), error);
        });
    }
    emit traced(path);
    settleWaiters();
}

void OutagePathTracer::afterTraces(const PassReport &report, std::function<void()> done)
{
    Waiter waiter;
    for (const OutageChange &c : report.changes)
        if (c.kind == OutageChange::Began && m_runningByIp.contains(c.ip))
            waiter.ips.append(c.ip);
    if (waiter.ips.isEmpty()) {
        done();
        return;
    }
    waiter.done = std::move(done);
    m_waiters.append(std::move(waiter));
}

void OutagePathTracer::releaseWaiters()
{
    const QList<Waiter> waiters = std::exchange(m_waiters, {});
    for (const Waiter &w : waiters)
        w.done();
}

void OutagePathTracer::settleWaiters()
{
    QList<std::function<void()>> due;
    for (int i = 0; i < m_waiters.size();) {
        Waiter &w = m_waiters[i];
        w.ips.erase(std::remove_if(w.ips.begin(), w.ips.end(),
                                   [this](const QString &ip) { return !m_runningByIp.contains(ip); }),
                    w.ips.end());
        if (w.ips.isEmpty()) {
            due.append(std::move(w.done));
            m_waiters.removeAt(i);
        } else {
            ++i;
        }
    }
    for (const auto &d : due)
        d();
}

} // namespace monitor
