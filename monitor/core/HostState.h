#pragma once

#include "AlertMessage.h"
#include "AlertPolicy.h"
#include "WriteQueue.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace monitor {

// The one home of "which hosts are down now, since when": each address up,
// down or unwatched, with the marks the alerts keep on it (confirmation,
// flapping, the reason an alarm is held, the down parent it is behind).
//
// It changes only by the decisions of a pass. It is read from the log only
// when the database opens and when it comes back (an open outage is a host
// down since its row's begin), with the writes still waiting laid over the
// rows, so a write another program's lock still holds is already part of
// it. The tray's count, the report window, the notifier, the alert gate,
// the delivery's reminders and the watched time all read it here.
class HostState final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HostState)

public:
    enum class Condition {
        Up,
        Down,       // an open outage (its row, or its write still waiting)
        Unwatched,  // silent while this machine had no network towards it
    };

    struct Host
    {
        QString ip;
        QString desc;
        Condition condition = Condition::Up;
        // Down: the outage's begin as the log holds it (a date-time text);
        // otherwise when the host became up or unwatched in this run (null
        // when not known).
        QVariant since;
        // The same moment on the monotonic clock, when it fell in this run:
        // durations are measured on it, whatever the wall clock does.
        std::optional<qint64> sinceMonoMs;
        // What a live board shows beside the state.
        std::optional<qint64> lastRttUs;  // of the last answered attempt
        int failedPasses = 0;             // passes in a row without an answer
        QDateTime lastOutageEnd;          // when its last outage of this run ended
    };

    explicit HostState(QObject *parent = nullptr);

    // Read from the log at least once.
    bool isKnown() const { return m_known; }
    // The database opened or came back: the next pass reads the open
    // outages again.
    void readAgain() { m_readAgain = true; }
    bool wantsReading() const { return !m_known || m_readAgain; }
    // The log's open outages, in its order, with the writes still waiting
    // laid over them. What is known of a host that is still down since the
    // same begin (its monotonic start, its alert marks) is kept.
    void reset(const QList<StoredOutage> &open, const QList<OutageWrite> &waiting);

    // --- the pass's decisions ----------------------------------------------
    // A host of the book as the pass reads it (its description follows the book).
    void seen(const QString &ip, const QString &desc);
    // An outage begins now (at: the wall clock; monoMs: the monotonic one).
    void begin(const QString &ip, const QString &desc, const QDateTime &at, std::optional<qint64> monoMs);
    // The outage of ip ends. Returns the host as it was (its begin).
    Host end(const QString &ip, const QDateTime &at, std::optional<qint64> monoMs);
    void answered(const QString &ip, std::optional<qint64> rttUs, const QDateTime &at, std::optional<qint64> monoMs);
    void silent(const QString &ip);
    void unwatched(const QString &ip, const QDateTime &at, std::optional<qint64> monoMs);
    // The book of a pass no longer names these: hosts that are up are
    // forgotten; an open outage stays until the log says otherwise.
    void keepOnly(const QStringList &ips);

    // --- reading ------------------------------------------------------------
    bool isDown(const QString &ip) const;
    Condition condition(const QString &ip) const;
    std::optional<Host> host(const QString &ip) const;
    QString description(const QString &ip) const;
    int downCount() const { return int(m_downOrder.size()); }
    // The open outages, in the log's order, then in the order they began.
    QList<StoredOutage> openOutages() const;
    // The same for the delivery's reminders: address, description, begin,
    // and how long it has been down by the monotonic clock where known.
    QList<alerts::HostChange> downNow(std::optional<qint64> nowMonoMs) const;
    // How long an outage lasted (or has lasted) up to `end`: on the
    // monotonic clock when both moments fell in this run, else by the
    // stored times (never negative); -1 when its begin is not a time.
    static qint64 downSeconds(const Host &host, const QDateTime &end, std::optional<qint64> endMonoMs);

    // --- several vantage points --------------------------------------------
    // This monitor's vantage name (empty: a plain monitor, and every list
    // below is empty).
    void setVantageName(const QString &name) { m_vantageName = name; }
    QString vantageName() const { return m_vantageName; }
    // What the server said at the last vantage pass: per address, the live
    // vantages that find it silent.
    void setVantagesDown(const QHash<QString, QStringList> &down);
    // The vantages that see ip down now, sorted: the server's list, with
    // this vantage's own view as of its latest pass laid over it.
    QStringList vantagesDown(const QString &ip) const;
    // The same for every address some vantage sees down.
    QHash<QString, QStringList> allVantagesDown() const;

    // The alert marks of every host, as the alert policy keeps them.
    const AlertPolicy::State &alertMarks() const { return m_marks; }
    void setAlertMarks(const AlertPolicy::State &marks) { m_marks = marks; }

signals:
    // A host went down or came back (the tray, the report window).
    void changed();
    // The picture was read from the log again.
    void reread();

private:
    Host &at(const QString &ip);

    QHash<QString, Host> m_hosts;
    QStringList m_downOrder;
    AlertPolicy::State m_marks;
    bool m_known = false;
    bool m_readAgain = false;
    QString m_vantageName;
    QHash<QString, QStringList> m_vantagesDown;
};

} // namespace monitor
