#include "AlertGate.h"

#include "Database.h"
#include "ExtraSettings.h"
#include "Statements.h"

#include <QSqlQuery>

#include <algorithm>

namespace monitor {

void AlertGate::setLoaded(const Loaded &loaded)
{
    // A failed read keeps what the last good one said.
    if (loaded.ok)
        m_loaded = loaded;
}

void AlertGate::passStarted(const QDateTime &now)
{
    m_atOnce = AlertPolicy::ringsEverything(m_loaded.config, !m_loaded.parents.isEmpty(), m_loaded.quiet, now);
    m_began.clear();
    m_ended.clear();
    m_rungAtOnce.clear();
    m_beganAt.clear();
}

bool AlertGate::ringsAtOnce(const QString &ip, bool began) const
{
    if (!m_atOnce)
        return false;
    if (began)
        return true;
    // A return is news only when its outage rang (or began before this run).
    const auto it = m_state.constFind(ip);
    return it == m_state.constEnd() || it->alarmed || !it->down;
}

void AlertGate::noteChange(const QString &ip, const QString &desc, bool began, bool rungAtOnce, const QDateTime &at)
{
    m_desc.insert(ip, desc);
    (began ? m_began : m_ended).append(ip);
    if (began)
        m_down.insert(ip);
    else
        m_down.remove(ip);
    if (began)
        m_beganAt.insert(ip, at);
    if (rungAtOnce)
        m_rungAtOnce.insert(ip);
}

QString AlertGate::described(const QString &ip) const
{
    const QString desc = m_desc.value(ip);
    return desc.isEmpty() ? ip : desc;
}

AlertGate::Alarms AlertGate::passFinished(const QDateTime &now, const QHash<QString, bool> &states)
{
    AlertPolicy::Pass pass;
    pass.now = now;
    pass.observed = states;
    pass.began = m_began;
    pass.ended = m_ended;
    pass.parents = m_loaded.parents;
    pass.quiet = m_loaded.quiet;
    const AlertPolicy::Outcome out = AlertPolicy::decide(m_loaded.config, m_state, pass);
    m_state = out.state;
    m_down.clear();
    for (auto it = m_state.cbegin(); it != m_state.cend(); ++it) {
        if (it->down)
            m_down.insert(it.key());
    }

    Alarms alarms;
    for (const AlertPolicy::Decision &d : out.decisions) {
        if (d.rings) {
            // Given already, the moment it was decided.
            if (!d.late && m_rungAtOnce.contains(d.ip))
                continue;
            NotifiedHost host{m_desc.value(d.ip), d.ip, -1, d.behind};
            (d.down ? alarms.began : alarms.ended).append(host);
            continue;
        }
        if (d.late)
            continue;
        const QString reason = AlertPolicy::reasonName(d.reason);
        const QString detail = d.reason == AlertPolicy::Reason::Behind ? described(d.parentIp) : QString();
        alarms.held.append({d.ip, d.down, AlertRecords::reasonText(reason, detail)});
        if (d.down)
            alarms.marks.append({d.ip, m_beganAt.value(d.ip), reason, detail});
    }
    for (const QString &ip : out.startedFlapping)
        alarms.startedFlapping.append({m_desc.value(ip), ip, 0});
    for (const QString &ip : out.settled)
        alarms.settled.append({m_desc.value(ip), ip, 0});
    m_began.clear();
    m_ended.clear();
    m_rungAtOnce.clear();
    m_beganAt.clear();
    return alarms;
}

QList<AlertRecords::Mute> AlertGate::activeMutes(const QDateTime &now) const
{
    QList<AlertRecords::Mute> active;
    for (const AlertRecords::Mute &m : m_loaded.quiet.mutes) {
        if (AlertRecords::holds(m, now))
            active.append(m);
    }
    return active;
}

} // namespace monitor

namespace monitor {

AlertPolicy::Config AlertGate::configFrom(const ExtraSettings &settings)
{
    const AlertRecords::Settings stored = AlertRecords::settingsFrom(settings);
    AlertPolicy::Config config;
    config.flapping = stored.flapping;
    config.flapHighPercent = stored.flapHighPercent;
    config.flapLowPercent = stored.flapLowPercent;
    config.confirmPasses = stored.confirmPasses;
    return config;
}

AlertGate::Loaded AlertGate::load(const QSqlDatabase &db)
{
    Loaded loaded;
    QString error;
    ExtraSettings settings;
    if (!ExtraSettings::read(db, &settings, &error)) {
        loaded.error = error;
        return loaded;
    }
    loaded.config = configFrom(settings);
    QSqlQuery query(db);
    if (!runStatement(query, Statements::SelectAllParents)) {
        loaded.error = statementError(query);
        return loaded;
    }
    while (query.next()) {
        const QString parent = query.value(1).toString();
        if (!parent.isEmpty())
            loaded.parents.insert(query.value(0).toString(), parent);
    }
    if (!AlertRecords::readMutes(db, &loaded.quiet.mutes, &error)
        || !AlertRecords::readWindows(db, &loaded.quiet.windows, &error)) {
        loaded.error = error;
        return loaded;
    }
    loaded.ok = true;
    return loaded;
}

} // namespace monitor
