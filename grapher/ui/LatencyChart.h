#pragma once

#include "LatencyLayout.h"

#include <QColor>
#include <QDateTime>
#include <QStringList>
#include <QWidget>

class QPainter;

namespace grapher {

// The round-trip and loss chart: paints a LatencyLayout computed for its
// own size. The same painting goes to the PNG and SVG files.
class LatencyChart final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LatencyChart)

public:
    explicit LatencyChart(QWidget *parent = nullptr);

    // The hosts' points, their names and the period they cover.
    void setData(const std::vector<LatencyLayout::Series> &series, const QStringList &names, const QDateTime &from,
                 const QDateTime &to);

    static QColor hostColour(int index);
    static QColor lossColour(LatencyLayout::Loss loss);

    // Paints the chart into `size` on any device (widget, image, SVG).
    void paint(QPainter &painter, const QSizeF &size) const;
    bool savePng(const QString &path, QString *error) const;
    bool saveSvg(const QString &path, QString *error) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    LatencyLayout layoutFor(const QSizeF &size, const QFontMetricsF &metrics) const;

    std::vector<LatencyLayout::Series> m_series;
    QStringList m_names;
    QDateTime m_from;
    QDateTime m_to;
};

} // namespace grapher
