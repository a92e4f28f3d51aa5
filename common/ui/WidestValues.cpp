#include "WidestValues.h"

#include "Regional.h"

#include <QDateTime>

namespace WidestValues {

// Two-digit day, month and hour with every digit present: the longest text a
// short form gives. In the desktop's fonts the digits are of one width, and a
// morning hour gives the wider of the two day-half marks where there are any.
static const QDateTime Widest(QDate(2088, 12, 28), QTime(10, 58, 58));

QString time(const QLocale &locale)
{
    return Regional::timeWithSeconds(Widest.time(), locale);
}

QString dateTime(const QLocale &locale)
{
    return Regional::generalDateTime(Widest, locale);
}

} // namespace WidestValues
