#include "HostState.h"

#include "DateTimeText.h"

#include <QSet>

namespace monitor {

HostState::HostState(QObject *parent)
    : QObject(parent)
{
}

HostState::Host &HostState::at(const QString &ip)
{
    auto it = m_hosts.find(ip);
    if (it == m_hosts.end()) {
        it = m_hosts.insert(ip, Host());
        it->ip = ip;
    }
    return *it;
}

void HostState::reset(const QList<StoredOutage> &open, const QList<OutageWrite> &waiting)
{
    // The log's picture: as in the log, an address has at most one open
    // outage, and an end closes it.
    QList<StoredOutage> down;
    auto indexOf = [&down](const QString &ip) {
        for (qsizetype i = 0; i < down.size(); ++i) {
            if (down.at(i).ip == ip)
                return i;
        }
        return qsizetype(-1);
    };
    for (const StoredOutage &row : open) {
        if (indexOf(row.ip) < 0)
            down.append(row);
    }
    for (const OutageWrite &w : waiting) {
        const qsizetype i = indexOf(w.ip);
        if (w.kind == OutageWrite::Begin) {
            if (i < 0)
                down.append({w.ip, w.desc, DateTimeText::fromDateTime(w.at)});
        } else if (i >= 0) {
            down.removeAt(i);
        }
    }

    QSet<QString> nowDown;
    m_downOrder.clear();
    for (const StoredOutage &row : std::as_const(down)) {
        nowDown.insert(row.ip);
        m_downOrder.append(row.ip);
        Host &h = at(row.ip);
        if (h.desc.isEmpty())
            h.desc = row.desc;
        // The same outage as this run knew it keeps its monotonic start.
        const bool same = h.condition == Condition::Down && h.since == row.begin;
        if (!same) {
            h.condition = Condition::Down;
            h.since = row.begin;
            h.sinceMonoMs.reset();
        }
    }
    for (auto it = m_hosts.begin(); it != m_hosts.end(); ++it) {
        if (it->condition == Condition::Down && !nowDown.contains(it.key())) {
            // Closed by someone else meanwhile (a removal from the book).
            it->condition = Condition::Up;
            it->since = QVariant();
            it->sinceMonoMs.reset();
        }
    }
    m_known = true;
    m_readAgain = false;
    emit changed();
    emit reread();
}

void HostState::seen(const QString &ip, const QString &desc)
{
    at(ip).desc = desc;
}

void HostState::begin(const QString &ip, const QString &desc, const QDateTime &when, std::optional<qint64> monoMs)
{
    Host &h = at(ip);
    h.desc = desc;
    if (h.condition == Condition::Down)
        return;
    h.condition = Condition::Down;
    h.since = DateTimeText::fromDateTime(when);
    h.sinceMonoMs = monoMs;
    m_downOrder.append(ip);
    emit changed();
}

HostState::Host HostState::end(const QString &ip, const QDateTime &when, std::optional<qint64> monoMs)
{
    Host &h = at(ip);
    const Host before = h;
    if (h.condition != Condition::Down)
        return before;
    h.condition = Condition::Up;
    h.since = DateTimeText::fromDateTime(when);
    h.sinceMonoMs = monoMs;
    h.lastOutageEnd = when;
    m_downOrder.removeOne(ip);
    emit changed();
    return before;
}

void HostState::answered(const QString &ip, std::optional<qint64> rttUs, const QDateTime &when,
                         std::optional<qint64> monoMs)
{
    Host &h = at(ip);
    h.failedPasses = 0;
    if (rttUs)
        h.lastRttUs = rttUs;
    if (h.condition == Condition::Unwatched) {
        h.condition = Condition::Up;
        h.since = DateTimeText::fromDateTime(when);
        h.sinceMonoMs = monoMs;
    }
}

void HostState::silent(const QString &ip)
{
    ++at(ip).failedPasses;
}

void HostState::unwatched(const QString &ip, const QDateTime &when, std::optional<qint64> monoMs)
{
    Host &h = at(ip);
    // An outage already open stays open: the host was down before this
    // machine lost its network.
    if (h.condition != Condition::Up)
        return;
    h.condition = Condition::Unwatched;
    h.since = DateTimeText::fromDateTime(when);
    h.sinceMonoMs = monoMs;
}

void HostState::keepOnly(const QStringList &ips)
{
    const QSet<QString> keep(ips.cbegin(), ips.cend());
    for (auto it = m_hosts.begin(); it != m_hosts.end();) {
        if (keep.contains(it.key()) || it->condition == Condition::Down) {
            ++it;
            continue;
        }
        m_marks.remove(it.key());
        it = m_hosts.erase(it);
    }
}

bool HostState::isDown(const QString &ip) const
{
    const auto it = m_hosts.constFind(ip);
    return it != m_hosts.cend() && it->condition == Condition::Down;
}

HostState::Condition HostState::condition(const QString &ip) const
{
    const auto it = m_hosts.constFind(ip);
    return it == m_hosts.cend() ? Condition::Up : it->condition;
}

std::optional<HostState::Host> HostState::host(const QString &ip) const
{
    const auto it = m_hosts.constFind(ip);
    if (it == m_hosts.cend())
        return std::nullopt;
    return *it;
}

QString HostState::description(const QString &ip) const
{
    return m_hosts.value(ip).desc;
}

QList<StoredOutage> HostState::openOutages() const
{
    QList<StoredOutage> rows;
    rows.reserve(m_downOrder.size());
    for (const QString &ip : m_downOrder) {
        const Host &h = m_hosts[ip];
        rows.append({ip, h.desc, h.since});
    }
    return rows;
}

QList<alerts::HostChange> HostState::downNow(std::optional<qint64> nowMonoMs) const
{
    QList<alerts::HostChange> down;
    down.reserve(m_downOrder.size());
    for (const QString &ip : m_downOrder) {
        const Host &h = m_hosts[ip];
        alerts::HostChange c;
        c.event = alerts::Event::Down;
        c.address = ip;
        c.description = h.desc;
        c.begin = DateTimeText::fromVariant(h.since);
        if (h.sinceMonoMs && nowMonoMs)
            c.knownDownSeconds = qMax<qint64>(0, (*nowMonoMs - *h.sinceMonoMs) / 1000);
        down.append(c);
    }
    return down;
}

qint64 HostState::downSeconds(const Host &host, const QDateTime &end, std::optional<qint64> endMonoMs)
{
    const auto began = DateTimeText::secondsOfValue(host.since);
    const auto ended = DateTimeText::toSeconds(DateTimeText::fromDateTime(end));
    const std::optional<qint64> stored =
        began && ended ? std::optional<qint64>(qMax<qint64>(0, *ended - *began)) : std::nullopt;
    if (host.sinceMonoMs && endMonoMs) {
        const qint64 measuredMs = qMax<qint64>(0, *endMonoMs - *host.sinceMonoMs);
        // The stored times are whole seconds: their difference may differ
        // from the measured one by up to a second without any step of the
        // wall clock. Within that, the stored figure is told, so the
        // downtime reads as the log's own begin and end say; beyond it the
        // wall clock was stepped, and the measured time is the true one.
        if (stored && qAbs(*stored * 1000 - measuredMs) <= 1000)
            return *stored;
        return measuredMs / 1000;
    }
    return stored ? *stored : -1;
}

void HostState::setVantagesDown(const QHash<QString, QStringList> &down)
{
    m_vantagesDown = down;
}

QStringList HostState::vantagesDown(const QString &ip) const
{
    if (m_vantageName.isEmpty())
        return {};
    QStringList names = m_vantagesDown.value(ip);
    // This vantage's own pass is newer than what the server last said of it.
    names.removeAll(m_vantageName);
    if (isDown(ip))
        names << m_vantageName;
    names.sort();
    return names;
}

QHash<QString, QStringList> HostState::allVantagesDown() const
{
    QHash<QString, QStringList> all;
    if (m_vantageName.isEmpty())
        return all;
    QSet<QString> ips(m_downOrder.cbegin(), m_downOrder.cend());
    for (auto it = m_vantagesDown.cbegin(); it != m_vantagesDown.cend(); ++it)
        ips.insert(it.key());
    for (const QString &ip : std::as_const(ips)) {
        const QStringList names = vantagesDown(ip);
        if (!names.isEmpty())
            all.insert(ip, names);
    }
    return all;
}

} // namespace monitor
