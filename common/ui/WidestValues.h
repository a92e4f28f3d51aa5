#pragma once

#include <QLocale>
#include <QString>

// The widest value of each kind that a listing's column must show whole.
// The grids size those columns by them (FormatGrid::setFormatString), so a
// wider kind of value (a longer address form) is one change here.
namespace WidestValues {

// An address as the address columns hold it: the longest IPv6 form.
inline constexpr char Address[] = "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff";
// The longest IPv4 form: where a list has too little room for the longest
// IPv6 form beside a readable description (the monitor's), the address column
// starts at this width and widens when a longer address appears in it.
inline constexpr char AddressIPv4[] = "255.255.255.255";
// A reply timeout in milliseconds.
inline constexpr char Timeout[] = "10000";

// A time of day with seconds, in the locale's form.
QString time(const QLocale &locale = QLocale::system());
// A date in the locale's short form with a time with seconds.
QString dateTime(const QLocale &locale = QLocale::system());

} // namespace WidestValues
