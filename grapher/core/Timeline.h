#pragma once

#include "ChartSurface.h"
#include "GraphRequest.h"

#include <QList>
#include <QLocale>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTime>

#include <functional>

namespace grapher {

// The time-of-day outage histogram of one host.
//
// For a period of days and a daily window cut into equal intervals, counts
// for every interval how many closed outages of the host touched that time of
// day on any day of the period, and draws the counts as a step curve. The
// outages are folded onto one day: the curve shows at which times of day the
// host tends to fail, not when it failed.
//
// A computation only reads the shared file: the outages' times of day are
// folded in memory, so nothing is written while the monitor works in it.
class Timeline
{
public:
    // On the default connection, in the system's formats.
    explicit Timeline(ChartSurface &chart);
    Timeline(ChartSurface &chart, const QString &connectionName, const QLocale &locale = QLocale::system());

    // Refills counts(), draws the curve on the chart and adds its legend
    // entry. A refused request (see GraphRequest::refusal) draws nothing and
    // returns false. When the outage query fails the curve is still drawn,
    // every count 0, and it returns false with the database's text in
    // errors().
    bool BuildGraph(const GraphRequest &request);

    // What a computation read and counted, before anything is drawn: made
    // on the database thread, drawn on the window's.
    struct Computation
    {
        bool refused = false;
        QList<int> counts;
        int intervalMin = 0;
        int outagesRead = 0;
        QStringList errors;
    };
    // The reading and counting of BuildGraph, on `connectionName` (any
    // thread). A cancelled computation stops reading and says so in errors.
    static Computation compute(const GraphRequest &request, const QString &connectionName, const QLocale &locale,
                               const std::function<bool()> &cancelled = {});
    // The drawing of BuildGraph: the curve of `computation`, its legend.
    bool draw(const Computation &computation, const GraphRequest &request);

    // Whether an outage from tb to te (times of day) touches the window from
    // W to E. End points count: an outage ending exactly at W counts. An
    // outage whose end is earlier than its begin ran past midnight and
    // covers its begin to the end of the day and the start of the day to
    // its end; one with tb == te lies within that one minute.
    static bool Overlaps(QTime W, QTime E, QTime tb, QTime te);

    // Draws interval k of the curve with count c: a vertical line at the
    // interval's left edge from the previous count, then a flat line across.
    void DrawStep(int k, int c);

    // A date-time text (stored form, DD.MM.YYYY, or the locale's short or
    // long forms, optionally followed by a time) as the stored form
    // 'YYYY-MM-DD HH:MM:00', truncated to the minute. A text that is not a
    // date-time gives '2000-01-01 00:00:00'.
    static QString GetSqlDate(const QString &text, const QLocale &locale = QLocale::system());

    // The time of day of a date-time or time text, truncated to the minute,
    // as "HH:mm:00". Empty when the text holds no time or date.
    static QString GetMyTime(const QString &anyDate, const QLocale &locale = QLocale::system());

    // Per-interval counts of the last computation, index 0 to n.
    const QList<int> &counts() const { return m_counts; }
    // Interval length of the last computation, in minutes.
    int intervalMin() const { return m_intervalMin; }
    float prevX() const { return m_prevX; }
    float prevY() const { return m_prevY; }
    // Outages the last computation read from the log.
    int outagesRead() const { return m_outagesRead; }
    // Database errors of the last computation, each with its statement.
    const QStringList &errors() const { return m_errors; }

private:

    ChartSurface &m_chart;
    QString m_connection;
    QLocale m_locale;
    QList<int> m_counts;
    int m_intervalMin = 0;
    float m_prevX = 0;
    float m_prevY = 0;
    int m_outagesRead = 0;
    QStringList m_errors;
};

} // namespace grapher
