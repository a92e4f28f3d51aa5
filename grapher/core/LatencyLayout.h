#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace grapher {

// Where the chart of round trips and loss draws what: a pure function of
// the hosts' points, the period and the font's measures, so the widget (and
// the PNG and SVG files) only paint what it is given.
//
// Each host: its median round trip as a line, the spread between its
// minimum and maximum as a band, its loss as marks under the plot coloured
// by share. A gap (nothing measured for longer than the points' own
// spacing allows) breaks the line and the band. The Y axis is milliseconds
// from 0 to a round value above the highest maximum shown.
struct LatencyLayout
{
    enum class Loss { None, Under5, Under20, More };

    struct Point
    {
        qint64 t = 0;          // seconds from the period's start
        qint64 spanSecs = 0;   // 0: one pass
        std::optional<double> lowMs, medianMs, highMs;
        qint64 sent = 0;
        qint64 lost = 0;
    };
    struct Series
    {
        std::vector<Point> points;  // oldest first
    };
    struct Input
    {
        QSizeF size;
        int lineHeight = 0;
        std::function<int(const QString &)> textWidth;
        qint64 periodSecs = 3600;
        std::vector<Series> series;
        // Texts of the X labels: seconds from the start -> text.
        std::function<QString(qint64)> timeText;
    };

    struct Label
    {
        QRectF box;
        QString text;
    };
    struct Mark
    {
        QRectF box;
        Loss loss = Loss::None;
    };
    struct Drawn
    {
        std::vector<QList<QPointF>> lines;  // the median, one polyline per unbroken run
        std::vector<QList<QPointF>> bands;  // closed polygons of the spread, likewise
        std::vector<Mark> marks;
    };

    static constexpr qreal Gap = 6;
    static constexpr qreal MarkRowHeight = 6;
    static constexpr qreal MinPlotSize = 20;
    // Two points further apart than this many times the usual spacing (or
    // than their rows' own span) have a gap between them.
    static constexpr double GapFactor = 2.5;

    bool visible = false;
    QRectF plot;
    double yMaxMs = 1;
    QList<qreal> yLines;
    QList<Label> yLabels;
    QList<qreal> xLines;
    QList<Label> xLabels;
    std::vector<Drawn> drawn;  // one per series, in its order

    static Loss lossOf(qint64 sent, qint64 lost);
    // The smallest of 1, 2, 5 x 10^n at or above `value` (1 for nothing).
    static double roundUp(double value);
    // X grid step in seconds for a period: about six to twelve lines.
    static qint64 timeStep(qint64 periodSecs);

    static LatencyLayout compute(const Input &input);
};

} // namespace grapher
