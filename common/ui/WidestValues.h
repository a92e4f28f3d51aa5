#pragma once

#include <QLocale>
#include <QString>

// The widest value of each kind that a listing's column must show whole.
// The grids size those columns by them (FormatGrid::setFormatString), so a
// wider kind of value (a longer address form) is one change here.
namespace WidestValues {

// An address as the address columns hold it: the longest IPv6 form.
inline constexpr char Address[] = "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff";
// A reply timeout in milliseconds.
inline constexpr char Timeout[] = "10000";

// A time of day with seconds, in the locale's form.
QString time(const QLocale &locale = QLocale::system());
// A date in the locale's short form with a time with seconds.
QString dateTime(const QLocale &locale = QLocale::system());

} // namespace WidestValues
