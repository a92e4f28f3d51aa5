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

} // namespace Regional
