#pragma once

#include "MonitorStore.h"
#include "PassReport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace monitor {

class AlertGate;
class Clock;
class EchoProbe;
class EchoTransport;
class HostState;
class LocalNetwork;
class MonotonicClock;
class WriteQueue;

// The monitor's polling cycle: the countdown, the passes and the outage log.
//
// A host is down in a pass when none of its (up to four) echo attempts is
// answered. An outage is written once, when it begins, and closed once, in
// the first pass in which the host answers again; a host that stays down or
// stays up changes nothing. Whether a host is down is the host state's,
// which the log's open rows give when the database opens, so a restart
// neither repeats nor loses an alert.
//
// A pass probes every address of the book at once and applies each host's
// outcome (its row, its event line, its alert) as soon as that host's own
// attempts are decided, stamped with that moment: a slow host holds back no
// other. Effects therefore come in the order of decision, each told at once
// as a typed change (changeDecided); the pass ends with one report
// (passEnded) that everyone following the passes takes. Nothing here blocks
// the event loop: probing is driven by socket notifiers and timers, effects
// are applied in slices, and the rows go through a write queue that keeps,
// in order, whatever the database cannot take yet.
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
    // Where the time since the last pass is measured, and every duration (an
    // outage's, told with its end). Without one, the wall clock (the Clock
    // given to the constructor) is read, and setting it back delays the next
    // pass by as much. With one, the period runs on it alone and a wall
    // clock stepped back is told once in the event list.
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

    // Where the passes read the book and the queue's writes go (not owned).
    // Until one is set, the engine works at once on the default connection,
    // as tests of the pass alone use it.
    void setStore(MonitorStore *store);
    MonitorStore *store() const { return m_store; }
    // The host state the passes decide on (not owned). The engine's own
    // until one is set.
    void setHostState(HostState *state);
    HostState *hostState() const { return m_state; }
    // What decides each change's alarm (not owned); without one every
    // change rings the moment it is decided.
    void setAlertGate(AlertGate *gate) { m_gate = gate; }
    // Called at the start of a pass while the database is not open: tries
    // to open it (and says so itself). Without one, or when it fails, the
    // pass ends without probing.
    void setDatabaseOpener(std::function<bool()> opener);
    // The same for an opener whose answer comes later (the database is
    // opened on its own thread): it calls `done` with the outcome.
    using AsyncOpener = std::function<void(std::function<void(bool)> done)>;
    void setAsyncDatabaseOpener(AsyncOpener opener) { m_opener = std::move(opener); }
    // A pass whose address book has not come back from the database thread
    // within this long probes the book of the last pass that read it.
    static constexpr int BookWaitMs = 3000;
    // The queue every outage write goes through. While the database is away
    // the writes wait there, and a pass that cannot reach it probes the
    // address book of the last pass that read it, so alerts go on.
    WriteQueue *writeQueue() const { return m_queue; }

    // Asked about a host found silent before its outage is logged: when this
    // machine itself has no network towards it, the pass logs no outage and
    // counts as unwatched. Not owned; none: every silence is the host's.
    void setLocalNetwork(LocalNetwork *network) { m_localNetwork = network; }
    // Whether the last finished pass probed with this machine's network
    // usable, and whether it found that network missing (also in its report).
    bool lastPassWatched() const { return m_lastPassWatched; }
    bool lastPassWithoutNetwork() const { return m_noNetwork; }
    // The addresses the last finished pass found silent with no route to
    // them while this machine's network was up, sorted: each is unwatched
    // itself (no outage logged), the others are watched as usual. A pass
    // without network, or that probed nothing, keeps the list of the pass
    // before (also in its report).
    const QStringList &lastPassUnrouted() const { return m_lastUnrouted; }
    // The longest timeout of the book the last pass read, in milliseconds.
    int slowestTimeoutMs() const;
    // The monotonic clock now, in milliseconds, when one is set.
    std::optional<qint64> monotonicMs() const;

public slots:
    // A pass now unless one is running; returns at once. The window's
    // button and the schedule start passes so.
    void startPass();
    // The same under the name the window has always called it by.
    void CheckAll() { startPass(); }
    void tick();  // the one-second tick: countdown, and a pass when it is due
    // Ends the running pass where it stands and starts no other: statements
    // already sent stay done, nothing more is written, probed or signalled.
    // For the program's end, once the operator confirmed quitting.
    void stop();

signals:
    void countdownChanged(int secondsLeft);
    void passStarted();
    // A host's change, the moment it is decided and its write handed to the
    // queue; its alarm is RingsNow or Pending (settled in the report).
    void changeDecided(const monitor::OutageChange &change);
    // The pass is over: what it changed, with every alarm settled, and its facts.
    void passEnded(const monitor::PassReport &report);
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
        std::optional<qint64> monoMs;
    };

    void requestBook();
    void onBookRead(const MonitorStore::Book &read);
    void onBookWaitOver();
    // No database for this pass: the last book, or nothing.
    void passWithoutDatabase();
    // A pass without the database: the last book read, decided on the host
    // state as it stands. False when no pass has read the book yet.
    bool startOfflinePass();
    void startProbing();
    void onHostDecided(int index);
    void onProbeFinished();
    void takeSamples();
    void scheduleEffects();
    void applyEffects();
    // The outcome of one host in this pass, turned into its row change and alert.
    void applyOutcome(const Decided &d);
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
    std::unique_ptr<MonitorStore> m_ownStore;  // until one is set
    QPointer<MonitorStore> m_store;
    std::unique_ptr<HostState> m_ownState;     // until one is set
    HostState *m_state = nullptr;
    AlertGate *m_gate = nullptr;

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

    int m_bookTicket = 0;
    bool m_bookAwaited = false;
    bool m_openerAsked = false;
    QTimer *m_bookWait;
    std::vector<Host> m_hosts;      // the book of the running pass, in its order
    std::deque<Decided> m_decided;  // hosts decided, effects not yet applied
    QDateTime m_decidedStamp;       // the moment the last decisions were stamped with
    std::optional<qint64> m_decidedMonoMs;
    QElapsedTimer m_decidedStampAge;
    bool m_probeDone = false;
    bool m_effectsScheduled = false;
    QSet<QString> m_told;  // notices given in this run
    PassReport m_report;   // of the running pass

    WriteQueue *m_queue;
    // The book the last pass read, for passes while the database is away.
    std::vector<Host> m_lastBook;
    bool m_haveLastBook = false;
    AsyncOpener m_opener;

    LocalNetwork *m_localNetwork = nullptr;
    bool m_passProbed = false;
    bool m_passNoNetwork = false;
    bool m_noNetwork = false;  // as the last finished pass found it
    QStringList m_passUnrouted;
    QStringList m_lastUnrouted;
    bool m_lastPassWatched = false;
};

} // namespace monitor
