#pragma once

#include "AlertGate.h"
#include "DatabaseConfig.h"
#include "ExtraSettings.h"
#include "HostState.h"
#include "MonitorStore.h"
#include "PassReport.h"
#include "VantagePass.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QEventLoop;
class QTimer;
class SingleInstance;

namespace monitor {

class Clock;
class PollingEngine;

// Where the session finds its database and its locks.
struct SessionSetup
{
    // The database file; unused when `database` names a server.
    QString databasePath;
    // A database server named in orvant.conf instead of the file.
    DatabaseConfig database;
    // Beside the programs: the pending-writes file of a server database.
    QString programDirectory;
    // Where the per-user single-instance lock lives; empty: the runtime directory.
    QString lockDirectory;
    // Where the one-monitor-per-database lock lives; empty: /run/lock.
    QString databaseLockDirectory;
    // Every statement on the store's database thread (the program); false
    // runs them at once on the default connection (tests that follow each
    // step in order).
    bool databaseThread = false;
};

// The monitor as it runs, without a window: the lock that keeps it single
// per user, the store (the database, file or server, and its reopening),
// the settings, the writes a previous run kept, its own one-second timer
// that drives the passes, the host state and what keeps alarms quiet. A
// window (or a test) calls start(), then follows the engine's changes and
// pass reports and the session's notices; stop() ends the watch.
//
// Everything the operator should read comes out as a signal: the window
// shows notices and database errors as event lines and the start-up's
// refusals in boxes. Each notice has been written to stderr already.
class MonitorSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonitorSession)

public:
    // At the program's end, kept writes are tried for this long; what is
    // left waits in a file beside the database for the next start.
    static constexpr int FinalFlushMs = 400;

    // engine: not owned; the session drives it and takes its notices.
    MonitorSession(const SessionSetup &setup, PollingEngine *engine, const Clock *clock, QObject *parent = nullptr);
    ~MonitorSession() override;

    enum class StartResult {
        Started,         // watching (perhaps without a database yet: it is tried again)
        AlreadyRunning,  // another monitor of this user or of this database: told, the program ends
    };
    // Single instance, database lock, database, settings, kept writes; the
    // one-second timer runs from then on (the first pass does not wait for it).
    StartResult start();
    // The first pass, waited for with the event loop running; returns early
    // when the session is stopped meanwhile.
    void runFirstPass();
    // The one-second tick of the session's timer: a lost server is tried
    // again, kept writes are retried, and a pass starts when it is due.
    void tick();
    // The session's timer (interval 1000 ms), for tests that tick by hand.
    QTimer *timer() const { return m_timer; }
    // A pass now, unless one runs.
    void checkNow();
    // Ends the watch: no pass goes on, kept writes are tried a little longer
    // and what is left goes to the pending-writes file.
    void stop();
    bool isStopped() const { return m_stopped; }

    PollingEngine *engine() const { return m_engine; }
    MonitorStore *store() const { return m_store.get(); }
    // Settings beyond the options row, as read with it.
    const ExtraSettings &extraSettings() const { return m_extra; }
    // Who is down now, since when: the one home of it.
    HostState *hostState() const { return m_state; }
    bool isServer() const { return m_setup.database.isServer(); }
    // Statements may go to the database now.
    bool databaseUsable() const;
    QString pendingWritesPath() const;
    // Beside it: the round trips the database has not taken yet.
    QString pendingSamplesPath() const { return pendingWritesPath() + QStringLiteral("-samples"); }
    QString countsText() const;

    // Settings as read (the defaults until then).
    int refreshSecs() const { return m_refreshSecs; }
    QString sndErr() const { return m_sndErr; }
    QString sndRest() const { return m_sndRest; }
    bool showOnErr() const { return m_showOnErr; }

    // What keeps outages quiet: read afresh before every pass. With the
    // defaults every change rings the moment it is decided, as always.
    const AlertGate &alerts() const { return m_alerts; }
    // Mutes ip ('' for all) until a moment (invalid: until lifted), or lifts it.
    void muteHost(const QString &ip, const QDateTime &until);
    void unmuteHost(const QString &ip);
    // The alert settings, parents and mutes are read again.
    void reloadAlerts();

signals:
    // The mutes were read again.
    void alertsReloaded();
    // An event line that is neither an outage nor a restoration (the
    // engine's own notices included).
    void notice(const QString &text);
    void databaseError(const QString &what, const QString &errorText);

    // Start-up only: another monitor runs (a box, then the program ends).
    void refused(const QString &text);
    // Start-up only: the database could not be opened (a box; the monitor
    // goes on and tries again).
    void unopenedAtStart(const QString &error);
    // Something the operator should see in a box that does not wait for
    // an answer.
    void warning(const QString &text);

    // stop() begins: what still needs the database (deliveries striking
    // their messages from the outbox) gets its last moment now.
    void stopping();

    void databaseOpened();
    void databaseLost(const QString &why);
    void databaseBack();
    // The settings were read (at start, or once the database came).
    void settingsRead();
    // A vantage point's pass was told to the server (see VantagePass.h):
    // who sees which host down, and whether this vantage writes the log.
    void vantagePassed(const monitor::VantagePass &pass);

private:
    void wireEngine();
    void wireStore();
    // Waits for a store operation with the event loop running (start-up
    // only): the splash stays live and a signal still ends the program.
    // `begin` starts it and calls its argument when the answer came.
    void await(const std::function<void(std::function<void()>)> &begin);
    // Opens the database (atStart: waited for); `done` gets whether it opened.
    void openDatabase(bool atStart, std::function<void(bool)> done);
    // False when another monitor owns the database.
    bool onOpening(const MonitorStore::Opening &opening, bool atStart);
    void reportUnopened(const QString &error, bool atStart);
    // Once the database is open: the open outages are read, and the
    // writes a previous run kept go first.
    void databaseReady(bool wait);
    void readSettings(bool wait);
    void readOpenOutages(bool wait);
    void keepPendingWrites();
    void tell(const QString &text);
    void storeMarks(const QList<AlertRecords::Mark> &marks);
    void reportWriteError(const QString &what, const QString &error);
    QString databaseName() const;
    // A vantage point after each pass (MonitorSessionVantage.cpp).
    bool isVantage() const { return m_setup.database.isVantage(); }
    void vantagePass();
    void onVantagePass(const VantagePass &pass);
    void keepVantageWrites();

    SessionSetup m_setup;
    PollingEngine *m_engine;
    const Clock *m_clock;
    HostState *m_state;
    QTimer *m_timer;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<MonitorStore> m_store;
    ExtraSettings m_extra;
    QString m_lastOpenError;  // told once until it changes

    int m_refreshSecs = 60;
    QString m_sndErr;
    QString m_sndRest;
    bool m_showOnErr = true;
    bool m_settingsRead = false;
    bool m_started = false;
    bool m_stopped = false;
    QEventLoop *m_firstPassWait = nullptr;
    QEventLoop *m_awaiting = nullptr;

    AlertGate m_alerts;
    QString m_alertsError;  // the last failure to read them, said once
    bool m_vantageWriter = false;
    bool m_vantagePassRunning = false;
    QString m_vantageError;  // the last failure of a vantage pass, said once
};

} // namespace monitor
