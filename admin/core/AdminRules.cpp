#include "AdminRules.h"

#include "AddressText.h"
#include "DateTimeText.h"
#include "RefreshInterval.h"
#include "Regional.h"

#include <cmath>
#include <limits>

namespace admin {

namespace AdminRules {

std::optional<qint32> readTimeout(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // Halves go to the even neighbour (banker's rounding), as the desktop's
    // own number conversion does; done by hand so that no rounding mode of the
    // floating-point environment can change it.
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    if (rounded < double(std::numeric_limits<qint32>::min()) || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

bool timeoutTooLong(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    // A number too large for 32 bits is too long as well.
    return ok && value > double(MaxTimeoutMs) + 0.5;
}

QString tooLongTimeoutText()
{
    return QCoreApplication::translate("admin::AdminRules",
                                       "Время ожидания ответа не может быть больше %1 мс (одной минуты).")
        .arg(MaxTimeoutMs);
}

qint32 timeoutForNewAddress(const QString &text, const QLocale &locale)
{
    const std::optional<qint32> value = readTimeout(text, locale);
    if (!value || *value < 1)
        return DefaultTimeoutMs;
    return *value;
}

QString addressProblem(const QString &text)
{
    const QString reading = AddressText::legacyReading(text);
    if (reading.isEmpty())
        return QString();
    return QCoreApplication::translate("admin::AdminRules",
                                       "«%1» — устаревшая запись IPv4-адреса: она читалась бы как %2. Запишите адрес "
                                       "четырьмя десятичными числами от 0 до 255 через точку, без ведущих нулей "
                                       "(например, 10.0.0.1).")
        .arg(text, reading);
}

std::optional<int> readInterval(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    // Leading zeros are digits like any other; a run too long for 64 bits is
    // beyond the range anyway.
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok);
    if (!ok || value > qulonglong(RefreshInterval::MaxMinutes))
        return std::nullopt;
    return int(value);
}

std::optional<QDate> readClearDate(const QString &text, const QLocale &locale)
{
    const QDate date = Regional::readDate(text, locale);
    if (date.isValid())
        return date;
    return std::nullopt;
}

QString clearDateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString clearCutOff(const QDate &day)
{
    // Built from the date alone: midnight need not exist as a local time on a
    // day the clocks change, but the stored text compares as text anyway.
    return DateTimeText::fromDateAndTime(day, QTime(0, 0));
}

} // namespace AdminRules

} // namespace admin
