#pragma once

#include "DatabaseConfig.h"
#include "LatencyRecorder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class DatabaseThread;

namespace monitor {

// Keeps the monitor's round trips and loss: each pass's samples go to the
// database on a database thread (never the window's), and after each pass
// consolidation and retention go on there a step per job, so other jobs of
// that thread wait at most one short step.
//
// Until the database is reachable the passes wait here, in order, up to
// MaxWaitingPasses (then the oldest go, and that is said once).
class LatencyService final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LatencyService)

public:
    static constexpr int MaxWaitingPasses = 120;
    // Consolidation and retention steps after one pass, at most.
    static constexpr int StepsPerPass = 40;

    LatencyService(const DatabaseConfig &database, const QString &connectionName, QObject *parent = nullptr);
    ~LatencyService() override;

    // Blocks until the jobs posted so far are done (tests, program end).
    void waitIdle();

public slots:
    void record(const QDateTime &at, const std::vector<monitor::LatencySample> &samples);

signals:
    // A step failed; said once until a step succeeds again.
    void failed(const QString &what, const QString &errorText);

private:
    struct Pass
    {
        QDateTime at;
        std::vector<LatencySample> samples;
    };
    void flush();
    void maintain(int stepsLeft);
    void report(const QString &what, const QString &error);

    DatabaseConfig m_database;
    std::unique_ptr<DatabaseThread> m_thread;
    std::unique_ptr<LatencyRecorder> m_recorder;  // lives on, and is used only from, the database thread
    // Shared with the job that writes it: a pass of 10,000 hosts is copied
    // once, when it comes, not again for the database thread.
    std::deque<std::shared_ptr<const Pass>> m_waiting;
    bool m_flushing = false;
    bool m_maintaining = false;
    QString m_lastError;
};

} // namespace monitor
