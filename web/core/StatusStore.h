#pragma once

#include "DatabaseConfig.h"
#include "StatusSnapshot.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class DatabaseThread;

namespace web {

class StatusReader;

// The server's one store: its database thread and connection (opened
// read-only, as the grapher's), its reading every second and its rule for
// connecting again. The HTTP side never touches Qt SQL: it reads the newest
// snapshot, which is swapped in whole when a reading is done.
//
// A database that stops answering does not stop the server: a reading that
// has not come back after stuckAfterMs (three times that before the first
// reading, which reads the most) is given up with its thread and connection
// (DatabaseThread::abandon) and a new connection is tried; until one
// answers, databaseAnswers() is false and the last snapshot stays.
// Failed openings are tried again less and less often, up to every 30 s.
// A database file moved away or put back from a copy is opened anew.
class StatusStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusStore)

public:
    using Clock = std::function<QDateTime()>;

    explicit StatusStore(const DatabaseConfig &config, QObject *parent = nullptr);
    ~StatusStore() override;

    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setIntervalMs(int ms);
    void setStuckAfterMs(int ms) { m_stuckAfterMs = ms; }
    void start();

    // Null until the first reading succeeded.
    std::shared_ptr<const StatusSnapshot> snapshot() const { return m_snapshot; }
    // Whether the last reading succeeded and is recent.
    bool databaseAnswers() const;
    QString lastError() const { return m_lastError; }
    DatabaseConfig config() const { return m_config; }

signals:
    void refreshed(bool ok);

private:
    struct Result;
    struct Opened;
    void tick();
    void newThread();
    void finished(const std::shared_ptr<Result> &result);

    DatabaseConfig m_config;
    Clock m_clock;
    QTimer m_timer;
    int m_intervalMs = 1000;
    int m_stuckAfterMs = 10'000;
    std::unique_ptr<DatabaseThread> m_thread;
    std::shared_ptr<StatusReader> m_reader;
    std::shared_ptr<Opened> m_opened;
    int m_generation = 0;
    bool m_inFlight = false;
    int m_failures = 0;
    QElapsedTimer m_sinceAttempt;
    QElapsedTimer m_sinceSuccess;
    bool m_lastOk = false;
    QString m_lastError;
    std::shared_ptr<const StatusSnapshot> m_snapshot;
};

} // namespace web
