#include "RouteTracer.h"

#include "IcmpWire.h"

#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace monitor {

namespace {

constexpr int EchoHeaderBytes = 8;
// What follows the header: enough to tell our requests from anyone's.
constexpr char Payload[] = "orvant route tr";
constexpr int PayloadBytes = sizeof Payload - 1;
// Messages read in one go before the loop gets its turn again. The raw
// socket sees every echo reply of the machine, the monitor's own among them.
constexpr int ReadBudget = 1024;
constexpr int BatchSize = 32;
constexpr int SlotBytes = 512;
// A stamp older than this is a wall-clock step, not a late answer.
constexpr qint64 MaxAgeNs = 60'000'000'000;

quint32 probeKey(const HostAddress &address, quint16 sequence)
{
    return (address.family() == HostAddress::Family::IPv6 ? 6u : 4u) << 16 | sequence;
}

HostAddress addressOf(const sockaddr_storage &a)
{
    if (a.ss_family == AF_INET)
        return HostAddress::ipv4(ntohl(reinterpret_cast<const sockaddr_in &>(a).sin_addr.s_addr));
    if (a.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(a);
        return HostAddress::ipv6(v6.sin6_addr.s6_addr, v6.sin6_scope_id);
    }
    return {};
}

quint16 sequenceAt(const unsigned char *icmp)
{
    return quint16(icmp[6] << 8 | icmp[7]);
}

// The quoted destination as HostAddress::ipv6 would give it, whatever the
// zone: a quoted header carries none.
bool sameHost(const HostAddress &a, const HostAddress &b)
{
    if (a.family() != b.family())
        return false;
    if (a.family() == HostAddress::Family::IPv4)
        return a.toIPv4() == b.toIPv4();
    return std::memcmp(a.ipv6Bytes(), b.ipv6Bytes(), 16) == 0;
}

} // namespace

RouteTracer::RouteTracer(QObject *parent)
    : RouteTracer(Kind::Automatic, parent)
{
}

RouteTracer::RouteTracer(Kind kind, QObject *parent)
    : QObject(parent)
    , m_wanted(kind)
    , m_nextSequence(quint16(QRandomGenerator::global()->generate()))
{
    m_v4.domain = AF_INET;
    m_v6.domain = AF_INET6;
    m_clock.start();
}

RouteTracer::~RouteTracer()
{
    m_traces.clear();
    closeSocket(m_v4);
    closeSocket(m_v6);
}

bool RouteTracer::openSocket(Socket &s, QString *why)
{
    if (s.fd >= 0)
        return true;
    QString rawWhy, datagramWhy;
    if (m_wanted != Kind::Datagram && openKind(s, Kind::Raw, &rawWhy))
        return true;
    if (m_wanted != Kind::Raw && openKind(s, Kind::Datagram, &datagramWhy))
        return true;
    if (why) {
        QStringList parts;
        if (!rawWhy.isEmpty())
            parts << QStringLiteral("raw: %1").arg(rawWhy);
        if (!datagramWhy.isEmpty())
            parts << QStringLiteral("datagram: %1").arg(datagramWhy);
        *why = parts.join(QStringLiteral("; "));
    }
    return false;
}

bool RouteTracer::openKind(Socket &s, Kind kind, QString *why)
{
    const bool v6 = s.domain == AF_INET6;
    const int protocol = v6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP);
    const int fd = ::socket(s.domain, (kind == Kind::Raw ? SOCK_RAW : SOCK_DGRAM) | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        *why = IcmpWire::errnoText(errno);
        return false;
    }
    const auto fail = [&] {
        *why = IcmpWire::errnoText(errno);
        ::close(fd);
        return false;
    };
    if (kind == Kind::Raw) {
        // Echo replies, and the two errors that quote a request: whatever
        // else the host's ICMP traffic holds never reaches us.
        if (v6) {
            icmp6_filter filter{};
            ICMP6_FILTER_SETBLOCKALL(&filter);
            ICMP6_FILTER_SETPASS(ICMP6_ECHO_REPLY, &filter);
            ICMP6_FILTER_SETPASS(ICMP6_TIME_EXCEEDED, &filter);
            ICMP6_FILTER_SETPASS(ICMP6_DST_UNREACH, &filter);
            setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
        } else {
            icmp_filter filter{};
            filter.data = ~(1U << ICMP_ECHOREPLY | 1U << ICMP_TIME_EXCEEDED | 1U << ICMP_DEST_UNREACH);
            setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
        }
        s.ident = htons(quint16(QRandomGenerator::global()->generate()));
    } else {
        // The kernel picks the identifier when the socket is bound; the
        // errors quoting our requests come on the error queue.
        sockaddr_storage local{};
        socklen_t len = v6 ? socklen_t(sizeof(sockaddr_in6)) : socklen_t(sizeof(sockaddr_in));
        local.ss_family = sa_family_t(s.domain);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&local), len) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &len) != 0)
            return fail();
        s.ident = v6 ? reinterpret_cast<sockaddr_in6 &>(local).sin6_port : reinterpret_cast<sockaddr_in &>(local).sin_port;
        const int on = 1;
        if (setsockopt(fd, v6 ? SOL_IPV6 : SOL_IP, v6 ? IPV6_RECVERR : IP_RECVERR, &on, sizeof on) != 0)
            return fail();
    }
    IcmpWire::stampArrivals(fd);
    s.fd = fd;
    s.kind = kind;
    s.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    Socket *socket = &s;
    connect(s.notifier, &QSocketNotifier::activated, this, [this, socket] { read(*socket); });
    return true;
}

void RouteTracer::closeSocket(Socket &s)
{
    if (s.notifier) {
        // It may be the one whose signal is being handled.
        s.notifier->setEnabled(false);
        s.notifier->deleteLater();
        s.notifier = nullptr;
    }
    if (s.fd >= 0)
        ::close(s.fd);
    s.fd = -1;
}

void RouteTracer::closeIdleSockets()
{
    // A raw socket sees every echo reply of the machine: kept only while
    // a trace needs it.
    if (!m_traces.empty())
        return;
    closeSocket(m_v4);
    closeSocket(m_v6);
}

int RouteTracer::start(const HostAddress &destination, int budgetMs, QString *why)
{
    if (destination.isNull()) {
        if (why)
            *why = QStringLiteral("not an address");
        return 0;
    }
    Socket &s = socketFor(destination);
    if (!openSocket(s, why))
        return 0;
    auto trace = std::make_unique<Trace>();
    Trace &t = *trace;
    t.id = m_nextId++;
    if (m_nextId <= 0)
        m_nextId = 1;
    t.destination = destination;
    const qint64 budgetNs = qint64(qMax(3, budgetMs)) * 1'000'000;
    t.endNs = m_clock.nsecsElapsed() + budgetNs;
    t.roundWaitNs = qMin<qint64>(budgetNs / TriesPerHop, qint64(RoundWaitMs) * 1'000'000);
    for (int i = 0; i < MaxHops; ++i)
        t.hops[size_t(i)].number = i + 1;
    t.timer = new QTimer(this);
    t.timer->setSingleShot(true);
    const int id = t.id;
    connect(t.timer, &QTimer::timeout, this, [this, id] { onRoundOver(id); });
    m_traces.emplace(id, std::move(trace));
    // Sent from the loop: an answer, or a send refused at once, then ends
    // the trace from there, never inside this call.
    QTimer::singleShot(0, this, [this, id] {
        const auto it = m_traces.find(id);
        if (it != m_traces.end())
            sendRound(*it->second);
    });
    return id;
}

void RouteTracer::cancel(int id)
{
    const auto it = m_traces.find(id);
    if (it == m_traces.end())
        return;
    Trace &t = *it->second;
    for (quint16 sequence : std::as_const(t.sequences))
        m_probes.remove(probeKey(t.destination, sequence));
    t.timer->deleteLater();
    m_traces.erase(it);
    QTimer::singleShot(0, this, &RouteTracer::closeIdleSockets);
}

void RouteTracer::sendRound(Trace &t)
{
    ++t.round;
    const int limit = t.reachedAt ? t.reachedAt : t.refusedAt ? t.refusedAt : MaxHops;
    int sent = 0;
    for (int hop = 1; hop <= limit; ++hop) {
        if (!t.hops[size_t(hop - 1)].address.isNull())
            continue;
        if (!sendProbe(t, hop)) {
            // This machine itself has no way there: nothing to wait for.
            finish(t.id);
            return;
        }
        ++sent;
    }
    if (sent == 0) {
        finish(t.id);
        return;
    }
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 wait = qMax<qint64>(0, qMin(t.roundWaitNs, t.endNs - now));
    t.timer->start(int((wait + 999'999) / 1'000'000));
}

bool RouteTracer::sendProbe(Trace &t, int hop)
{
    Socket &s = socketFor(t.destination);
    const bool v6 = s.domain == AF_INET6;
    // A sequence number no request of ours in flight is using.
    quint16 sequence = m_nextSequence++;
    for (int i = 0; i < 65536 && m_probes.contains(probeKey(t.destination, sequence)); ++i)
        sequence = m_nextSequence++;

    unsigned char packet[EchoHeaderBytes + PayloadBytes];
    packet[0] = v6 ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
    packet[1] = 0;
    packet[2] = packet[3] = 0;
    std::memcpy(packet + 4, &s.ident, 2);
    packet[6] = quint8(sequence >> 8);
    packet[7] = quint8(sequence);
    std::memcpy(packet + EchoHeaderBytes, Payload, PayloadBytes);
    if (s.kind == Kind::Raw && !v6) {
        const quint16 sum = IcmpWire::checksum(packet, int(sizeof packet));
        packet[2] = quint8(sum >> 8);
        packet[3] = quint8(sum);
    }
    // One socket for every hop: its time to live is set right before each send.
    const int ttl = hop;
    if (v6)
        setsockopt(s.fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, &ttl, sizeof ttl);
    else
        setsockopt(s.fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);

    sockaddr_storage to{};
    socklen_t toLen = 0;
    if (v6) {
        auto &a = reinterpret_cast<sockaddr_in6 &>(to);
        a.sin6_family = AF_INET6;
        std::memcpy(&a.sin6_addr, t.destination.ipv6Bytes(), 16);
        a.sin6_scope_id = t.destination.scopeId();
        toLen = sizeof a;
    } else {
        auto &a = reinterpret_cast<sockaddr_in &>(to);
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(t.destination.toIPv4());
        toLen = sizeof a;
    }
    if (s.kind == Kind::Datagram) {
        // An error an earlier request met (a router's time exceeded) stays
        // pending on the socket and would be what this send reports.
        int pending = 0;
        socklen_t pendingLength = sizeof pending;
        getsockopt(s.fd, SOL_SOCKET, SO_ERROR, &pending, &pendingLength);
    }
    const qint64 sentNs = m_clock.nsecsElapsed();
    if (::sendto(s.fd, packet, sizeof packet, MSG_DONTWAIT | MSG_NOSIGNAL, reinterpret_cast<sockaddr *>(&to), toLen) < 0) {
        const int error = errno;
        // No route (or one that refuses, or a firewall of this machine).
        if (error == ENETUNREACH || error == EHOSTUNREACH || error == EACCES || error == EPERM || error == EINVAL) {
            t.refusedHere = true;
            return false;
        }
        // A full socket loses this try; the next round tries again.
        return true;
    }
    m_probes.insert(probeKey(t.destination, sequence), {t.id, hop, sentNs});
    t.sequences.append(sequence);
    return true;
}

void RouteTracer::onRoundOver(int id)
{
    // Answers already in the socket came within the round.
    read(m_v4);
    read(m_v6);
    const auto it = m_traces.find(id);
    if (it == m_traces.end())
        return;
    Trace &t = *it->second;
    if (t.round >= TriesPerHop || m_clock.nsecsElapsed() >= t.endNs)
        finish(id);
    else
        sendRound(t);
}

void RouteTracer::finish(int id)
{
    const auto it = m_traces.find(id);
    if (it == m_traces.end())
        return;
    std::unique_ptr<Trace> trace = std::move(it->second);
    m_traces.erase(it);
    Trace &t = *trace;
    for (quint16 sequence : std::as_const(t.sequences))
        m_probes.remove(probeKey(t.destination, sequence));
    t.timer->stop();
    t.timer->deleteLater();

    Result result;
    result.destination = t.destination;
    int last = MaxHops;
    if (t.reachedAt && (!t.refusedAt || t.reachedAt <= t.refusedAt)) {
        result.ending = Ending::Reached;
        last = t.reachedAt;
    } else if (t.refusedAt) {
        result.ending = Ending::Unreachable;
        last = t.refusedAt;
    }
    if (t.refusedHere) {
        result.ending = Ending::Unreachable;
        last = 0;
    }
    for (int i = 0; i < last; ++i)
        result.hops.append(t.hops[size_t(i)]);
    QTimer::singleShot(0, this, &RouteTracer::closeIdleSockets);
    emit finished(id, result);
}

void RouteTracer::read(Socket &s)
{
    if (s.fd < 0)
        return;
    const int fd = s.fd;
    if (s.kind == Kind::Datagram)
        readErrorQueue(s);
    struct Slot
    {
        unsigned char data[SlotBytes];
        sockaddr_storage from;
        alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(timespec)) + 32];
    };
    Slot slots_[BatchSize];
    iovec vectors[BatchSize];
    mmsghdr messages[BatchSize];
    for (int taken = 0; taken < ReadBudget && s.fd == fd;) {
        for (int i = 0; i < BatchSize; ++i) {
            vectors[i] = {slots_[i].data, sizeof slots_[i].data};
            msghdr &h = messages[i].msg_hdr;
            h = msghdr{};
            h.msg_name = &slots_[i].from;
            h.msg_namelen = sizeof slots_[i].from;
            h.msg_iov = &vectors[i];
            h.msg_iovlen = 1;
            h.msg_control = slots_[i].control;
            h.msg_controllen = sizeof slots_[i].control;
        }
        const int got = ::recvmmsg(fd, messages, BatchSize, MSG_DONTWAIT, nullptr);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            // The pending error of an ICMP message already queued: go on.
            ++taken;
            continue;
        }
        taken += qMax(got, 1);
        for (int i = 0; i < got && s.fd == fd; ++i) {
            const qint64 age = IcmpWire::ageOf(messages[i].msg_hdr, MaxAgeNs);
            readRaw(s, slots_[i].data, qMin<qint64>(messages[i].msg_len, SlotBytes), addressOf(slots_[i].from), age);
        }
        if (got < BatchSize)
            return;
    }
}

// One message of the socket's ordinary queue: on the raw socket any ICMP
// message the filter lets through (IPv4 with its IP header), on the
// datagram socket an echo reply to us.
void RouteTracer::readRaw(Socket &s, const unsigned char *data, qint64 length, const HostAddress &from, qint64 ageNs)
{
    const bool v6 = s.domain == AF_INET6;
    const unsigned char *icmp = data;
    if (s.kind == Kind::Raw && !v6) {
        if (length < 20)
            return;
        const int header = (data[0] & 0x0f) * 4;
        icmp += header;
        length -= header;
    }
    if (length < EchoHeaderBytes)
        return;
    const int type = icmp[0];
    if (type == (v6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY)) {
        if (s.kind == Kind::Raw && std::memcmp(icmp + 4, &s.ident, 2) != 0)
            return;
        answered(s, sequenceAt(icmp), from, true, false, from, ageNs);
        return;
    }
    if (s.kind != Kind::Raw)
        return;
    const bool exceeded = type == (v6 ? ICMP6_TIME_EXCEEDED : ICMP_TIME_EXCEEDED);
    const bool unreachable = type == (v6 ? ICMP6_DST_UNREACH : ICMP_DEST_UNREACH);
    if (!exceeded && !unreachable)
        return;
    // The error quotes the request that caused it: its IP header, then at
    // least the eight bytes of our echo header.
    const unsigned char *quoted = icmp + 8;
    const qint64 quotedLength = length - 8;
    HostAddress destination;
    const unsigned char *request = nullptr;
    if (v6) {
        if (quotedLength < 40 + EchoHeaderBytes || quoted[6] != IPPROTO_ICMPV6)
            return;
        destination = HostAddress::ipv6(quoted + 24);
        request = quoted + 40;
    } else {
        if (quotedLength < 20)
            return;
        const int header = (quoted[0] & 0x0f) * 4;
        if (quotedLength < header + EchoHeaderBytes || quoted[9] != IPPROTO_ICMP)
            return;
        quint32 to;
        std::memcpy(&to, quoted + 16, 4);
        destination = HostAddress::ipv4(ntohl(to));
        request = quoted + header;
    }
    if (request[0] != (v6 ? ICMP6_ECHO_REQUEST : ICMP_ECHO) || std::memcmp(request + 4, &s.ident, 2) != 0)
        return;
    answered(s, sequenceAt(request), from, false, unreachable, destination, ageNs);
}

// The datagram socket's error queue: the kernel's word on a request of ours
// that a router answered with time exceeded or unreachable.
void RouteTracer::readErrorQueue(Socket &s)
{
    const bool v6 = s.domain == AF_INET6;
    const int fd = s.fd;
    for (int n = 0; n < ReadBudget && s.fd == fd; ++n) {
        unsigned char data[SlotBytes];
        sockaddr_storage to{};
        alignas(cmsghdr) unsigned char control[512];
        iovec vector{data, sizeof data};
        msghdr h{};
        h.msg_name = &to;
        h.msg_namelen = sizeof to;
        h.msg_iov = &vector;
        h.msg_iovlen = 1;
        h.msg_control = control;
        h.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(fd, &h, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (got < 0)
            return;
        if (got < EchoHeaderBytes)
            continue;
        const qint64 age = IcmpWire::ageOf(h, MaxAgeNs);
        for (cmsghdr *c = CMSG_FIRSTHDR(&h); c; c = CMSG_NXTHDR(&h, c)) {
            const bool ours = v6 ? c->cmsg_level == SOL_IPV6 && c->cmsg_type == IPV6_RECVERR
                                 : c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR;
            if (!ours || c->cmsg_len < CMSG_LEN(sizeof(sock_extended_err)))
                continue;
            const auto *e = reinterpret_cast<const sock_extended_err *>(CMSG_DATA(c));
            if (e->ee_origin != (v6 ? SO_EE_ORIGIN_ICMP6 : SO_EE_ORIGIN_ICMP))
                continue;
            const bool exceeded = e->ee_type == (v6 ? ICMP6_TIME_EXCEEDED : ICMP_TIME_EXCEEDED);
            const bool unreachable = e->ee_type == (v6 ? ICMP6_DST_UNREACH : ICMP_DEST_UNREACH);
            if (!exceeded && !unreachable)
                continue;
            sockaddr_storage offender{};
            const auto *o = SO_EE_OFFENDER(e);
            std::memcpy(&offender, o, v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in));
            answered(s, sequenceAt(data), addressOf(offender), false, unreachable, addressOf(to), age);
            break;
        }
    }
}

void RouteTracer::answered(Socket &s, quint16 sequence, const HostAddress &from, bool echoReply, bool unreachable,
                           const HostAddress &quotedDestination, qint64 ageNs)
{
    const qint64 now = m_clock.nsecsElapsed();
    const quint32 key = (s.domain == AF_INET6 ? 6u : 4u) << 16 | sequence;
    const auto probe = m_probes.constFind(key);
    if (probe == m_probes.cend() || from.isNull())
        return;
    const auto it = m_traces.find(probe->trace);
    if (it == m_traces.end() || !sameHost(quotedDestination, it->second->destination))
        return;
    Trace &t = *it->second;
    // An echo reply counts from the destination only.
    if (echoReply && !sameHost(from, t.destination))
        return;
    const int hop = probe->hop;
    const qint64 rtt = qMax<qint64>(0, now - qMax<qint64>(ageNs, 0) - probe->sentNs);
    m_probes.erase(probe);
    t.sequences.removeOne(sequence);

    Hop &h = t.hops[size_t(hop - 1)];
    if (h.address.isNull()) {
        h.address = from;
        h.rttNs = rtt;
    }
    if (echoReply && (!t.reachedAt || hop < t.reachedAt))
        t.reachedAt = hop;
    if (unreachable && (!t.refusedAt || hop < t.refusedAt))
        t.refusedAt = hop;

    // Done once every hop up to the destination (or the refusing router)
    // has answered; more rounds could only repeat it.
    const int last = t.reachedAt ? t.reachedAt : t.refusedAt;
    if (!last)
        return;
    for (int i = 0; i < last; ++i)
        if (t.hops[size_t(i)].address.isNull())
            return;
    finish(t.id);
}

} // namespace monitor
