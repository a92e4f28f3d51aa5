#pragma once

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

class QThread;

// Asked by a long job between its steps; the window that started the job
// sets it when the operator cancels or the window goes away.
class CancelToken
{
public:
    CancelToken() : m_flag(std::make_shared<std::atomic_bool>(false)) {}
    void cancel() const { m_flag->store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_flag->load(std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic_bool> m_flag;
};

// The one thread of a program on which its database connection lives.
//
// Qt SQL connections belong to the thread that made them, and a statement
// can wait as long as the database makes it wait (another program's lock, a
// server that went silent). So no window calls Qt SQL: a window posts a job,
// the job runs here with the connection, and its result comes back to the
// window's thread as a call of `then`. Jobs run one at a time in the order
// they were posted, which is what keeps a program's writes in order.
//
// The connection is named connectionName() and is opened and closed by jobs
// like any other statement (Database::open from a job), so it is made on
// this thread. The destructor closes it here and waits for the thread.
class DatabaseThread final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatabaseThread)

    // What a job still running may touch after its DatabaseThread was
    // destroyed or gave it up: never the DatabaseThread itself.
    struct Shared
    {
        QString connectionName;
        std::atomic<qint64> jobStarted{-1};
        std::atomic<int> waiting{0};
        std::atomic_bool abandoned{false};
        QMutex homeLock;
        QObject *home = nullptr;  // where results go; null once gone

        QSqlDatabase database() const;
        void deliver(const QPointer<QObject> &context, std::function<void()> fn);
    };

public:
    explicit DatabaseThread(const QString &connectionName, QObject *parent = nullptr);
    ~DatabaseThread() override;

    QString connectionName() const { return m_shared->connectionName; }

    // Runs job(QSqlDatabase) on the database thread after every job posted
    // before it, then then(result) (or then() for a job without a result)
    // on the thread this object lives on, unless `context` was destroyed
    // meanwhile. `context` must live on that same thread.
    template <typename Job, typename Then>
    void post(QObject *context, Job job, Then then)
    {
        using Result = std::invoke_result_t<Job &, QSqlDatabase>;
        QPointer<QObject> guard(context);
        std::shared_ptr<Shared> shared = m_shared;
        enqueue([shared, job = std::move(job), then = std::move(then), guard]() mutable {
            if constexpr (std::is_void_v<Result>) {
                job(shared->database());
                shared->deliver(guard, [then]() mutable { then(); });
            } else {
                Result result = job(shared->database());
                shared->deliver(guard, [then, result = std::move(result)]() mutable { then(std::move(result)); });
            }
        });
    }

    // A job whose outcome nobody waits for (it reports by itself, if at all).
    template <typename Job>
    void post(Job job)
    {
        std::shared_ptr<Shared> shared = m_shared;
        enqueue([shared, job = std::move(job)]() mutable { job(shared->database()); });
    }

    // Runs the job and waits for its result: for the start-up of
    // command-line tools and for tests, never from a shown window. Called on
    // the database thread itself it runs the job at once.
    template <typename Job>
    auto call(Job job) -> std::invoke_result_t<Job &, QSqlDatabase>
    {
        using Result = std::invoke_result_t<Job &, QSqlDatabase>;
        std::shared_ptr<Shared> shared = m_shared;
        if constexpr (std::is_void_v<Result>) {
            runBlocking([&] { job(shared->database()); });
        } else {
            std::optional<Result> result;
            runBlocking([&] { result.emplace(job(shared->database())); });
            if (!result)
                return Result{};  // given up (abandon()): nothing ran
            return std::move(*result);
        }
    }

    // Calls fn on this object's thread unless `context` is gone by then: how
    // a long job tells its progress while it runs. Callable from any thread.
    void deliver(const QPointer<QObject> &context, std::function<void()> fn) { m_shared->deliver(context, std::move(fn)); }

    // Milliseconds the job now running has taken, -1 while none runs: lets
    // the owner see a statement that does not come back.
    qint64 jobElapsedMs() const;
    // Jobs posted and not finished yet, the running one included.
    int jobsWaiting() const { return m_shared->waiting.load(); }

    // Gives up a thread whose job does not come back (a server that froze
    // while it held our statement): the thread is left to end by itself,
    // its later jobs never run and nothing of it is delivered any more. The
    // owner makes a new DatabaseThread with a connection name of its own.
    void abandon();
    bool isAbandoned() const { return m_shared->abandoned.load(); }

    // Ends the thread for the program's end, whatever the database does:
    // the jobs posted so far run, then the connection is closed, and this
    // waits at most `waitMs` for all of it. A job that has not come back by
    // then is given up as abandon() does. Nothing is delivered any more and
    // later posts are dropped. True when the thread ended in time.
    bool stop(int waitMs);
    bool isStopped() const { return m_stopped; }

    bool isDatabaseThread() const;

private:
    void enqueue(std::function<void()> job);
    void finishAfterJobs();
    void runBlocking(const std::function<void()> &job);

    class Worker;
    std::shared_ptr<Shared> m_shared;
    QThread *m_thread;
    Worker *m_worker;
    bool m_stopped = false;
};
