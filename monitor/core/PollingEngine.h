#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <QSet>
#include <QVariant>

#include "LatencyRecorder.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QSqlDatabase;
class QTimer;

namespace monitor {

class Clock;
class ConnectionWatch;
class DatabaseExecutor;
class EchoProbe;
class ServerOutageStore;
class EchoTransport;
class LocalNetwork;
class MonotonicClock;
class SqliteOutageStore;
class WriteQueue;

// The monitor's polling cycle: the countdown, the passes and the outage log.
//
// A host is down in a pass when none of its (up to four) echo attempts is
// answered. An outage is written once, when it begins, and closed once, in
// the first pass in which the host answers again; a host that stays down or
// stays up changes nothing. The state of a host lives only in the database
// (an open row of its address), so a restart neither repeats nor loses an
// alert.
//
// A pass probes every address of the book at once and applies each host's
// outcome (its row, its event line, its alert) as soon as that host's own
// attempts are decided, stamped with that moment: a slow host holds back no
// other. Effects therefore come in the order of decision. Nothing here
// blocks the event loop: probing is driven by socket notifiers and timers,
// effects are applied in slices, and the rows go through a write queue
// that keeps, in order, whatever meets another program's lock.
class PollingEngine final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PollingEngine)

public:
    // Attempts of a host that are not answered within this many milliseconds
    // (where the book stores less than 1) time out.
    static constexpr int MinimumTimeoutReplacement = 10;

    PollingEngine(EchoTransport *transport, const Clock *clock, QObject *parent = nullptr);
    ~PollingEngine() override;

    void setRefreshSecs(int secs);  // options.refresh_time * 60, set at start-up
    int refreshSecs() const { return m_refreshSecs; }
    QDateTime lastCheck() const { return m_lastCheck; }
    void setLastCheck(const QDateTime &t);
    // Where the time since the last pass is measured. Without one, the wall
    // clock (the Clock given to the constructor) is read, and setting it back
    // delays the next pass by as much. With one, the period runs on it alone
    // and a wall clock stepped back is told once in the event list.
    void setScheduleClock(const MonotonicClock *clock);
    bool isRunning() const { return m_running; }
    int errCount() const { return m_errCount; }
    int restCount() const { return m_restCount; }
    QString countsText() const;  // "errCount : restCount", e.g. "2 : 0"

    // Second boundaries crossed from lastCheck to now (negative when the
    // wall clock was set back and no schedule clock is given), and what the
    // countdown button shows.
    qint64 elapsedSeconds() const;
    int secondsLeft() const;

    // The database connection the passes use (the default one unless set).
    void setConnectionName(const QString &name);
    // Called at the start of a pass while the connection is not open: tries
    // to open the database (and says so itself). Without one, or when it
    // fails, the pass ends without probing.
    void setDatabaseOpener(std::function<bool()> opener);
    // The same for an opener whose answer comes later (the database is
    // opened on its own thread): it calls `done` with the outcome.
    using AsyncOpener = std::function<void(std::function<void(bool)> done)>;
    void setAsyncDatabaseOpener(AsyncOpener opener) { m_opener = std::move(opener); }
    // Where the pass's statements and the queue's writes run: the database
    // thread (not owned). Without one they run at once on the connection.
    void setExecutor(DatabaseExecutor *executor);
    // A pass whose address book has not come back from the database thread
    // within this long probes the book of the last pass that read it.
    static constexpr int BookWaitMs = 3000;
    // The queue every outage write goes through.
    WriteQueue *writeQueue() const { return m_queue; }
    // A database server's connection, which may go away and come back:
    // the writes then go through a server store that keeps them while it is
    // gone, and a pass that cannot reach the server probes the address book
    // of the last pass that read it, so alerts go on. Not owned.
    void setConnectionWatch(ConnectionWatch *watch);

    // --- watched time ---
    QString connectionName() const { return m_connectionName; }
    // Asked about a host found silent before its outage is logged: when this
    // machine itself has no network towards it, the pass logs no outage and
    // counts as unwatched. Not owned; none: every silence is the host's.
    void setLocalNetwork(LocalNetwork *network) { m_localNetwork = network; }
    // Whether the last finished pass probed with this machine's network
    // usable, and whether it found that network missing.
    bool lastPassWatched() const { return m_lastPassWatched; }
    bool lastPassWithoutNetwork() const { return m_noNetwork; }
    // The addresses the last finished pass found silent with no route to
    // them while this machine's network was up, sorted: each is unwatched
    // itself (no outage logged), the others are watched as usual. A pass
    // without network, or that probed nothing, keeps the list of the pass
    // before.
    const QStringList &lastPassUnrouted() const { return m_lastUnrouted; }
    // The longest timeout of the book the last pass read, in milliseconds.
    int slowestTimeoutMs() const;
    // For the alerts: after passFinished, every address the pass knew the
    // state of, true for down (an open row).
    const QHash<QString, bool> &lastPassStates() const { return m_lastStates; }

public slots:
    void CheckAll();  // starts a pass unless one is running; returns at once
    void tick();      // the one-second tick: countdown, and a pass when it is due
    // Ends the running pass where it stands and starts no other: statements
    // already sent stay done, nothing more is written, probed or signalled.
    // For the program's end, once the operator confirmed quitting.
    void stop();

signals:
    void countdownChanged(int secondsLeft);
    void passStarted();
    // Effects of a pass, in the order they were decided, each right after its
    // write was handed to the queue; `at` is the moment it was decided, the
    // time the write stamps.
    void outageBegan(const QString &ip, const QString &desc, int timeoutMs, const QDateTime &at);
    void outageEnded(const QString &ip, const QString &desc, int timeoutMs, const QDateTime &at);
    // Right before outageEnded: how long the outage lasted by the stored
    // times, -1 when its beginning is not known.
    void restoredAfter(const QString &ip, qint64 downSeconds);
    void passFinished(int errCount, int restCount);
    // Every probed host's attempts, unanswered attempts and round trip, once
    // the pass's probing is over; `at` is the moment the probing began.
    // Hosts that were not probed (no echo facility, not an address) are left out.
    void passMeasured(const QDateTime &at, const std::vector<monitor::LatencySample> &samples);
    // A statement failed; errorText is the database's own text.
    void databaseError(const QString &what, const QString &errorText);
    // Something of the stored data cannot be used as it stands (a timeout
    // that is no number, one above the bound): said once per run and
    // address, naming both.
    void notice(const QString &text);
    // The echo facility cannot be opened. Given once per run until probing
    // works again; the text says why and how to fix it.
    void probeUnavailable(const QString &message);
    // stop() was called: the monitor watches no more.
    void watchEnded();

private:
    struct Host
    {
        QString ip;
        QString desc;
        int timeoutMs = 0;  // as used for the attempts and shown in the event line
    };

    struct Decided
    {
        size_t index;
        QDateTime at;
    };

    // What a pass reads of the database, read where the connection lives.
    struct BookRead
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
        QHash<QString, int> openRows;
        QHash<QString, QVariant> openSince;  // ip -> time_begin of its oldest open row
        enum OpenRows { OpenRowsRead, OpenRowsLost, OpenRowsFailed } openRowsStatus = OpenRowsRead;
        QString openRowsError;
    };
    static void readBook(QSqlDatabase db, ConnectionWatch *watch, BookRead *out);
    void requestBook();
    void onBookRead(const BookRead &read);
    void onBookWaitOver();
    void onExecutorReplaced();
    // No database for this pass: the last book, or nothing.
    void passWithoutDatabase();
    // A pass without the server: the last book read and the open rows as
    // that pass left them. False when no pass has read the book yet.
    bool startOfflinePass();
    void startProbing();
    void onHostDecided(int index);
    void onProbeFinished();
    void emitMeasured();
    void scheduleEffects();
    void applyEffects();
    void Do_It(const Decided &d);
    void finishPass();
    void reportDatabaseError(const QString &what, const QString &errorText);
    void reportUnavailable(const QString &why);
    void tellOnce(const QString &key, const QString &text);
    void tellUnrouted();
    // Milliseconds since the epoch as the schedule sees now.
    qint64 scheduleNowMs() const;
    void noticeClockStep(const QDateTime &now);

    QPointer<EchoTransport> m_transport;  // may go first at program end
    const Clock *m_clock;
    EchoProbe *m_probe;
    QString m_connectionName;

    int m_refreshSecs = 0;
    QDateTime m_lastCheck;
    const MonotonicClock *m_scheduleClock = nullptr;
    qint64 m_lastCheckNs = 0;     // the schedule clock at m_lastCheck
    qint64 m_knownStepMs = 0;     // wall clock minus schedule time, as last told
    bool m_running = false;
    bool m_stopped = false;
    bool m_applying = false;
    bool m_unavailableReported = false;
    int m_errCount = 0;
    quint8 m_restCount = 0;

    DatabaseExecutor *m_executor;
    int m_bookTicket = 0;
    bool m_bookAwaited = false;
    bool m_openerAsked = false;
    QTimer *m_bookWait;
    std::vector<Host> m_hosts;      // the book of the running pass, in its order
    QDateTime m_probeStartedAt;     // for passMeasured
    std::deque<Decided> m_decided;  // hosts decided, effects not yet applied
    QDateTime m_decidedStamp;       // the moment the last decisions were stamped with
    QElapsedTimer m_decidedStampAge;
    bool m_probeDone = false;
    bool m_effectsScheduled = false;
    bool m_openRowsKnown = false;
    // ip -> open rows, as the database holds them once every queued write is made
    QHash<QString, int> m_openRows;
    QSet<QString> m_told;  // notices given in this run

    std::unique_ptr<SqliteOutageStore> m_store;
    std::unique_ptr<ServerOutageStore> m_serverStore;
    WriteQueue *m_queue;
    ConnectionWatch *m_watch = nullptr;
    // What the last pass knew, for passes while the server is away.
    std::vector<Host> m_lastBook;
    bool m_haveLastBook = false;
    QHash<QString, int> m_lastOpenRows;
    bool m_haveLastOpenRows = false;
    AsyncOpener m_opener;

    LocalNetwork *m_localNetwork = nullptr;
    bool m_passProbed = false;
    bool m_passNoNetwork = false;
    bool m_noNetwork = false;  // as the last finished pass found it
    QStringList m_passUnrouted;
    QStringList m_lastUnrouted;
    bool m_lastPassWatched = false;
    // ip -> the stored beginning of its open outage, for the downtime told
    // with a restoration.
    QHash<QString, QVariant> m_openSince;
    // Stores of an earlier database thread: a statement given up may still
    // come back into them.
    std::vector<std::unique_ptr<ServerOutageStore>> m_retiredStores;
    QHash<QString, bool> m_lastStates;
};

} // namespace monitor
