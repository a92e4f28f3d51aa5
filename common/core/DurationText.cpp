#include "DurationText.h"

#include <QCoreApplication>

namespace DurationText {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DurationText", text);
}

QString twoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QString format(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    constexpr qint64 Minute = 60, Hour = 60 * Minute, Day = 24 * Hour;
    if (seconds < Minute)
        return tr("%1 с").arg(seconds);
    if (seconds < Hour)
        return tr("%1 мин").arg(seconds / Minute);
    if (seconds < Day)
        return tr("%1 ч %2 мин").arg(seconds / Hour).arg(twoDigits(seconds % Hour / Minute));
    return tr("%1 д %2 ч").arg(seconds / Day).arg(twoDigits(seconds % Day / Hour));
}

} // namespace DurationText
