#pragma once

#include "EchoTransport.h"

#include <QByteArray>
#include <QList>

#include <memory>

class QSocketNotifier;

namespace monitor {

// ICMP echo over Linux sockets, non-blocking, driven by socket notifiers on
// the thread that owns it.
//
// Prefers the unprivileged datagram socket (SOCK_DGRAM, IPPROTO_ICMP), which
// net.ipv4.ping_group_range must allow for the user's group; the kernel then
// picks the echo identifier and hands over only replies that carry it. Falls
// back to a raw socket (root or CAP_NET_RAW), which sees every echo reply of
// the host: replies are kept only when identifier, sequence, source address
// and payload match a request of ours.
//
// A channel is one identifier with its 65536 sequence numbers. Each pass
// gets fresh channels (new datagram sockets, or new identifiers on the raw
// socket), so a reply that comes after its pass ended is never reported.
//
// Every socket asks the kernel to stamp what it receives (SO_TIMESTAMPNS), and
// each reply is reported with its age: a reply that waited in the socket
// while the loop was busy sending is still timed from when it arrived.
// Replies are read in batches (recvmmsg) to keep a large pass cheap.
//
// IPv4 and IPv6 (ICMPv6 echo) each have their own sockets and channels,
// chosen the same way; cookies are unique across both. open() opens IPv4,
// whose rights decide whether probing works at all (ICMPv6 obeys the same
// ping_group_range and CAP_NET_RAW); IPv6 opens at the first IPv6 request of
// a pass, so a book without IPv6 hosts never needs it.
class IcmpTransport final : public EchoTransport
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IcmpTransport)

public:
    enum class Kind { Automatic, Datagram, Raw };

    explicit IcmpTransport(QObject *parent = nullptr);
    explicit IcmpTransport(Kind kind, QObject *parent = nullptr);
    ~IcmpTransport() override;

    bool open(int expectedRequests, QString *why) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    int send(const HostAddress &address, const QByteArray &payload, quint32 *cookie) override;
    void poll() override;

    // The kind of socket in use since the last successful open(), for IPv4
    // and (once an IPv6 request was sent) for IPv6.
    Kind kind() const { return m_v4.kind; }
    Kind ipv6Kind() const { return m_v6.kind; }
    // The receive buffer the kernel granted, in bytes.
    int receiveBufferBytes() const { return m_receiveBuffer; }

private:
    struct Channel
    {
        int fd = -1;                  // the datagram socket; the raw socket is shared
        QSocketNotifier *notifier = nullptr;
        quint16 ident = 0;            // echo identifier, network byte order
        quint16 generation = 0;       // upper half of this channel's cookies
        quint32 nextSequence = 0;     // 0..65536
    };

    // The sockets and channels of one address family.
    struct Family
    {
        int domain = 0;               // AF_INET or AF_INET6
        Kind kind = Kind::Automatic;
        bool open = false;
        bool failed = false;          // could not be opened in this pass
        int rawFd = -1;
        QSocketNotifier *rawNotifier = nullptr;
        QList<Channel> channels;
    };

    bool openFamily(Family &f, QString *why);
    void closeFamily(Family &f);
    bool openRaw(Family &f, QString *why);
    bool addDatagramChannel(Family &f, QString *why);
    bool addChannel(Family &f, QString *why);
    int configureSocket(int fd);
    void drain(Family &f, int fd, int budget);
    void takeReply(Family &f, int fd, int slot);

    struct ReceiveBatch;

    Kind m_wanted;
    bool m_open = false;
    Family m_v4;
    Family m_v6;
    int m_receiveBuffer = 0;
    int m_wantedBuffer = 0;
    quint16 m_nextGeneration = 1;
    quint16 m_rawIdentBase = 0;
    QByteArray m_payload;             // of the requests in flight, to check the echo
    QByteArray m_packet;              // scratch buffer for one request
    std::unique_ptr<ReceiveBatch> m_batch;
    quint32 m_epoch = 0;              // moves on at every open() and close()
    bool m_draining = false;
};

} // namespace monitor
