#pragma once

#include <QString>

namespace admin {

// Addresses in the order an operator reads them: runs of digits compare as
// numbers, so 127.0.0.2 comes before 127.0.0.10 and 10.0.0.9 before
// 10.0.1.0 (as text they would not). Hexadecimal groups of IPv6 compare as
// text between their digits, which keeps one prefix's hosts together. Other
// characters compare case-insensitively, then as they are, so the order is
// total.
struct AddressOrder
{
    static int compare(const QString &a, const QString &b);
    static bool less(const QString &a, const QString &b) { return compare(a, b) < 0; }
};

} // namespace admin
