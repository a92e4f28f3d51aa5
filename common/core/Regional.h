#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates and times shown to the operator, in the regional forms of the
// system locale: its short date and its time with seconds (no time zone).
namespace Regional {

// The locale's long time format with any time-zone field removed.
QString timeWithSecondsFormat(const QLocale &locale = QLocale::system());

QString timeWithSeconds(const QTime &time, const QLocale &locale = QLocale::system());
QString shortDate(const QDate &date, const QLocale &locale = QLocale::system());
// Short date and time with seconds; the date alone when the time is exactly
// midnight (the general date form of the original desktop).
QString generalDateTime(const QDateTime &value, const QLocale &locale = QLocale::system());
// The same for a date and a time of day kept apart (a stored value read
// without a time zone). Empty when the date is invalid.
QString generalDateTime(const QDate &date, const QTime &time, const QLocale &locale = QLocale::system());

// A date typed by the operator: DD.MM.YYYY as the calendars write it (single
// digits allowed), the locale's short or long date, or ISO. A two-digit year
// means 1930-2029, as on the desktop, not the 1900s Qt would read.
// Invalid when the text is none of these.
QDate readDate(const QString &text, const QLocale &locale = QLocale::system());

} // namespace Regional
