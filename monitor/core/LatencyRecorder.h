#pragma once

#include <QDateTime>
#include <QHash>
#include <QMetaType>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace monitor {

// What one pass learnt about one host.
struct LatencySample
{
    QString ip;
    QString desc;
    int sent = 0;   // echo requests sent (1..4; 0 when none could be)
    int lost = 0;   // of them unanswered
    std::optional<qint64> rttUs;  // of the answered attempt
    int timeoutMs = 0;            // the host's, to judge the round trip; 0: not judged
};

// Keeps the round trips and losses of every pass, consolidates them into
// hourly and daily rows and drops what is older than the operator keeps.
//
// Works on the connection it is given, from whichever thread owns that
// connection, and never from two threads at once. Every write is a short
// transaction of its own:
// - a pass's samples: one transaction (its hour and day rows made as needed);
// - consolidation: one step turns the samples of one closed hour (or day)
//   for a range of hosts into rows and moves the hour's progress mark past
//   them, in one transaction. Killed at any moment, a step is either wholly
//   there or wholly not, so no host's hour is counted twice or lost;
// - retention: a few passes' samples, or one old hour's rows, per step.
// The samples a step reads belong to closed hours, which nothing writes any
// more, so they are read before the write lock is taken.
class LatencyRecorder final
{
public:
    enum class Step { Idle, Worked, Failed };

    struct Retention
    {
        int rawDays = 14;
        int hourlyYears = 5;
    };

    explicit LatencyRecorder(QSqlDatabase db);

    // The pass that began at `at` (local time). Round trips that cannot be
    // true (negative, or above the host's timeout) are kept as answered
    // without a round trip.
    bool recordPass(const QDateTime &at, const std::vector<LatencySample> &samples, QString *error);

    // One bounded step of consolidation: Idle when nothing is waiting.
    Step consolidateStep(QString *error);
    // One bounded step of retention, as of `now`.
    Step retentionStep(const QDateTime &now, const Retention &retention, QString *error);

    // The vantage point whose passes these are (empty: a plain monitor):
    // each pass is written with its name in vantage_passes too.
    void setVantage(const QString &name) { m_vantage = name; }

    // About how many samples one step reads (and so how many rows it writes
    // at most): keeps each write transaction short.
    void setStepSamples(int samples) { m_stepSamples = qMax(1, samples); }

    // A sample's round trip as stored: none where it cannot be a real one.
    static std::optional<qint64> plausibleRtt(std::optional<qint64> rttUs, int timeoutMs);

private:
    bool load(QString *error);
    bool ensureHour(const QDateTime &at, QString *error);
    bool hostId(const LatencySample &s, qint64 *id, QString *error);
    Step consolidate(bool day, qint64 unit, qint64 doneHost, QString *error);
    void forget();

    QSqlDatabase m_db;
    bool m_loaded = false;
    QHash<QString, qint64> m_hostIds;
    QHash<qint64, QString> m_hostDesc;
    qint64 m_hourId = 0;
    QString m_hourText;
    qint64 m_dayId = 0;
    QString m_dayText;
    int m_stepSamples = 20000;
    QString m_vantage;
};

} // namespace monitor

Q_DECLARE_METATYPE(std::vector<monitor::LatencySample>)
