#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <QSet>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QSqlQuery;

namespace monitor {

class Clock;
class ConnectionWatch;
class EchoProbe;
class ServerOutageStore;
class EchoTransport;
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
    void setLastCheck(const QDateTime &t) { m_lastCheck = t; }
    bool isRunning() const { return m_running; }
    int errCount() const { return m_errCount; }
    int restCount() const { return m_restCount; }
    QString countsText() const;  // "errCount : restCount", e.g. "2 : 0"

    // Second boundaries crossed from lastCheck to now (negative when the
    // clock was set back), and what the countdown button shows.
    qint64 elapsedSeconds() const;
    int secondsLeft() const;

    // The database connection the passes use (the default one unless set).
    void setConnectionName(const QString &name);
    // Called at the start of a pass while the connection is not open: tries
    // to open the database (and says so itself). Without one, or when it
    // fails, the pass ends without probing.
    void setDatabaseOpener(std::function<bool()> opener) { m_opener = std::move(opener); }
    // The queue every outage write goes through.
    WriteQueue *writeQueue() const { return m_queue; }
    // A database server's connection, which may go away and come back:
    // the writes then go through a server store that keeps them while it is
    // gone, and a pass that cannot reach the server probes the address book
    // of the last pass that read it, so alerts go on. Not owned.
    void setConnectionWatch(ConnectionWatch *watch);

    // For the alerts: while outageBegan or outageEnded is signalled, the
    // moment its row carries; after passFinished, every address the pass
    // knew the state of, true for down (an open row).
    QDateTime effectTime() const { return m_effectAt; }
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
    // Effects of a pass, in address-book order, each right after its row was
    // written (or the write failed).
    void outageBegan(const QString &ip, const QString &desc, int timeoutMs);
    void outageEnded(const QString &ip, const QString &desc, int timeoutMs);
    void passFinished(int errCount, int restCount);
    // A statement failed; errorText is the database's own text.
    void databaseError(const QString &what, const QString &errorText);
    // Something of the stored data cannot be used as it stands (a timeout
    // that is no number, one above the bound): said once per run and
    // address, naming both.
    void notice(const QString &text);
    // The echo facility cannot be opened. Given once per run until probing
    // works again; the text says why and how to fix it.
    void probeUnavailable(const QString &message);

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

    void readAddressBook();
    void failBook();
    // The connection is usable for the pass (open and, on a server, ours).
    bool connectionUsable() const;
    // A pass without the server: the last book read and the open rows as
    // that pass left them. False when no pass has read the book yet.
    bool startOfflinePass();
    void startProbing();
    bool readOpenOutages();
    void onHostDecided(int index);
    void onProbeFinished();
    void scheduleEffects();
    void applyEffects();
    void Do_It(const Decided &d);
    void finishPass();
    void reportDatabaseError(const QString &what, const QString &errorText);
    void reportUnavailable(const QString &why);
    void tellOnce(const QString &key, const QString &text);

    QPointer<EchoTransport> m_transport;  // may go first at program end
    const Clock *m_clock;
    EchoProbe *m_probe;
    QString m_connectionName;

    int m_refreshSecs = 0;
    QDateTime m_lastCheck;
    bool m_running = false;
    bool m_stopped = false;
    bool m_applying = false;
    bool m_unavailableReported = false;
    int m_errCount = 0;
    quint8 m_restCount = 0;

    std::unique_ptr<QSqlQuery> m_book;  // while the book is being read
    std::vector<Host> m_hosts;      // the book of the running pass, in its order
    std::deque<Decided> m_decided;  // hosts decided, effects not yet applied
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
    std::function<bool()> m_opener;
    QDateTime m_effectAt;
    QHash<QString, bool> m_lastStates;
};

} // namespace monitor
