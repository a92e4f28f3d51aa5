#include "IcmpTransport.h"

#include <QRandomGenerator>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/icmp.h>
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
// Replies read before a deadline is judged: enough for every reply of a large
// pass, bounded so that a flood of foreign echo replies cannot hold the loop.
constexpr int PollBudget = 16384;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

quint16 checksum(const unsigned char *data, int length)
{
    quint32 sum = 0;
    for (int i = 0; i + 1 < length; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (length & 1)
        sum += quint32(data[length - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

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

IcmpTransport::IcmpTransport(QObject *parent)
    : IcmpTransport(Kind::Automatic, parent)
{
}

IcmpTransport::IcmpTransport(Kind kind, QObject *parent)
    : EchoTransport(parent)
    , m_wanted(kind)
    , m_rawIdentBase(quint16(QRandomGenerator::global()->generate()))
{
}

IcmpTransport::~IcmpTransport()
{
    close();
}

bool IcmpTransport::open(int expectedRequests, QString *why)
{
    close();
    m_wantedBuffer = int(qBound(qint64(MinReceiveBuffer), qint64(expectedRequests) * BytesPerReply, qint64(MaxReceiveBuffer)));

    QString datagramWhy;
    QString rawWhy;
    if (m_wanted != Kind::Raw) {
        m_kind = Kind::Datagram;
        if (addChannel(&datagramWhy)) {
            m_open = true;
            return true;
        }
    }
    if (m_wanted != Kind::Datagram) {
        m_kind = Kind::Raw;
        if (openRaw(&rawWhy) && addChannel(&rawWhy)) {
            m_open = true;
            return true;
        }
        close();
    }
    m_kind = Kind::Automatic;
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
    // The notifiers may be the ones whose signal is being handled: disable
    // them now and let the loop delete them.
    for (Channel &ch : m_channels) {
        if (ch.notifier) {
            ch.notifier->setEnabled(false);
            ch.notifier->deleteLater();
        }
        if (ch.fd >= 0)
            ::close(ch.fd);
    }
    m_channels.clear();
    if (m_rawNotifier) {
        m_rawNotifier->setEnabled(false);
        m_rawNotifier->deleteLater();
        m_rawNotifier = nullptr;
    }
    if (m_rawFd >= 0) {
        ::close(m_rawFd);
        m_rawFd = -1;
    }
    m_open = false;
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
    return granted;
}

bool IcmpTransport::openRaw(QString *why)
{
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        *why = errnoText(errno);
        return false;
    }
    // Only echo replies reach us; the host's other ICMP traffic (our own
    // requests on loop-back among it) is dropped by the kernel.
    icmp_filter filter{};
    filter.data = ~(1U << ICMP_ECHOREPLY);
    setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    configureSocket(fd);
    m_rawFd = fd;
    m_rawNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_rawNotifier, &QSocketNotifier::activated, this, [this, fd] { drain(fd, DrainBudget); });
    return true;
}

bool IcmpTransport::addDatagramChannel(QString *why)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        *why = errnoText(errno);
        return false;
    }
    // Binding makes the kernel choose our identifier now, so replies can be
    // told apart from the start.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t len = sizeof local;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &len) != 0) {
        *why = errnoText(errno);
        ::close(fd);
        return false;
    }
    configureSocket(fd);
    Channel ch;
    ch.fd = fd;
    ch.ident = local.sin_port;
    ch.generation = m_nextGeneration++;
    ch.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(ch.notifier, &QSocketNotifier::activated, this, [this, fd] { drain(fd, DrainBudget); });
    m_channels.append(ch);
    return true;
}

bool IcmpTransport::addChannel(QString *why)
{
    if (m_kind == Kind::Datagram)
        return addDatagramChannel(why);
    Channel ch;
    ch.ident = htons(m_rawIdentBase++);
    ch.generation = m_nextGeneration++;
    m_channels.append(ch);
    return true;
}

int IcmpTransport::send(quint32 address, const QByteArray &payload, quint32 *cookie)
{
    if (!m_open || m_channels.isEmpty())
        return GeneralFailure;
    if (m_channels.constLast().nextSequence > 0xffff) {
        QString why;
        if (!addChannel(&why))
            return GeneralFailure;
    }
    Channel &ch = m_channels.last();
    const quint16 sequence = quint16(ch.nextSequence);
    if (m_payload != payload)
        m_payload = payload;

    m_packet.resize(EchoHeaderBytes + payload.size());
    auto *p = reinterpret_cast<unsigned char *>(m_packet.data());
    p[0] = ICMP_ECHO;
    p[1] = 0;
    p[2] = p[3] = 0;
    std::memcpy(p + 4, &ch.ident, 2);  // the kernel puts its own on a datagram socket
    p[6] = quint8(sequence >> 8);
    p[7] = quint8(sequence);
    std::memcpy(p + EchoHeaderBytes, payload.constData(), size_t(payload.size()));
    if (m_kind == Kind::Raw) {
        const quint16 sum = checksum(p, int(m_packet.size()));
        p[2] = quint8(sum >> 8);
        p[3] = quint8(sum);
    }

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    const int fd = m_kind == Kind::Raw ? m_rawFd : ch.fd;
    const ssize_t sent = ::sendto(fd, p, size_t(m_packet.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr *>(&to), sizeof to);
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
    if (!m_open)
        return;
    if (m_kind == Kind::Raw) {
        drain(m_rawFd, PollBudget);
        return;
    }
    for (int i = 0; i < m_channels.size() && m_open; ++i)
        drain(m_channels[i].fd, PollBudget);
}

void IcmpTransport::drain(int fd, int budget)
{
    unsigned char buffer[2048];
    for (int n = 0; n < budget && m_open; ++n) {
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr *>(&from), &fromLen);
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return;
            // A queued ICMP error of an earlier request: consumed, go on.
            continue;
        }
        const unsigned char *icmp = buffer;
        ssize_t length = got;
        if (m_kind == Kind::Raw) {
            if (got < 20)
                continue;
            const int headerBytes = (buffer[0] & 0x0f) * 4;
            icmp += headerBytes;
            length -= headerBytes;
        }
        if (length < EchoHeaderBytes || icmp[0] != ICMP_ECHOREPLY || icmp[1] != 0)
            continue;
        quint16 ident;
        std::memcpy(&ident, icmp + 4, 2);
        const quint32 sequence = quint32(icmp[6]) << 8 | icmp[7];

        const Channel *match = nullptr;
        for (const Channel &ch : m_channels) {
            if (ch.ident == ident && (m_kind == Kind::Raw || ch.fd == fd)) {
                match = &ch;
                break;
            }
        }
        // Another program's probe, an earlier pass, or a sequence never sent.
        if (!match || sequence >= match->nextSequence)
            continue;
        if (length - EchoHeaderBytes != m_payload.size()
            || std::memcmp(icmp + EchoHeaderBytes, m_payload.constData(), size_t(m_payload.size())) != 0)
            continue;
        emit replyReceived(quint32(match->generation) << 16 | sequence, ntohl(from.sin_addr.s_addr));
    }
}

} // namespace monitor
