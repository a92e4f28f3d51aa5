#pragma once

#include "LatencyRecorder.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

namespace monitor {

class Clock;
class MonitorStore;
struct PassReport;

// Keeps the monitor's round trips and loss: each pass's samples go to the
// store, and after each pass consolidation and retention go on there a step
// per operation, so the store's other work waits at most one short step.
//
// Until the database takes them (it is away, read-only, full) the passes
// wait here, in order, up to MaxWaitingSamples (then the oldest go, and that
// is said once); at the program's end they are kept in a file, as the
// outage writes are, and the next start writes them.
class LatencyService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LatencyService)

public:
    static constexpr qsizetype MaxWaitingSamples = 1'000'000;
    // Consolidation and retention steps after one pass, at most.
    static constexpr int StepsPerPass = 40;

    // Neither is owned; the clock dates retention.
    LatencyService(MonitorStore *store, const Clock *clock, QObject *parent = nullptr);

    // Passes not yet in the database.
    int waitingPasses() const { return int(m_waiting.size()); }
    // Whether an operation is under way.
    bool isBusy() const { return m_flushing || m_maintaining; }

    // The passes not written yet, kept in a file for the next run (none: the
    // file goes). The pass whose write is under way is left out: it may have
    // reached the database, and made again it would count twice.
    bool save(const QString &path, QString *error) const;
    // Takes back what an earlier run kept, ahead of any new pass, and
    // removes the file.
    bool load(const QString &path, QString *error);

public slots:
    // The samples of a pass that began probing at `at`.
    void record(const QDateTime &at, const std::vector<monitor::LatencySample> &samples);
    // Those of a pass's report.
    void passEnded(const monitor::PassReport &report);

signals:
    // A step failed; said once until a step succeeds again.
    void failed(const QString &what, const QString &errorText);

private:
    // Shared with the store's job that writes it: a pass of 10,000 hosts is
    // copied by nobody on its way to the database.
    struct Pass
    {
        QDateTime at;
        std::shared_ptr<const std::vector<LatencySample>> samples;
    };
    void keep(Pass pass);
    void flush();
    void maintain(int stepsLeft);
    void report(const QString &what, const QString &error);

    QPointer<MonitorStore> m_store;
    const Clock *m_clock;
    std::deque<Pass> m_waiting;
    qsizetype m_waitingSamples = 0;
    bool m_flushing = false;
    bool m_maintaining = false;
    QString m_lastError;
};

} // namespace monitor
