#pragma once

#include <QByteArray>
#include <QString>

// Addresses ranked by what they are rather than how they are spelt, for
// the lists a program ranks them in.
namespace AddressValue {

// A key whose byte order is the addresses' order by value: IPv4 before
// IPv6 (as AddressSyntax reads them), each numerically (10.10.0.2 before
// 10.10.0.10, fd00::a before fd00::11), an IPv6 zone after its address;
// text that is no address (an older IPv4 spelling too) after every address,
// as text. Two spellings of one value keep apart.
QByteArray sortKey(const QString &text);

} // namespace AddressValue
