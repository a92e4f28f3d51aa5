#include "WriteQueue.h"

#include "DateTimeText.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace monitor {

namespace {

// Writes that go through are quick; a long backlog is still written in
// slices so the window stays live while it drains.
constexpr qint64 RetrySliceNs = 20'000'000;

} // namespace

OutageStore::~OutageStore() = default;

QString OutageWrite::outageKey() const
{
    const QString begun = kind == Begin ? DateTimeText::fromDateTime(at) : begin.toString();
    return ip + QLatin1Char('\n') + begun;
}

namespace {

// A write of the same outage and kind as one already held.
bool sameWrite(const OutageWrite &a, const OutageWrite &b)
{
    if (a.kind != b.kind || a.ip != b.ip)
        return false;
    if (a.kind == OutageWrite::Begin)
        return DateTimeText::fromDateTime(a.at) == DateTimeText::fromDateTime(b.at);
    // Two ends of one outage; ends of unknown outages are told apart by their moment.
    if (a.begin.isNull() || b.begin.isNull())
        return a.begin.isNull() && b.begin.isNull() && a.at == b.at;
    return a.begin.toString() == b.begin.toString();
}

} // namespace

WriteQueue::WriteQueue(OutageStore *store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
}

WriteQueue::~WriteQueue() = default;

void WriteQueue::submit(const OutageWrite &w)
{
    for (const OutageWrite &held : m_pending) {
        if (sameWrite(held, w))
            return;
    }
    // The end of an outage whose begin the database refused goes with it:
    // the next start makes both, or neither is made.
    if (w.kind == OutageWrite::End && !w.begin.isNull()) {
        for (const OutageWrite &refused : std::as_const(m_refused)) {
            if (refused.kind == OutageWrite::Begin && refused.outageKey() == w.outageKey()) {
                m_refused.append(w);
                return;
            }
        }
    }
    m_pending.push_back(w);
    if (m_pending.size() == 1 && !m_inRetry)
        writeHead();
}

bool WriteQueue::writeHead()
{
    if (m_dispatch) {
        dispatchHead();
        return false;  // the outcome comes later and moves the queue on
    }
    if (!m_store)
        return settleHead(OutageStore::Outcome::RetryLater, tr("база данных не открыта"));
    QString error;
    const OutageStore::Outcome outcome = m_store->write(m_pending.front(), &error);
    return settleHead(outcome, error);
}

void WriteQueue::dispatchHead()
{
    if (m_inFlight || m_pending.empty())
        return;
    m_inFlight = true;
    const int ticket = ++m_flightTicket;
    QPointer<WriteQueue> self(this);
    m_dispatch(m_pending.front(), [self, ticket](OutageStore::Outcome outcome, const QString &error) {
        if (!self || ticket != self->m_flightTicket || !self->m_inFlight)
            return;
        self->m_inFlight = false;
        // Written (or refused for good): the next one goes.
        if (self->settleHead(outcome, error) && !self->m_pending.empty())
            self->dispatchHead();
    });
}

void WriteQueue::abandonInFlight()
{
    if (!m_inFlight)
        return;
    m_inFlight = false;
    ++m_flightTicket;
    settleHead(OutageStore::Outcome::RetryLater, tr("база данных не ответила вовремя"));
}

bool WriteQueue::settleHead(OutageStore::Outcome outcome, const QString &error)
{
    const OutageWrite head = m_pending.front();
    switch (outcome) {
    case OutageStore::Outcome::Written:
        m_pending.pop_front();
        if (m_waiting)
            ++m_writtenSinceWait;
        break;
    case OutageStore::Outcome::Failed:
        m_pending.pop_front();
        // A database that refuses every write (a broken table) would add one
        // at every pass for as long as the monitor runs: the newest are kept;
        // each was told as it was refused.
        if (m_refused.size() >= MaxRefusedKept)
            m_refused.removeFirst();
        m_refused.append(head);
        m_lastError = error;
        emit writeFailed(head, error);
        break;
    case OutageStore::Outcome::RetryLater:
    case OutageStore::Outcome::Busy:
        m_lastError = error;
        if (!m_waiting) {
            m_waiting = true;
            m_writtenSinceWait = 0;
            emit waiting(int(m_pending.size()), error, outcome == OutageStore::Outcome::Busy);
        }
        return false;
    }
    if (m_waiting && m_pending.empty()) {
        m_waiting = false;
        emit resumed(m_writtenSinceWait);
    }
    return true;
}

void WriteQueue::retry()
{
    if (m_dispatch) {
        dispatchHead();
        return;
    }
    if (m_inRetry)
        return;
    m_inRetry = true;
    QElapsedTimer slice;
    slice.start();
    while (!m_pending.empty()) {
        if (!writeHead())
            break;
        if (slice.nsecsElapsed() > RetrySliceNs && !m_pending.empty()) {
            QTimer::singleShot(0, this, &WriteQueue::retry);
            break;
        }
    }
    m_inRetry = false;
}

bool WriteQueue::flushFor(int ms)
{
    QElapsedTimer t;
    t.start();
    if (m_dispatch) {
        // The outcomes come through the event loop; a write that waits for
        // a lock is tried again every few milliseconds until the time is up.
        QEventLoop loop;
        QTimer again;
        QObject::connect(&again, &QTimer::timeout, &loop, [&] {
            if (m_pending.empty() || t.elapsed() >= ms)
                loop.quit();
            else
                dispatchHead();
        });
        again.start(10);
        dispatchHead();
        if (!m_pending.empty())
            loop.exec();
        return m_pending.empty();
    }
    while (!m_pending.empty() && t.elapsed() < ms) {
        if (!writeHead())
            QThread::msleep(10);  // the back end has waited for the lock already
    }
    return m_pending.empty();
}

QList<OutageWrite> WriteQueue::pending() const
{
    return QList<OutageWrite>(m_pending.begin(), m_pending.end());
}

bool WriteQueue::save(const QString &path, QString *error) const
{
    if (m_pending.empty() && m_refused.isEmpty()) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            if (error)
                *error = QStringLiteral("cannot remove %1").arg(path);
            return false;
        }
        return true;
    }
    QJsonArray list;
    QList<OutageWrite> kept = m_refused;
    kept.append(pending());
    for (const OutageWrite &w : std::as_const(kept)) {
        QJsonObject o{{QStringLiteral("kind"), w.kind == OutageWrite::Begin ? QStringLiteral("begin")
                                                                              : QStringLiteral("end")},
                      {QStringLiteral("ip"), w.ip},
                      {QStringLiteral("desc"), w.desc},
                      {QStringLiteral("at"), DateTimeText::fromDateTime(w.at)}};
        if (w.kind == OutageWrite::End && !w.begin.isNull())
            o.insert(QStringLiteral("begin"), w.begin.toString());
        list.append(o);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(list).toJson()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool WriteQueue::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    file.close();
    if (!doc.isArray()) {
        if (error)
            *error = parseError.errorString();
        return false;
    }
    std::deque<OutageWrite> loaded;
    // Addresses whose outage a loaded Begin opened and no End closed yet: an
    // outage cannot begin again before it ends.
    QSet<QString> opened;
    for (const QJsonValue &v : doc.array()) {
        const QJsonObject o = v.toObject();
        OutageWrite w;
        w.kind = o.value(QStringLiteral("kind")).toString() == QLatin1String("end") ? OutageWrite::End
                                                                                      : OutageWrite::Begin;
        w.ip = o.value(QStringLiteral("ip")).toString();
        w.desc = o.value(QStringLiteral("desc")).toString();
        w.at = DateTimeText::fromVariant(o.value(QStringLiteral("at")).toString());
        // A file of an earlier version names no begin: the End then closes
        // the address's open row, as it did.
        if (w.kind == OutageWrite::End && o.contains(QStringLiteral("begin")))
            w.begin = o.value(QStringLiteral("begin")).toString();
        if (w.ip.isEmpty() || !w.at.isValid())
            continue;
        // Writes of one outage kept more than once (a run that refused the
        // same begin again and again) collapse to one begin and one end.
        const auto same = [&w](const OutageWrite &held) { return sameWrite(held, w); };
        if (std::any_of(loaded.cbegin(), loaded.cend(), same) || std::any_of(m_pending.cbegin(), m_pending.cend(), same))
            continue;
        if (w.kind == OutageWrite::Begin) {
            if (opened.contains(w.ip))
                continue;
            opened.insert(w.ip);
        } else {
            opened.remove(w.ip);
        }
        loaded.push_back(w);
    }
    // Removed before they are taken back: writes kept twice could be made
    // twice, once by this run and once by the next.
    if (!file.remove()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    m_pending.insert(m_pending.begin(), loaded.begin(), loaded.end());
    return true;
}

} // namespace monitor
