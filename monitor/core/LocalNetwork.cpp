#include "LocalNetwork.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace monitor {

void LocalNetwork::newPass()
{
    m_byAddress.clear();
    m_links.clear();
    m_defaultUsable.reset();
    m_downAtStart = linksDown();
}

bool LocalNetwork::linkUsable(int index)
{
    auto link = m_links.find(index);
    if (link == m_links.end())
        link = m_links.insert(index, !m_downAtStart.contains(index) && linkRunning(index));
    return *link;
}

bool LocalNetwork::defaultRouteUsable()
{
    if (!m_defaultUsable) {
        const std::optional<QList<int>> links = defaultRouteLinks();
        // Not known: the host alone is left unwatched, the others stay watched.
        bool usable = !links;
        for (int i = 0; links && i < links->size() && !usable; ++i)
            usable = linkUsable(links->at(i));
        m_defaultUsable = usable;
    }
    return *m_defaultUsable;
}

LocalNetwork::State LocalNetwork::stateFor(const QString &ip)
{
    const auto known = m_byAddress.constFind(ip);
    if (known != m_byAddress.cend())
        return *known;
    State state = State::Usable;
    const int index = routeInterface(ip);
    if (index == 0)
        state = defaultRouteUsable() ? State::Unrouted : State::NoNetwork;
    else if (index > 0 && !linkUsable(index))
        state = State::NoNetwork;
    m_byAddress.insert(ip, state);
    return state;
}

namespace {

class Fd
{
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

int LocalNetwork::routeInterface(const QString &ip)
{
    QHostAddress address;
    if (!address.setAddress(ip))
        return -1;
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    quint8 raw[16];
    int rawLength = 4;
    if (v6) {
        const Q_IPV6ADDR a = address.toIPv6Address();
        std::memcpy(raw, a.c, 16);
        rawLength = 16;
    } else {
        const quint32 a = qToBigEndian(address.toIPv4Address());
        std::memcpy(raw, &a, 4);
    }

    struct
    {
        nlmsghdr header;
        rtmsg route;
        char attributes[64];
    } request;
    std::memset(&request, 0, sizeof request);
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = 1;
    request.route.rtm_family = v6 ? AF_INET6 : AF_INET;
    request.route.rtm_dst_len = quint8(rawLength * 8);
    auto *attribute = reinterpret_cast<rtattr *>(reinterpret_cast<char *>(&request) + NLMSG_ALIGN(request.header.nlmsg_len));
    attribute->rta_type = RTA_DST;
    attribute->rta_len = RTA_LENGTH(rawLength);
    std::memcpy(RTA_DATA(attribute), raw, size_t(rawLength));
    request.header.nlmsg_len = NLMSG_ALIGN(request.header.nlmsg_len) + RTA_LENGTH(rawLength);

    Fd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (fd.get() < 0)
        return -1;
    // The kernel answers at once; the bound only guards the event loop.
    timeval wait{0, 200000};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd.get(), &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel),
                 sizeof kernel) < 0)
        return -1;

    alignas(nlmsghdr) char reply[4096];
    const ssize_t got = ::recv(fd.get(), reply, sizeof reply, 0);
    if (got <= 0)
        return -1;
    int length = int(got);
    for (auto *h = reinterpret_cast<nlmsghdr *>(reply); NLMSG_OK(h, length); h = NLMSG_NEXT(h, length)) {
        if (h->nlmsg_type == NLMSG_ERROR) {
            const int error = -reinterpret_cast<nlmsgerr *>(NLMSG_DATA(h))->error;
            return error == ENETUNREACH || error == EHOSTUNREACH || error == EINVAL || error == EACCES ? 0 : -1;
        }
        if (h->nlmsg_type != RTM_NEWROUTE)
            continue;
        auto *route = reinterpret_cast<rtmsg *>(NLMSG_DATA(h));
        if (route->rtm_type == RTN_UNREACHABLE || route->rtm_type == RTN_BLACKHOLE || route->rtm_type == RTN_PROHIBIT)
            return 0;
        int attributesLength = int(RTM_PAYLOAD(h));
        for (auto *a = RTM_RTA(route); RTA_OK(a, attributesLength); a = RTA_NEXT(a, attributesLength)) {
            if (a->rta_type == RTA_OIF) {
                int index = 0;
                std::memcpy(&index, RTA_DATA(a), sizeof index);
                return index > 0 ? index : -1;
            }
        }
        return -1;
    }
    return -1;
}

bool LocalNetwork::linkRunning(int interfaceIndex)
{
    const QNetworkInterface link = QNetworkInterface::interfaceFromIndex(interfaceIndex);
    if (!link.isValid())
        return true;
    const auto flags = link.flags();
    return flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning);
}

QSet<int> LocalNetwork::linksDown()
{
    QSet<int> down;
    for (const QNetworkInterface &link : QNetworkInterface::allInterfaces()) {
        const auto flags = link.flags();
        if (!(flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)))
            down.insert(link.index());
    }
    return down;
}

std::optional<QList<int>> LocalNetwork::defaultRouteLinks()
{
    Fd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (fd.get() < 0)
        return std::nullopt;
    // Each read waits at most this long; the whole answer at most a few.
    timeval wait{0, 200000};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    struct
    {
        nlmsghdr header;
        rtmsg route;
    } request;
    std::memset(&request, 0, sizeof request);
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtmsg));
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 2;
    request.route.rtm_family = AF_UNSPEC;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(fd.get(), &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr *>(&kernel),
                 sizeof kernel) < 0)
        return std::nullopt;

    // Every route of the machine comes back; a router's full table is long,
    // so the reading stops at the first default route over a running link.
    QList<int> links;
    qsizetype checked = 0;
    alignas(nlmsghdr) char reply[16384];
    for (int reads = 0; reads < 4096; ++reads) {
        const ssize_t got = ::recv(fd.get(), reply, sizeof reply, 0);
        if (got <= 0)
            return std::nullopt;
        int length = int(got);
        for (auto *h = reinterpret_cast<nlmsghdr *>(reply); NLMSG_OK(h, length); h = NLMSG_NEXT(h, length)) {
            if (h->nlmsg_type == NLMSG_DONE)
                return links;
            if (h->nlmsg_type == NLMSG_ERROR)
                return std::nullopt;
            if (h->nlmsg_type != RTM_NEWROUTE)
                continue;
            const auto *route = reinterpret_cast<const rtmsg *>(NLMSG_DATA(h));
            if (route->rtm_dst_len != 0 || route->rtm_type != RTN_UNICAST
                || (route->rtm_family != AF_INET && route->rtm_family != AF_INET6))
                continue;
            int attributesLength = int(RTM_PAYLOAD(h));
            for (auto *a = RTM_RTA(route); RTA_OK(a, attributesLength); a = RTA_NEXT(a, attributesLength)) {
                if (a->rta_type == RTA_OIF && RTA_PAYLOAD(a) >= sizeof(int)) {
                    int index = 0;
                    std::memcpy(&index, RTA_DATA(a), sizeof index);
                    links.append(index);
                } else if (a->rta_type == RTA_MULTIPATH) {
                    int left = int(RTA_PAYLOAD(a));
                    for (auto *hop = static_cast<rtnexthop *>(RTA_DATA(a)); RTNH_OK(hop, left);
                         left -= NLMSG_ALIGN(hop->rtnh_len), hop = RTNH_NEXT(hop))
                        links.append(hop->rtnh_ifindex);
                }
            }
            for (; checked < links.size(); ++checked)
                if (linkRunning(links.at(checked)))
                    return QList<int>{links.at(checked)};
        }
    }
    return links;
}

} // namespace monitor
