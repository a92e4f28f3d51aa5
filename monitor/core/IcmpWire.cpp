#include "IcmpWire.h"

#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <time.h>

namespace monitor {

namespace IcmpWire {

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

qint64 realtimeNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

qint64 ageOf(const msghdr &message, qint64 maxAgeNs)
{
    for (const cmsghdr *c = CMSG_FIRSTHDR(&message); c;
         c = CMSG_NXTHDR(const_cast<msghdr *>(&message), const_cast<cmsghdr *>(c))) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS || c->cmsg_len < CMSG_LEN(sizeof(timespec)))
            continue;
        timespec t;
        std::memcpy(&t, CMSG_DATA(c), sizeof t);
        const qint64 arrived = qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
        if (arrived <= 0)
            return 0;
        const qint64 age = realtimeNs() - arrived;
        return age < 0 || age > maxAgeNs ? 0 : age;
    }
    return 0;
}

void stampArrivals(int fd)
{
    keepStampingOn();
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
}

void keepStampingOn()
{
    // Never closed: it ends with the process. A plain UDP socket needs no
    // rights; should none be had, arrivals are stamped as before, late.
    static const int keeper = [] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            const int on = 1;
            setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        }
        return fd;
    }();
    Q_UNUSED(keeper);
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace IcmpWire

} // namespace monitor
