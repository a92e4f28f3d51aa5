#pragma once

#include "Database.h"
#include "DatabaseConfig.h"
#include "MonitorLock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>

class QIODevice;
class QSqlError;
class QTimer;

namespace monitor {

// The monitor's connection to a database server, and its claim on the
// database (MonitorLock).
//
// The server may go away at any moment: a statement that finds the
// connection broken closes it here (lost()), and from then on tick() tries
// to get it back, once a tick and without blocking the event loop: it first
// knocks at the server's socket asynchronously and opens the connection only
// once something answers there, so an unreachable server costs no connect
// timeout on the UI thread. A reopened connection takes the lock again; if
// another monitor took the database meanwhile, this one stays closed (and so
// writes nothing) until that lock is free.
class ServerSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerSession)

public:
    enum class State { Closed, Connected, HeldByOther };
    enum class OpenResult { Opened, Failed, HeldByOther };

    ServerSession(const DatabaseConfig &config, const Database::Options &options, const QString &connectionName,
                  QObject *parent = nullptr);
    ~ServerSession() override;

    // Opens the connection now and takes the lock; *text gets the error or
    // the lock's holder.
    OpenResult open(QString *text);
    // The same at start-up, where waiting is fine but not for libpq's whole
    // connect timeout: a server that does not even take a socket
    // connection within KnockTimeoutMs is told as such.
    OpenResult openAtStart(QString *text);
    // Once a tick while not connected: starts (or keeps waiting for) one
    // reconnection attempt; never more than one at a time.
    void tick();
    // Gives up the connection (and with it the lock): at the program's end.
    void close();

    // The name the session shows on the server (application_name): this
    // process's, unless a test plays a monitor elsewhere.
    void setSessionName(const QString &name) { m_sessionName = name; }
    QString sessionName() const { return m_sessionName; }

    State state() const { return m_state; }
    bool isConnected() const { return m_state == State::Connected; }
    const DatabaseConfig &config() const { return m_config; }
    // What the last opening had to say about a database that did open (an
    // upgrade that could not be made now); empty when nothing.
    QString warning() const { return m_warning; }
    QString connectionName() const { return m_connectionName; }
    // After an opening held by another: whether that was this run's own
    // earlier session.
    bool heldByOwnSession() const { return m_heldByOwn; }

    // Statements may go to the connection now: it is open and this monitor
    // owns the database.
    bool usable() const;
    // A statement failed. True when it failed because the connection is
    // gone: it is closed, told once (connectionLost), and made again later
    // by the ticks; the caller keeps what it meant to do for then.
    bool lost(const QSqlError &error);

    // How long one knock at the server's socket may take.
    static constexpr int KnockTimeoutMs = 3000;
    // After this many logins in a row that the server answered and refused
    // (a wrong password, a missing database), the next waits this long:
    // 1 s, 2 s, 4 s … up to a minute, so a wrong password does not log in
    // once a second forever. Knocks at a silent socket cost the server
    // nothing and go on once a tick.
    static int retryDelayMs(int failedOpens);
    static constexpr int MaxRetryDelayMs = 60'000;

signals:
    // The connection broke; why is the driver's text.
    void connectionLost(const QString &why);
    // Open again with the lock held: kept writes may go on.
    void reconnected();
    // An attempt failed (the server does not answer, refuses the login …).
    void reconnectFailed(const QString &error);
    // The server is back but another monitor owns the database now;
    // ownSession: it is this run's own earlier session, which the server has
    // not ended yet (its backend stopped answering), not another monitor.
    void heldByOther(const QString &holder, bool ownSession);

private:
    MonitorLock::Result takeVantage(QSqlDatabase db, QString *holder, QString *error);
    void knock();
    // The socket the server should listen on: a local one for a socket
    // directory (or none named), else TCP; null when libpq's own choice
    // among several hosts cannot be foreseen.
    QIODevice *makeKnockSocket();
    void onKnockAnswered();
    void onKnockFailed();
    void endKnock();

    DatabaseConfig m_config;
    Database::Options m_options;
    QString m_connectionName;
    QString m_sessionName;
    QString m_warning;
    State m_state = State::Closed;
    bool m_heldByOwn = false;
    int m_failedOpens = 0;
    QElapsedTimer m_sinceFailedOpen;
    QPointer<QIODevice> m_knock;
    QTimer *m_knockTimeout = nullptr;
};

} // namespace monitor
