#pragma once

#include "Database.h"
#include "DatabaseConfig.h"
#include "DatabaseThread.h"
#include "StoreReply.h"

#include <QObject>
#include <QString>

#include <memory>
#include <type_traits>
#include <utility>

// How an operation ended, as the operator reads it: the database's own text,
// and a line more when the server connection turned out lost (the next
// action connects again).
struct StoreOutcome
{
    bool ok = false;
    QString error;
};

// What a program's store shares: the program's one database thread and its
// one connection (a file or a server), opened with one busy timeout, and
// one way of reconnecting: an operator's action first opens a server
// connection that was lost, and a failure says when the connection is gone.
//
// Each program derives its own store with typed operations; they run on the
// database thread in the order they were asked and answer with a
// StoreReply. Windows never see the connection.
class ProgramStore : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgramStore)

public:
    // The longest the program's end waits for the statements still asked:
    // a healthy database answers well within it; one that does not come
    // back by then is given up, so a silent server never holds the end.
    static constexpr int QuitGraceMs = 500;

    struct Opened
    {
        StoreOutcome outcome;
        QString warning; // a file opened read-only, an upgrade not made now
    };

    // The connection is named after the program; `options` fix how it is
    // opened (read-only, busy timeout) for every (re)connection.
    ProgramStore(const QString &connectionName, const Database::Options &options, QObject *parent = nullptr);
    ~ProgramStore() override;

    // Opens the database of `config` on the database thread.
    StoreReply<Opened> open(const DatabaseConfig &config);
    // The configuration last asked to open.
    const DatabaseConfig &config() const { return m_config; }

    // Ends the database thread within `graceMs` whatever the database does
    // (see DatabaseThread::stop); nothing is answered afterwards.
    bool shutdown(int graceMs = QuitGraceMs);
    bool isShutDown() const { return m_thread.isStopped(); }

    // The thread itself: for the models of the program's core that page
    // through a listing on it, and for tests that hold it or ask its
    // session. Windows go through the operations.
    DatabaseThread &databaseThread() { return m_thread; }

protected:
    // What a job gets: the connection, and the failure text as the
    // operator reads it (a lost server connection noted).
    struct Connection
    {
        QSqlDatabase db;
        QString name;
        QString failure(const QString &error) const { return error + Database::withLossNoted(QString(), name); }
        StoreOutcome outcome(bool ok, const QString &error) const { return {ok, ok ? QString() : failure(error)}; }
    };

    // An operator's action: a lost server connection is opened again
    // first; should it still be away, the job's own failure says so.
    template <class Job> auto action(Job job) { return submit(std::move(job), true); }
    // Work nobody asked for just now (following a listing, columns read
    // after the listing): it leaves reconnecting to the next action.
    template <class Job> auto background(Job job) { return submit(std::move(job), false); }

    QString connectionName() const { return m_thread.connectionName(); }

private:
    template <class Job> auto submit(Job job, bool reconnect)
    {
        using Result = std::invoke_result_t<Job &, const Connection &>;
        StoreReply<Result> reply;
        if (isShutDown()) {
            reply.giveUp();
            return reply;
        }
        m_thread.post([reply, job = std::move(job), reconnect, name = connectionName()](QSqlDatabase) mutable {
            if (reconnect) {
                QString ignored;
                Database::reconnectIfLost(name, &ignored);
            }
            const Connection connection{QSqlDatabase::database(name, false), name};
            reply.set(job(connection));
        });
        return reply;
    }

    DatabaseThread m_thread;
    Database::Options m_options;
    DatabaseConfig m_config;
};
