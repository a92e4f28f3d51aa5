#pragma once

#include <QByteArray>
#include <QString>

namespace admin {

// Address texts of the book as the operator and the monitor see them.
namespace AddressText {

// Whether the monitor could probe this text: a dotted quad of decimal
// numbers (AddressSyntax), or an IPv6 literal, optionally with a zone
// ("fe80::1%eth0", "fe80::1%2"). 255.255.255.255 is not one: the monitor
// cannot probe it. The zone's interface need not exist here: the book may
// be filled on another machine than the one that probes.
bool isAddress(const QString &text);

// For an older IPv4 spelling ("010.0.0.1", "10.1", "0x0a000001"): the
// address it would have been probed as, in its dotted form. Empty for any
// other text.
QString legacyReading(const QString &text);

// A key whose byte order is the addresses' numeric order: IPv4 before IPv6,
// each by its value (127.0.0.2 before 127.0.0.10), then by zone; texts that
// are no address after every address, as text. Equal values written
// differently ("fd00::1", "fd00:0::1") still get different keys.
QByteArray sortKey(const QString &text);

// The same host's key whatever its spelling ("fd00::1" and "FD00:0::1",
// "::ffff:10.0.0.1" and "10.0.0.1"): empty for a text that is no address.
QByteArray hostKey(const QString &text);

} // namespace AddressText

} // namespace admin
