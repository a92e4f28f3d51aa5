#pragma once

#include <QLineF>
#include <QList>
#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

namespace grapher {

// Where the chart draws what: the shown ranges, the plotting area inside the
// margins for titles, labels and the legend list, which grid lines and
// which labels are drawn. A pure function of the chart's settings and the
// font's measures, so the widget only paints what it is given.
struct ChartLayout
{
    // What the chart is set to, and how its font measures.
    struct Input
    {
        QSizeF size;
        int lineHeight = 0;
        std::function<int(const QString &)> textWidth;
        QLocale locale;

        double xMin = 0;
        double xMax = 10;
        int xDivisions = 10;
        // The right end of the curves drawn so far; the X range widens by
        // whole divisions to show it.
        std::optional<double> curvesXMax;
        double yMin = 0; // the startup level
        double yMax = 10;
        int yDivisions = 10;
        int legendCount = 0;
    };

    struct Label
    {
        QRectF box;   // X labels centred, Y labels right-aligned in it
        QString text;
    };
    struct LegendRow
    {
        QLineF swatch;
        QRectF textBox;
    };

    // Margins, in pixels.
    static constexpr qreal EdgeGap = 6;         // window edge, Y title, Y labels and plotting area apart
    static constexpr qreal AxisLabelGap = 4;    // plotting area, X labels and X title apart
    static constexpr qreal LegendGap = 6;       // X title to the legend list
    static constexpr qreal LegendRowGap = 2;
    static constexpr qreal RightSlack = 10;     // beyond half the widest X label
    static constexpr qreal XLabelBoxWidth = 100;
    static constexpr qreal YLabelSlack = 20;    // spare width left of a Y label's own
    static constexpr qreal SwatchLength = 24;
    static constexpr qreal SwatchToText = 6;
    static constexpr qreal LegendRightGap = 4;
    // Drawn grid lines are at least this far apart, labels the text's own
    // extent plus this.
    static constexpr qreal MinLineSpacing = 3;
    static constexpr qreal XLabelGap = 8;
    static constexpr qreal YLabelGap = 2;
    static constexpr qreal MinPlotSize = 10;
    // The X range widens by at most this many divisions in all.
    static constexpr int MaxXDivisions = 2000;

    // False when the window leaves no room to plot: only the background shows.
    bool visible = false;
    double xLo = 0, xHi = 1, yLo = 0, yHi = 1;
    int xDivisions = 1, yDivisions = 1;
    QRectF plot;
    QList<qreal> xLines; // x of each vertical grid line drawn
    QList<qreal> yLines; // y of each horizontal grid line drawn
    QList<Label> xLabels;
    QList<Label> yLabels;
    std::optional<qreal> xZeroRule; // x of the vertical zero rule
    std::optional<qreal> yZeroRule; // y of the horizontal one
    QRectF xTitle;
    // The Y title is drawn turned a quarter left about this point, in this
    // box given in the turned coordinates.
    QPointF yTitleOrigin;
    QRectF yTitleBox;
    QList<LegendRow> legend;

    QPointF map(double x, double y) const;

    static ChartLayout compute(const Input &in);
    static QString xLabel(double value, const QLocale &locale);
    static QString yLabel(double value, const QLocale &locale);
    // Of `divisions` divisions `spacing` pixels apart, draw every n-th so
    // that drawn ones are at least `minimum` apart. `round`: n is 1, 2 or 5
    // times a power of ten, so the labels of a count read as round numbers.
    static int drawEvery(double spacing, double minimum, bool round);
};

} // namespace grapher
