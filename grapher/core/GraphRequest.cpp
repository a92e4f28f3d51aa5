#include "GraphRequest.h"

#include "Timeline.h"

#include <QCoreApplication>

namespace grapher {

QString GraphRequest::refusal(const QLocale &locale) const
{
    bool ok = false;
    const int minutes = interval.trimmed().toInt(&ok);
    if (!ok || minutes < 1 || minutes > 60)
        return QCoreApplication::translate("grapher::GraphRequest", IntervalRefused);
    const QString t1 = Timeline::GetMyTime(startTime, locale);
    const QString t2 = Timeline::GetMyTime(endTime, locale);
    if (t1.isEmpty() || t2.isEmpty() || t1 > t2) // "HH:mm:00" compares in time order
        return QCoreApplication::translate("grapher::GraphRequest", TimesRefused);
    return {};
}

bool GraphRequest::parseNumber(const QString &text, double *value, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    double v = locale.toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        return false;
    if (value)
        *value = v;
    return true;
}

bool GraphRequest::parseYMax(const QString &text, double *value, const QLocale &locale)
{
    double v = 0;
    if (!parseNumber(text, &v, locale) || v < 1 || v > MaxYMax)
        return false;
    if (value)
        *value = v;
    return true;
}

} // namespace grapher
