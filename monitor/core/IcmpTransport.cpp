#include "IcmpTransport.h"

#include "AddressLimits.h"
#include "IcmpWire.h"

#include <QRandomGenerator>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace monitor {

namespace {

constexpr int EchoHeaderBytes = 8;
constexpr int MinReceiveBuffer = 256 * 1024;
constexpr int MaxReceiveBuffer = 32 * 1024 * 1024;
// What one queued echo reply costs the receive buffer, with the kernel's
// bookkeeping: a buffer of this much per request never overflows, even when
// every reply of a large pass arrives before the loop reads the first one.
constexpr int BytesPerReply = 1024;
// Replies read in one go before the event loop gets its turn again.
constexpr int DrainBudget = 512;
// Replies taken from the kernel by one call.
constexpr int BatchSize = 64;
// Room for one datagram: an echo reply of ours is 53 bytes (73 with a raw
// socket's IPv4 header, 113 with every IP option); longer packets are
// someone else's and arrive cut, which their payload check then refuses.
constexpr int SlotBytes = 256;
// Replies read before a deadline is judged: enough for every reply of a large
// pass, bounded so that a flood of foreign echo replies cannot hold the loop.
constexpr int PollBudget = 16384;
// A reply older than this when read is taken as a wall-clock step, not as
// a reply that waited: no attempt waits that long.
constexpr qint64 MaxReplyAgeNs = qint64(AddressLimits::MaxPingTimeoutMs) * 2'000'000;

int statusOfSendError(int error)
{
    switch (error) {
    case ENETUNREACH:
        return EchoTransport::DestNetUnreachable;
    case EHOSTUNREACH:
        return EchoTransport::DestHostUnreachable;
    default:
        return EchoTransport::GeneralFailure;
    }
}

} // namespace

// The buffers of one recvmmsg call, kept for the transport's life.
struct IcmpTransport::ReceiveBatch
{
    struct Slot
    {
        unsigned char data[SlotBytes];
        sockaddr_storage from;
        alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(timespec)) + 32];
    };
    Slot entries[BatchSize];
    iovec vectors[BatchSize];
    mmsghdr messages[BatchSize];

    void prepare(int count)
    {
        for (int i = 0; i < count; ++i) {
            Slot &s = entries[i];
            vectors[i] = {s.data, sizeof s.data};
            msghdr &h = messages[i].msg_hdr;
            h = msghdr{};
            h.msg_name = &s.from;
            h.msg_namelen = sizeof s.from;
            h.msg_iov = &vectors[i];
            h.msg_iovlen = 1;
            h.msg_control = s.control;
            h.msg_controllen = sizeof s.control;
            messages[i].msg_len = 0;
        }
    }
};

IcmpTransport::IcmpTransport(QObject *parent)
    : IcmpTransport(Kind::Automatic, parent)
{
}

IcmpTransport::IcmpTransport(Kind kind, QObject *parent)
    : EchoTransport(parent)
    , m_wanted(kind)
    , m_rawIdentBase(quint16(QRandomGenerator::global()->generate()))
    , m_batch(std::make_unique<ReceiveBatch>())
{
    m_v4.domain = AF_INET;
    m_v6.domain = AF_INET6;
    IcmpWire::keepStampingOn();
}

IcmpTransport::~IcmpTransport()
{
    close();
}

bool IcmpTransport::open(int expectedRequests, QString *why)
{
    close();
    ++m_epoch;
    m_wantedBuffer = int(qBound(qint64(MinReceiveBuffer), qint64(expectedRequests) * BytesPerReply, qint64(MaxReceiveBuffer)));
    if (!openFamily(m_v4, why))
        return false;
    m_open = true;
    return true;
}

bool IcmpTransport::openFamily(Family &f, QString *why)
{
    QString datagramWhy;
    QString rawWhy;
    if (m_wanted != Kind::Raw) {
        f.kind = Kind::Datagram;
        if (addChannel(f, &datagramWhy)) {
            f.open = true;
            return true;
        }
    }
    if (m_wanted != Kind::Datagram) {
        f.kind = Kind::Raw;
        if (openRaw(f, &rawWhy) && addChannel(f, &rawWhy)) {
            f.open = true;
            return true;
        }
        closeFamily(f);
    }
    f.kind = Kind::Automatic;
    f.failed = true;
    if (why) {
        QStringList parts;
        if (!datagramWhy.isEmpty())
            parts << QStringLiteral("datagram: %1").arg(datagramWhy);
        if (!rawWhy.isEmpty())
            parts << QStringLiteral("raw: %1").arg(rawWhy);
        *why = parts.join(QStringLiteral("; "));
    }
    return false;
}

void IcmpTransport::close()
{
    ++m_epoch;
    closeFamily(m_v4);
    closeFamily(m_v6);
    m_open = false;
}

void IcmpTransport::closeFamily(Family &f)
{
    // The notifiers may be the ones whose signal is being handled: disable
    // them now and let the loop delete them.
    for (Channel &ch : f.channels) {
        if (ch.notifier) {
            ch.notifier->setEnabled(false);
            ch.notifier->deleteLater();
        }
        if (ch.fd >= 0)
            ::close(ch.fd);
    }
    f.channels.clear();
    if (f.rawNotifier) {
        f.rawNotifier->setEnabled(false);
        f.rawNotifier->deleteLater();
        f.rawNotifier = nullptr;
    }
    if (f.rawFd >= 0) {
        ::close(f.rawFd);
        f.rawFd = -1;
    }
    f.open = false;
    f.failed = false;
}

int IcmpTransport::configureSocket(int fd)
{
    // Forcing goes past net.core.rmem_max where we may (CAP_NET_ADMIN);
    // otherwise the kernel grants what the limit allows.
    int size = m_wantedBuffer;
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    int granted = 0;
    socklen_t len = sizeof granted;
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &len) == 0)
        m_receiveBuffer = granted;
    // Arrival stamps: without them a reply is timed from when it is read.
    IcmpWire::stampArrivals(fd);
    return granted;
}

bool IcmpTransport::openRaw(Family &f, QString *why)
{
    const bool v6 = f.domain == AF_INET6;
    const int fd = ::socket(f.domain, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, v6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP));
    if (fd < 0) {
        *why = IcmpWire::errnoText(errno);
        return false;
    }
    // Only echo replies reach us; the host's other ICMP traffic (our own
    // requests on loop-back among it) is dropped by the kernel. On ICMPv6 the
    // kernel also fills in the checksum, which covers a pseudo-header of
    // addresses we do not know before routing.
    if (v6) {
        icmp6_filter filter{};
        ICMP6_FILTER_SETBLOCKALL(&filter);
        ICMP6_FILTER_SETPASS(ICMP6_ECHO_REPLY, &filter);
        setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
    } else {
        icmp_filter filter{};
        filter.data = ~(1U << ICMP_ECHOREPLY);
        setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    configureSocket(fd);
    f.rawFd = fd;
    f.rawNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    Family *family = &f;
    connect(f.rawNotifier, &QSocketNotifier::activated, this, [this, family, fd] { drain(*family, fd, DrainBudget); });
    return true;
}

bool IcmpTransport::addDatagramChannel(Family &f, QString *why)
{
    const bool v6 = f.domain == AF_INET6;
    const int fd = ::socket(f.domain, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, v6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP));
    if (fd < 0) {
        *why = IcmpWire::errnoText(errno);
        return false;
    }
    // Binding makes the kernel choose our identifier now, so replies can be
    // told apart from the start; it is the "port" of the bound address.
    sockaddr_storage local{};
    socklen_t len = 0;
    if (v6) {
        auto *a = reinterpret_cast<sockaddr_in6 *>(&local);
        a->sin6_family = AF_INET6;
        a->sin6_addr = in6addr_any;
        len = sizeof *a;
    } else {
        auto *a = reinterpret_cast<sockaddr_in *>(&local);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(INADDR_ANY);
        len = sizeof *a;
    }
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), len) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &len) != 0) {
        *why = IcmpWire::errnoText(errno);
        ::close(fd);
        return false;
    }
    configureSocket(fd);
    Channel ch;
    ch.fd = fd;
    ch.ident = v6 ? reinterpret_cast<sockaddr_in6 *>(&local)->sin6_port
                  : reinterpret_cast<sockaddr_in *>(&local)->sin_port;
    ch.generation = m_nextGeneration++;
    ch.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    Family *family = &f;
    connect(ch.notifier, &QSocketNotifier::activated, this, [this, family, fd] { drain(*family, fd, DrainBudget); });
    f.channels.append(ch);
    return true;
}

bool IcmpTransport::addChannel(Family &f, QString *why)
{
    if (f.kind == Kind::Datagram)
        return addDatagramChannel(f, why);
    Channel ch;
    ch.ident = htons(m_rawIdentBase++);
    ch.generation = m_nextGeneration++;
    f.channels.append(ch);
    return true;
}

int IcmpTransport::send(const HostAddress &address, const QByteArray &payload, quint32 *cookie)
{
    if (!m_open || address.isNull())
        return GeneralFailure;
    const bool v6 = address.family() == HostAddress::Family::IPv6;
    Family &f = v6 ? m_v6 : m_v4;
    if (!f.open) {
        // Tried once a pass: without IPv6 on this machine every IPv6
        // attempt fails at once rather than waiting out its timeout.
        if (f.failed)
            return GeneralFailure;
        QString why;
        if (!openFamily(f, &why)) {
            qWarning("IPv6 echo unavailable: %s", qUtf8Printable(why));
            return GeneralFailure;
        }
    }
    if (f.channels.isEmpty())
        return GeneralFailure;
    if (f.channels.constLast().nextSequence > 0xffff) {
        QString why;
        if (!addChannel(f, &why))
            return GeneralFailure;
    }
    Channel &ch = f.channels.last();
    const quint16 sequence = quint16(ch.nextSequence);
    if (m_payload != payload)
        m_payload = payload;

    m_packet.resize(EchoHeaderBytes + payload.size());
    auto *p = reinterpret_cast<unsigned char *>(m_packet.data());
    p[0] = v6 ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
    p[1] = 0;
    p[2] = p[3] = 0;
    std::memcpy(p + 4, &ch.ident, 2);  // the kernel puts its own on a datagram socket
    p[6] = quint8(sequence >> 8);
    p[7] = quint8(sequence);
    std::memcpy(p + EchoHeaderBytes, payload.constData(), size_t(payload.size()));
    if (f.kind == Kind::Raw && !v6) {
        const quint16 sum = IcmpWire::checksum(p, int(m_packet.size()));
        p[2] = quint8(sum >> 8);
        p[3] = quint8(sum);
    }

    sockaddr_storage to{};
    socklen_t toLen = 0;
    if (v6) {
        auto *a = reinterpret_cast<sockaddr_in6 *>(&to);
        a->sin6_family = AF_INET6;
        std::memcpy(&a->sin6_addr, address.ipv6Bytes(), 16);
        a->sin6_scope_id = address.scopeId();
        toLen = sizeof *a;
    } else {
        auto *a = reinterpret_cast<sockaddr_in *>(&to);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(address.toIPv4());
        toLen = sizeof *a;
    }
    const int fd = f.kind == Kind::Raw ? f.rawFd : ch.fd;
    const ssize_t sent = ::sendto(fd, p, size_t(m_packet.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr *>(&to), toLen);
    if (sent < 0) {
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK || error == ENOBUFS || error == EINTR)
            return TryAgain;
        ++ch.nextSequence;
        return statusOfSendError(error);
    }
    ++ch.nextSequence;
    if (cookie)
        *cookie = quint32(ch.generation) << 16 | sequence;
    return 0;
}

void IcmpTransport::poll()
{
    for (Family *f : {&m_v4, &m_v6}) {
        if (!m_open || !f->open)
            continue;
        if (f->kind == Kind::Raw) {
            drain(*f, f->rawFd, PollBudget);
            continue;
        }
        for (int i = 0; i < f->channels.size() && m_open; ++i)
            drain(*f, f->channels[i].fd, PollBudget);
    }
}

void IcmpTransport::drain(Family &f, int fd, int budget)
{
    // A slot that runs an event loop may come back here: the outer call
    // still owns the batch and reads whatever is left.
    if (m_draining)
        return;
    m_draining = true;
    const quint32 epoch = m_epoch;
    int taken = 0;
    while (taken < budget && m_epoch == epoch) {
        const int want = qMin(BatchSize, budget - taken);
        m_batch->prepare(want);
        const int got = ::recvmmsg(fd, m_batch->messages, unsigned(want), MSG_DONTWAIT, nullptr);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            // A queued ICMP error of an earlier request: consumed, go on.
            ++taken;
            continue;
        }
        taken += qMax(got, 1);
        // A reply handler may close the transport (the pass ended): the
        // rest of the batch belongs to no one then.
        for (int i = 0; i < got && m_epoch == epoch; ++i)
            takeReply(f, fd, i);
        if (got < want)
            break;
    }
    m_draining = false;
}

void IcmpTransport::takeReply(Family &f, int fd, int slot)
{
    const bool v6 = f.domain == AF_INET6;
    const ReceiveBatch::Slot &s = m_batch->entries[slot];
    const unsigned char *icmp = s.data;
    qint64 length = qMin<qint64>(m_batch->messages[slot].msg_len, SlotBytes);
    // Raw IPv4 hands over the IP header; ICMPv6 sockets never do.
    if (f.kind == Kind::Raw && !v6) {
        if (length < 20)
            return;
        const int headerBytes = (s.data[0] & 0x0f) * 4;
        icmp += headerBytes;
        length -= headerBytes;
    }
    const int replyType = v6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY;
    if (length < EchoHeaderBytes || icmp[0] != replyType || icmp[1] != 0)
        return;
    if (s.from.ss_family != f.domain)
        return;
    quint16 ident;
    std::memcpy(&ident, icmp + 4, 2);
    const quint32 sequence = quint32(icmp[6]) << 8 | icmp[7];

    const Channel *match = nullptr;
    for (const Channel &ch : f.channels) {
        if (ch.ident == ident && (f.kind == Kind::Raw || ch.fd == fd)) {
            match = &ch;
            break;
        }
    }
    // Another program's probe, an earlier pass, or a sequence never sent.
    if (!match || sequence >= match->nextSequence)
        return;
    if (length - EchoHeaderBytes != m_payload.size()
        || std::memcmp(icmp + EchoHeaderBytes, m_payload.constData(), size_t(m_payload.size())) != 0)
        return;
    HostAddress source;
    if (v6) {
        const auto *a = reinterpret_cast<const sockaddr_in6 *>(&s.from);
        source = HostAddress::ipv6(a->sin6_addr.s6_addr, a->sin6_scope_id);
    } else {
        source = HostAddress::ipv4(ntohl(reinterpret_cast<const sockaddr_in *>(&s.from)->sin_addr.s_addr));
    }
    // The age is read last, right before it is handed on.
    const qint64 ageNs = IcmpWire::ageOf(m_batch->messages[slot].msg_hdr, MaxReplyAgeNs);
    emit replyReceived(quint32(match->generation) << 16 | sequence, source, ageNs);
}

} // namespace monitor
