#pragma once

#include "ChartSurface.h"

#include <QList>
#include <QPointF>
#include <QStringList>

namespace grapher {

// A chart that records what the timeline computation draws.
class GrapherRecordingChart final : public ChartSurface
{
public:
    double xMin = 0;
    QList<Segment> segments;
    QList<QList<int>> series;
    QStringList legends;

    double XMin() const override { return xMin; }
    void PlotPoints(const Segment &line) override { segments.append(line); }
    void PlotPoints(const QList<int> &values) override { series.append(values); }
    void AddLegend(const QString &text) override { legends.append(text); }

    // The curve as a run of points: the first segment's start, then every
    // segment's end. Empty when a segment does not start where the previous
    // one ended (the curve would be broken).
    QList<QPointF> points() const
    {
        QList<QPointF> out;
        for (const Segment &s : segments) {
            const QPointF from(s[0][0], s[0][1]);
            if (out.isEmpty())
                out.append(from);
            else if (out.last() != from)
                return {};
            out.append(QPointF(s[1][0], s[1][1]));
        }
        return out;
    }
};

} // namespace grapher
