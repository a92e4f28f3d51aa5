#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>

// A program's database connection on a thread of its own. Jobs run there one
// at a time, in the order posted; a job's result comes back on the thread of
// the object that asked, and only while that object still lives.
class DatabaseThread final : public QObject
{
    Q_DISABLE_COPY_MOVE(DatabaseThread)

public:
    // Set by the asker, read by a long job between steps.
    class CancelToken
    {
    public:
        CancelToken()
            : m_flag(std::make_shared<std::atomic_bool>(false))
        {
        }
        void cancel() const { m_flag->store(true); }
        bool isCancelled() const { return m_flag->load(); }

    private:
        std::shared_ptr<std::atomic_bool> m_flag;
    };

    DatabaseThread(const QString &connectionName, QObject *parent = nullptr)
        : QObject(parent)
        , m_connectionName(connectionName)
    {
        m_thread.setObjectName(QStringLiteral("database"));
        m_worker = new QObject;
        m_worker->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        m_thread.start();
    }
    ~DatabaseThread() override
    {
        const QString name = m_connectionName;
        QMetaObject::invokeMethod(m_worker, [name] {
            // The connection was made on this thread and ends on it.
            if (QSqlDatabase::contains(name)) {
                QSqlDatabase::database(name, false).close();
                QSqlDatabase::removeDatabase(name);
            }
        }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QString connectionName() const { return m_connectionName; }

    template <class Job, class Then> void post(QObject *context, Job job, Then then)
    {
        using Result = std::invoke_result_t<Job, QSqlDatabase>;
        const QPointer<QObject> asker(context);
        QMetaObject::invokeMethod(m_worker, [this, asker, job = std::move(job), then = std::move(then)]() mutable {
            if (!asker)
                return;
            m_started.store(QDateTime::currentMSecsSinceEpoch());
            if constexpr (std::is_void_v<Result>) {
                job(database());
                m_started.store(0);
                QMetaObject::invokeMethod(asker.data(), [then = std::move(then)]() mutable { then(); },
                                          Qt::QueuedConnection);
            } else {
                Result result = job(database());
                m_started.store(0);
                QMetaObject::invokeMethod(
                    asker.data(),
                    [then = std::move(then), result = std::move(result)]() mutable { then(std::move(result)); },
                    Qt::QueuedConnection);
            }
        });
    }

    template <class Job> void post(Job job)
    {
        QMetaObject::invokeMethod(m_worker, [this, job = std::move(job)]() mutable { job(database()); });
    }

    // Blocks the caller until the job ran: for start-up and tools only.
    template <class Job> auto call(Job job) -> std::invoke_result_t<Job, QSqlDatabase>
    {
        using Result = std::invoke_result_t<Job, QSqlDatabase>;
        if constexpr (std::is_void_v<Result>) {
            QMetaObject::invokeMethod(m_worker, [&] { job(database()); }, Qt::BlockingQueuedConnection);
        } else {
            Result result{};
            QMetaObject::invokeMethod(m_worker, [&] { result = job(database()); }, Qt::BlockingQueuedConnection);
            return result;
        }
    }

    // How long the running job has run, or 0 when none runs.
    qint64 jobElapsedMs() const
    {
        const qint64 started = m_started.load();
        return started ? QDateTime::currentMSecsSinceEpoch() - started : 0;
    }

private:
    QSqlDatabase database() const { return QSqlDatabase::database(m_connectionName, false); }

    QString m_connectionName;
    QThread m_thread;
    QObject *m_worker = nullptr;
    std::atomic<qint64> m_started{0};
};
