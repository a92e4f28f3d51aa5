#include "Regional.h"

namespace Regional {

QString timeWithSecondsFormat(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    out = out.trimmed();
    // Without the zone the format should still have seconds; a locale whose
    // long form lacks them (none known) gets a plain 24-hour form.
    if (!out.contains(QLatin1Char('s')))
        out = QStringLiteral("HH:mm:ss");
    return out;
}

QString timeWithSeconds(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, timeWithSecondsFormat(locale));
}

QString shortDate(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, QLocale::ShortFormat);
}

QString generalDateTime(const QDateTime &value, const QLocale &locale)
{
    if (!value.isValid())
        return {};
    return generalDateTime(value.date(), value.time(), locale);
}

QString generalDateTime(const QDate &date, const QTime &time, const QLocale &locale)
{
    if (!date.isValid())
        return {};
    if (time == QTime(0, 0))
        return shortDate(date, locale);
    return shortDate(date, locale) + QLatin1Char(' ') + timeWithSeconds(time, locale);
}

QDate readDate(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    const QStringList formats = {QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy"),
                                 locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat),
                                 QStringLiteral("yyyy-MM-dd")};
    for (const QString &format : formats) {
        QDate date = locale.toDate(trimmed, format);
        if (!date.isValid())
            continue;
        if (!format.contains(QLatin1String("yyyy")) && date.year() < 1930)
            date = date.addYears(100);
        return date;
    }
    return {};
}

} // namespace Regional
