#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <deque>
#include <functional>

namespace monitor {

// One change of the outage log the monitor owes the database. It carries the
// moment its outcome was decided, so a write made late still stamps the
// time the operator was alerted.
struct OutageWrite
{
    enum Kind { Begin, End };
    Kind kind = Begin;
    QString ip;
    QString desc;  // Begin only
    QDateTime at;  // time_begin of a Begin, time_end of an End
    // End only: the begin of the outage it closes, as the log holds it (a
    // Begin's own `at` for one begun in this run); null when not known.
    QVariant begin;

    // The outage a write belongs to: its address and its begin.
    QString outageKey() const;
    bool operator==(const OutageWrite &o) const
    {
        return kind == o.kind && ip == o.ip && desc == o.desc && at == o.at && begin == o.begin;
    }
};

// One outage of the log that has not ended, as stored.
struct StoredOutage
{
    QString ip;
    QString desc;
    QVariant begin;  // time_begin as the log holds it (a date-time text)
};

// Where outage writes go: the database back end. The queue needs one thing
// of it beyond the write itself, whether a failed write may succeed later.
class OutageStore
{
public:
    enum class Outcome {
        Written,
        RetryLater,  // unavailable (no file, no server) or refused for now (read-only, a full disk)
        Busy,        // another program's lock: the same write passes once it is let go
        Failed,      // refused for good (a constraint, a broken table): told, and kept for the pending file
    };
    OutageStore() = default;
    virtual ~OutageStore();
    OutageStore(const OutageStore &) = delete;
    OutageStore &operator=(const OutageStore &) = delete;

    virtual Outcome write(const OutageWrite &w, QString *error) = 0;
};

// The monitor's writes, made in the order they were decided. Each is safe to
// make twice (the back end makes them so): an outage is its address and its
// begin, and a write that may already have reached the database is never
// doubled by being made again.
//
// A write that meets a lock is kept, and so is every later one, so that no
// write overtakes another; they are tried again on later ticks (retry())
// until they are made. The back end waits only briefly for a lock, so the
// event loop never waits long for a busy file. A write the back end refuses
// for good is told (writeFailed) and leaves the line, so it holds back no
// other. It is still never lost in silence: save() keeps it in the file with
// the waiting ones, for the operator and the next start, and the End of an
// outage whose Begin was refused joins it there, so that the next start
// makes the whole outage, never half of it. The writes of one outage
// collapse: a Begin or an End already queued is not queued again.
class WriteQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WriteQueue)

public:
    explicit WriteQueue(OutageStore *store, QObject *parent = nullptr);
    ~WriteQueue() override;

    // The back end, chosen once the program knows which database it uses.
    void setStore(OutageStore *store) { m_store = store; }
    OutageStore *store() const { return m_store; }

    // Hands a write to the back end elsewhere (the database thread) and
    // gets its outcome later through `done`.
    using Done = std::function<void(OutageStore::Outcome, const QString &)>;
    using Dispatch = std::function<void(const OutageWrite &, Done)>;
    // From then on one write at a time is under way and the next goes only
    // once its outcome is known, so order and "exactly once" hold as before.
    void setDispatcher(Dispatch dispatch) { m_dispatch = std::move(dispatch); }
    // The outcome of the write under way will never come (its database
    // thread was given up): it is kept, as if it had met a lock. A write
    // that did reach the database is harmless when made again.
    void abandonInFlight();
    bool hasWriteUnderWay() const { return m_inFlight; }

    // Writes it now when nothing waits, else keeps it behind the others.
    void submit(const OutageWrite &w);
    // Tries the kept writes in order until one must wait again.
    void retry();
    // At the program's end: retries until nothing is kept or the time is up.
    // True when nothing is left.
    bool flushFor(int ms);

    bool isEmpty() const { return m_pending.empty(); }
    int size() const { return int(m_pending.size()); }
    QList<OutageWrite> pending() const;
    // Writes refused for good in this run, in their order (the newest
    // MaxRefusedKept of them).
    static constexpr qsizetype MaxRefusedKept = 10'000;
    QList<OutageWrite> refused() const { return m_refused; }
    // The back end's last reason for keeping or refusing a write.
    QString lastError() const { return m_lastError; }
    // What save() writes: the refused writes, then the waiting ones.
    int unsavedCount() const { return int(m_refused.size() + qsizetype(m_pending.size())); }

    // Keeps what still waits in a file, for the next run to take back; an
    // empty queue removes the file. load() appends the file's writes (in
    // their order, ahead of any new ones) and removes it.
    bool save(const QString &path, QString *error) const;
    bool load(const QString &path, QString *error);

signals:
    // The first write of a run of waits met a lock (busy) or could not be
    // made for now (no database, a full disk …): why says it in the
    // database's words.
    void waiting(int count, const QString &why, bool busy);
    // Everything kept has been written, `written` of them since the wait began.
    void resumed(int written);
    void writeFailed(const OutageWrite &w, const QString &error);

private:
    // False when the head must wait.
    bool writeHead();
    // The outcome of the head; false when it must wait.
    bool settleHead(OutageStore::Outcome outcome, const QString &error);
    void dispatchHead();

    OutageStore *m_store;
    std::deque<OutageWrite> m_pending;
    QList<OutageWrite> m_refused;
    QString m_lastError;
    bool m_waiting = false;
    bool m_inRetry = false;
    int m_writtenSinceWait = 0;
    Dispatch m_dispatch;
    bool m_inFlight = false;
    int m_flightTicket = 0;
};

} // namespace monitor
