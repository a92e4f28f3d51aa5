#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>

#include <optional>

// Date-times as the database stores them: text 'YYYY-MM-DD HH:MM:SS' in local
// time. The text sorts and compares in time order, so statements compare
// bound values of this form directly.
//
// Long listings and computations read the text with toSeconds(), a reader
// of exactly this form that is much faster than a general date parser and
// free of the local time zone: a value is taken as it was stored, also in
// the hour that a clock change skips.
namespace DateTimeText {

inline constexpr char Format[] = "yyyy-MM-dd HH:mm:ss";
inline constexpr int SecondsPerDay = 24 * 60 * 60;

// A stored date-time as seconds since the start of the Julian day count:
// one number that orders and subtracts like the time it stands for.
using Seconds = qint64;

QString fromDateTime(const QDateTime &value);
// The stored form of a date and a time of day, built without a QDateTime,
// so a time the clocks skip on that day is written as given.
QString fromDateAndTime(const QDate &date, const QTime &time);
// An invalid QDateTime when the text is not of the stored form.
QDateTime toDateTime(const QString &text);
// A stored value as read from a query (text, or a QDateTime from a driver).
QDateTime fromVariant(const QVariant &value);

// The text read field by field: exactly 19 characters, ASCII digits, a real
// calendar date and a time from 00:00:00 to 23:59:59. Nothing otherwise.
std::optional<Seconds> toSeconds(QStringView text);
// A value from a query: the stored text, or a QDateTime a driver made of it.
std::optional<Seconds> secondsOfValue(const QVariant &value);
Seconds toSeconds(const QDate &date, const QTime &time);

QDate dateOf(Seconds value);
QTime timeOf(Seconds value);
int secondOfDay(Seconds value);

// The operator's form of a value: see Regional::generalDateTime.
QString generalText(Seconds value, const QLocale &locale = QLocale::system());

// For exchange with other programs: 'YYYY-MM-DDTHH:MM:SS' (ISO 8601, local
// time, no zone). Empty when the text is not of the stored form.
QString toIso8601(QStringView stored);
// The seconds from one stored value to another (negative when `to` is the
// earlier). Nothing when either text is not of the stored form.
std::optional<qint64> secondsBetween(QStringView from, QStringView to);

} // namespace DateTimeText
