#include "ChartControl.h"

#include "ChartLayout.h"
#include "SafeFile.h"

#include <QBuffer>
#include <QPainter>


namespace grapher {

namespace {

constexpr int TileSize = 96;

} // namespace

ChartControl::ChartControl(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void ChartControl::setYDivisions(int value)
{
    m_yDivisions = qBound(1, value, MaxYDivisions);
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
    // Through the suite's file saving: a device or a pipe is written in
    // place, a regular file only replaced once the whole picture is written.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture().save(&buffer, "BMP"))
        return false;
    QString error;
    return SafeFile::write(fileName, bytes, &error);
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

void ChartControl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    static const QImage tile = backgroundTile();
    p.fillRect(rect(), QBrush(tile));
    if (!m_startupSwitch)
        return;

    const QFontMetrics fm = fontMetrics();
    ChartLayout::Input in;
    in.size = size();
    in.lineHeight = fm.height();
    in.textWidth = [&fm](const QString &text) { return fm.horizontalAdvance(text); };
    in.xMin = m_xMin;
    in.xMax = m_xMax;
    in.xDivisions = m_xDivisions;
    for (const Line &line : m_lines) {
        const double x = qMax(line.points.x1(), line.points.x2());
        in.curvesXMax = in.curvesXMax ? qMax(*in.curvesXMax, x) : x;
    }
    in.yMin = m_startupLevel;
    in.yMax = m_yMax;
    in.yDivisions = m_yDivisions;
    in.legendCount = int(m_legends.size());
    const ChartLayout layout = ChartLayout::compute(in);
    if (!layout.visible)
        return;
    const QRectF &plot = layout.plot;

    p.fillRect(plot, Qt::white);
    p.setFont(font());
    p.setPen(QPen(QColor(218, 218, 218), 1));
    for (qreal x : layout.xLines)
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    for (qreal y : layout.yLines)
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    const QPen textPen(Qt::black);
    p.setPen(textPen);
    for (const ChartLayout::Label &label : layout.xLabels)
        p.drawText(label.box, Qt::AlignHCenter | Qt::AlignTop, label.text);
    for (const ChartLayout::Label &label : layout.yLabels)
        p.drawText(label.box, Qt::AlignRight | Qt::AlignVCenter, label.text);

    p.setPen(QPen(QColor(96, 96, 96), 1));
    if (layout.yZeroRule)
        p.drawLine(QPointF(plot.left(), *layout.yZeroRule), QPointF(plot.right(), *layout.yZeroRule));
    if (layout.xZeroRule)
        p.drawLine(QPointF(*layout.xZeroRule, plot.top()), QPointF(*layout.xZeroRule, plot.bottom()));
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    p.setPen(textPen);
    p.drawText(layout.xTitle, Qt::AlignHCenter | Qt::AlignTop, tr(TitleX));
    p.save();
    p.translate(layout.yTitleOrigin);
    p.rotate(-90);
    p.drawText(layout.yTitleBox, Qt::AlignHCenter | Qt::AlignTop, tr(TitleY));
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
        p.drawLine(layout.map(line.points.x1(), line.points.y1()), layout.map(line.points.x2(), line.points.y2()));
    }
    p.restore();

    for (int i = 0; i < layout.legend.size(); ++i) {
        const ChartLayout::LegendRow &row = layout.legend.at(i);
        const Legend &legend = m_legends.at(i);
        p.setPen(QPen(legend.color, 3));
        p.drawLine(row.swatch);
        p.setPen(textPen);
        p.drawText(row.textBox, Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(legend.text, Qt::ElideRight, int(row.textBox.width())));
    }
}

} // namespace grapher
