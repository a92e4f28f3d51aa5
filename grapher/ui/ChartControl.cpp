#include "ChartControl.h"

#include <QLocale>
#include <QPainter>

#include <cmath>

namespace grapher {

namespace {

constexpr int TileSize = 96;
// More divisions than this are not drawn one by one.
constexpr int MaxDivisions = 2000;

} // namespace

ChartControl::ChartControl(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void ChartControl::setYDivisions(int value)
{
    m_yDivisions = qint16(qBound(1, value, 32767));
    update();
}

void ChartControl::setXDivisions(int value)
{
    m_xDivisions = qint16(qBound(1, value, 32767));
    update();
}

void ChartControl::setYMax(double value)
{
    m_yMax = value;
    update();
}

void ChartControl::setXMax(double value)
{
    m_xMax = value;
    update();
}

void ChartControl::setXMin(double value)
{
    m_xMin = value;
    update();
}

void ChartControl::setLineWidth(int value)
{
    m_lineWidth = qint16(qBound(1, value, 32767));
}

void ChartControl::setStartupSwitch(bool value)
{
    m_startupSwitch = value;
    update();
}

void ChartControl::setLineColor(const QColor &value)
{
    if (value.isValid())
        m_lineColor = value;
}

void ChartControl::setStartupLevel(int value)
{
    m_startupLevel = value;
    update();
}

void ChartControl::PlotPoints(const Segment &line)
{
    m_lines.append({QLineF(line[0][0], line[0][1], line[1][0], line[1][1]), m_lineColor, m_lineWidth});
    update();
}

void ChartControl::PlotPoints(const QList<int> &series)
{
    m_series = series;
}

bool ChartControl::SavePicture(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    return picture().save(fileName, "BMP");
}

void ChartControl::ClearCurves()
{
    m_lines.clear();
    m_series.clear();
    update();
}

void ChartControl::AddLegend(const QString &text)
{
    m_legends.append({text, m_lineColor});
    update();
}

void ChartControl::ClearLegends()
{
    m_legends.clear();
    update();
}

QImage ChartControl::picture()
{
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    render(&image);
    return image;
}

QImage ChartControl::backgroundTile()
{
    // A fine woven texture: light grey with a faint diagonal weave and a
    // little grain, from a fixed seed so every run draws the same picture.
    QImage tile(TileSize, TileSize, QImage::Format_RGB888);
    quint32 seed = 0x2545F491u;
    for (int y = 0; y < TileSize; ++y) {
        for (int x = 0; x < TileSize; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int((seed >> 24) % 13) - 6;
            const int weave = ((x + y) % 6 < 3 ? 4 : -4) + ((x - y + TileSize) % 8 == 0 ? -6 : 0);
            const int v = qBound(0, 208 + grain + weave, 255);
            tile.setPixelColor(x, y, QColor(v, v, v + 2 > 255 ? 255 : v + 2));
        }
    }
    return tile;
}

QString ChartControl::xLabel(double value) const
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 1);
}

QString ChartControl::yLabel(double value) const
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 0);
}

void ChartControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    static const QImage tile = backgroundTile();
    p.fillRect(rect(), QBrush(tile));
    if (!m_startupSwitch)
        return;

    const QFontMetrics fm = fontMetrics();
    const int lineHeight = fm.height();

    // X range: from XMin to XMax, widened by whole divisions to the curves' end.
    const double xLo = m_xMin;
    double xHi = m_xMax > m_xMin ? m_xMax : m_xMin + 1;
    int nx = qMax<int>(1, m_xDivisions);
    const double xStep = (xHi - xLo) / nx;
    double dataMax = xHi;
    for (const Line &line : m_lines)
        dataMax = qMax(dataMax, qMax(line.points.x1(), line.points.x2()));
    if (dataMax > xHi + xStep * 1e-6) {
        const int extra = int(std::ceil((dataMax - xHi) / xStep - 1e-6));
        if (nx + extra <= MaxDivisions) {
            nx += extra;
            xHi = xLo + nx * xStep;
        }
    }
    const double yLo = m_startupLevel;
    const double yHi = m_yMax > yLo ? m_yMax : yLo + 1;
    const int ny = qMax<int>(1, m_yDivisions);
    const double yStep = (yHi - yLo) / ny;

    // Margins: Y title and labels on the left, X labels, title and the
    // legend list below.
    const int yLabelWidth = qMax(fm.horizontalAdvance(yLabel(yLo)), fm.horizontalAdvance(yLabel(yHi)));
    const int xLabelWidth = qMax(fm.horizontalAdvance(xLabel(xLo)), fm.horizontalAdvance(xLabel(xHi)));
    const int legendHeight = m_legends.isEmpty() ? 0 : int(m_legends.size()) * (lineHeight + 2) + 6;
    const int left = 6 + lineHeight + 6 + yLabelWidth + 6;
    const int top = lineHeight / 2 + 6;
    const int right = xLabelWidth / 2 + 10;
    const int bottom = 4 + lineHeight + 4 + lineHeight + 6 + legendHeight;
    const QRectF plot(left, top, width() - left - right, height() - top - bottom);
    if (plot.width() < 10 || plot.height() < 10)
        return;

    auto px = [&](double x) { return plot.left() + (x - xLo) / (xHi - xLo) * plot.width(); };
    auto py = [&](double y) { return plot.bottom() - (y - yLo) / (yHi - yLo) * plot.height(); };

    p.fillRect(plot, Qt::white);

    // Division grid; when divisions are denser than a few pixels only every
    // m-th is drawn, and labels only where they do not run into each other.
    const QPen gridPen(QColor(218, 218, 218), 1);
    const QPen textPen(Qt::black);
    p.setFont(font());
    {
        const double spacing = plot.width() / nx;
        const int every = spacing >= 3 ? 1 : int(std::ceil(3 / spacing));
        const int labelEvery = qMax(1, int(std::ceil((xLabelWidth + 8) / qMax(spacing, 0.01))));
        for (int i = 0; i <= nx && nx <= MaxDivisions; ++i) {
            const double x = px(xLo + i * xStep);
            if (i % every == 0) {
                p.setPen(gridPen);
                p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
            }
            if (i % labelEvery == 0 || i == nx) {
                if (i == nx && i % labelEvery != 0 && spacing * (i % labelEvery) < xLabelWidth + 8)
                    continue;
                p.setPen(textPen);
                const QString label = xLabel(xLo + i * xStep);
                p.drawText(QRectF(x - 50, plot.bottom() + 4, 100, lineHeight), Qt::AlignHCenter | Qt::AlignTop, label);
            }
        }
    }
    {
        const double spacing = plot.height() / ny;
        const int every = spacing >= 3 ? 1 : int(std::ceil(3 / spacing));
        const int labelEvery = qMax(1, int(std::ceil((lineHeight + 2) / qMax(spacing, 0.01))));
        for (int i = 0; i <= ny && ny <= MaxDivisions * 10; ++i) {
            const double y = py(yLo + i * yStep);
            if (i % every == 0) {
                p.setPen(gridPen);
                p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            }
            if (i % labelEvery == 0 || i == ny) {
                if (i == ny && i % labelEvery != 0 && spacing * (i % labelEvery) < lineHeight + 2)
                    continue;
                p.setPen(textPen);
                p.drawText(QRectF(plot.left() - 6 - yLabelWidth - 20, y - lineHeight / 2.0, yLabelWidth + 20, lineHeight),
                           Qt::AlignRight | Qt::AlignVCenter, yLabel(yLo + i * yStep));
            }
        }
    }
    // Zero rules.
    p.setPen(QPen(QColor(96, 96, 96), 1));
    if (yLo <= 0 && 0 <= yHi)
        p.drawLine(QPointF(plot.left(), py(0)), QPointF(plot.right(), py(0)));
    if (xLo <= 0 && 0 <= xHi)
        p.drawLine(QPointF(px(0), plot.top()), QPointF(px(0), plot.bottom()));
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    // Axis titles.
    p.setPen(textPen);
    p.drawText(QRectF(plot.left(), plot.bottom() + 4 + lineHeight + 4, plot.width(), lineHeight),
               Qt::AlignHCenter | Qt::AlignTop, QString::fromUtf8(TitleX));
    p.save();
    p.translate(6, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2, 0, plot.height(), lineHeight), Qt::AlignHCenter | Qt::AlignTop,
               QString::fromUtf8(TitleY));
    p.restore();

    // The curves, cut at the plotting area (with room for the pen).
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setClipRect(plot.adjusted(-2, -2, 2, 2));
    for (const Line &line : m_lines) {
        // A step whose count does not change has a vertical line of no
        // length; drawn, its square cap would leave a dot on the curve.
        if (line.points.p1() == line.points.p2())
            continue;
        p.setPen(QPen(line.color, line.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawLine(QPointF(px(line.points.x1()), py(line.points.y1())),
                   QPointF(px(line.points.x2()), py(line.points.y2())));
    }
    p.restore();

    // Legend list: a short line in the curve's colour, then its text.
    double y = plot.bottom() + 4 + lineHeight + 4 + lineHeight + 6;
    for (const Legend &legend : m_legends) {
        p.setPen(QPen(legend.color, 3));
        p.drawLine(QPointF(plot.left(), y + lineHeight / 2.0), QPointF(plot.left() + 24, y + lineHeight / 2.0));
        p.setPen(textPen);
        p.drawText(QRectF(plot.left() + 30, y, width() - plot.left() - 34, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(legend.text, Qt::ElideRight, int(width() - plot.left() - 34)));
        y += lineHeight + 2;
    }
}

} // namespace grapher
