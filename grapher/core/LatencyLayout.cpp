#include "LatencyLayout.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace grapher {

LatencyLayout::Loss LatencyLayout::lossOf(qint64 sent, qint64 lost)
{
    if (sent <= 0 || lost <= 0)
        return Loss::None;
    // In integers: 5 % of 20 attempts is exactly one, which is not under 5 %.
    if (lost * 100 < sent * 5)
        return Loss::Under5;
    if (lost * 100 < sent * 20)
        return Loss::Under20;
    return Loss::More;
}

double LatencyLayout::roundUp(double value)
{
    if (!(value > 0))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        // A hair of slack, so 2.0000000001 from a division stays 2.
        if (value <= step * power * (1 + 1e-9))
            return step * power;
    }
    return 10 * power;
}

qint64 LatencyLayout::timeStep(qint64 periodSecs)
{
    static const qint64 steps[] = {60,     300,    600,     900,      1800,     3600,      2 * 3600, 3 * 3600,
                                   6 * 3600, 12 * 3600, 86400, 2 * 86400, 7 * 86400, 14 * 86400, 30 * 86400,
                                   61 * 86400, 91 * 86400, 183 * 86400, 365 * 86400};
    for (qint64 step : steps) {
        if (periodSecs / step <= 12)
            return step;
    }
    return steps[std::size(steps) - 1] * ((periodSecs / (365 * 86400)) / 12 + 1);
}

LatencyLayout LatencyLayout::compute(const Input &in)
{
    LatencyLayout out;
    const qint64 period = std::max<qint64>(1, in.periodSecs);

    double highest = 0;
    for (const Series &s : in.series)
        for (const Point &p : s.points)
            for (const std::optional<double> &v : {p.lowMs, p.medianMs, p.highMs})
                if (v && *v > highest)
                    highest = *v;
    out.yMaxMs = roundUp(highest * 1.05);
    const double yStep = out.yMaxMs / 5;

    // Left margin: the widest Y label.
    QLocale c = QLocale::c();
    QStringList yTexts;
    qreal yLabelWidth = 0;
    for (int i = 0; i <= 5; ++i) {
        const double v = yStep * i;
        const QString text = c.toString(v, 'g', 6);
        yTexts << text;
        yLabelWidth = std::max<qreal>(yLabelWidth, in.textWidth ? in.textWidth(text) : 0);
    }
    const qreal marksHeight = in.series.size() * (MarkRowHeight + 1);
    const qreal left = Gap + yLabelWidth + Gap;
    const qreal top = Gap + in.lineHeight / 2.0;
    const qreal right = in.size.width() - Gap - 2 * in.lineHeight;
    const qreal bottom = in.size.height() - Gap - in.lineHeight - Gap - marksHeight - Gap;
    if (right - left < MinPlotSize || bottom - top < MinPlotSize)
        return out;
    out.visible = true;
    out.plot = QRectF(QPointF(left, top), QPointF(right, bottom));
    const QRectF &plot = out.plot;

    for (int i = 0; i <= 5; ++i) {
        const qreal y = plot.bottom() - plot.height() * i / 5.0;
        out.yLines << y;
        out.yLabels << Label{QRectF(Gap, y - in.lineHeight / 2.0, yLabelWidth, in.lineHeight), yTexts[i]};
    }
    const qint64 xStep = timeStep(period);
    for (qint64 t = 0; t <= period; t += xStep) {
        const qreal x = plot.left() + plot.width() * double(t) / double(period);
        out.xLines << x;
        if (in.timeText) {
            const QString text = in.timeText(t);
            const qreal w = in.textWidth ? in.textWidth(text) : 0;
            out.xLabels << Label{QRectF(x - w / 2, in.size.height() - Gap - in.lineHeight, w, in.lineHeight), text};
        }
    }

    const auto xOf = [&](qint64 t) { return plot.left() + plot.width() * double(t) / double(period); };
    const auto yOf = [&](double ms) { return plot.bottom() - plot.height() * std::min(ms, out.yMaxMs) / out.yMaxMs; };

    for (size_t si = 0; si < in.series.size(); ++si) {
        const std::vector<Point> &pts = in.series[si].points;
        Drawn d;
        // The usual spacing of single passes: their median distance.
        std::vector<qint64> spacing;
        for (size_t i = 1; i < pts.size(); ++i)
            spacing.push_back(pts[i].t - pts[i - 1].t);
        qint64 usual = 0;
        if (!spacing.empty()) {
            std::nth_element(spacing.begin(), spacing.begin() + spacing.size() / 2, spacing.end());
            usual = spacing[spacing.size() / 2];
        }
        QList<QPointF> line, upper, lower;
        const auto closeRun = [&]() {
            if (!line.isEmpty())
                d.lines.push_back(line);
            if (!upper.isEmpty()) {
                QList<QPointF> band = upper;
                for (auto it = lower.crbegin(); it != lower.crend(); ++it)
                    band << *it;
                d.bands.push_back(band);
            }
            line.clear();
            upper.clear();
            lower.clear();
        };
        const qreal markTop = plot.bottom() + Gap + si * (MarkRowHeight + 1);
        for (size_t i = 0; i < pts.size(); ++i) {
            const Point &p = pts[i];
            if (i > 0) {
                const Point &prev = pts[i - 1];
                const qint64 allowed = std::max<qint64>(qint64(GapFactor * double(usual)),
                                                        qint64(GapFactor * double(std::max(prev.spanSecs, p.spanSecs))));
                if (p.t - prev.t > allowed)
                    closeRun();
            }
            // A point stands at the middle of what it sums up.
            const qint64 mid = p.t + p.spanSecs / 2;
            if (mid < 0 || mid > period)
                continue;
            const qreal x = xOf(mid);
            if (p.medianMs) {
                line << QPointF(x, yOf(*p.medianMs));
                if (p.lowMs && p.highMs) {
                    upper << QPointF(x, yOf(*p.highMs));
                    lower << QPointF(x, yOf(*p.lowMs));
                }
            } else {
                closeRun();  // nothing answered: the line breaks, the mark tells
            }
            const qreal w = std::max<qreal>(1, p.spanSecs > 0 ? plot.width() * double(p.spanSecs) / double(period)
                                                              : plot.width() * double(usual) / double(period));
            d.marks.push_back({QRectF(x - w / 2, markTop, w, MarkRowHeight), lossOf(p.sent, p.lost)});
        }
        closeRun();
        out.drawn.push_back(std::move(d));
    }
    return out;
}

} // namespace grapher
