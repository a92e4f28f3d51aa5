#include "DatabaseThread.h"

#include "Database.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>

namespace {

qint64 steadyMs()
{
    static const QElapsedTimer start = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return start.elapsed();
}

} // namespace

// Lives on the database thread; jobs are queued calls to it, so Qt's event
// queue keeps them in order.
class DatabaseThread::Worker final : public QObject
{
public:
    using QObject::QObject;
};

QSqlDatabase DatabaseThread::Shared::database() const
{
    return QSqlDatabase::database(connectionName, false);
}

void DatabaseThread::Shared::deliver(const QPointer<QObject> &context, std::function<void()> fn)
{
    // The lock keeps home alive while the call is queued to it; a call
    // queued to an object destroyed later is dropped by Qt.
    const QMutexLocker lock(&homeLock);
    if (!home || abandoned.load())
        return;
    QMetaObject::invokeMethod(
        home,
        [context, fn = std::move(fn)]() {
            if (context)
                fn();
        },
        Qt::QueuedConnection);
}

DatabaseThread::DatabaseThread(const QString &connectionName, QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_thread(new QThread), m_worker(new Worker)
{
    m_shared->connectionName = connectionName;
    m_shared->home = this;
    m_thread->setObjectName(QStringLiteral("database"));
    m_worker->moveToThread(m_thread);
    m_thread->start();
}

DatabaseThread::~DatabaseThread()
{
    if (m_stopped)
        return;
    {
        const QMutexLocker lock(&m_shared->homeLock);
        m_shared->home = nullptr;
    }
    if (m_shared->abandoned.load())
        return;  // the thread and its worker are left to the stuck job
    finishAfterJobs();
    m_thread->wait();
    delete m_thread;
}

void DatabaseThread::finishAfterJobs()
{
    // Queued behind every job: a quit() asked from here could end the
    // thread's loop before it has run the jobs already posted.
    const QString name = m_shared->connectionName;
    QMetaObject::invokeMethod(
        m_worker,
        [name, worker = m_worker] {
            Database::close(name);
            worker->deleteLater();  // as the thread ends
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
}

void DatabaseThread::enqueue(std::function<void()> job)
{
    std::shared_ptr<Shared> shared = m_shared;
    if (shared->abandoned.load() || m_stopped)
        return;
    shared->waiting.fetch_add(1);
    QMetaObject::invokeMethod(
        m_worker,
        [shared, job = std::move(job)]() {
            if (!shared->abandoned.load()) {
                shared->jobStarted.store(steadyMs());
                job();
                shared->jobStarted.store(-1);
            }
            shared->waiting.fetch_sub(1);
        },
        Qt::QueuedConnection);
}

void DatabaseThread::runBlocking(const std::function<void()> &job)
{
    if (isDatabaseThread()) {
        job();
        return;
    }
    std::shared_ptr<Shared> shared = m_shared;
    if (shared->abandoned.load() || m_stopped)
        return;
    shared->waiting.fetch_add(1);
    QMetaObject::invokeMethod(
        m_worker,
        [shared, &job]() {
            shared->jobStarted.store(steadyMs());
            job();
            shared->jobStarted.store(-1);
            shared->waiting.fetch_sub(1);
        },
        Qt::BlockingQueuedConnection);
}

qint64 DatabaseThread::jobElapsedMs() const
{
    const qint64 started = m_shared->jobStarted.load();
    return started < 0 ? -1 : steadyMs() - started;
}

void DatabaseThread::abandon()
{
    if (m_stopped || m_shared->abandoned.load())
        return;
    m_shared->abandoned.store(true);
    // The thread object must outlive the job it runs: it is let go, and the
    // thread ends (deleting what it holds) once the job comes back.
    QThread *thread = m_thread;
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { delete worker; }, Qt::QueuedConnection);
    thread->quit();
}

bool DatabaseThread::stop(int waitMs)
{
    if (m_stopped)
        return !m_shared->abandoned.load();
    m_stopped = true;
    {
        const QMutexLocker lock(&m_shared->homeLock);
        m_shared->home = nullptr;
    }
    QThread *thread = m_thread;
    if (m_shared->abandoned.load()) {
        m_thread = nullptr;  // left to the stuck job by abandon()
        return false;
    }
    finishAfterJobs();
    if (thread->wait(QDeadlineTimer(qMax(0, waitMs)))) {
        delete thread;
        m_thread = nullptr;
        return true;
    }
    // The jobs still queued are skipped; the one running ends the thread
    // (closing its connection) once it comes back, if ever before the
    // program ends.
    m_shared->abandoned.store(true);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_thread = nullptr;
    return false;
}

bool DatabaseThread::isDatabaseThread() const
{
    return QThread::currentThread() == m_thread;
}
