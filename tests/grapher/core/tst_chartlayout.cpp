// Where the chart puts its plotting area, grid lines and labels: round steps
// and a kept top label at large maxima, the X range widened to the curves,
// room for the legend list.
#include "ChartLayout.h"

#include <QTest>

#include <cmath>

using namespace grapher;

namespace {

constexpr int LineHeight = 16;
constexpr int CharWidth = 7;

ChartLayout::Input input(QSizeF size, double yMax, int yDivisions, double xMin, double xMax, int xDivisions)
{
    ChartLayout::Input in;
    in.size = size;
    in.lineHeight = LineHeight;
    in.textWidth = [](const QString &text) { return int(text.size()) * CharWidth; };
    in.locale = QLocale::c();
    in.xMin = xMin;
    in.xMax = xMax;
    in.xDivisions = xDivisions;
    in.yMax = yMax;
    in.yDivisions = yDivisions;
    return in;
}

QStringList texts(const QList<ChartLayout::Label> &labels)
{
    QStringList out;
    for (const ChartLayout::Label &label : labels)
        out << label.text;
    return out;
}

QStringList counts(int from, int to, int step)
{
    QStringList out;
    for (int v = from; v <= to; v += step)
        out << QString::number(v);
    return out;
}

QStringList hours(int from, int to, int step)
{
    QStringList out;
    for (int v = from; v <= to; v += step)
        out << QStringLiteral("%1.0").arg(v);
    return out;
}

} // namespace

class tst_ChartLayout : public QObject
{
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
};

void tst_ChartLayout::layout_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<double>("yMax");
    QTest::addColumn<int>("yDivisions");
    QTest::addColumn<int>("xMin");
    QTest::addColumn<int>("xMax");
    QTest::addColumn<int>("xDivisions");
    QTest::addColumn<double>("curvesXMax"); // negative: no curve
    QTest::addColumn<int>("legends");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QRectF>("plot");
    QTest::addColumn<int>("yLines");
    QTest::addColumn<QStringList>("yLabels");
    QTest::addColumn<QStringList>("xLabels");

    // Left: gap, title, gap, "15", gap; right: half of "18.0" and slack;
    // below: two text rows and their gaps.
    const QRectF plot(48, 14, 528, 340);
    QTest::newRow("start-up chart: every division and label")
        << QSizeF(600, 400) << 15.0 << 15 << 8 << 18 << 10 << -1.0 << 0 << true << plot << 16 << counts(0, 15, 1)
        << hours(8, 18, 1);
    QTest::newRow("a curve past the end hour widens X by a division")
        << QSizeF(600, 400) << 15.0 << 15 << 8 << 18 << 10 << 19.0 << 0 << true << plot << 16 << counts(0, 15, 1)
        << hours(8, 19, 1);
    QTest::newRow("two legend rows take room below")
        << QSizeF(600, 400) << 15.0 << 15 << 8 << 18 << 10 << -1.0 << 2 << true << QRectF(48, 14, 528, 298) << 16
        << counts(0, 15, 1) << hours(8, 18, 1);
    // 0.34 px a division: lines every 10,000, labels every 100,000.
    QTest::newRow("a million events: round steps")
        << QSizeF(600, 400) << 1e6 << 1'000'000 << 8 << 18 << 10 << -1.0 << 0 << true << QRectF(83, 14, 493, 340)
        << 101 << counts(0, 1'000'000, 100'000) << hours(8, 18, 1);
    // Labels every 100; 950 is too close to 900, which gives way.
    QTest::newRow("the top label stays, the one below gives way")
        << QSizeF(600, 400) << 950.0 << 950 << 8 << 18 << 10 << -1.0 << 0 << true << QRectF(55, 14, 521, 340) << 96
        << (counts(0, 800, 100) << QStringLiteral("950")) << hours(8, 18, 1);
    // 9.9 px an hour: every fourth label; 23.0 would touch 20.0.
    QTest::newRow("narrow day: hour labels thinned, the end one only with room")
        << QSizeF(300, 400) << 15.0 << 15 << 0 << 23 << 23 << -1.0 << 0 << true << QRectF(48, 14, 228, 340) << 16
        << counts(0, 15, 1) << hours(0, 20, 4);
    QTest::newRow("no room to plot") << QSizeF(60, 60) << 15.0 << 15 << 8 << 18 << 10 << -1.0 << 0 << false
                                     << QRectF() << 0 << QStringList() << QStringList();
}

void tst_ChartLayout::layout()
{
    QFETCH(QSizeF, size);
    QFETCH(double, yMax);
    QFETCH(int, yDivisions);
    QFETCH(int, xMin);
    QFETCH(int, xMax);
    QFETCH(int, xDivisions);
    QFETCH(double, curvesXMax);
    QFETCH(int, legends);
    QFETCH(bool, visible);
    QFETCH(QRectF, plot);
    QFETCH(int, yLines);
    QFETCH(QStringList, yLabels);
    QFETCH(QStringList, xLabels);

    ChartLayout::Input in = input(size, yMax, yDivisions, xMin, xMax, xDivisions);
    if (curvesXMax >= 0)
        in.curvesXMax = curvesXMax;
    in.legendCount = legends;
    const ChartLayout layout = ChartLayout::compute(in);
    QCOMPARE(layout.visible, visible);
    if (!visible)
        return;
    QCOMPARE(layout.plot, plot);
    QCOMPARE(layout.yLines.size(), yLines);
    QCOMPARE(texts(layout.yLabels), yLabels);
    QCOMPARE(texts(layout.xLabels), xLabels);

    // What holds for every chart: the grid runs from edge to edge, drawn
    // lines and labels keep their distance, the end labels name the range.
    QCOMPARE(layout.yLines.first(), plot.bottom());
    QCOMPARE(layout.yLines.last(), plot.top());
    for (int i = 1; i < layout.yLines.size(); ++i)
        QVERIFY(layout.yLines.at(i - 1) - layout.yLines.at(i) >= ChartLayout::MinLineSpacing - 1e-9);
    for (int i = 1; i < layout.yLabels.size(); ++i)
        QVERIFY(layout.yLabels.at(i - 1).box.top() - layout.yLabels.at(i).box.top()
                >= LineHeight + ChartLayout::YLabelGap - 1e-9);
    QCOMPARE(layout.yLabels.last().text, ChartLayout::yLabel(yMax, QLocale::c()));
    QCOMPARE(layout.yLabels.last().box.center().y(), plot.top());
    QCOMPARE(layout.map(layout.xHi, yMax), plot.topRight());
    QCOMPARE(layout.legend.size(), legends);
    for (const ChartLayout::LegendRow &row : layout.legend) {
        QVERIFY(row.textBox.top() >= layout.xTitle.bottom());
        QVERIFY(row.textBox.bottom() <= size.height());
    }
    QCOMPARE(layout.xZeroRule.has_value(), xMin == 0);
    QVERIFY(layout.yZeroRule.has_value());
}

QTEST_GUILESS_MAIN(tst_ChartLayout)
#include "tst_chartlayout.moc"
