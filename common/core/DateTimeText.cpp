#include "DateTimeText.h"

#include "Regional.h"

namespace DateTimeText {

namespace {

// The number in text[from, from + length), or -1 unless all ASCII digits.
int digits(QStringView text, int from, int length)
{
    int value = 0;
    for (int i = from; i < from + length; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// Floor division, so that a day before the count's start keeps its time.
qint64 dayNumber(Seconds value)
{
    return value >= 0 ? value / SecondsPerDay : -((-value + SecondsPerDay - 1) / SecondsPerDay);
}

} // namespace

QString fromDateTime(const QDateTime &value)
{
    return value.toString(QLatin1String(Format));
}

QString fromDateAndTime(const QDate &date, const QTime &time)
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

QDateTime toDateTime(const QString &text)
{
    return QDateTime::fromString(text.trimmed(), QLatin1String(Format));
}

QDateTime fromVariant(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    return toDateTime(value.toString());
}

std::optional<Seconds> toSeconds(QStringView text)
{
    if (text.size() != 19 || text.at(4) != u'-' || text.at(7) != u'-' || text.at(10) != u' ' || text.at(13) != u':'
        || text.at(16) != u':')
        return std::nullopt;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return toSeconds(date, time);
}

std::optional<Seconds> secondsOfValue(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return std::nullopt;
        return toSeconds(dt.date(), dt.time());
    }
    return toSeconds(QStringView(value.toString()));
}

Seconds toSeconds(const QDate &date, const QTime &time)
{
    return date.toJulianDay() * SecondsPerDay + time.msecsSinceStartOfDay() / 1000;
}

QDate dateOf(Seconds value)
{
    return QDate::fromJulianDay(dayNumber(value));
}

int secondOfDay(Seconds value)
{
    return int(value - dayNumber(value) * SecondsPerDay);
}

QTime timeOf(Seconds value)
{
    return QTime::fromMSecsSinceStartOfDay(secondOfDay(value) * 1000);
}

QString generalText(Seconds value, const QLocale &locale)
{
    return Regional::generalDateTime(dateOf(value), timeOf(value), locale);
}

QString toIso8601(QStringView stored)
{
    if (!toSeconds(stored))
        return {};
    QString out = stored.toString();
    out[10] = QLatin1Char('T');
    return out;
}

std::optional<qint64> secondsBetween(QStringView from, QStringView to)
{
    const std::optional<Seconds> a = toSeconds(from), b = toSeconds(to);
    if (!a || !b)
        return std::nullopt;
    return *b - *a;
}

} // namespace DateTimeText
