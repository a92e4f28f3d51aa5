#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

class DatabaseThread;

namespace monitor {

// Where the monitor's statements run.
//
// Threaded, every statement runs on the program's one database thread and
// its outcome comes back to the caller's thread by a later call: the window
// never waits for the database. A statement that does not come back within
// StatementLimitMs (a server that froze while holding it) costs the
// thread: it is given up with its connection, a fresh thread with a new
// connection takes its place (replaced()), and whoever waited for an
// answer from the old one treats it as "not now, try again".
//
// Inline, a statement runs at once on the caller's thread on the named
// connection and its outcome is handled before run() returns: what tests
// of the parts above use to follow each step in order.
class DatabaseExecutor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatabaseExecutor)

public:
    // The longest a statement may hold the database thread.
    static constexpr int StatementLimitMs = 15'000;

    // At the program's end a job running this long is not waited for.
    static constexpr int HopelessMs = 1000;

    using Job = std::function<void(QSqlDatabase)>;

    // Inline on `connectionName`.
    explicit DatabaseExecutor(const QString &connectionName, QObject *parent = nullptr);
    // On a database thread of its own, connections named after `baseName`.
    static std::unique_ptr<DatabaseExecutor> threaded(const QString &baseName, QObject *parent = nullptr);
    ~DatabaseExecutor() override;

    bool isThreaded() const { return m_threaded; }
    // The connection jobs get: on the database thread once threaded. It
    // changes when the thread is replaced.
    QString connectionName() const { return m_connectionName; }
    void setConnectionName(const QString &name);
    // How many times the thread was replaced so far.
    int generation() const { return m_generation; }

    // Runs job on the connection, then `then` on the caller's thread unless
    // `context` is gone (or the thread was given up meanwhile).
    void run(QObject *context, Job job, std::function<void()> then);
    // A job nobody waits for.
    void post(Job job);

    // Milliseconds the running job has taken, -1 when none runs (always -1 inline).
    qint64 jobElapsedMs() const;
    int jobsWaiting() const;

    // Looks at the running job: one past the limit costs the thread.
    // True when it was replaced.
    bool checkStuck();
    // Gives up the thread now and starts a fresh one.
    void replace();
    // At the program's end: a thread still busy after graceMs (a statement
    // that does not come back, a server that takes a connection and never
    // answers) is given up instead of being waited for.
    void release(int graceMs = 150);

signals:
    // The thread was given up; answers owed by it never come.
    void replaced(int generation);

private:
    DatabaseExecutor(bool threaded, const QString &connectionName, QObject *parent);
    void startThread();

    bool m_threaded;
    QString m_baseName;
    QString m_connectionName;
    int m_generation = 0;
    std::unique_ptr<DatabaseThread> m_thread;
};

} // namespace monitor
