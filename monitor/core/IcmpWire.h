#pragma once

#include <QString>
#include <QtGlobal>

struct msghdr;

namespace monitor {

// What the echo transport and the route tracer both need of ICMP sockets.
namespace IcmpWire {

// The Internet checksum of an ICMP message (IPv4; ICMPv6's covers a
// pseudo-header the kernel fills in itself).
quint16 checksum(const unsigned char *data, int length);

// Nanoseconds on the wall clock, which the kernel's receive stamps use.
qint64 realtimeNs();

// How long ago the kernel took in the datagram whose control messages
// `message` holds (SO_TIMESTAMPNS), as of now; 0 without a stamp, or when
// the wall clock was stepped meanwhile (an age below 0 or above maxAgeNs).
qint64 ageOf(const msghdr &message, qint64 maxAgeNs);

// Asks the kernel to stamp what the socket receives.
void stampArrivals(int fd);

// Keeps the kernel stamping arrivals for as long as the process runs. The
// kernel turns its stamping on only while some socket asks for it, and
// switches it on later, from a work queue: the replies to the first
// requests of a socket opened while nobody asked would carry the moment
// they were read instead. One idle socket held from the transport's
// creation keeps it on across passes, whose sockets come and go.
void keepStampingOn();

QString errnoText(int error);

} // namespace IcmpWire

} // namespace monitor
