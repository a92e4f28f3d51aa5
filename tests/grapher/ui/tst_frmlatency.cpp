// The round-trip window over a real database: its hosts, a day's chart from
// the raw samples, and the chart saved as PNG and SVG.
#undef QT_NO_CAST_FROM_ASCII  // the cases spell texts as plain literals
#include "FakePrompts.h"
#include "LatencyChart.h"
#include "LatencyRecorder.h"
#include "TempDatabase.h"
#include "frmLatency.h"
#include "frmMain.h"
#include "DatabaseConfig.h"
#include "GrapherStore.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace grapher;

class tst_frmLatency : public QObject
{
    Q_OBJECT

private slots:
    void periodBounds_data();
    void periodBounds();
    void drawsAndSaves();
    void hostsByValueAndFiltered();
};

void tst_frmLatency::periodBounds_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<qint64>("seconds");
    QTest::newRow("hour") << int(frmLatency::LastHour) << qint64(3600);
    QTest::newRow("day") << int(frmLatency::LastDay) << qint64(86400);
    QTest::newRow("week") << int(frmLatency::LastWeek) << qint64(7 * 86400);
    QTest::newRow("month of 28 days") << int(frmLatency::LastMonth) << qint64(28 * 86400);
    QTest::newRow("year") << int(frmLatency::LastYear) << qint64(365 * 86400);
    QTest::newRow("from-to given backwards") << int(frmLatency::FromTo) << qint64(7200);
}

void tst_frmLatency::periodBounds()
{
    QFETCH(int, period);
    QFETCH(qint64, seconds);
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0));
    const auto [from, to] =
        frmLatency::periodBounds(frmLatency::Period(period), now, now.addSecs(7200), now);
    QCOMPARE(from.secsTo(to), seconds);
}

void tst_frmLatency::drawsAndSaves()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    {
        monitor::LatencyRecorder r(db.connection());
        QString error;
        const QDateTime now = QDateTime::currentDateTime();
        for (int m = 0; m < 180; ++m) {
            monitor::LatencySample s;
            s.ip = "10.0.0.1";
            s.desc = "сервер";
            s.sent = m % 10 == 0 ? 2 : 1;
            s.lost = s.sent - 1;
            s.rttUs = 1000 + (m % 13) * 100;
            QVERIFY(r.recordPass(now.addSecs(-60 * (180 - m)), {s}, &error));
        }
    }
    FakePrompts prompts;
    // Opened as the program opens it: its store, from the file's path.
    GrapherStore store;
    const auto opened = store.open(DatabaseConfig::sqliteFile(db.path()));
    QVERIFY(opened.waitFor(10000));
    QVERIFY2(opened.value().outcome.ok, qPrintable(opened.value().outcome.error));
    frmLatency w(prompts, store);
    w.show();
    w.waitForReads();
    QCOMPARE(w.hostList()->count(), 1);
    QCOMPARE(w.hostList()->item(0)->text(), QStringLiteral("сервер (10.0.0.1)"));
    QElapsedTimer t;
    t.start();
    w.draw();
    w.waitForReads();
    qInfo("a day of one host read and laid out in %lld ms", t.elapsed());
    QVERIFY(prompts.boxes.isEmpty());

    QTemporaryDir dir;
    prompts.saveAnswers << dir.filePath("c.png") << dir.filePath("c.svg");
    w.savePng();
    w.saveSvg();
    QVERIFY(prompts.boxes.isEmpty());
    const QImage png(dir.filePath("c.png"));
    QVERIFY(!png.isNull());
    // The host's colour is on the picture: its median line was drawn.
    bool coloured = false;
    const QColor host = LatencyChart::hostColour(0);
    for (int y = 0; y < png.height() && !coloured; ++y)
        for (int x = 0; x < png.width() && !coloured; ++x)
            coloured = png.pixelColor(x, y) == host;
    QVERIFY(coloured);
    QFile svg(dir.filePath("c.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QVERIFY(text.contains("<svg"));
    QVERIFY(text.contains("polyline") || text.contains("<path"));
}

// The hosts list IPv4 before IPv6, each by value; the filter box hides
// those whose address and description lack what is typed, and the checked
// hosts are still drawn by their own rows.
void tst_frmLatency::hostsByValueAndFiltered()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    {
        monitor::LatencyRecorder r(db.connection());
        std::vector<monitor::LatencySample> samples;
        for (const char *ip : {"fd00::11", "10.10.0.10", "fd00::a", "10.10.0.2"}) {
            monitor::LatencySample s;
            s.ip = QLatin1String(ip);
            s.desc = QStringLiteral("узел");
            s.sent = 1;
            s.rttUs = 1000;
            samples.push_back(s);
        }
        QString error;
        QVERIFY2(r.recordPass(QDateTime::currentDateTime().addSecs(-60), samples, &error), qPrintable(error));
    }
    FakePrompts prompts;
    GrapherStore store;
    QVERIFY(store.open(DatabaseConfig::sqliteFile(db.path())).waitFor(10000));
    frmLatency w(prompts, store);
    w.waitForReads();
    QStringList listed;
    for (int i = 0; i < w.hostList()->count(); ++i)
        listed << w.hostList()->item(i)->text();
    QCOMPARE(listed, (QStringList{QStringLiteral("узел (10.10.0.2)"), QStringLiteral("узел (10.10.0.10)"),
                                  QStringLiteral("узел (fd00::a)"), QStringLiteral("узел (fd00::11)")}));
    w.hostFilter()->setText(QStringLiteral("fd00"));
    QStringList shown;
    for (int i = 0; i < w.hostList()->count(); ++i)
        if (!w.hostList()->item(i)->isHidden())
            shown << w.hostList()->item(i)->text();
    QCOMPARE(shown, (QStringList{QStringLiteral("узел (fd00::a)"), QStringLiteral("узел (fd00::11)")}));
    w.hostList()->item(3)->setCheckState(Qt::Checked);
    w.draw();
    w.waitForReads();
    QVERIFY(prompts.boxes.isEmpty());
    w.hostFilter()->clear();
    QCOMPARE(w.hostList()->item(0)->isHidden(), false);
}

QTEST_MAIN(tst_frmLatency)
#include "tst_frmlatency.moc"
