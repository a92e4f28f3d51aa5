#include "LatencyChart.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <QFileInfo>

namespace grapher {

LatencyChart::LatencyChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("LatencyChart"));
    setMinimumSize(320, 200);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void LatencyChart::setData(const std::vector<LatencyLayout::Series> &series, const QStringList &names,
                           const QDateTime &from, const QDateTime &to)
{
    m_series = series;
    m_names = names;
    m_from = from;
    m_to = to;
    update();
}

QColor LatencyChart::hostColour(int index)
{
    static const QColor colours[] = {QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),
                                     QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194),
                                     QColor(127, 127, 127), QColor(188, 189, 34), QColor(23, 190, 207),
                                     QColor(255, 127, 14)};
    return colours[index % int(std::size(colours))];
}

QColor LatencyChart::lossColour(LatencyLayout::Loss loss)
{
    switch (loss) {
    case LatencyLayout::Loss::None:
        return QColor(120, 200, 120);
    case LatencyLayout::Loss::Under5:
        return QColor(240, 220, 60);
    case LatencyLayout::Loss::Under20:
        return QColor(245, 150, 40);
    case LatencyLayout::Loss::More:
        return QColor(220, 30, 30);
    }
    return Qt::gray;
}

LatencyLayout LatencyChart::layoutFor(const QSizeF &size, const QFontMetricsF &metrics) const
{
    LatencyLayout::Input in;
    in.size = size;
    in.lineHeight = int(metrics.height() + 0.5);
    in.textWidth = [&metrics](const QString &t) { return int(metrics.horizontalAdvance(t) + 0.5); };
    in.periodSecs = m_from.isValid() && m_to.isValid() ? qMax<qint64>(1, m_from.secsTo(m_to)) : 3600;
    in.series = m_series;
    const bool days = in.periodSecs > 2 * 86400;
    const QDateTime from = m_from;
    in.timeText = [from, days](qint64 t) {
        const QDateTime at = from.addSecs(t);
        return at.toString(days ? QStringLiteral("dd.MM") : QStringLiteral("HH:mm"));
    };
    return LatencyLayout::compute(in);
}

void LatencyChart::paint(QPainter &painter, const QSizeF &size) const
{
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    const QFontMetricsF metrics(painter.font());
    const LatencyLayout l = layoutFor(size, metrics);
    if (!l.visible)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(225, 225, 225), 0));
    for (qreal y : l.yLines)
        painter.drawLine(QPointF(l.plot.left(), y), QPointF(l.plot.right(), y));
    for (qreal x : l.xLines)
        painter.drawLine(QPointF(x, l.plot.top()), QPointF(x, l.plot.bottom()));
    painter.setPen(Qt::black);
    painter.drawRect(l.plot);
    for (const LatencyLayout::Label &label : l.yLabels)
        painter.drawText(label.box, Qt::AlignRight | Qt::AlignVCenter, label.text);
    for (const LatencyLayout::Label &label : l.xLabels)
        painter.drawText(label.box, Qt::AlignCenter, label.text);
    painter.drawText(QRectF(l.plot.right() + 2, l.plot.top() - metrics.height() / 2, size.width(), metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, tr("мс"));

    for (size_t i = 0; i < l.drawn.size(); ++i) {
        const LatencyLayout::Drawn &d = l.drawn[i];
        QColor band = hostColour(int(i));
        band.setAlpha(50);
        painter.setPen(Qt::NoPen);
        painter.setBrush(band);
        for (const QList<QPointF> &b : d.bands)
            painter.drawPolygon(b.constData(), int(b.size()));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(hostColour(int(i)), 1.5));
        for (const QList<QPointF> &line : d.lines) {
            if (line.size() == 1)
                painter.drawEllipse(line.first(), 1.5, 1.5);
            else
                painter.drawPolyline(line.constData(), int(line.size()));
        }
        painter.setPen(Qt::NoPen);
        for (const LatencyLayout::Mark &m : d.marks)
            painter.fillRect(m.box, lossColour(m.loss));
    }
    // The hosts' names in their colours, top left inside the plot.
    qreal y = l.plot.top() + 2;
    for (int i = 0; i < m_names.size() && i < int(l.drawn.size()); ++i) {
        painter.setPen(hostColour(i));
        painter.drawText(QRectF(l.plot.left() + 4, y, l.plot.width() - 8, metrics.height()), Qt::AlignLeft,
                         m_names.at(i));
        y += metrics.height();
    }
}

void LatencyChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, size());
}

bool LatencyChart::savePng(const QString &path, QString *error) const
{
    QImage image(size().isEmpty() ? QSize(800, 400) : size(), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setFont(font());
        paint(painter, image.size());
    }
    if (!image.save(path, "PNG")) {
        *error = tr("Не удалось записать файл %1").arg(path);
        return false;
    }
    return true;
}

bool LatencyChart::saveSvg(const QString &path, QString *error) const
{
    QSvgGenerator svg;
    svg.setFileName(path);
    const QSize s = size().isEmpty() ? QSize(800, 400) : size();
    svg.setSize(s);
    svg.setViewBox(QRect(QPoint(0, 0), s));
    svg.setTitle(tr("Задержка и потери"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        *error = tr("Не удалось записать файл %1").arg(path);
        return false;
    }
    painter.setFont(font());
    paint(painter, s);
    painter.end();
    if (!QFileInfo::exists(path)) {
        *error = tr("Не удалось записать файл %1").arg(path);
        return false;
    }
    return true;
}

} // namespace grapher
