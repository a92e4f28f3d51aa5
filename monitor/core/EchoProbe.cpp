#include "EchoProbe.h"

#include "EchoTransport.h"

namespace monitor {

namespace {

// A send can cost tens of microseconds on a busy machine (on loop-back the
// kernel answers it inside the call): the loop gets its turn after this long.
constexpr qint64 SendSliceNs = 2'000'000;

} // namespace

const QByteArray &EchoProbe::payload()
{
    static const QByteArray text("echo_testecho_testecho_testecho_testecho_test");
    return text;
}

bool EchoProbe::parseAddress(const QString &text, quint32 *address)
{
    HostAddress parsed;
    if (!HostAddress::parse(text, &parsed) || parsed.family() != HostAddress::Family::IPv4)
        return false;
    if (address)
        *address = parsed.toIPv4();
    return true;
}

EchoProbe::EchoProbe(EchoTransport *transport, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
{
    m_sendTimer.setSingleShot(true);
    m_sendTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_sendTimer, &QTimer::timeout, this, &EchoProbe::pumpSends);
    connect(&m_deadlineTimer, &PreciseTimer::timeout, this, &EchoProbe::onDeadline);
    connect(m_transport, &EchoTransport::replyReceived, this, &EchoProbe::onReply);
}

EchoProbe::~EchoProbe() = default;

void EchoProbe::start(const QList<Target> &targets, bool transportReady)
{
    abort();
    m_running = true;
    m_hosts.assign(size_t(targets.size()), Host{});
    m_results.assign(size_t(targets.size()), Result{});
    m_hostOfCookie.reserve(targets.size() * 2);
    m_pending = 0;
    m_decidedAtStart.clear();

    for (int i = 0; i < targets.size(); ++i) {
        Host &h = m_hosts[size_t(i)];
        Result &r = m_results[size_t(i)];
        h.timeoutMs = qMax(1, targets[i].timeoutMs);
        if (!HostAddress::parse(targets[i].address, &h.address)) {
            // Every attempt is refused by the parser, without any traffic.
            h.done = true;
            r.status = NotAnAddress;
            r.attempts = Attempts;
            m_decidedAtStart.push_back(i);
        } else if (!transportReady) {
            h.done = true;
            r.status = NotProbed;
            m_decidedAtStart.push_back(i);
        } else {
            m_sendQueue.push_back(i);
            ++m_pending;
        }
    }

    m_clock.start();
    if (!m_decidedAtStart.empty())
        QMetaObject::invokeMethod(this, &EchoProbe::reportDecidedAtStart, Qt::QueuedConnection);
    if (!m_sendQueue.empty())
        m_sendTimer.start(0);
    finishIfDone();
}

void EchoProbe::abort()
{
    m_running = false;
    m_sendTimer.stop();
    m_deadlineTimer.stop();
    m_sendQueue.clear();
    m_deadlines = {};
    m_hostOfCookie.clear();
    m_pending = 0;
    m_decidedAtStart.clear();
}

// Sends the next attempt of one host and returns what the transport said.
// On TryAgain the attempt is not counted and the caller queues it again,
// but only for as long as the host's timeout: a socket that stays full fails
// the attempt, so a pass always ends.
int EchoProbe::DoPing(int host)
{
    Host &h = m_hosts[size_t(host)];
    Result &r = m_results[size_t(host)];
    quint32 cookie = 0;
    // Read right before the send: on loop-back the kernel answers inside
    // the call, so a reading after it could come later than the reply.
    const qint64 now = m_clock.nsecsElapsed();
    int status = m_transport->send(h.address, payload(), &cookie);
    if (status == EchoTransport::TryAgain) {
        if (h.blockedSinceNs < 0)
            h.blockedSinceNs = now;
        if (now - h.blockedSinceNs < qint64(h.timeoutMs) * 1'000'000)
            return status;
        status = EchoTransport::NoResources;
    }
    h.blockedSinceNs = -1;
    ++r.attempts;
    if (status == 0) {
        h.cookie = cookie;
        h.waiting = true;
        h.sentAtNs = now;
        h.deadlineNs = now + qint64(h.timeoutMs) * 1'000'000;
        m_hostOfCookie.insert(cookie, host);
        m_deadlines.push({h.deadlineNs, host, r.attempts});
        return status;
    }
    // The request could not leave: the attempt failed at once, and the next
    // one follows without waiting, as a blocking probe would return at once.
    r.status = status;
    if (r.attempts < Attempts)
        m_sendQueue.push_front(host);
    else
        hostDone(host, status);
    return status;
}

// Sends queued attempts back to back; the loop gets its turn after
// SendSliceNs, which also lets the replies of the slice be read.
void EchoProbe::pumpSends()
{
    if (!m_running)
        return;
    const qint64 sliceEnd = m_clock.nsecsElapsed() + SendSliceNs;
    bool blocked = false;
    while (!m_sendQueue.empty() && m_clock.nsecsElapsed() < sliceEnd) {
        const int host = m_sendQueue.front();
        m_sendQueue.pop_front();
        if (DoPing(host) == EchoTransport::TryAgain) {
            // The socket is full for now: keep the host first in line.
            m_sendQueue.push_front(host);
            blocked = true;
            break;
        }
    }
    armDeadlineTimer();
    if (!m_sendQueue.empty())
        m_sendTimer.start(blocked ? 1 : 0);
}

void EchoProbe::onReply(quint32 cookie, const HostAddress &from, qint64 ageNs)
{
    if (!m_running)
        return;
    const auto it = m_hostOfCookie.constFind(cookie);
    if (it == m_hostOfCookie.constEnd())
        return;
    const int host = it.value();
    Host &h = m_hosts[size_t(host)];
    if (!h.waiting || h.cookie != cookie || h.address != from)
        return;
    const qint64 now = m_clock.nsecsElapsed();
    // Never before the send: the transport's stamps and our clock are read
    // from different clocks, which may disagree by a little.
    const qint64 arrived = qBound(h.sentAtNs, now - qMax<qint64>(ageNs, 0), now);
    // Arrived after the timeout, read before the deadline's turn came: the
    // attempt timed out all the same, and the deadline will say so.
    if (arrived > h.deadlineNs)
        return;
    m_hostOfCookie.erase(it);
    m_results[size_t(host)].rttNs = arrived - h.sentAtNs;
    hostDone(host, Answered);
}

void EchoProbe::onDeadline()
{
    if (!m_running)
        return;
    // Replies already in the socket were in time; take them before judging.
    m_transport->poll();
    if (!m_running)
        return;

    const qint64 now = m_clock.nsecsElapsed();
    bool retries = false;
    while (!m_deadlines.empty() && m_deadlines.top().atNs <= now) {
        const Deadline d = m_deadlines.top();
        m_deadlines.pop();
        Host &h = m_hosts[size_t(d.host)];
        Result &r = m_results[size_t(d.host)];
        if (h.done || !h.waiting || r.attempts != d.attempt)
            continue;
        h.waiting = false;
        m_hostOfCookie.remove(h.cookie);
        r.status = TimedOut;
        if (r.attempts < Attempts) {
            m_sendQueue.push_front(d.host);
            retries = true;
        } else {
            hostDone(d.host, TimedOut);
        }
    }
    if (retries)
        pumpSends();  // arms the deadline timer too
    else
        armDeadlineTimer();
}

void EchoProbe::armDeadlineTimer()
{
    while (!m_deadlines.empty()) {
        const Deadline &d = m_deadlines.top();
        const Host &h = m_hosts[size_t(d.host)];
        if (!h.done && h.waiting && m_results[size_t(d.host)].attempts == d.attempt)
            break;
        m_deadlines.pop();
    }
    if (m_deadlines.empty()) {
        m_deadlineTimer.stop();
        return;
    }
    // Set anew only for another moment: every slice of sends ends here.
    const qint64 at = m_deadlines.top().atNs;
    if (m_deadlineTimer.isActive() && at == m_armedForNs)
        return;
    m_armedForNs = at;
    m_deadlineTimer.start(at - m_clock.nsecsElapsed());
}

void EchoProbe::hostDone(int host, int status)
{
    Host &h = m_hosts[size_t(host)];
    if (h.done)
        return;
    h.done = true;
    h.waiting = false;
    m_results[size_t(host)].status = status;
    --m_pending;
    emit hostFinished(host);
    finishIfDone();
}

void EchoProbe::reportDecidedAtStart()
{
    const std::vector<int> decided = std::move(m_decidedAtStart);
    m_decidedAtStart.clear();
    for (int host : decided) {
        if (!m_running)
            return;
        emit hostFinished(host);
    }
}

void EchoProbe::finishIfDone()
{
    if (!m_running || m_pending > 0 || m_finishQueued)
        return;
    m_finishQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_finishQueued = false;
            if (!m_running || m_pending > 0)
                return;
            abort();
            emit finished();
        },
        Qt::QueuedConnection);
}

} // namespace monitor
