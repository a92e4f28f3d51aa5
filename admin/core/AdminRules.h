#pragma once

#include "AddressLimits.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

namespace admin {

// The admin's rules for what the operator types, kept apart from the windows
// so that they are checked without any.
namespace AdminRules {

// The reply timeout put in when the operator gives none that can be used.
inline constexpr qint32 DefaultTimeoutMs = 500;

// The number rule for reply timeouts: the text is a number when the locale
// reads it as one (its decimal mark, its digits); it is rounded to the nearest
// whole number with halves going to the even neighbour, and the result must
// fit a signed 32-bit integer. Anything else gives no value.
std::optional<qint32> readTimeout(const QString &text, const QLocale &locale = QLocale::system());

// The largest reply timeout admin stores; the monitor clamps larger ones.
inline constexpr qint32 MaxTimeoutMs = AddressLimits::MaxPingTimeoutMs;
// True when a typed timeout is more than MaxTimeoutMs: the dialogs refuse
// it with tooLongTimeoutText() instead of storing it.
bool timeoutTooLong(const QString &text, const QLocale &locale = QLocale::system());
QString tooLongTimeoutText();

// The timeout stored when an address is added: the typed value when the
// number rule accepts it and it is at least 1, otherwise DefaultTimeoutMs.
qint32 timeoutForNewAddress(const QString &text, const QLocale &locale = QLocale::system());

// Why the address dialogs refuse a typed address, or empty when they take
// it. They take any text, as always (the monitor tells the operator of a
// row it cannot probe), but an older IPv4 spelling such as "010.0.0.1" or
// "10.1": it looks like an address and was once probed as another host
// (8.0.0.1, 10.0.0.1), so the operator is asked for the dotted quad.
QString addressProblem(const QString &text);

// The monitor's polling interval in minutes: a whole number from
// RefreshInterval::MinMinutes to MaxMinutes (a year), in plain digits (blanks
// around it allowed). Anything else gives no value.
std::optional<int> readInterval(const QString &text);

// The day typed into the log-clearing box: "DD.MM.YYYY" as the calendar
// writes it, single-digit day and month accepted, or the locale's short date.
std::optional<QDate> readClearDate(const QString &text, const QLocale &locale = QLocale::system());
// The box text for a picked day.
QString clearDateText(const QDate &date);
// The first moment that log clearing keeps: midnight at the start of `day`,
// in the stored form.
QString clearCutOff(const QDate &day);

} // namespace AdminRules

} // namespace admin
