#pragma once

#include <QLocale>
#include <QString>

namespace grapher {

// The inputs of one computation, as the main window's boxes and lists hold
// them, and the checks that refuse a drawing before anything is computed.
struct GraphRequest
{
    QString description;  // the host, as copied into its outage records
    QString startDate;    // date boxes: DD.MM.YYYY or the locale's short date
    QString startTime;    // time lists: HH:00:00
    QString endDate;
    QString endTime;
    QString interval;     // minutes: "5", "10", "15", "20", "30" or "60"
    QString legend;       // empty: no legend entry

    static constexpr char TimesRefused[] =
        QT_TRANSLATE_NOOP("grapher::GraphRequest", "Время начала не может быть позже времени окончания.");
    // A busy host fails hundreds of times a day for months: the scale goes
    // far beyond a spinner's usual three digits.
    static constexpr int MaxYMax = 1'000'000;
    static constexpr char YMaxRefused[] = QT_TRANSLATE_NOOP(
        "grapher::GraphRequest", "Максимальное количество событий должно быть числом от 1 до 1000000.");
    static constexpr char IntervalRefused[] =
        QT_TRANSLATE_NOOP("grapher::GraphRequest", "Интервал должен быть целым числом минут от 1 до 60.");

    // The operator-facing reason this request cannot be drawn, or an empty
    // text. An overnight daily window (start later than end) has no meaning
    // for a histogram folded onto one day, so it is refused.
    QString refusal(const QLocale &locale = QLocale::system()) const;

    // The Y-maximum text as a number from 1 to MaxYMax (the chart's event
    // scale). Accepts the locale's decimal separator as well as a point.
    static bool parseYMax(const QString &text, double *value, const QLocale &locale = QLocale::system());
    // Any number in the text (the locale's form or the C form).
    static bool parseNumber(const QString &text, double *value, const QLocale &locale = QLocale::system());
};

} // namespace grapher
