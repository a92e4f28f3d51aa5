#pragma once

#include "HostAddress.h"
#include "MonotonicClock.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include "PreciseTimer.h"

#include <deque>
#include <queue>
#include <vector>

namespace monitor {

class EchoTransport;

// Probes a list of hosts at once over one transport, without blocking the
// event loop: each host gets up to Attempts echo requests, the next one sent
// as soon as the previous one timed out, each with the host's own timeout.
// Requests leave back to back, as fast as the socket takes them (a full
// socket or device queue holds the next one back a millisecond); retries go
// before first attempts.
//
// A host's address text may be IPv4 or IPv6 (HostAddress::parse); both go
// through the one transport, under the same attempt rules.
//
// A reply counts only for the attempt it answers: same cookie (identifier and
// sequence in the real transport) and same address, zone included, and only
// when it arrived within the attempt's timeout. Its round trip and that
// judgement go by when it arrived (the transport tells its age), not by when
// the loop got round to reading it. A reply to an earlier attempt that comes
// after that attempt timed out is ignored.
class EchoProbe final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EchoProbe)

public:
    static constexpr int Attempts = 4;
    // Attempt results: 0 a reply came; the others mean no answer.
    static constexpr int Answered = 0;
    static constexpr int NotAnAddress = -1;
    static constexpr int TimedOut = 11010;
    // Not probed at all: the echo facility could not be opened.
    static constexpr int NotProbed = -3;

    static const QByteArray &payload();  // "echo_test" five times, 45 bytes

    // The IPv4 address a text names (HostAddress::parse), in host byte
    // order; false for host names, 255.255.255.255, IPv6 addresses and
    // anything that is not an address.
    static bool parseAddress(const QString &text, quint32 *address);

    struct Target
    {
        QString address;
        int timeoutMs = 0;
    };

    struct Result
    {
        int status = NotProbed;  // of the last attempt made
        int attempts = 0;        // requests sent (or tried) for the host
        // Of the answered attempt: from right before its send to the reply's
        // arrival, by the monotonic clock; -1 without one.
        qint64 rttNs = -1;
    };

    explicit EchoProbe(EchoTransport *transport, QObject *parent = nullptr);
    ~EchoProbe() override;

    // Starts probing; finished() follows, never from inside this call. With
    // transportReady false nothing is sent: hosts whose text is an address
    // are NotProbed, the others NotAnAddress.
    void start(const QList<Target> &targets, bool transportReady = true);
    void abort();
    bool isRunning() const { return m_running; }
    // The clock sends and timeouts are measured in (not owned); null for
    // the steady clock. Set it before start().
    void setMonotonicClock(const MonotonicClock *clock) { m_clock.use(clock); }

    const std::vector<Result> &results() const { return m_results; }

signals:
    // One host's attempts are decided: its result is final from now on.
    // Every host is reported once, in the order of decision, before
    // finished(); never from inside start().
    void hostFinished(int index);
    void finished();

private:
    struct Host
    {
        HostAddress address;
        int timeoutMs = 0;
        quint32 cookie = 0;      // of the attempt in flight
        qint64 sentAtNs = 0;     // when the attempt in flight left
        qint64 deadlineNs = 0;   // when it times out
        bool waiting = false;    // an attempt is in flight
        bool done = false;
        qint64 blockedSinceNs = -1; // the socket refused this attempt since then
    };
    struct Deadline
    {
        qint64 atNs;
        int host;
        int attempt;
        bool operator>(const Deadline &o) const { return atNs > o.atNs; }
    };

    int DoPing(int host);
    void pumpSends();
    void onReply(quint32 cookie, const HostAddress &from, qint64 ageNs);
    void onDeadline();
    void armDeadlineTimer();
    void hostDone(int host, int status);
    void finishIfDone();
    void reportDecidedAtStart();

    EchoTransport *m_transport;
    std::vector<Host> m_hosts;
    std::vector<Result> m_results;
    QHash<quint32, int> m_hostOfCookie;
    std::deque<int> m_sendQueue;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<Deadline>> m_deadlines;
    QTimer m_sendTimer;
    PreciseTimer m_deadlineTimer;
    qint64 m_armedForNs = 0;     // the deadline the timer is set for
    ElapsedTime m_clock;
    int m_pending = 0;           // hosts not done yet
    bool m_running = false;
    bool m_finishQueued = false;
    std::vector<int> m_decidedAtStart;  // not probed at all: told right after start()
};

} // namespace monitor
