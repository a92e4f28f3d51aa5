#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QSqlQuery;

namespace monitor {

class Clock;
class EchoProbe;
class EchoTransport;

// The monitor's polling cycle: the countdown, the passes and the outage log.
//
// A host is down in a pass when none of its (up to four) echo attempts is
// answered. An outage is written once, when it begins, and closed once, in
// the first pass in which the host answers again; a host that stays down or
// stays up changes nothing. The state of a host lives only in the database
// (an open row of its address), so a restart neither repeats nor loses an
// alert.
//
// A pass probes every address of the book at once and then applies its
// effects in address-book order, so the database and the operator see what a
// pass over one host after another would show, only sooner. Nothing here
// blocks the event loop: probing is driven by socket notifiers and timers,
// and the effects of a large pass are applied in slices.
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
    void setConnectionName(const QString &name) { m_connectionName = name; }

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

    void readAddressBook();
    void failBook();
    void startProbing();
    bool readOpenOutages();
    void onProbeFinished();
    void applyEffects();
    void Do_It(size_t index);
    void finishPass();
    void reportDatabaseError(const QString &what, const QString &errorText);
    void reportUnavailable(const QString &why);

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
    size_t m_nextEffect = 0;
    bool m_openRowsKnown = false;
    QHash<QString, QList<qint64>> m_openRows;  // ip -> ids of open rows, oldest first
};

} // namespace monitor
