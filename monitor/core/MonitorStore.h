#pragma once

#include "AlertGate.h"
#include "AlertRecords.h"
#include "DatabaseConfig.h"
#include "ExtraSettings.h"
#include "LatencyRecorder.h"
#include "OptionsRecord.h"
#include "OutagePaths.h"
#include "Outbox.h"
#include "VantagePass.h"
#include "WatchedTime.h"
#include "WriteQueue.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class DatabaseThread;
class SingleInstance;
class QTimer;

namespace monitor {

// Everything the monitor keeps in its database, as operations: the book and
// the open outages, the outage writes, the settings, round trips, watched
// time, the alert settings, marks and mutes, and the alert outbox.
//
// The store owns the monitor's one connection (the file or a server) and
// the one database thread it lives on, its one busy timeout and its one way
// of coming back: a file that could not be opened is tried again at a pass,
// a server that went away is knocked at once a tick and reconnected, and a
// statement that does not come back within StatementLimitMs costs its
// thread, which is left behind for a fresh one with a new connection. Its
// lock keeps a second monitor off the same database.
//
// Every operation runs where the connection lives and answers on the
// caller's thread through a callback, unless the caller (`context`) is gone
// by then. Nobody else receives the connection: the operations take and
// give plain values. Inline (tests that follow each step), an operation
// runs at once on the caller's thread and has answered when it returns.
class MonitorStore final : public QObject, public alerts::Outbox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonitorStore)

public:
    // A statement waits this long for another program's lock before the
    // write is kept for a later tick: the monitor never sits in a lock.
    static constexpr int BusyTimeoutMs = 50;
    // The longest a statement may hold the database thread.
    static constexpr int StatementLimitMs = 15'000;
    // At the program's end a statement running this long is not waited for.
    static constexpr int HopelessMs = 1000;

    // On a database thread of its own (the program).
    static std::unique_ptr<MonitorStore> threaded(QObject *parent = nullptr);
    // At once on the caller's thread, on the named connection: one the
    // caller opened already, or the one open() opens.
    static std::unique_ptr<MonitorStore> inlineOn(const QString &connectionName, QObject *parent = nullptr);
    ~MonitorStore() override;

    bool isThreaded() const { return m_threaded; }

    // The database: a file (DatabaseConfig::sqliteFile) or a server, and
    // where the file's one-monitor lock lives (empty: /run/lock). Set once,
    // before open().
    void setDatabase(const DatabaseConfig &config, const QString &lockDirectory = QString());
    const DatabaseConfig &config() const { return m_config; }
    bool isServer() const { return m_config.isServer(); }

    // --- opening --------------------------------------------------------
    struct Opening
    {
        enum Result { Opened, Failed, HeldByOther } result = Failed;
        QString error;     // Failed: why, in the database's or the lock's words
        QString warning;   // Opened: what the operator should know (read-only, an upgrade not made)
        // HeldByOther: whose monitor holds the database. A file: the user and
        // process (empty when unknown); a server: its session in words.
        QString holder;
        qint64 holderPid = 0;
        // The file's lock could not be made: the monitor goes on, but a
        // second one would not be noticed. The lock file and its error.
        QString lockFile;
        QString lockError;
    };
    // Takes the database's lock and opens it (atStart: may wait for a
    // server's socket a little, as the start-up's splash does).
    void open(QObject *context, bool atStart, std::function<void(const Opening &)> done);
    // Whether statements may go to the database now.
    bool isUsable() const;
    // Once a tick: a lost server is knocked at (never two attempts at once).
    void tick();

    // --- the book and the outages ----------------------------------------
    struct Book
    {
        enum Status { Read, NoDatabase, Lost, Failed } status = NoDatabase;
        QString error;
        struct Row
        {
            QString ip;
            QString desc;
            QVariant timeout;
            bool ipIsNull = false;  // told apart from an empty address
        };
        std::vector<Row> rows;
        // With the outages open now, when asked for.
        bool openAsked = false;
        enum OpenStatus { OpenRead, OpenLost, OpenFailed } openStatus = OpenRead;
        QString openError;
        QList<StoredOutage> open;
    };
    void readBook(QObject *context, bool withOpenOutages, std::function<void(const Book &)> done);

    struct OpenRead
    {
        bool ok = false;
        bool lost = false;  // a server that went away (told by connectionLost)
        QString error;
        QList<StoredOutage> rows;
    };
    void readOpenOutages(QObject *context, std::function<void(const OpenRead &)> done);

    // Connects the write queue to the store: each write is made where the
    // connection lives, one at a time and in order.
    void serve(WriteQueue *queue);

    // --- settings ---------------------------------------------------------
    struct Settings
    {
        bool ok = false;
        OptionsRecord record;
        QStringList problems;
        QString error;
        ExtraSettings extra;
    };
    void readSettings(QObject *context, std::function<void(const Settings &)> done);

    // --- round trips --------------------------------------------------------
    // A pass's samples; the error is empty when they were kept.
    void recordSamples(QObject *context, const QDateTime &at,
                       const std::shared_ptr<const std::vector<LatencySample>> &samples,
                       std::function<void(const QString &error)> done);
    // One bounded step of consolidation or retention (as of `now`): whether
    // it found work, and its error.
    void maintainSamples(QObject *context, const QDateTime &now,
                         std::function<void(bool worked, const QString &error)> done);

    // --- watched time ---------------------------------------------------------
    // Nothing is said while there is no database: the stretch begins anew
    // at the next watched pass that finds one.
    void watchedPassEnded(QObject *context, const WatchedTimeRecorder::Pass &pass,
                          std::function<void(const QString &error)> done);
    void watchedStopped(QObject *context, const QDateTime &at, std::function<void(const QString &error)> done);

    // --- alerts -----------------------------------------------------------
    void readAlerts(QObject *context, std::function<void(const AlertGate::Loaded &)> done);
    void writeMarks(QObject *context, const QList<AlertRecords::Mark> &marks,
                    std::function<void(const QString &error)> done);
    void writeMute(QObject *context, const AlertRecords::Mute &mute, std::function<void(const QString &error)> done);
    void liftMute(QObject *context, const QString &ip, std::function<void(const QString &error)> done);

    // --- the board and the paths --------------------------------------------
    // The board's round-trip thresholds by address (absent: the defaults).
    void readRttThresholds(QObject *context,
                           std::function<void(bool ok, const QHash<QString, OutagePaths::Thresholds> &, const QString &error)>
                               done);
    // The route traced when an outage began, kept with it.
    void writeOutagePath(QObject *context, const OutagePaths::Path &path, std::function<void(const QString &error)> done);
    // The paths of the outages open now.
    void readOpenOutagePaths(QObject *context,
                             std::function<void(bool ok, const QList<OutagePaths::Path> &, const QString &error)> done);

    // alerts::Outbox
    void moveSecretsOut(QObject *context,
                        std::function<void(const QStringList &moved, const QString &error)> done) override;
    void saveMessages(QObject *context, const QList<Entry> &entries,
                      std::function<void(int saved, const QString &error)> done) override;
    void readOutbox(QObject *context,
                    std::function<void(bool ok, const QList<alerts::PendingMessage> &pending,
                                       const QList<alerts::AlertChannel> &channels, const QString &error)>
                        done) override;
    void readChannels(QObject *context,
                      std::function<void(bool ok, const QList<alerts::AlertChannel> &channels, const QString &error)>
                          done) override;
    void removeMessages(QObject *context, const QList<qint64> &ids,
                        std::function<void(const QList<qint64> &removed, const QString &error)> done) override;
    void rescheduleMessage(QObject *context, qint64 id, int attempts, const QDateTime &nextTry,
                           std::function<void(const QString &error)> done) override;
    void logDelivery(QObject *context, const alerts::DeliveryEntry &entry,
                     std::function<void(const QString &error)> done) override;

    // --- vantage points -------------------------------------------------------
    // A vantage point's work at the end of each pass (see VantagePass.h):
    // its heartbeat, one try at the writer's lock, and for the writer the
    // rule applied to the log.
    void vantagePass(QObject *context, int intervalSeconds, std::function<void(const VantagePass &)> done);

    // --- the end ------------------------------------------------------------
    // Milliseconds the statement now running has taken, -1 when none runs.
    qint64 jobElapsedMs() const;
    int jobsWaiting() const;
    // Gives up the connection: statements still waiting get up to graceMs
    // (none when the one running is past HopelessMs); a thread still busy
    // then is left behind with its connection, never waited for.
    void close(int graceMs = 150);
    // A thread was left in a statement at the end: the program must end
    // without waiting for it.
    bool leftThreadBehind() const { return m_leftBehind; }

signals:
    // A server connection broke (why: the driver's words). Writes wait.
    void connectionLost(const QString &why);
    // The server is back with this monitor's lock held; warning: what its
    // opening had to say (empty when nothing).
    void reconnected(const QString &warning);
    void reconnectFailed(const QString &error);
    // The server is back but another monitor owns the database now;
    // ownSession: it is this monitor's own earlier session, one the server
    // has not ended yet (a backend that stopped answering).
    void heldByOther(const QString &holder, bool ownSession);
    // The file at the path is no longer the one open (deleted, or replaced
    // by another): nothing more goes to the one open. Writes wait until a
    // database is at the path again.
    void fileGone(const QString &path);
    // A statement did not come back within StatementLimitMs: its thread was
    // given up; what waited on it never hears back. The connection is made
    // anew (a file at the next pass, a server by its knocks).
    void statementGivenUp();

private:
    struct Side;
    struct FileIdentity;
    class InlineWriter;
    MonitorStore(bool threaded, const QString &connectionName, QObject *parent);

    // Runs job where the connection lives, then `then` on this thread
    // unless `context` went or the thread was given up meanwhile.
    void run(QObject *context, std::function<void(Side &)> job, std::function<void()> then);
    // A write of one statement or transaction: refused with the store's
    // reason while the database is unusable, a lost connection noticed, the
    // error (empty: written) handed to `done` (which may be empty).
    void write(QObject *context, std::function<bool(QSqlDatabase db, QString *error)> job,
               std::function<void(const QString &error)> done);
    // A read of one value, refused and noticed the same way; `done` gets
    // whether it was read, the value and the error.
    template <class T>
    void read(QObject *context, std::function<bool(QSqlDatabase db, T *value, QString *error)> job,
              std::function<void(bool ok, const T &value, const QString &error)> done);
    void startThread();
    void noticeFileGone(Side &side);
    void replaceThread();
    void checkStuck();
    void connectServer();
    Opening takeFileLock();

    bool m_threaded;
    QString m_inlineConnection;
    DatabaseConfig m_config;
    QString m_lockDirectory;
    std::unique_ptr<SingleInstance> m_fileLock;
    std::unique_ptr<DatabaseThread> m_thread;
    std::shared_ptr<Side> m_side;
    int m_generation = 0;
    QTimer *m_watchdog = nullptr;
    bool m_fileOpen = false;
    bool m_serverMade = false;  // its session was made where the connection lives
    bool m_serverUsable = false;
    bool m_leftBehind = false;
    bool m_closed = false;
    QPointer<WriteQueue> m_served;
    std::unique_ptr<OutageStore> m_inlineWriter;
};

} // namespace monitor
