#include "WatchedTime.h"

#include "Clock.h"
#include "Database.h"
#include "DateTimeText.h"
#include "MonitorStore.h"
#include "PassReport.h"
#include "PollingEngine.h"
#include "Statements.h"

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
        // The stretch ends where the last watched pass left it.
        if (m_row) {
            ok = update(db, m_lastEnd, pass.whyNot, error);
            m_row.reset();
        }
        return ok;
    }
    if (lagged || stepped) {
        ok = update(db, m_lastEnd, Ended::Gap, error);
        m_row.reset();
    }
    if (!m_row)
        return begin(db, at, error) && ok;
    return update(db, at, Ended::NotYet, error);
}

bool WatchedTimeRecorder::stopped(const QSqlDatabase &db, const QDateTime &at, QString *error)
{
    if (!m_row)
        return true;
    const bool ok = update(db, DateTimeText::fromDateTime(at), Ended::Stopped, error);
    m_row.reset();
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
    if (MonitorStore *store = m_engine->store())
        store->watchedPassEnded(this, pass, [this](const QString &error) { tellFailure(error); });
}

void WatchedTimeKeeper::onWatchEnded()
{
    if (MonitorStore *store = m_engine->store())
        store->watchedStopped(this, m_clock->now(), [this](const QString &error) { tellFailure(error); });
}

} // namespace monitor
