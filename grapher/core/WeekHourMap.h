#pragma once

#include "DateTimeText.h"

#include <QLocale>
#include <QSqlDatabase>
#include <QStringList>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace grapher {

// When in the week outages happen: a 7 × 24 grid of weekday and hour, each
// cell holding how many outages touched that hour of that weekday (an outage
// counts once per cell however many weeks it spans) and the downtime, in
// seconds, that fell into it. The rows begin with the locale's first day of
// the week: Monday in Russian.
//
// Times are the stored local date-times, read as the wall clock shows them.
class WeekHourMap
{
public:
    using Seconds = DateTimeText::Seconds;
    static constexpr int Days = 7;
    static constexpr int Hours = 24;

    struct Outage
    {
        Seconds begin = 0;
        Seconds end = 0;  // an open outage ends when it is shown
    };

    struct Cell
    {
        int outages = 0;
        qint64 downSeconds = 0;
    };

    explicit WeekHourMap(Qt::DayOfWeek firstDay = Qt::Monday);

    // The grid of these outages (an earlier grid is replaced).
    void build(const std::vector<Outage> &outages);

    Qt::DayOfWeek firstDay() const { return m_firstDay; }
    Qt::DayOfWeek dayOfRow(int row) const;
    int rowOfDay(Qt::DayOfWeek day) const;
    const Cell &cell(int row, int hour) const { return m_cells[size_t(row * Hours + hour)]; }
    int maxOutages() const { return m_maxOutages; }
    qint64 maxDownSeconds() const { return m_maxDown; }

    // Which of `outages` touch a cell, as indexes into it, oldest first.
    static std::vector<size_t> outagesIn(const std::vector<Outage> &outages, Qt::DayOfWeek day, int hour);
    // Whether an outage touches that weekday's hour.
    static bool touches(const Outage &o, Qt::DayOfWeek day, int hour);

    // One line per row: "Пн: 0 0 3 …" counts (or downtime minutes) by hour.
    QString breakdown(bool minutes, const QLocale &locale = QLocale::system()) const;

    static Qt::DayOfWeek dayOf(Seconds s);

    // The closed outages that began in [from, to), of the host with that
    // description or, allHosts, of every host, oldest first, with each one's
    // description; a row whose times are not in the stored form is left out.
    // False with *error when the statement fails.
    static bool read(const QSqlDatabase &db, bool allHosts, const QString &description, Seconds from, Seconds to,
                     std::vector<Outage> *outages, QStringList *descriptions, QString *error);

private:
    Qt::DayOfWeek m_firstDay;
    std::array<Cell, Days * Hours> m_cells{};
    int m_maxOutages = 0;
    qint64 m_maxDown = 0;
};

// Where the grid's parts go in a widget of a given size: the day labels on
// the left, the hour labels on top, the legend under the grid. Cells are
// whole pixels, the grid centred in what is left.
struct WeekHourLayout
{
    QRect grid;
    int cell = 0;  // side of one square cell
    QRect legend;

    static WeekHourLayout compute(const QSize &size, int dayLabelWidth, int labelHeight);
    QRect cellRect(int row, int hour) const;
    // The cell under a point, if any.
    std::optional<std::pair<int, int>> cellAt(const QPoint &p) const;
};

} // namespace grapher
