#include "AlertPolicy.h"

#include <algorithm>

namespace monitor {

namespace AlertPolicy {

namespace {

struct Named
{
    Reason reason;
    const char *name;
};

constexpr Named Names[] = {
    {Reason::Maintenance, "maintenance"}, {Reason::Muted, "muted"},        {Reason::Behind, "behind"},
    {Reason::Flapping, "flapping"},       {Reason::Unconfirmed, "unconfirmed"},
};

int changeCount(const HostState &h)
{
    return int(std::count(h.changes.cbegin(), h.changes.cend(), true));
}

// Why the open outage of ip may not ring now (None: it rings).
Reason holdReason(const Config &config, const Pass &pass, const HostState &h, const QString &ip,
                  const QSet<QString> &down, QString *ancestor)
{
    const Reason quiet = quietReason(pass.quiet, ip, pass.now);
    if (quiet != Reason::None)
        return quiet;
    *ancestor = downAncestor(ip, pass.parents, down);
    if (!ancestor->isEmpty())
        return Reason::Behind;
    if (config.flapping && h.flapping)
        return Reason::Flapping;
    if (h.downPasses < qMax(1, config.confirmPasses))
        return Reason::Unconfirmed;
    return Reason::None;
}

} // namespace

QString reasonName(Reason reason)
{
    for (const Named &n : Names) {
        if (n.reason == reason)
            return QString::fromLatin1(n.name);
    }
    return {};
}

Reason reasonFromName(const QString &name)
{
    for (const Named &n : Names) {
        if (name == QLatin1String(n.name))
            return n.reason;
    }
    return Reason::None;
}

Reason quietReason(const Quiet &quiet, const QString &ip, const QDateTime &now)
{
    for (const Mute &m : quiet.mutes) {
        if ((m.ip.isEmpty() || m.ip == ip) && AlertRecords::holds(m, now))
            return Reason::Muted;
    }
    for (const MaintenanceWindow &w : quiet.windows) {
        if ((w.ip.isEmpty() || w.ip == ip) && inWindow(w, now))
            return Reason::Maintenance;
    }
    return Reason::None;
}

QString downAncestor(const QString &ip, const QHash<QString, QString> &parents, const QSet<QString> &down)
{
    QString found;
    QSet<QString> seen{ip};
    QString at = parents.value(ip);
    while (!at.isEmpty() && !seen.contains(at)) {
        seen.insert(at);
        if (down.contains(at))
            found = at;
        at = parents.value(at);
    }
    // A host on a loop of parents has no hierarchy above it to be hidden by:
    // otherwise two hosts naming each other would silence each other.
    if (at == ip)
        return {};
    return found;
}

bool ringsEverything(const Config &config, bool anyParents, const Quiet &quiet, const QDateTime &now)
{
    if (config.flapping || config.confirmPasses > 1 || anyParents)
        return false;
    for (const Mute &m : quiet.mutes) {
        if (AlertRecords::holds(m, now))
            return false;
    }
    return std::none_of(quiet.windows.cbegin(), quiet.windows.cend(),
                        [&](const MaintenanceWindow &w) { return inWindow(w, now); });
}

Outcome decide(const Config &config, const State &before, const Pass &pass)
{
    Outcome out;
    out.state = before;
    State &state = out.state;
    const QSet<QString> began(pass.began.cbegin(), pass.began.cend());
    const QSet<QString> ended(pass.ended.cbegin(), pass.ended.cend());

    QHash<QString, bool> observed = pass.observed;
    for (const QString &ip : pass.began)
        observed.insert(ip, true);
    for (const QString &ip : pass.ended)
        observed.insert(ip, false);

    // Held reasons of outages that are open, as this pass sees them.
    QHash<QString, Reason> held;
    QHash<QString, QString> heldBehind;

    for (auto it = observed.cbegin(); it != observed.cend(); ++it) {
        const QString &ip = it.key();
        HostState &h = state[ip];
        const bool isBegin = began.contains(ip);
        h.changes.push_back(isBegin || ended.contains(ip));
        while (h.changes.size() > size_t(FlapWindow))
            h.changes.pop_front();
        const bool wasKnownDown = h.down;
        h.down = it.value();
        if (isBegin) {
            h.downPasses = 1;
            h.alarmed = false;
        } else if (h.down) {
            // Open before this run began: it rang in the run that saw it begin.
            if (!wasKnownDown && h.downPasses == 0) {
                h.alarmed = true;
                h.downPasses = qMax(1, config.confirmPasses);
            }
            ++h.downPasses;
        } else if (!ended.contains(ip)) {
            h.downPasses = 0;
            h.alarmed = false;
        }

        if (config.flapping) {
            const int changes = changeCount(h);
            if (!h.flapping && changes * 100 >= config.flapHighPercent * FlapWindow) {
                h.flapping = true;
                out.startedFlapping << ip;
            } else if (h.flapping && changes * 100 < config.flapLowPercent * FlapWindow) {
                h.flapping = false;
                out.settled << ip;
            }
        } else {
            h.flapping = false;
        }
    }
    std::sort(out.startedFlapping.begin(), out.startedFlapping.end());
    std::sort(out.settled.begin(), out.settled.end());

    QSet<QString> down;
    for (auto it = state.cbegin(); it != state.cend(); ++it) {
        if (it.value().down)
            down.insert(it.key());
    }

    for (const QString &ip : pass.began) {
        HostState &h = state[ip];
        Decision d;
        d.ip = ip;
        d.reason = holdReason(config, pass, h, ip, down, &d.parentIp);
        d.rings = d.reason == Reason::None;
        h.alarmed = d.rings;
        h.held = d.reason;
        h.heldParent = d.parentIp;
        if (!d.rings) {
            held.insert(ip, d.reason);
            heldBehind.insert(ip, d.parentIp);
        }
        out.decisions << d;
    }
    for (const QString &ip : pass.ended) {
        HostState &h = state[ip];
        Decision d;
        d.ip = ip;
        d.down = false;
        // A restoration is news only to an operator who heard of the outage.
        d.reason = quietReason(pass.quiet, ip, pass.now);
        if (d.reason == Reason::None && config.flapping && h.flapping)
            d.reason = Reason::Flapping;
        if (d.reason == Reason::None && !h.alarmed) {
            d.reason = h.held == Reason::None ? Reason::Unconfirmed : h.held;
            d.parentIp = h.heldParent;
        }
        d.rings = d.reason == Reason::None;
        h.alarmed = false;
        h.downPasses = 0;
        h.held = Reason::None;
        h.heldParent.clear();
        out.decisions << d;
    }

    // Outages begun earlier whose alarm was held: given once nothing holds it.
    QStringList waiting;
    for (auto it = state.cbegin(); it != state.cend(); ++it) {
        if (it.value().down && !it.value().alarmed && !began.contains(it.key()))
            waiting << it.key();
    }
    std::sort(waiting.begin(), waiting.end());
    QSet<QString> lateRung;
    for (const QString &ip : waiting) {
        HostState &h = state[ip];
        QString ancestor;
        const Reason reason = holdReason(config, pass, h, ip, down, &ancestor);
        h.held = reason;
        h.heldParent = ancestor;
        if (reason != Reason::None) {
            held.insert(ip, reason);
            heldBehind.insert(ip, ancestor);
            continue;
        }
        h.alarmed = true;
        Decision d;
        d.ip = ip;
        d.rings = true;
        d.late = true;
        lateRung.insert(ip);
        out.decisions << d;
    }

    // The alarm of a parent names the hosts that fell silent behind it with
    // it: those begun in this pass, or, for a late alarm, all still held.
    for (Decision &d : out.decisions) {
        if (!d.rings || !d.down)
            continue;
        for (auto it = heldBehind.cbegin(); it != heldBehind.cend(); ++it) {
            if (held.value(it.key()) == Reason::Behind && it.value() == d.ip
                && (began.contains(it.key()) || lateRung.contains(d.ip)))
                ++d.behind;
        }
    }
    return out;
}

} // namespace AlertPolicy

} // namespace monitor
