#include "DatabaseExecutor.h"

#include "DatabaseThread.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstdio>

namespace monitor {

DatabaseExecutor::DatabaseExecutor(const QString &connectionName, QObject *parent)
    : DatabaseExecutor(false, connectionName, parent)
{
}

DatabaseExecutor::DatabaseExecutor(bool threaded, const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_threaded(threaded)
    , m_baseName(connectionName)
    , m_connectionName(connectionName)
{
    if (m_threaded)
        startThread();
}

std::unique_ptr<DatabaseExecutor> DatabaseExecutor::threaded(const QString &baseName, QObject *parent)
{
    return std::unique_ptr<DatabaseExecutor>(new DatabaseExecutor(true, baseName, parent));
}

DatabaseExecutor::~DatabaseExecutor()
{
    release();
}

void DatabaseExecutor::setConnectionName(const QString &name)
{
    if (!m_threaded)
        m_connectionName = name;
}

void DatabaseExecutor::startThread()
{
    // Each thread has a connection of its own: a given-up thread may still
    // hold its old one when the statement finally comes back.
    m_connectionName = QStringLiteral("%1-%2").arg(m_baseName).arg(m_generation);
    m_thread = std::make_unique<DatabaseThread>(m_connectionName);
}

void DatabaseExecutor::run(QObject *context, Job job, std::function<void()> then)
{
    if (!m_threaded) {
        QPointer<QObject> guard(context);
        job(QSqlDatabase::database(m_connectionName, false));
        if (guard)
            then();
        return;
    }
    // An answer of a thread given up meanwhile is dropped: by then its
    // waiter has been told the thread was replaced.
    if (!m_thread)
        return;  // released at the program's end
    const int generation = m_generation;
    QPointer<DatabaseExecutor> self(this);
    m_thread->post(context, std::move(job), [self, generation, then = std::move(then)] {
        if (self && self->m_generation == generation)
            then();
    });
}

void DatabaseExecutor::post(Job job)
{
    if (!m_threaded) {
        job(QSqlDatabase::database(m_connectionName, false));
        return;
    }
    if (m_thread)
        m_thread->post(std::move(job));
}

qint64 DatabaseExecutor::jobElapsedMs() const
{
    return m_thread ? m_thread->jobElapsedMs() : -1;
}

int DatabaseExecutor::jobsWaiting() const
{
    return m_thread ? m_thread->jobsWaiting() : 0;
}

bool DatabaseExecutor::checkStuck()
{
    if (!m_thread || m_thread->jobElapsedMs() < StatementLimitMs)
        return false;
    replace();
    return true;
}

void DatabaseExecutor::replace()
{
    if (!m_threaded)
        return;
    std::fprintf(stderr, "orvant: a database statement did not come back within %d ms; its connection is given up\n",
                 StatementLimitMs);
    std::fflush(stderr);
    m_thread->abandon();
    m_thread.reset();
    ++m_generation;
    startThread();
    emit replaced(m_generation);
}

void DatabaseExecutor::release(int graceMs)
{
    if (!m_thread)
        return;
    // A job that has run this long already is not about to come back.
    if (m_thread->jobElapsedMs() > HopelessMs)
        graceMs = 0;
    QElapsedTimer waited;
    waited.start();
    while (m_thread->jobsWaiting() > 0 && waited.elapsed() < graceMs)
        QThread::msleep(2);
    if (m_thread->jobsWaiting() > 0)
        m_thread->abandon();
    m_thread.reset();
}

} // namespace monitor
