// The time-of-day outage histogram: counts, curve points, the decisions for
// outages that cross midnight or last under a minute, and what is refused.
#include "GrapherRecordingChart.h"
#include "GraphRequest.h"
#include "TempDatabase.h"
#include "Timeline.h"

#include <QTest>

using namespace grapher;

using Outage = QStringList; // begin, end, [foe, desc]
Q_DECLARE_METATYPE(QList<int>)

namespace {

const QString Host = QStringLiteral("Сервер");

void addOutages(TempDatabase &db, const QList<Outage> &outages)
{
    for (const Outage &o : outages) {
        const QVariant end = o.value(1).isEmpty() ? QVariant() : QVariant(o.value(1));
        const int foe = o.size() > 2 ? o.at(2).toInt() : 1;
        const QString desc = o.size() > 3 ? o.at(3) : Host;
        db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)"),
                {o.value(0), end, foe, QStringLiteral("10.0.0.1"), desc});
    }
}

GraphRequest request(const QString &t1, const QString &t2, const QString &interval,
                     const QString &description = Host)
{
    GraphRequest r;
    r.description = description;
    r.startDate = QStringLiteral("01.12.2026");
    r.startTime = t1;
    r.endDate = QStringLiteral("10.12.2026");
    r.endTime = t2;
    r.interval = interval;
    r.legend = QStringLiteral("legend");
    return r;
}

QList<int> repeat(int value, int times)
{
    return QList<int>(times, value);
}

} // namespace

class tst_Timeline : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void counts_data();
    void counts();
    void onlyClosedOutagesOfThePeriodAndHost();
    void descriptionWithQuotesIsMatchedExactly();
    void hourlyDayHasElevenWindowsAndEndsAtNineteen();
    void refusedRequestDrawsNothing_data();
    void refusedRequestDrawsNothing();
    void yMaximum_data();
    void yMaximum();
    void dateTexts_data();
    void dateTexts();
    void computationWritesNothing();
    void failedQueryStillDrawsAndReports();
};

void tst_Timeline::workedExample()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    addOutages(db, {{QStringLiteral("2026-12-02 08:10:00"), QStringLiteral("2026-12-02 08:40:00")},
                    {QStringLiteral("2026-12-03 09:30:00"), QStringLiteral("2026-12-03 09:31:00")},
                    {QStringLiteral("2026-12-04 07:00:00"), QStringLiteral("2026-12-04 08:00:00")}});
    GrapherRecordingChart chart;
    chart.xMin = 8;
    Timeline timeline(chart);
    QVERIFY(timeline.BuildGraph(request(QStringLiteral("08:00:00"), QStringLiteral("10:00:00"), QStringLiteral("30"))));
    QCOMPARE(timeline.counts(), QList<int>({2, 1, 0, 1, 0}));
    QCOMPARE(timeline.intervalMin(), 30);
    const QList<QPointF> expected = {{8, 0},   {8, 2}, {8.5, 2}, {8.5, 1}, {9, 1},   {9, 0},
                                     {9.5, 0}, {9.5, 1}, {10, 1}, {10, 0}, {10.5, 0}};
    QCOMPARE(chart.points(), expected);
    QCOMPARE(chart.legends, QStringList(QStringLiteral("legend")));
    QCOMPARE(timeline.prevX(), 10.5f);
    QCOMPARE(timeline.prevY(), 0.0f);
}

void tst_Timeline::counts_data()
{
    QTest::addColumn<QList<Outage>>("outages");
    QTest::addColumn<QString>("t1");
    QTest::addColumn<QString>("t2");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QList<int>>("expected");
    auto o = [](const char *b, const char *e) { return Outage{QString::fromLatin1(b), QString::fromLatin1(e)}; };
    const QString h8 = QStringLiteral("08:00:00"), h9 = QStringLiteral("09:00:00"), h18 = QStringLiteral("18:00:00");

    QTest::newRow("quarter-hours: 08:10-08:25 touches two windows")
        << QList<Outage>{o("2026-12-02 08:10:00", "2026-12-02 08:25:00")} << h8 << h9 << QStringLiteral("15")
        << QList<int>{1, 1, 0, 0, 0};
    QTest::newRow("an end equal to a window start counts there")
        << QList<Outage>{o("2026-12-02 07:50:00", "2026-12-02 08:00:00")} << h8 << h9 << QStringLiteral("30")
        << QList<int>{1, 0, 0};
    QTest::newRow("07:00-19:00 covers every window of the day")
        << QList<Outage>{o("2026-12-02 07:00:00", "2026-12-02 19:00:00")} << h8 << h18 << QStringLiteral("60")
        << repeat(1, 11);
    QTest::newRow("a night outage counts nowhere")
        << QList<Outage>{o("2026-12-02 02:00:00", "2026-12-02 03:00:00")} << h8 << h18 << QStringLiteral("60")
        << repeat(0, 11);
    QTest::newRow("the same time on two days counts twice")
        << QList<Outage>{o("2026-12-02 08:05:00", "2026-12-02 08:06:00"), o("2026-12-05 08:01:00", "2026-12-05 08:09:00")}
        << h8 << h9 << QStringLiteral("30") << QList<int>{2, 0, 0};
    QTest::newRow("equal start and end give one window")
        << QList<Outage>{o("2026-12-02 08:10:00", "2026-12-02 08:20:00")} << h8 << h8 << QStringLiteral("30")
        << QList<int>{1};
    QTest::newRow("no outages: every count 0") << QList<Outage>{} << h8 << h18 << QStringLiteral("5") << repeat(0, 121);
    QTest::newRow("within one minute: only that minute's window")
        << QList<Outage>{o("2026-12-02 08:29:10", "2026-12-02 08:29:50")} << h8 << h9 << QStringLiteral("15")
        << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("within the minute a window starts: that window only")
        << QList<Outage>{o("2026-12-02 08:30:05", "2026-12-02 08:30:40")} << h8 << h9 << QStringLiteral("15")
        << QList<int>{0, 0, 1, 0, 0};
    QTest::newRow("past midnight: begin to day end and day start to end")
        << QList<Outage>{o("2026-12-02 18:30:00", "2026-12-03 09:05:00")} << h8 << h18 << QStringLiteral("60")
        << QList<int>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    QList<int> aroundMidnight = repeat(0, 24);
    aroundMidnight[0] = aroundMidnight[23] = 1;
    QTest::newRow("23:30 to 00:20 counts at both ends of the day")
        << QList<Outage>{o("2026-12-02 23:30:00", "2026-12-03 00:20:00")} << QStringLiteral("00:00:00")
        << QStringLiteral("23:00:00") << QStringLiteral("60") << aroundMidnight;
    QTest::newRow("past midnight, ending in its begin minute: the whole day")
        << QList<Outage>{o("2026-12-02 08:40:30", "2026-12-03 08:40:10")} << h8 << h18 << QStringLiteral("60")
        << repeat(1, 11);
    QTest::newRow("two days long: every time of day")
        << QList<Outage>{o("2026-12-02 10:00:00", "2026-12-04 11:00:00")} << h8 << h18 << QStringLiteral("60")
        << repeat(1, 11);
}

void tst_Timeline::counts()
{
    QFETCH(QList<Outage>, outages);
    QFETCH(QString, t1);
    QFETCH(QString, t2);
    QFETCH(QString, interval);
    QFETCH(QList<int>, expected);
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    addOutages(db, outages);
    GrapherRecordingChart chart;
    chart.xMin = t1.left(2).toDouble();
    Timeline timeline(chart);
    QVERIFY2(timeline.BuildGraph(request(t1, t2, interval)), qPrintable(timeline.errors().join(u'\n')));
    QCOMPARE(timeline.counts(), expected);
    QCOMPARE(timeline.outagesRead(), int(outages.size()));
    QCOMPARE(chart.segments.size(), expected.size() * 2);
    QVERIFY2(!chart.points().isEmpty(), "the curve is one unbroken line");
}

void tst_Timeline::onlyClosedOutagesOfThePeriodAndHost()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    addOutages(db, {
                       {QStringLiteral("2026-12-02 08:10:00"), QStringLiteral("2026-12-02 08:20:00")}, // counted
                       {QStringLiteral("2026-12-02 08:10:00"), QString(), QStringLiteral("0")},          // open
                       {QStringLiteral("2026-11-30 23:59:00"), QStringLiteral("2026-12-01 08:20:00")}, // begins before
                       {QStringLiteral("2026-12-10 17:50:00"), QStringLiteral("2026-12-10 18:00:30")}, // ends after
                       {QStringLiteral("2026-12-03 08:10:00"), QStringLiteral("2026-12-03 08:20:00"), QStringLiteral("1"),
                        QStringLiteral("Другой")},                                                   // other host
                   });
    GrapherRecordingChart chart;
    chart.xMin = 8;
    Timeline timeline(chart);
    QVERIFY(timeline.BuildGraph(request(QStringLiteral("08:00:00"), QStringLiteral("18:00:00"), QStringLiteral("60"))));
    QList<int> expected = repeat(0, 11);
    expected[0] = 1;
    QCOMPARE(timeline.counts(), expected);
    QCOMPARE(timeline.outagesRead(), 1);
}

void tst_Timeline::descriptionWithQuotesIsMatchedExactly()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QString quoted = QStringLiteral("O'Brien's \"core\" switch");
    addOutages(db, {{QStringLiteral("2026-12-02 08:10:00"), QStringLiteral("2026-12-02 08:20:00"), QStringLiteral("1"), quoted},
                    {QStringLiteral("2026-12-02 09:10:00"), QStringLiteral("2026-12-02 09:20:00"), QStringLiteral("1"),
                     QStringLiteral("O'Brien's")},
                    {QStringLiteral("2026-12-02 10:10:00"), QStringLiteral("2026-12-02 10:20:00"), QStringLiteral("1"),
                     QStringLiteral("O'Brien's \"core\" switch 2")}});
    GrapherRecordingChart chart;
    chart.xMin = 8;
    Timeline timeline(chart);
    QVERIFY2(timeline.BuildGraph(request(QStringLiteral("08:00:00"), QStringLiteral("11:00:00"), QStringLiteral("60"), quoted)),
             qPrintable(timeline.errors().join(u'\n')));
    QCOMPARE(timeline.counts(), QList<int>({1, 0, 0, 0}));
}

void tst_Timeline::hourlyDayHasElevenWindowsAndEndsAtNineteen()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    GrapherRecordingChart chart;
    chart.xMin = 8;
    Timeline timeline(chart);
    QVERIFY(timeline.BuildGraph(request(QStringLiteral("08:00:00"), QStringLiteral("18:00:00"), QStringLiteral("60"))));
    QCOMPARE(timeline.counts().size(), 11);
    const QList<QPointF> points = chart.points();
    QCOMPARE(points.first(), QPointF(8, 0));
    QCOMPARE(points.last(), QPointF(19, 0));
    for (const QPointF &p : points)
        QCOMPARE(p.y(), 0.0);
}

void tst_Timeline::refusedRequestDrawsNothing_data()
{
    QTest::addColumn<QString>("t1");
    QTest::addColumn<QString>("t2");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("message");
    QTest::newRow("start later than end") << QStringLiteral("18:00:00") << QStringLiteral("08:00:00")
                                          << QStringLiteral("60") << QString::fromUtf8(GraphRequest::TimesRefused);
    QTest::newRow("start time not a time") << QStringLiteral("x") << QStringLiteral("08:00:00") << QStringLiteral("60")
                                           << QString::fromUtf8(GraphRequest::TimesRefused);
    QTest::newRow("interval 0") << QStringLiteral("08:00:00") << QStringLiteral("09:00:00") << QStringLiteral("0")
                                << QString::fromUtf8(GraphRequest::IntervalRefused);
    QTest::newRow("interval not a number") << QStringLiteral("08:00:00") << QStringLiteral("09:00:00") << QString()
                                           << QString::fromUtf8(GraphRequest::IntervalRefused);
}

void tst_Timeline::refusedRequestDrawsNothing()
{
    QFETCH(QString, t1);
    QFETCH(QString, t2);
    QFETCH(QString, interval);
    QFETCH(QString, message);
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const GraphRequest r = request(t1, t2, interval);
    QCOMPARE(r.refusal(), message);
    GrapherRecordingChart chart;
    Timeline timeline(chart);
    QVERIFY(!timeline.BuildGraph(r));
    QVERIFY(chart.segments.isEmpty());
    QVERIFY(chart.legends.isEmpty());
}

void tst_Timeline::yMaximum_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");
    QTest::newRow("15") << QStringLiteral("15") << true << 15.0;
    QTest::newRow("1") << QStringLiteral("1") << true << 1.0;
    QTest::newRow("999") << QStringLiteral(" 999 ") << true << 999.0;
    QTest::newRow("decimal comma") << QStringLiteral("15,5") << true << 15.5;
    QTest::newRow("decimal point") << QStringLiteral("15.5") << true << 15.5;
    QTest::newRow("0") << QStringLiteral("0") << false << 0.0;
    QTest::newRow("negative") << QStringLiteral("-3") << false << 0.0;
    QTest::newRow("1000, a busy host's peak") << QStringLiteral("1000") << true << 1000.0;
    QTest::newRow("1000000") << QStringLiteral("1000000") << true << 1000000.0;
    QTest::newRow("1000001") << QStringLiteral("1000001") << false << 0.0;
    QTest::newRow("text") << QStringLiteral("много") << false << 0.0;
    QTest::newRow("empty") << QString() << false << 0.0;
}

void tst_Timeline::yMaximum()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    double parsed = 0;
    QCOMPARE(GraphRequest::parseYMax(text, &parsed, QLocale(QStringLiteral("ru_RU"))), accepted);
    if (accepted)
        QCOMPARE(parsed, value);
}

void tst_Timeline::dateTexts_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sqlDate");
    QTest::addColumn<QString>("myTime");
    QTest::newRow("date box and time list") << QStringLiteral("ru_RU") << QStringLiteral("01.12.2026 08:00:00")
                                            << QStringLiteral("2026-12-01 08:00:00") << QStringLiteral("08:00:00");
    QTest::newRow("stored form, seconds dropped") << QStringLiteral("ru_RU") << QStringLiteral("2026-12-06 18:07:59")
                                                  << QStringLiteral("2026-12-06 18:07:00") << QStringLiteral("18:07:00");
    QTest::newRow("US short date, two-digit year") << QStringLiteral("en_US") << QStringLiteral("12/6/26 18:00:00")
                                                   << QStringLiteral("2026-12-06 18:00:00") << QStringLiteral("18:00:00");
    QTest::newRow("picker form under US settings") << QStringLiteral("en_US") << QStringLiteral("06.12.2026 09:30:00")
                                                   << QStringLiteral("2026-12-06 09:30:00") << QStringLiteral("09:30:00");
    QTest::newRow("C short date has blanks") << QStringLiteral("C") << QStringLiteral("7 Dec 2026 18:00:00")
                                             << QStringLiteral("2026-12-07 18:00:00") << QStringLiteral("18:00:00");
    QTest::newRow("date alone is midnight") << QStringLiteral("ru_RU") << QStringLiteral("06.12.2026")
                                            << QStringLiteral("2026-12-06 00:00:00") << QStringLiteral("00:00:00");
    QTest::newRow("time alone") << QStringLiteral("ru_RU") << QStringLiteral("8:05:59") << QStringLiteral("2000-01-01 00:00:00")
                                << QStringLiteral("08:05:00");
    QTest::newRow("not a date") << QStringLiteral("ru_RU") << QStringLiteral("вчера") << QStringLiteral("2000-01-01 00:00:00")
                                << QString();
}

void tst_Timeline::dateTexts()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, sqlDate);
    QFETCH(QString, myTime);
    QCOMPARE(Timeline::GetSqlDate(text, QLocale(locale)), sqlDate);
    QCOMPARE(Timeline::GetMyTime(text, QLocale(locale)), myTime);
}

void tst_Timeline::computationWritesNothing()
{
    FILE_ONLY("SQLite's change counter and schema tables");
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    addOutages(db, {{QStringLiteral("2026-12-02 08:10:00"), QStringLiteral("2026-12-02 08:20:00")}});
    const QVariant changes = db.scalar(QStringLiteral("select total_changes()"));
    const QStringList tables = db.rows(QStringLiteral("select name from sqlite_master union all select name from sqlite_temp_master"));
    GrapherRecordingChart chart;
    Timeline timeline(chart);
    QVERIFY(timeline.BuildGraph(request(QStringLiteral("08:00:00"), QStringLiteral("09:00:00"), QStringLiteral("60"))));
    QCOMPARE(timeline.counts(), QList<int>({1, 0}));
    QCOMPARE(db.scalar(QStringLiteral("select total_changes()")), changes);
    QCOMPARE(db.rows(QStringLiteral("select name from sqlite_master union all select name from sqlite_temp_master")), tables);
}

void tst_Timeline::failedQueryStillDrawsAndReports()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("drop table logs"));
    GrapherRecordingChart chart;
    chart.xMin = 8;
    Timeline timeline(chart);
    QVERIFY(!timeline.BuildGraph(request(QStringLiteral("08:00:00"), QStringLiteral("10:00:00"), QStringLiteral("60"))));
    QCOMPARE(timeline.counts(), QList<int>({0, 0, 0}));
    QCOMPARE(chart.points().last(), QPointF(11, 0));
    QCOMPARE(timeline.errors().size(), 1);
    QVERIFY2(timeline.errors().first().contains(QStringLiteral("logs")), qPrintable(timeline.errors().first()));
}

QTEST_GUILESS_MAIN(tst_Timeline)
#include "tst_timeline.moc"
