#include "WeekHourMap.h"

#include "Database.h"
#include "Failure.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>

namespace grapher {

namespace {

constexpr qint64 Hour = 3600;
constexpr qint64 Week = 7 * 24 * Hour;

// Hour of the week, Monday 00 = 0, of a stored moment.
int weekHour(WeekHourMap::Seconds s)
{
    const qint64 day = s / DateTimeText::SecondsPerDay;
    // Julian day 0 was a Monday.
    const int weekday = int(day % 7);
    return weekday * 24 + int((s % DateTimeText::SecondsPerDay) / Hour);
}

} // namespace

WeekHourMap::WeekHourMap(Qt::DayOfWeek firstDay) : m_firstDay(firstDay) {}

Qt::DayOfWeek WeekHourMap::dayOf(Seconds s)
{
    return Qt::DayOfWeek(int((s / DateTimeText::SecondsPerDay) % 7) + 1);
}

Qt::DayOfWeek WeekHourMap::dayOfRow(int row) const
{
    return Qt::DayOfWeek((int(m_firstDay) - 1 + row) % 7 + 1);
}

int WeekHourMap::rowOfDay(Qt::DayOfWeek day) const
{
    return (int(day) - int(m_firstDay) + 7) % 7;
}

void WeekHourMap::build(const std::vector<Outage> &outages)
{
    m_cells.fill({});
    // Counted per outage in the hours of the week it touched, so one that
    // spans weeks counts once in each cell.
    std::array<qint64, Days * Hours> down{};
    std::array<bool, Days * Hours> touched{};
    for (const Outage &o : outages) {
        const Seconds end = std::max(o.end, o.begin);
        const qint64 length = end - o.begin;
        const int first = weekHour(o.begin);
        if (length >= Week) {
            // Every cell touched; whole weeks add an hour to each.
            const qint64 weeks = length / Week;
            for (int i = 0; i < Days * Hours; ++i)
                down[size_t(i)] += weeks * Hour;
            Seconds at = o.begin + weeks * Week;
            touched.fill(true);
            for (int h = first; at < end; h = (h + 1) % (Days * Hours)) {
                const Seconds hourEnd = (at / Hour + 1) * Hour;
                down[size_t(h)] += std::min(hourEnd, end) - at;
                at = hourEnd;
            }
        } else {
            touched.fill(false);
            Seconds at = o.begin;
            int h = first;
            touched[size_t(h)] = true;
            while (at < end) {
                const Seconds hourEnd = (at / Hour + 1) * Hour;
                down[size_t(h)] += std::min(hourEnd, end) - at;
                touched[size_t(h)] = true;
                at = hourEnd;
                h = (h + 1) % (Days * Hours);
            }
        }
        for (int i = 0; i < Days * Hours; ++i)
            if (touched[size_t(i)])
                ++m_cells[size_t(rowOfDay(Qt::DayOfWeek(i / 24 + 1)) * Hours + i % 24)].outages;
    }
    m_maxOutages = 0;
    m_maxDown = 0;
    for (int i = 0; i < Days * Hours; ++i) {
        Cell &c = m_cells[size_t(rowOfDay(Qt::DayOfWeek(i / 24 + 1)) * Hours + i % 24)];
        c.downSeconds = down[size_t(i)];
        m_maxOutages = std::max(m_maxOutages, c.outages);
        m_maxDown = std::max(m_maxDown, c.downSeconds);
    }
}

bool WeekHourMap::touches(const Outage &o, Qt::DayOfWeek day, int hour)
{
    const int target = (int(day) - 1) * 24 + hour;
    const Seconds end = std::max(o.end, o.begin);
    // Hours touched: from the one of the first second to the one of the last.
    const qint64 hours = end > o.begin ? (end - 1) / Hour - o.begin / Hour + 1 : 1;
    if (hours >= Days * Hours)
        return true;
    return (target - weekHour(o.begin) + Days * Hours) % (Days * Hours) < hours;
}

std::vector<size_t> WeekHourMap::outagesIn(const std::vector<Outage> &outages, Qt::DayOfWeek day, int hour)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < outages.size(); ++i)
        if (touches(outages[i], day, hour))
            out.push_back(i);
    std::stable_sort(out.begin(), out.end(),
                     [&](size_t a, size_t b) { return outages[a].begin < outages[b].begin; });
    return out;
}

QString WeekHourMap::breakdown(bool minutes, const QLocale &locale) const
{
    QStringList lines;
    for (int row = 0; row < Days; ++row) {
        QStringList values;
        for (int h = 0; h < Hours; ++h) {
            const Cell &c = cell(row, h);
            values << locale.toString(minutes ? (c.downSeconds + 59) / 60 : qint64(c.outages));
        }
        lines << locale.dayName(int(dayOfRow(row)), QLocale::ShortFormat) + QStringLiteral(": ")
                     + values.join(QLatin1Char(' '));
    }
    return lines.join(QStringLiteral("\r\n"));
}

bool WeekHourMap::read(const QSqlDatabase &db, bool allHosts, const QString &description, Seconds from, Seconds to,
                       std::vector<Outage> *outages, QStringList *descriptions, QString *error)
{
    const auto text = [](Seconds s) { return DateTimeText::fromDateAndTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s)); };
    QSqlQuery q(db);
    const bool ok = allHosts ? runStatement(q, Statements::SelectClosedOutagesForMap, {text(from), text(to)})
                             : runStatement(q, Statements::SelectClosedOutagesOfDescForMap,
                                            {description, text(from), text(to)});
    if (!ok) {
        *error = statementError(q);
        return false;
    }
    outages->clear();
    descriptions->clear();
    while (q.next()) {
        // A time not in the stored form places the outage nowhere.
        const auto b = DateTimeText::toSeconds(q.value(0).toString());
        const auto e = DateTimeText::toSeconds(q.value(1).toString());
        if (!b || !e)
            continue;
        outages->push_back({*b, *e});
        // One host's rows all carry the description asked for: it is not
        // read again for each of them.
        descriptions->append(allHosts ? q.value(2).toString() : description);
    }
    if (!endedCleanly(q)) {
        *error = statementError(q);
        return false;
    }
    return true;
}

WeekHourLayout WeekHourLayout::compute(const QSize &size, int dayLabelWidth, int labelHeight)
{
    WeekHourLayout l;
    const int margin = 4;
    const int legendHeight = 2 * labelHeight + margin;
    const int availableW = size.width() - dayLabelWidth - 2 * margin;
    const int availableH = size.height() - labelHeight - legendHeight - 3 * margin;
    l.cell = std::max(0, std::min(availableW / WeekHourMap::Hours, availableH / WeekHourMap::Days));
    const int w = l.cell * WeekHourMap::Hours;
    const int h = l.cell * WeekHourMap::Days;
    const int left = margin + dayLabelWidth + std::max(0, (availableW - w) / 2);
    const int top = margin + labelHeight;
    l.grid = QRect(left, top, w, h);
    l.legend = QRect(left, top + h + margin, w, legendHeight);
    return l;
}

QRect WeekHourLayout::cellRect(int row, int hour) const
{
    return QRect(grid.left() + hour * cell, grid.top() + row * cell, cell, cell);
}

std::optional<std::pair<int, int>> WeekHourLayout::cellAt(const QPoint &p) const
{
    if (cell <= 0 || !grid.contains(p))
        return std::nullopt;
    return std::make_pair((p.y() - grid.top()) / cell, (p.x() - grid.left()) / cell);
}

} // namespace grapher
