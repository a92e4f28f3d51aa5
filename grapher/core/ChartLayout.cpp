#include "ChartLayout.h"

#include "Language.h"

#include <cmath>

namespace grapher {

namespace {

// The next of 1, 2, 5, 10, 20, 50, ... after n.
int nextRound(int n)
{
    qint64 decade = 1;
    while (n >= decade * 10)
        decade *= 10;
    const qint64 lead = n / decade;
    return int(qMin<qint64>(lead < 2 ? 2 * decade : lead < 5 ? 5 * decade : 10 * decade, 1'000'000'000));
}

} // namespace

int ChartLayout::drawEvery(double spacing, double minimum, bool round)
{
    if (spacing >= minimum)
        return 1;
    const double need = std::ceil(minimum / qMax(spacing, 1e-9));
    if (need >= 1e9)
        return 1'000'000'000;
    int n = qMax(1, int(need));
    if (!round)
        return n;
    int r = 1;
    while (r < n && r < 1'000'000'000)
        r = nextRound(r);
    return r;
}

QString ChartLayout::xLabel(double value, const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    // The hours of an English desktop read as whole hours ("8", not "8.0");
    // the Russian and C ones as they always have.
    if (Language::choose(locale.uiLanguages()) == Language::Choice::English && value == std::floor(value))
        return l.toString(qlonglong(value));
    return l.toString(value, 'f', 1);
}

QString ChartLayout::yLabel(double value, const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'f', 0);
}

QPointF ChartLayout::map(double x, double y) const
{
    return {plot.left() + (x - xLo) / (xHi - xLo) * plot.width(),
            plot.bottom() - (y - yLo) / (yHi - yLo) * plot.height()};
}

ChartLayout ChartLayout::compute(const Input &in)
{
    ChartLayout out;
    const int lh = in.lineHeight;

    // X: from XMin to XMax, widened by whole divisions to the curves' end.
    out.xLo = in.xMin;
    out.xHi = in.xMax > in.xMin ? in.xMax : in.xMin + 1;
    int nx = qMax(1, in.xDivisions);
    const double xStep = (out.xHi - out.xLo) / nx;
    const double dataMax = qMax(out.xHi, in.curvesXMax.value_or(out.xHi));
    if (dataMax > out.xHi + xStep * 1e-6) {
        const int extra = int(std::ceil((dataMax - out.xHi) / xStep - 1e-6));
        if (nx + extra <= MaxXDivisions) {
            nx += extra;
            out.xHi = out.xLo + nx * xStep;
        }
    }
    out.xDivisions = nx;
    // Y: from the startup level to YMax.
    out.yLo = in.yMin;
    out.yHi = in.yMax > out.yLo ? in.yMax : out.yLo + 1;
    const int ny = qMax(1, in.yDivisions);
    const double yStep = (out.yHi - out.yLo) / ny;
    out.yDivisions = ny;

    // Margins: Y title and labels on the left, X labels, title and the
    // legend list below.
    const int yLabelWidth = qMax(in.textWidth(yLabel(out.yLo, in.locale)), in.textWidth(yLabel(out.yHi, in.locale)));
    const int xLabelWidth = qMax(in.textWidth(xLabel(out.xLo, in.locale)), in.textWidth(xLabel(out.xHi, in.locale)));
    const qreal legendHeight = in.legendCount <= 0 ? 0 : in.legendCount * (lh + LegendRowGap) + LegendGap;
    const qreal left = EdgeGap + lh + EdgeGap + yLabelWidth + EdgeGap;
    const qreal top = lh / 2 + EdgeGap;
    const qreal right = xLabelWidth / 2 + RightSlack;
    const qreal bottom = AxisLabelGap + lh + AxisLabelGap + lh + LegendGap + legendHeight;
    out.plot = QRectF(left, top, in.size.width() - left - right, in.size.height() - top - bottom);
    if (out.plot.width() < MinPlotSize || out.plot.height() < MinPlotSize)
        return out;
    out.visible = true;
    const QRectF &plot = out.plot;

    // Vertical grid and hour labels; the last label only where it does not
    // run into the one before.
    {
        const double spacing = plot.width() / nx;
        const qreal labelExtent = xLabelWidth + XLabelGap;
        const int every = drawEvery(spacing, MinLineSpacing, false);
        const int labelEvery = drawEvery(spacing, labelExtent, false);
        for (int i = 0; i <= nx; i += every)
            out.xLines.append(out.map(out.xLo + i * xStep, 0).x());
        auto label = [&](int i) {
            const qreal x = out.map(out.xLo + i * xStep, 0).x();
            out.xLabels.append({QRectF(x - XLabelBoxWidth / 2, plot.bottom() + AxisLabelGap, XLabelBoxWidth, lh),
                                xLabel(out.xLo + i * xStep, in.locale)});
        };
        for (int i = 0; i <= nx; i += labelEvery)
            label(i);
        if (nx % labelEvery != 0 && spacing * (nx % labelEvery) >= labelExtent)
            label(nx);
    }
    // Horizontal grid and count labels, thinned to round steps so that a
    // large maximum stays readable. The top label always shows: the one
    // below it gives way when they would touch.
    {
        const double spacing = plot.height() / ny;
        const qreal labelExtent = lh + YLabelGap;
        const int every = drawEvery(spacing, MinLineSpacing, true);
        int labelEvery = drawEvery(spacing, labelExtent, true);
        while (labelEvery % every != 0)
            labelEvery = nextRound(labelEvery);
        for (qint64 i = 0; i <= ny; i += every)
            out.yLines.append(out.map(0, out.yLo + double(i) * yStep).y());
        auto label = [&](qint64 i) {
            const qreal y = out.map(0, out.yLo + double(i) * yStep).y();
            out.yLabels.append({QRectF(plot.left() - EdgeGap - yLabelWidth - YLabelSlack, y - lh / 2.0,
                                       yLabelWidth + YLabelSlack, lh),
                                yLabel(out.yLo + double(i) * yStep, in.locale)});
        };
        qint64 last = -1;
        for (qint64 i = 0; i < ny; i += labelEvery)
            last = i;
        for (qint64 i = 0; i < ny; i += labelEvery) {
            if (i == last && spacing * double(ny - i) < labelExtent)
                break;
            label(i);
        }
        label(ny);
    }

    if (out.yLo <= 0 && 0 <= out.yHi)
        out.yZeroRule = out.map(0, 0).y();
    if (out.xLo <= 0 && 0 <= out.xHi)
        out.xZeroRule = out.map(0, 0).x();

    const qreal xTitleTop = plot.bottom() + AxisLabelGap + lh + AxisLabelGap;
    out.xTitle = QRectF(plot.left(), xTitleTop, plot.width(), lh);
    out.yTitleOrigin = QPointF(EdgeGap, plot.center().y());
    out.yTitleBox = QRectF(-plot.height() / 2, 0, plot.height(), lh);

    // Legend list: a short line in the curve's colour, then its text.
    qreal y = xTitleTop + lh + LegendGap;
    const qreal textLeft = plot.left() + SwatchLength + SwatchToText;
    for (int i = 0; i < in.legendCount; ++i) {
        out.legend.append({QLineF(plot.left(), y + lh / 2.0, plot.left() + SwatchLength, y + lh / 2.0),
                           QRectF(textLeft, y, in.size.width() - textLeft - LegendRightGap, lh)});
        y += lh + LegendRowGap;
    }
    return out;
}

} // namespace grapher
