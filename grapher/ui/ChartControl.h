#pragma once

#include "ChartSurface.h"

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QList>
#include <QStringList>
#include <QWidget>

namespace grapher {

// The chart on the grapher's main window: a white plotting area over a light
// grey textured background, axes in hours (X, "0.0") and events (Y, "0")
// with a division grid and titles, the accumulated lines of every curve
// drawn so far, and a legend list below the plotting area.
//
// X runs from XMin to XMax; a curve whose last interval reaches beyond XMax
// widens the shown range by whole divisions, so the last interval stays in
// sight while XMax reads back what was set. Y runs from StartupLevel to YMax;
// lines above YMax are cut at the plotting area's edge.
class ChartControl final : public QWidget, public ChartSurface
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChartControl)
    Q_PROPERTY(int YDivisions READ YDivisions WRITE setYDivisions)
    Q_PROPERTY(int XDivisions READ XDivisions WRITE setXDivisions)
    Q_PROPERTY(double YMax READ YMax WRITE setYMax)
    Q_PROPERTY(double XMax READ XMax WRITE setXMax)
    Q_PROPERTY(double XMin READ XMin WRITE setXMin)
    Q_PROPERTY(int LineWidth READ LineWidth WRITE setLineWidth)
    Q_PROPERTY(bool StartupSwitch READ StartupSwitch WRITE setStartupSwitch)
    Q_PROPERTY(QColor LineColor READ LineColor WRITE setLineColor)
    Q_PROPERTY(int StartupLevel READ StartupLevel WRITE setStartupLevel)

public:
    // One line drawn by PlotPoints, in axis units, with the pen of its time.
    struct Line
    {
        QLineF points;
        QColor color;
        int width = 1;
    };
    struct Legend
    {
        QString text;
        QColor color;
    };

    static constexpr char TitleX[] = QT_TRANSLATE_NOOP("grapher::ChartControl", "время");
    static constexpr char TitleY[] = QT_TRANSLATE_NOOP("grapher::ChartControl", "кол-во событий");
    static constexpr int MaxYDivisions = 1'000'000;

    explicit ChartControl(QWidget *parent = nullptr);

    // Up to MaxYDivisions, one per event of the largest Y maximum.
    qint32 YDivisions() const { return m_yDivisions; }
    void setYDivisions(int value);
    qint16 XDivisions() const { return m_xDivisions; }
    void setXDivisions(int value);
    double YMax() const { return m_yMax; }
    void setYMax(double value);
    double XMax() const { return m_xMax; }
    void setXMax(double value);
    double XMin() const override { return m_xMin; }
    void setXMin(double value);
    qint16 LineWidth() const { return m_lineWidth; }
    void setLineWidth(int value);
    // False until the owner has set the chart up: only the background shows.
    bool StartupSwitch() const { return m_startupSwitch; }
    void setStartupSwitch(bool value);
    QColor LineColor() const { return m_lineColor; }
    void setLineColor(const QColor &value);
    // The lowest value of the Y axis.
    qint32 StartupLevel() const { return m_startupLevel; }
    void setStartupLevel(int value);

    void PlotPoints(const Segment &line) override;
    // Kept as the last series (series()); it draws nothing: the curve is
    // made of the lines already plotted.
    void PlotPoints(const QList<int> &series) override;
    // Writes what is shown as a BMP file. False when it cannot be written.
    bool SavePicture(const QString &fileName);
    void ClearCurves();
    void AddLegend(const QString &text) override;
    void ClearLegends();

    const QList<Line> &lines() const { return m_lines; }
    const QList<Legend> &legends() const { return m_legends; }
    const QList<int> &series() const { return m_series; }
    // What SavePicture writes: the chart rendered at its size.
    QImage picture();
    // The 96 by 96 light grey texture behind the plotting area.
    static QImage backgroundTile();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint32 m_yDivisions = 10;
    qint16 m_xDivisions = 10;
    double m_yMax = 10;
    double m_xMax = 10;
    double m_xMin = 0;
    qint16 m_lineWidth = 2;
    bool m_startupSwitch = false;
    QColor m_lineColor = QColor(0, 0, 192);
    qint32 m_startupLevel = 0;
    QList<Line> m_lines;
    QList<Legend> m_legends;
    QList<int> m_series;
};

} // namespace grapher
