#pragma once

#include <QList>
#include <QString>

#include <array>

namespace grapher {

// What the timeline computation needs from a chart: the start hour read back,
// straight lines in axis units, the per-interval counts and a legend entry.
// The chart widget implements it; tests record the calls instead.
class ChartSurface
{
public:
    // One straight line: row = point, column 0 = X in hours, column 1 = Y in
    // events. Single precision, as the curve's points are stored.
    using Segment = std::array<std::array<float, 2>, 2>;

    virtual ~ChartSurface() = default;

    virtual double XMin() const = 0;
    virtual void PlotPoints(const Segment &line) = 0;
    // The counts of a whole computation, one value per interval.
    virtual void PlotPoints(const QList<int> &series) = 0;
    virtual void AddLegend(const QString &text) = 0;
};

} // namespace grapher
