// The chart widget: lines and legend entries accumulate and clear, the
// picture it saves.
#include "ChartControl.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

using namespace grapher;

class tst_ChartControl : public QObject
{
    Q_OBJECT

private slots:
    void linesAndLegendsAccumulateUntilCleared();
    void savePictureWritesTheShownBitmap();
    void savePictureReportsFailure();
    void millionEventScale();
};

void tst_ChartControl::linesAndLegendsAccumulateUntilCleared()
{
    ChartControl chart;
    chart.setXMin(8);
    chart.setLineColor(Qt::red);
    chart.setLineWidth(2);
    chart.PlotPoints(ChartSurface::Segment{{{8, 0}, {8, 2}}});
    chart.AddLegend(QStringLiteral("первый"));
    chart.setLineColor(Qt::green);
    chart.setLineWidth(4);
    chart.PlotPoints(ChartSurface::Segment{{{8, 2}, {9, 2}}});
    chart.PlotPoints(QList<int>{2});
    chart.AddLegend(QStringLiteral("второй"));
    QCOMPARE(chart.lines().size(), 2);
    QCOMPARE(chart.lines().at(0).points, QLineF(8, 0, 8, 2));
    QCOMPARE(chart.lines().at(0).color, QColor(Qt::red));
    QCOMPARE(chart.lines().at(1).color, QColor(Qt::green));
    QCOMPARE(chart.lines().at(1).width, 4);
    QCOMPARE(chart.legends().size(), 2);
    QCOMPARE(chart.legends().at(1).text, QStringLiteral("второй"));
    QCOMPARE(chart.series(), QList<int>{2});

    chart.ClearCurves();
    chart.ClearLegends();
    QVERIFY(chart.lines().isEmpty());
    QVERIFY(chart.legends().isEmpty());
    QCOMPARE(chart.XMin(), 8.0); // the axes stay
}

void tst_ChartControl::savePictureWritesTheShownBitmap()
{
    ChartControl chart;
    chart.resize(480, 320);
    chart.setStartupSwitch(true);
    chart.setXMin(8);
    chart.setXMax(18);
    chart.setXDivisions(10);
    chart.setYMax(5);
    chart.setYDivisions(5);
    const QColor curve(200, 0, 40);
    chart.setLineColor(curve);
    chart.setLineWidth(4);
    chart.PlotPoints(ChartSurface::Segment{{{8, 2}, {19, 2}}});
    chart.AddLegend(QStringLiteral("Этот компьютер"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.bmp"));
    QVERIFY(chart.SavePicture(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(2), QByteArray("BM"));
    file.close();
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage image = reader.read();
    QCOMPARE(image.size(), QSize(480, 320));
    int curvePixels = 0, whitePixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            curvePixels += c == curve;
            whitePixels += c == QColor(Qt::white);
        }
    }
    // A 4-pixel line across the plotting area, and the white area itself.
    QVERIFY2(curvePixels > 4 * 300, qPrintable(QString::number(curvePixels)));
    QVERIFY2(whitePixels > 480 * 320 / 3, qPrintable(QString::number(whitePixels)));
    QCOMPARE(image.convertToFormat(QImage::Format_RGB32), chart.picture());
    const QString artifacts = qEnvironmentVariable("ORVANT_ARTIFACT_DIR");
    if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
        image.save(QDir(artifacts).filePath(QStringLiteral("grapher_chart_saved.png")));
}

void tst_ChartControl::savePictureReportsFailure()
{
    ChartControl chart;
    chart.resize(100, 100);
    QTemporaryDir dir;
    QVERIFY(!chart.SavePicture(dir.filePath(QStringLiteral("missing/chart.bmp"))));
    QVERIFY(!chart.SavePicture(QString()));
}

void tst_ChartControl::millionEventScale()
{
    // One division per event of the largest maximum, kept whole rather
    // than cut to 16 bits, and drawn thinned rather than one by one.
    ChartControl chart;
    chart.resize(480, 320);
    chart.setStartupSwitch(true);
    chart.setYMax(1e6);
    chart.setYDivisions(1'000'000);
    QCOMPARE(chart.YDivisions(), 1'000'000);
    chart.setYDivisions(2'000'000);
    QCOMPARE(chart.YDivisions(), ChartControl::MaxYDivisions);
    chart.PlotPoints(ChartSurface::Segment{{{0, 500000}, {5, 500000}}});
    const QImage image = chart.picture();
    QCOMPARE(image.size(), QSize(480, 320));
}

QTEST_MAIN(tst_ChartControl)
#include "tst_chartcontrol.moc"
