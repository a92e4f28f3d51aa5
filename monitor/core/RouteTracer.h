#pragma once

#include "HostAddress.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <array>
#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace monitor {

// Traces the route to an address as the routers on the way tell it: echo
// requests with a rising time to live (IPv4) or hop limit (IPv6), each hop
// answered by the router where it ran out (ICMP time exceeded) and the last
// one by the destination's echo reply. Nothing is started: its own ICMP
// socket, driven by a socket notifier and timers on the thread that owns it.
//
//     RouteTracer tracer;
//     connect(&tracer, &RouteTracer::finished, this, [](int id, const RouteTracer::Result &r) { … });
//     QString why;
//     const int id = tracer.start(address, 3000, &why);   // 0: no ICMP socket, *why says why
//
// A trace probes hops 1 to MaxHops in three rounds. The first sends one
// request for every hop at once; each later one sends another to every hop
// not answered yet, up to the destination once it answered. A round waits a
// third of the budget (at most RoundWaitMs) or until every request of it is
// answered, so a trace ends within its budget, and sooner when every hop
// up to the destination has answered. Sending the hops' requests together
// keeps a trace short whatever the path; one request a round per hop keeps
// within the few time-exceeded messages a router gives one host per second.
//
// Any number of traces may run at once, to the same or different addresses,
// both families mixed: one socket per family, the traces' requests told
// apart by their sequence numbers (and, on the raw socket, our identifier).
//
// Sockets: the raw socket (root or CAP_NET_RAW) sees every ICMP message of
// the host and keeps only those that quote a request of ours. Where raw ones
// are refused, the unprivileged datagram socket (net.ipv4.ping_group_range)
// serves too: with IP_RECVERR (IPV6_RECVERR) the kernel queues the time
// exceeded and unreachable messages that quote a request of the socket on
// its error queue, with the router's address as the offender.
class RouteTracer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteTracer)

public:
    static constexpr int MaxHops = 30;
    static constexpr int TriesPerHop = 3;
    static constexpr int RoundWaitMs = 1000;

    enum class Kind { Automatic, Raw, Datagram };

    // How a trace ended.
    enum class Ending {
        Reached,      // the destination answered: the last hop is the destination
        // A router said the destination cannot be reached: the last hop is
        // that router. No hops at all: this machine has no route there.
        Unreachable,
        NotReached,   // all hops' tries were spent, or the budget, without either
    };

    struct Hop
    {
        int number = 0;          // 1 for the first router
        HostAddress address;     // null: no answer to any try
        qint64 rttNs = -1;       // of the first try answered; -1 without an answer
    };

    struct Result
    {
        HostAddress destination;
        Ending ending = Ending::NotReached;
        // Hop 1 on: to the destination (Reached), to the router that refused
        // (Unreachable), else every hop up to MaxHops.
        QList<Hop> hops;
    };

    explicit RouteTracer(QObject *parent = nullptr);
    explicit RouteTracer(Kind kind, QObject *parent = nullptr);
    ~RouteTracer() override;

    // Starts a trace taking at most budgetMs (at least 3 ms) and returns its
    // id; finished() follows, never from inside this call. 0, with the reason
    // in *why, when no ICMP socket of the address's family can be opened.
    int start(const HostAddress &destination, int budgetMs, QString *why = nullptr);
    // Ends a trace at once, without finished().
    void cancel(int id);
    int runningCount() const { return int(m_traces.size()); }
    // The kind of socket in use for IPv4 / IPv6 since its last opening.
    Kind kind() const { return m_v4.kind; }
    Kind ipv6Kind() const { return m_v6.kind; }

signals:
    // A slot may start or cancel traces; the tracer itself goes with
    // deleteLater(), not from inside the slot.
    void finished(int id, const monitor::RouteTracer::Result &result);

private:
    struct Socket
    {
        int domain = 0;
        Kind kind = Kind::Automatic;
        int fd = -1;
        QSocketNotifier *notifier = nullptr;
        quint16 ident = 0;  // network byte order; the kernel's on a datagram socket
    };
    struct Probe
    {
        int trace = 0;
        int hop = 0;
        qint64 sentNs = 0;
    };
    struct Trace
    {
        int id = 0;
        HostAddress destination;
        qint64 endNs = 0;        // the budget's end
        qint64 roundWaitNs = 0;
        int round = 0;           // rounds sent so far
        int reachedAt = 0;       // the lowest hop the destination answered; 0 not yet
        int refusedAt = 0;       // the lowest hop a router said unreachable at; 0 never
        bool refusedHere = false;  // this machine would not send there
        std::array<Hop, MaxHops> hops{};
        QList<quint16> sequences;  // of its requests still awaited
        QTimer *timer = nullptr;
    };

    bool openSocket(Socket &s, QString *why);
    bool openKind(Socket &s, Kind kind, QString *why);
    void closeSocket(Socket &s);
    Socket &socketFor(const HostAddress &address) { return address.family() == HostAddress::Family::IPv6 ? m_v6 : m_v4; }
    void sendRound(Trace &t);
    bool sendProbe(Trace &t, int hop);
    void onRoundOver(int id);
    void finish(int id);
    void read(Socket &s);
    void readRaw(Socket &s, const unsigned char *data, qint64 length, const HostAddress &from, qint64 ageNs);
    void readErrorQueue(Socket &s);
    // A reply or an ICMP error quoting request `sequence` came from `from`.
    void answered(Socket &s, quint16 sequence, const HostAddress &from, bool echoReply, bool unreachable,
                  const HostAddress &quotedDestination, qint64 ageNs);
    void closeIdleSockets();

    Kind m_wanted;
    Socket m_v4;
    Socket m_v6;
    std::map<int, std::unique_ptr<Trace>> m_traces;
    QHash<quint32, Probe> m_probes;  // family (4 or 6) << 16 | sequence -> the request
    int m_nextId = 1;
    quint16 m_nextSequence = 0;
    QElapsedTimer m_clock;
};

} // namespace monitor

Q_DECLARE_METATYPE(monitor::RouteTracer::Result)
