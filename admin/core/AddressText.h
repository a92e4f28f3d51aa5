#pragma once

#include <QByteArray>
#include <QString>

namespace admin {

// Address texts of the book as the operator and the monitor see them.
namespace AddressText {

// Whether the monitor could probe this text: a dotted IPv4 address as
// inet_addr reads it ("127.1" too), or an IPv6 literal, optionally with a
// zone ("fe80::1%eth0", "fe80::1%2"). Stricter than the monitor in one way:
// nothing may follow the address (inet_addr alone would take
// "127.0.0.1 router"). The zone's interface need not exist here: the book
// may be filled on another machine than the one that probes.
bool isAddress(const QString &text);

// A key whose byte order is the addresses' numeric order: IPv4 before IPv6,
// each by its value (127.0.0.2 before 127.0.0.10), then by zone; texts that
// are no address after every address, as text. Equal values written
// differently ("127.1", "127.0.0.1") still get different keys.
QByteArray sortKey(const QString &text);

} // namespace AddressText

} // namespace admin
