#include "WatchedTime.h"

#include "Clock.h"
#include "Database.h"
#include "DateTimeText.h"
#include "MonitorStore.h"
#include "PassReport.h"
#include "PollingEngine.h"
#include "Statements.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <ctime>

namespace monitor {

bool WatchedTimeRecorder::begin(const QSqlDatabase &db, const QString &at, QString *error)
{
    QSqlQuery q(db);
    if (!runStatement(q, Statements::InsertWatchedPeriod, {at, at}) || !q.next()) {
        *error = statementError(q);
        m_row.reset();
        return false;
    }
    m_row = q.value(0).toLongLong();
    m_begin = at;
    m_lastEnd = at;
    return true;
}

bool WatchedTimeRecorder::update(const QSqlDatabase &db, const QString &endAt, Ended how, QString *error)
{
    // The stored texts sort as the times they hold.
    const QString end = endAt < m_begin ? m_lastEnd : endAt;
    QSqlQuery q(db);
    if (!runStatement(q, Statements::ExtendWatchedPeriod, {end, int(how), *m_row})) {
        *error = statementError(q);
        m_row.reset();
        return false;
    }
    m_lastEnd = end;
    return true;
}

bool WatchedTimeRecorder::passEnded(const QSqlDatabase &db, const Pass &pass, QString *error)
{
    const QString at = DateTimeText::fromDateTime(pass.at);
    const qint64 wallMs = pass.at.toMSecsSinceEpoch();
    const bool lagged = m_row && pass.bootMs - m_lastBootMs > pass.longestGapMs;
    // The wall clock moved apart from the boot clock since the last pass.
    constexpr qint64 StepMs = 2000;
    const bool stepped = m_row && qAbs((wallMs - m_lastWallMs) - (pass.bootMs - m_lastBootMs)) > StepMs;
    m_lastBootMs = pass.bootMs;
    m_lastWallMs = wallMs;
    bool ok = true;
    if (!pass.watched) {
        // The stretch ends where the last watched pass left it, and the
        // unrouted ones inside it with it, where they were carried to.
        if (m_row) {
            ok = update(db, m_lastEnd, pass.whyNot, error);
            m_row.reset();
        }
        m_unrouted.clear();
        return ok;
    }
    if (lagged || stepped) {
        ok = update(db, m_lastEnd, Ended::Gap, error);
        m_row.reset();
        m_unrouted.clear();
    }
    if (!m_row) {
        if (!begin(db, at, error))
            return false;
    } else if (!update(db, at, Ended::NotYet, error)) {
        m_unrouted.clear();
        return false;
    }
    if (pass.unrouted.isEmpty() && m_unrouted.isEmpty())
        return ok;
    return carryUnrouted(db, at, pass.unrouted, error) && ok;
}

// One transaction a pass, however many hosts lost their route: on the file
// each commit waits for the disk.
bool WatchedTimeRecorder::carryUnrouted(const QSqlDatabase &db, const QString &at, const QStringList &unrouted,
                                        QString *error)
{
    QSqlDatabase handle = db;
    const bool inTransaction = handle.transaction();
    QHash<QString, qint64> open;
    QSqlQuery q(db);
    bool ok = true;
    for (const QString &ip : unrouted) {
        if (open.contains(ip))
            continue;
        const auto row = m_unrouted.constFind(ip);
        if (row != m_unrouted.cend()) {
            ok = runStatement(q, Statements::ExtendUnroutedPeriod, {at, *row});
            open.insert(ip, *row);
        } else {
            ok = runStatement(q, Statements::InsertUnroutedPeriod, {ip, at, at}) && q.next();
            if (ok)
                open.insert(ip, q.value(0).toLongLong());
        }
        if (!ok)
            break;
    }
    // A route is back: the host was unwatched until this pass found it.
    for (auto row = m_unrouted.cbegin(); ok && row != m_unrouted.cend(); ++row)
        if (!open.contains(row.key()))
            ok = runStatement(q, Statements::ExtendUnroutedPeriod, {at, row.value()});
    if (!ok) {
        *error = statementError(q);
        q.finish();
        if (inTransaction)
            handle.rollback();
        // Begun anew at the next pass.
        m_unrouted.clear();
        return false;
    }
    q.finish();
    if (inTransaction && !handle.commit()) {
        *error = handle.lastError().text();
        m_unrouted.clear();
        return false;
    }
    m_unrouted = open;
    return true;
}

bool WatchedTimeRecorder::stopped(const QSqlDatabase &db, const QDateTime &at, QString *error)
{
    if (!m_row)
        return true;
    const QString end = DateTimeText::fromDateTime(at);
    bool ok = update(db, end, Ended::Stopped, error);
    m_row.reset();
    // The hosts still without a route were unwatched until the stop.
    if (ok && !m_unrouted.isEmpty())
        ok = carryUnrouted(db, end, m_unrouted.keys(), error);
    m_unrouted.clear();
    return ok;
}

qint64 WatchedTimeKeeper::bootClockMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

WatchedTimeKeeper::WatchedTimeKeeper(PollingEngine *engine, const Clock *clock, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_clock(clock)
{
    connect(engine, &PollingEngine::passEnded, this, &WatchedTimeKeeper::onPassEnded);
    connect(engine, &PollingEngine::watchEnded, this, &WatchedTimeKeeper::onWatchEnded);
}

void WatchedTimeKeeper::tellFailure(const QString &error)
{
    // Once a run: a database without the table says so at every pass.
    if (error.isEmpty() || m_told)
        return;
    m_told = true;
    std::fprintf(stderr, "orvant: %s\n", tr("Время наблюдения не записано: %1").arg(error).toLocal8Bit().constData());
    std::fflush(stderr);
}

void WatchedTimeKeeper::onPassEnded(const PassReport &report)
{
    WatchedTimeRecorder::Pass pass;
    pass.at = report.endedAt;
    pass.bootMs = m_bootMs();
    // Two intervals, and the four attempts of the slowest host on top. A
    // pass starts at the one-second tick after its interval, so an interval
    // of 0 is one second, and the tick adds up to one more.
    const qint64 intervalMs = qMax(1, report.refreshSecs) * qint64(1000);
    pass.longestGapMs = 2 * intervalMs + 4 * qint64(report.slowestTimeoutMs) + 1000;
    pass.watched = report.watched;
    pass.whyNot = report.noNetwork ? WatchedTimeRecorder::Ended::NoNetwork : WatchedTimeRecorder::Ended::NotProbed;
    if (pass.watched)
        pass.unrouted = report.unrouted;
    if (MonitorStore *store = m_engine->store())
        store->watchedPassEnded(this, pass, [this](const QString &error) { tellFailure(error); });
}

void WatchedTimeKeeper::onWatchEnded()
{
    if (MonitorStore *store = m_engine->store())
        store->watchedStopped(this, m_clock->now(), [this](const QString &error) { tellFailure(error); });
}

} // namespace monitor
