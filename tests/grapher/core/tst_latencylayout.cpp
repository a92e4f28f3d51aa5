// The round-trip chart's layout: loss classes at their boundaries, the Y
// axis's round maximum, gaps that break the line and the band, points at the
// middle of what they sum up.
#include "LatencyLayout.h"

#include <QTest>

using grapher::LatencyLayout;
using Loss = LatencyLayout::Loss;
Q_DECLARE_METATYPE(LatencyLayout::Loss)

namespace {

LatencyLayout::Point pass(qint64 t, double ms, qint64 sent = 1, qint64 lost = 0)
{
    LatencyLayout::Point p;
    p.t = t;
    p.medianMs = p.lowMs = p.highMs = ms;
    p.sent = sent;
    p.lost = lost;
    return p;
}

LatencyLayout::Input input(std::vector<LatencyLayout::Series> series, qint64 period = 3600)
{
    LatencyLayout::Input in;
    in.size = QSizeF(600, 300);
    in.lineHeight = 14;
    in.textWidth = [](const QString &t) { return int(t.size() * 7); };
    in.periodSecs = period;
    in.series = std::move(series);
    in.timeText = [](qint64 t) { return QString::number(t); };
    return in;
}

} // namespace

class tst_LatencyLayout : public QObject
{
    Q_OBJECT

private slots:
    void lossClass_data();
    void lossClass();
    void roundUp_data();
    void roundUp();
    void gapsBreakTheLine_data();
    void gapsBreakTheLine();
    void consolidatedRowsStandAtTheirMiddle();
    void nothingMeasuredDrawsNothing();
    void tooSmallIsNotVisible();
};

void tst_LatencyLayout::lossClass_data()
{
    QTest::addColumn<qint64>("sent");
    QTest::addColumn<qint64>("lost");
    QTest::addColumn<Loss>("expected");
    QTest::newRow("nothing sent") << qint64(0) << qint64(0) << Loss::None;
    QTest::newRow("none lost") << qint64(100) << qint64(0) << Loss::None;
    QTest::newRow("4.99 %") << qint64(10000) << qint64(499) << Loss::Under5;
    QTest::newRow("exactly 5 % is not under 5") << qint64(20) << qint64(1) << Loss::Under20;
    QTest::newRow("19.9 %") << qint64(1000) << qint64(199) << Loss::Under20;
    QTest::newRow("exactly 20 %") << qint64(5) << qint64(1) << Loss::More;
    QTest::newRow("all lost") << qint64(4) << qint64(4) << Loss::More;
}

void tst_LatencyLayout::lossClass()
{
    QFETCH(qint64, sent);
    QFETCH(qint64, lost);
    QFETCH(Loss, expected);
    QCOMPARE(LatencyLayout::lossOf(sent, lost), expected);
}

void tst_LatencyLayout::roundUp_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("expected");
    QTest::newRow("nothing") << 0.0 << 1.0;
    QTest::newRow("a tenth of a millisecond") << 0.13 << 0.2;
    QTest::newRow("exactly 2") << 2.0 << 2.0;
    QTest::newRow("just above 2") << 2.01 << 5.0;
    QTest::newRow("just above 5") << 5.5 << 10.0;
    QTest::newRow("430 ms") << 430.0 << 500.0;
}

void tst_LatencyLayout::roundUp()
{
    QFETCH(double, value);
    QFETCH(double, expected);
    QCOMPARE(LatencyLayout::roundUp(value), expected);
}

void tst_LatencyLayout::gapsBreakTheLine_data()
{
    QTest::addColumn<QList<qint64>>("times");  // one pass each, 10 ms
    QTest::addColumn<int>("runs");
    QTest::newRow("every minute") << QList<qint64>{0, 60, 120, 180, 240} << 1;
    QTest::newRow("one minute missed is no gap") << QList<qint64>{0, 60, 180, 240, 300} << 1;
    QTest::newRow("ten minutes missed") << QList<qint64>{0, 60, 120, 720, 780, 840} << 2;
    QTest::newRow("two gaps") << QList<qint64>{0, 60, 120, 1000, 1060, 1120, 2000, 2060} << 3;
    QTest::newRow("a single point") << QList<qint64>{600} << 1;
}

void tst_LatencyLayout::gapsBreakTheLine()
{
    QFETCH(QList<qint64>, times);
    QFETCH(int, runs);
    LatencyLayout::Series s;
    for (qint64 t : times)
        s.points.push_back(pass(t, 10));
    const LatencyLayout l = LatencyLayout::compute(input({s}));
    QVERIFY(l.visible);
    QCOMPARE(int(l.drawn.at(0).lines.size()), runs);
    QCOMPARE(int(l.drawn.at(0).bands.size()), runs);
    QCOMPARE(int(l.drawn.at(0).marks.size()), int(times.size()));
}

void tst_LatencyLayout::consolidatedRowsStandAtTheirMiddle()
{
    LatencyLayout::Series s;
    for (int h = 0; h < 24; ++h) {
        LatencyLayout::Point p = pass(h * 3600, 10 + h, 60, h == 5 ? 30 : 0);
        p.spanSecs = 3600;
        p.lowMs = 5;
        p.highMs = 40;
        s.points.push_back(p);
    }
    const LatencyLayout l = LatencyLayout::compute(input({s, s}, 86400));
    QCOMPARE(l.yMaxMs, 50.0);  // 40 and a margin, rounded up
    QCOMPARE(int(l.drawn.size()), 2);
    const QList<QPointF> &line = l.drawn.at(0).lines.at(0);
    QCOMPARE(line.size(), 24);
    QCOMPARE(line.first().x(), l.plot.left() + l.plot.width() * 1800.0 / 86400.0);
    QCOMPARE(l.drawn.at(0).bands.at(0).size(), 48);
    QCOMPARE(l.drawn.at(0).marks.at(5).loss, Loss::More);
    QCOMPARE(l.drawn.at(0).marks.at(4).loss, Loss::None);
    // Each host's marks have a row of their own.
    QVERIFY(l.drawn.at(1).marks.at(0).box.top() > l.drawn.at(0).marks.at(0).box.bottom());
    QVERIFY(l.drawn.at(0).marks.at(0).box.top() > l.plot.bottom());
}

void tst_LatencyLayout::nothingMeasuredDrawsNothing()
{
    LatencyLayout::Series silent;
    LatencyLayout::Point p;
    p.t = 0;
    p.sent = 4;
    p.lost = 4;
    silent.points.push_back(p);
    const LatencyLayout l = LatencyLayout::compute(input({silent, LatencyLayout::Series{}}));
    QVERIFY(l.visible);
    QCOMPARE(l.yMaxMs, 1.0);
    QVERIFY(l.drawn.at(0).lines.empty());
    QCOMPARE(l.drawn.at(0).marks.at(0).loss, Loss::More);
    QVERIFY(l.drawn.at(1).marks.empty());
}

void tst_LatencyLayout::tooSmallIsNotVisible()
{
    LatencyLayout::Input in = input({});
    in.size = QSizeF(40, 30);
    QVERIFY(!LatencyLayout::compute(in).visible);
}

QTEST_GUILESS_MAIN(tst_LatencyLayout)
#include "tst_latencylayout.moc"
