#include "Timeline.h"

#include "Database.h"
#include "Failure.h"
#include "DateTimeText.h"
#include "Regional.h"
#include "Statements.h"

#include <QDateTime>
#include <QSqlQuery>

#include <cmath>
#include <utility>
#include <vector>

namespace grapher {

namespace {

using DateTimeText::SecondsPerDay;

// Two digits at text[i], or -1.
int twoDigits(const QString &text, int i)
{
    const QChar a = text.at(i), b = text.at(i + 1);
    if (!a.isDigit() || !b.isDigit())
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

QTime parseTime(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    for (const char *format : {"H:mm:ss", "H:mm"}) {
        const QTime time = QTime::fromString(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    const QStringList formats = {Regional::timeWithSecondsFormat(locale), locale.timeFormat(QLocale::ShortFormat),
                                 locale.timeFormat(QLocale::LongFormat)};
    for (const QString &format : formats) {
        const QTime time = locale.toTime(t, format);
        if (time.isValid())
            return time;
    }
    return {};
}

// The date boxes hold DD.MM.YYYY (start-up and the picker) or the locale's
// short date (the end date at start-up).
QDate parseDate(const QString &text, const QLocale &locale)
{
    return Regional::readDate(text, locale);
}

QDateTime parseDateTime(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    QDateTime value = DateTimeText::toDateTime(t);
    if (value.isValid())
        return value;
    value = QDateTime::fromString(t, Qt::ISODate);
    if (value.isValid())
        return value;
    // A date, then an optional time after a blank. The date itself may hold
    // blanks ("7 Dec 2026"), so every blank is tried, the last first.
    const QDate alone = parseDate(t, locale);
    if (alone.isValid())
        return QDateTime(alone, QTime(0, 0));
    for (qsizetype blank = t.lastIndexOf(QLatin1Char(' ')); blank > 0;
         blank = t.lastIndexOf(QLatin1Char(' '), blank - 1)) {
        const QDate date = parseDate(t.left(blank), locale);
        const QTime time = parseTime(t.mid(blank + 1), locale);
        if (date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    // The locale's own date-time forms.
    for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        value = locale.toDateTime(t, type);
        if (value.isValid())
            return value;
    }
    return {};
}

QString minuteText(int secondsOfDay)
{
    return QTime(0, 0).addSecs(secondsOfDay / 60 * 60).toString(QStringLiteral("HH:mm:00"));
}

// "HH:MM:SS" as seconds of the day, or -1.
int secondsOfTimeText(const QString &text)
{
    if (text.size() < 8 || text.at(2) != QLatin1Char(':') || text.at(5) != QLatin1Char(':'))
        return -1;
    const int h = twoDigits(text, 0), m = twoDigits(text, 3), s = twoDigits(text, 6);
    if (h < 0 || m < 0 || s < 0 || h > 23 || m > 59 || s > 59)
        return -1;
    return (h * 60 + m) * 60 + s;
}

// See Timeline::Overlaps; all values are seconds of the day.
inline bool overlaps(int w, int e, int tb, int te)
{
    if (tb <= te)
        return !(e < tb || te < w);
    return !(e < tb && te < w);
}

// The times of day of one outage, truncated to the minute, in seconds of
// the day. Both ends are known here with their dates, which the folding
// onto one day loses, so the cases a time of day cannot tell apart are
// settled now: an outage of a day or more covers every time of day, and so
// does one that ran past midnight and ended in the minute it began in.
bool outageTimes(const QString &begin, const QString &end, const QLocale &locale, int *tb, int *te)
{
    // A computation reads two of them for each of up to a few hundred
    // thousand outages: the stored form first, without the general parser.
    const std::optional<DateTimeText::Seconds> storedBegin = DateTimeText::toSeconds(begin);
    const std::optional<DateTimeText::Seconds> storedEnd = DateTimeText::toSeconds(end);
    DateTimeText::Seconds from = 0, to = 0;
    if (storedBegin && storedEnd) {
        from = *storedBegin;
        to = *storedEnd;
    } else {
        // A value not in the stored form (written by other means): read it
        // as any date-time text.
        const QDateTime b = parseDateTime(begin, locale), e = parseDateTime(end, locale);
        if (!b.isValid() || !e.isValid())
            return false;
        from = DateTimeText::toSeconds(b.date(), b.time());
        to = DateTimeText::toSeconds(e.date(), e.time());
    }
    int beginSec = DateTimeText::secondOfDay(from);
    int endSec = DateTimeText::secondOfDay(to);
    if (to < from) { // a clock set back while the host was down: it lasted nothing
        to = from;
        endSec = beginSec;
    }
    *tb = beginSec / 60 * 60;
    *te = endSec / 60 * 60;
    if (to - from >= SecondsPerDay || (to / SecondsPerDay != from / SecondsPerDay && *tb == *te)) {
        *tb = 0;
        *te = SecondsPerDay - 60;
    }
    return true;
}

} // namespace

Timeline::Timeline(ChartSurface &chart)
    : Timeline(chart, QLatin1String(QSqlDatabase::defaultConnection))
{
}

Timeline::Timeline(ChartSurface &chart, const QString &connectionName, const QLocale &locale)
    : m_chart(chart)
    , m_connection(connectionName)
    , m_locale(locale)
{
}

bool Timeline::BuildGraph(const GraphRequest &request)
{
    return draw(compute(request, m_connection, m_locale), request);
}

Timeline::Computation Timeline::compute(const GraphRequest &request, const QString &connectionName,
                                        const QLocale &locale, const std::function<bool()> &cancelled)
{
    Computation c;
    if (!request.refusal(locale).isEmpty()) {
        c.refused = true;
        return c;
    }
    const auto noteError = [&c](const QString &statement, const QString &error) {
        c.errors << QStringLiteral("%1: %2").arg(statement, error);
    };

    c.intervalMin = request.interval.trimmed().toInt();
    const int t1 = secondsOfTimeText(GetMyTime(request.startTime, locale));
    const int t2 = secondsOfTimeText(GetMyTime(request.endTime, locale));
    const int step = c.intervalMin * 60;
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);

    // The times of day of the period's outages. They are held in memory
    // rather than in a scratch table: nothing is written to the database,
    // and a computation over years of a host's outages takes a fraction of
    // the time.
    std::vector<std::pair<int, int>> times;
    {
        const QString from = GetSqlDate(request.startDate + QLatin1Char(' ') + request.startTime, locale);
        const QString to = GetSqlDate(request.endDate + QLatin1Char(' ') + request.endTime, locale);
        QSqlQuery q(db);
        if (!runStatement(q, Statements::SelectClosedOutages, {request.description, from, to})) {
            noteError(q.lastQuery(), statementError(q));
        } else {
            int tb = 0, te = 0;
            while (q.next()) {
                if ((c.outagesRead & 4095) == 0 && cancelled && cancelled()) {
                    noteError(q.lastQuery(), QStringLiteral("cancelled"));
                    return c;
                }
                ++c.outagesRead;
                if (outageTimes(q.value(0).toString(), q.value(1).toString(), locale, &tb, &te))
                    times.emplace_back(tb, te);
            }
            // A read that broke off is no shorter history: the operator is told.
            if (!endedCleanly(q))
                noteError(q.lastQuery(), statementError(q));
        }
    }

    // n + 1 windows; the last one starts at the end time. Window k runs from
    // W = t1 + k intervals to one second before the next window starts.
    const int n = int(std::nearbyint(double(t2 - t1) / step));
    c.counts = QList<int>(n + 1, 0);
    for (const auto &[tb, te] : times) {
        for (int k = 0, w = t1; k <= n && w <= t2; ++k, w += step) {
            if (overlaps(w, w + step - 1, tb, te))
                ++c.counts[k];
        }
    }
    return c;
}

bool Timeline::draw(const Computation &c, const GraphRequest &request)
{
    m_errors = c.errors;
    m_outagesRead = c.outagesRead;
    if (c.refused)
        return false;
    m_intervalMin = c.intervalMin;
    m_counts = c.counts;
    m_prevX = float(m_chart.XMin());
    m_prevY = 0;
    for (int k = 0; k < m_counts.size(); ++k)
        DrawStep(k, m_counts.at(k));
    if (!request.legend.isEmpty())
        m_chart.AddLegend(request.legend);

    return m_errors.isEmpty();
}

bool Timeline::Overlaps(QTime W, QTime E, QTime tb, QTime te)
{
    return overlaps(W.msecsSinceStartOfDay() / 1000, E.msecsSinceStartOfDay() / 1000,
                    tb.msecsSinceStartOfDay() / 1000, te.msecsSinceStartOfDay() / 1000);
}

void Timeline::DrawStep(int k, int c)
{
    // Intervals per hour: 12, 6, 4, 3, 2, 1 for the offered lengths.
    const int g = qMax(1, int(std::nearbyint(60.0 / qMax(1, m_intervalMin))));
    const float y = float(c);
    m_chart.PlotPoints(ChartSurface::Segment{{{m_prevX, m_prevY}, {m_prevX, y}}});
    // The right edge of interval k in hours, computed in double precision.
    const float x1 = float(double(k) / g + 1.0 / g + m_chart.XMin());
    m_chart.PlotPoints(ChartSurface::Segment{{{m_prevX, y}, {x1, y}}});
    m_prevX = x1;
    m_prevY = y;
}

QString Timeline::GetSqlDate(const QString &text, const QLocale &locale)
{
    const QDateTime value = parseDateTime(text, locale);
    if (!value.isValid())
        return QStringLiteral("2000-01-01 00:00:00");
    return DateTimeText::fromDateAndTime(value.date(), QTime(value.time().hour(), value.time().minute()));
}

QString Timeline::GetMyTime(const QString &anyDate, const QLocale &locale)
{
    if (const std::optional<DateTimeText::Seconds> stored = DateTimeText::toSeconds(anyDate))
        return minuteText(DateTimeText::secondOfDay(*stored));
    QTime time = parseTime(anyDate, locale);
    if (!time.isValid())
        time = parseDateTime(anyDate, locale).time();
    if (!time.isValid())
        return {};
    return minuteText(time.msecsSinceStartOfDay() / 1000);
}

} // namespace grapher
