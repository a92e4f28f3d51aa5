#include "AlertGate.h"

#include "Database.h"
#include "DateTimeText.h"
#include "ExtraSettings.h"
#include "Statements.h"

#include <QSqlQuery>

#include <QSet>

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
}

OutageChange::Alarm AlertGate::alarmFor(const QString &ip, bool began, const HostState &state) const
{
    if (!m_atOnce)
        return OutageChange::Alarm::Pending;
    if (began)
        return OutageChange::Alarm::RingsNow;
    // A return is news only when its outage rang (or began before this run).
    const auto it = state.alertMarks().constFind(ip);
    const bool news = it == state.alertMarks().constEnd() || it->alarmed || !it->down;
    return news ? OutageChange::Alarm::RingsNow : OutageChange::Alarm::Pending;
}

void AlertGate::passFinished(const QDateTime &now, const QHash<QString, bool> &observed, HostState *state,
                             PassReport *report)
{
    AlertPolicy::Pass pass;
    pass.now = now;
    pass.observed = observed;
    for (const OutageChange &c : std::as_const(report->changes))
        (c.kind == OutageChange::Began ? pass.began : pass.ended).append(c.ip);
    pass.parents = m_loaded.parents;
    pass.quiet = m_loaded.quiet;
    const AlertPolicy::Outcome out = AlertPolicy::decide(m_loaded.config, state->alertMarks(), pass);
    state->setAlertMarks(out.state);

    auto described = [state](const QString &ip) {
        const QString desc = state->description(ip);
        return desc.isEmpty() ? ip : desc;
    };
    // The change a decision is about: the pass's first of that host and kind
    // not settled yet.
    QSet<int> settled;
    auto changeOf = [&](const AlertPolicy::Decision &d) -> OutageChange * {
        const OutageChange::Kind kind = d.down ? OutageChange::Began : OutageChange::Ended;
        for (int i = 0; i < report->changes.size(); ++i) {
            OutageChange &c = report->changes[i];
            if (!settled.contains(i) && c.kind == kind && c.ip == d.ip) {
                settled.insert(i);
                return &c;
            }
        }
        return nullptr;
    };
    for (const AlertPolicy::Decision &d : out.decisions) {
        if (d.late) {
            if (!d.rings)
                continue;
            OutageChange late;
            late.kind = OutageChange::Began;
            late.ip = d.ip;
            late.desc = state->description(d.ip);
            if (const auto host = state->host(d.ip))
                late.begin = DateTimeText::fromVariant(host->since);
            late.alarm = OutageChange::Alarm::GivenLate;
            late.behind = d.behind;
            report->late.append(late);
            continue;
        }
        OutageChange *c = changeOf(d);
        if (!c || c->alarm != OutageChange::Alarm::Pending)
            continue;  // given already, the moment it was decided
        if (d.rings) {
            c->alarm = OutageChange::Alarm::AtPassEnd;
            c->behind = d.behind;
            continue;
        }
        const QString reason = AlertPolicy::reasonName(d.reason);
        const QString detail = d.reason == AlertPolicy::Reason::Behind ? described(d.parentIp) : QString();
        c->alarm = OutageChange::Alarm::Held;
        c->reason = d.reason;
        c->reasonText = AlertRecords::reasonText(reason, detail);
        if (d.down)
            report->marks.append({d.ip, c->begin, reason, detail});
    }
    for (const QString &ip : out.startedFlapping)
        report->startedFlapping.append({state->description(ip), ip, 0});
    for (const QString &ip : out.settled)
        report->settled.append({state->description(ip), ip, 0});
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
