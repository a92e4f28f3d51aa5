#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// What a text of the address book says as an address, by one rule for every
// program: an IPv4 address is four decimal numbers from 0 to 255 joined by
// dots, none with a leading zero ("0" itself is fine); an IPv6 address is
// what inet_pton reads, optionally followed by a zone ("%eth0", "%2").
//
// inet_aton also reads older IPv4 spellings: fewer than four parts ("10.1"
// is 10.0.0.1), octal after a leading zero ("010.0.0.1" is 8.0.0.1) and
// hexadecimal ("0x0a000001"). Such a text probes a host other than the one
// most readers see in it, and two spellings of one host do not look alike,
// so none of them is an address here; they are told apart from other text
// so that the operator can be told what the text would have meant.
//
// Nothing else is accepted: no blank before, inside or after, no host name.
// Whether a zone names an interface of this machine is for the caller: the
// book may be filled on another machine than the one that probes.
namespace AddressSyntax {

enum class Kind : quint8 {
    None,       // not an address
    IPv4,
    IPv6,
    LegacyIPv4, // an older IPv4 spelling; `ipv4` holds what inet_aton makes of it
};

struct Parsed
{
    Kind kind = Kind::None;
    quint32 ipv4 = 0;             // host order
    std::array<quint8, 16> ipv6{}; // network order
    QString zone;                 // IPv6 only, without the "%"
};

Parsed parse(const QString &text);

// IPv4 or IPv6 as above.
bool isAddress(const QString &text);

// The address in its usual form: the dotted quad, or inet_ntop's IPv6 form
// with the zone as written. For LegacyIPv4 the address inet_aton reads.
// Empty for None.
QString canonical(const Parsed &parsed);

} // namespace AddressSyntax
