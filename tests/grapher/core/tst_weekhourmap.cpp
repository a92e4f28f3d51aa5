// The weekday × hour map: which cells an outage touches, what it adds to
// them, the rows' order by the locale's first day, and the layout's cells.
#include "TempDatabase.h"
#include "WeekHourMap.h"

#include <QTest>

using grapher::WeekHourLayout;
using grapher::WeekHourMap;

namespace {

// 2025-03-03 was a Monday.
WeekHourMap::Seconds at(const char *text)
{
    return *DateTimeText::toSeconds(QString::fromLatin1(text));
}

} // namespace

Q_DECLARE_METATYPE(Qt::DayOfWeek)

class tst_WeekHourMap : public QObject
{
    Q_OBJECT

private slots:
    void weekdayOfStoredTime();
    void cells_data();
    void cells();
    void rowsFollowTheFirstDay_data();
    void rowsFollowTheFirstDay();
    void cellListing();
    void breakdownLines();
    void layout_data();
    void layout();
    void readsOneHostOrAll();
    void readLeavesOutTimesNotStored();
};

void tst_WeekHourMap::weekdayOfStoredTime()
{
    for (int d = 0; d < 14; ++d) {
        const QDate date = QDate(2025, 3, 1).addDays(d);
        QCOMPARE(int(WeekHourMap::dayOf(DateTimeText::toSeconds(date, QTime(12, 0)))), date.dayOfWeek());
    }
}

void tst_WeekHourMap::cells_data()
{
    QTest::addColumn<QString>("begin");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("row");     // Monday first
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("outages");
    QTest::addColumn<qint64>("downSeconds");
    QTest::addColumn<int>("cellsTouched");

    QTest::newRow("inside one hour") << "2025-03-04 10:10:00" << "2025-03-04 10:40:00" << 1 << 10 << 1 << 1800LL << 1;
    QTest::newRow("ending on the hour stays in it")
        << "2025-03-04 10:30:00" << "2025-03-04 11:00:00" << 1 << 10 << 1 << 1800LL << 1;
    QTest::newRow("crossing into the next hour")
        << "2025-03-04 10:30:00" << "2025-03-04 11:00:01" << 1 << 11 << 1 << 1LL << 2;
    QTest::newRow("zero length touches its cell, no downtime")
        << "2025-03-05 23:59:59" << "2025-03-05 23:59:59" << 2 << 23 << 1 << 0LL << 1;
    QTest::newRow("over midnight into the next day")
        << "2025-03-09 23:30:00" << "2025-03-10 00:20:00" << 0 << 0 << 1 << 1200LL << 2;
    QTest::newRow("two weeks: counted once per cell, downtime twice")
        << "2025-03-03 00:00:00" << "2025-03-17 00:00:00" << 3 << 7 << 1 << 7200LL << 168;
    QTest::newRow("a week and a half hour")
        << "2025-03-03 00:00:00" << "2025-03-10 00:30:00" << 0 << 0 << 1 << 5400LL << 168;
}

void tst_WeekHourMap::cells()
{
    QFETCH(QString, begin);
    QFETCH(QString, end);
    QFETCH(int, row);
    QFETCH(int, hour);
    const WeekHourMap::Outage o{*DateTimeText::toSeconds(begin), *DateTimeText::toSeconds(end)};
    WeekHourMap map(Qt::Monday);
    map.build({o});
    QTEST(map.cell(row, hour).outages, "outages");
    QTEST(map.cell(row, hour).downSeconds, "downSeconds");
    int touched = 0;
    qint64 total = 0;
    for (int r = 0; r < WeekHourMap::Days; ++r)
        for (int h = 0; h < WeekHourMap::Hours; ++h) {
            touched += map.cell(r, h).outages;
            total += map.cell(r, h).downSeconds;
            // The listing of a cell agrees with its count.
            QCOMPARE(WeekHourMap::touches(o, map.dayOfRow(r), h), map.cell(r, h).outages == 1);
        }
    QTEST(touched, "cellsTouched");
    QCOMPARE(total, o.end - o.begin);
}

void tst_WeekHourMap::rowsFollowTheFirstDay_data()
{
    QTest::addColumn<Qt::DayOfWeek>("first");
    QTest::addColumn<int>("rowOfTuesday");
    QTest::newRow("Monday (Russian)") << Qt::Monday << 1;
    QTest::newRow("Sunday (American)") << Qt::Sunday << 2;
    QTest::newRow("Saturday") << Qt::Saturday << 3;
}

void tst_WeekHourMap::rowsFollowTheFirstDay()
{
    QFETCH(Qt::DayOfWeek, first);
    WeekHourMap map(first);
    map.build({{at("2025-03-04 08:15:00"), at("2025-03-04 08:45:00")}});
    QTEST(map.rowOfDay(Qt::Tuesday), "rowOfTuesday");
    QCOMPARE(map.dayOfRow(0), first);
    QCOMPARE(map.cell(map.rowOfDay(Qt::Tuesday), 8).outages, 1);
    QCOMPARE(map.maxOutages(), 1);
    QCOMPARE(map.maxDownSeconds(), 1800);
    QCOMPARE(QLocale(QLocale::Russian).firstDayOfWeek(), Qt::Monday);
}

void tst_WeekHourMap::cellListing()
{
    const std::vector<WeekHourMap::Outage> outages{{at("2025-03-11 09:50:00"), at("2025-03-11 10:05:00")},
                                                   {at("2025-03-04 10:00:00"), at("2025-03-04 10:01:00")},
                                                   {at("2025-03-05 10:00:00"), at("2025-03-05 10:01:00")}};
    const auto listed = WeekHourMap::outagesIn(outages, Qt::Tuesday, 10);
    QCOMPARE(listed, (std::vector<size_t>{1, 0}));  // oldest first
    WeekHourMap map;
    map.build(outages);
    QCOMPARE(map.cell(1, 10).outages, 2);
    QCOMPARE(map.cell(1, 9).outages, 1);
}

void tst_WeekHourMap::breakdownLines()
{
    WeekHourMap map;
    map.build({{at("2025-03-03 00:00:00"), at("2025-03-03 01:30:00")}});
    const QStringList lines = map.breakdown(true, QLocale(QLocale::Russian)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 7);
    QVERIFY2(lines.first().startsWith(QStringLiteral("пн: 60 30 0 ")), qPrintable(lines.first()));
    QVERIFY(map.breakdown(false, QLocale::c()).startsWith(QStringLiteral("Mon: 1 1 0 ")));
}

void tst_WeekHourMap::layout_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("cell");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("row");   // -1: no cell
    QTest::addColumn<int>("hour");
    // 40 label + 8 margins: 24 cells of 20 px fit in 528 px; height limits
    // to (400 - 20 - 44 - 12) / 7 = 46.
    QTest::newRow("width decides") << QSize(528, 400) << 20 << QPoint(44 + 20 * 5 + 3, 24 + 20 * 2 + 19) << 2 << 5;
    QTest::newRow("height decides") << QSize(2000, 200) << 17 << QPoint(0, 0) << -1 << -1;
    QTest::newRow("too small: no cells") << QSize(30, 30) << 0 << QPoint(10, 10) << -1 << -1;
}

void tst_WeekHourMap::layout()
{
    QFETCH(QSize, size);
    QFETCH(QPoint, point);
    QFETCH(int, row);
    QFETCH(int, hour);
    const WeekHourLayout l = WeekHourLayout::compute(size, 40, 20);
    QTEST(l.cell, "cell");
    const auto hit = l.cellAt(point);
    QCOMPARE(hit ? hit->first : -1, row);
    QCOMPARE(hit ? hit->second : -1, hour);
    if (l.cell > 0) {
        QVERIFY(l.grid.right() < size.width());
        QVERIFY(l.legend.bottom() < size.height());
        QCOMPARE(l.cellRect(6, 23).bottomRight(), l.grid.bottomRight());
    }
}

// The statement hands numbers, not texts: they must land on the same
// moments the stored texts name.
void tst_WeekHourMap::readsOneHostOrAll()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QString log = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    db.exec(log, {QStringLiteral("2025-03-04 10:10:00"), QStringLiteral("2025-03-04 10:40:00"), 1, QStringLiteral("10.0.0.1"), QStringLiteral("a")});
    db.exec(log, {QStringLiteral("2025-03-02 23:59:59"), QStringLiteral("2025-03-03 00:00:30"), 1, QStringLiteral("10.0.0.2"), QStringLiteral("b")});
    db.exec(log, {QStringLiteral("2025-03-05 10:00:00"), QVariant(), 0, QStringLiteral("10.0.0.1"), QStringLiteral("a")});  // open
    db.exec(log, {QStringLiteral("2025-04-01 00:00:00"), QStringLiteral("2025-04-01 00:00:01"), 1, QStringLiteral("10.0.0.1"), QStringLiteral("a")});  // later
    std::vector<WeekHourMap::Outage> outages;
    QStringList descriptions;
    QString error;
    const auto from = at("2025-03-01 00:00:00");
    const auto to = at("2025-04-01 00:00:00");
    QVERIFY2(WeekHourMap::read(db.connection(), false, QStringLiteral("a"), from, to, &outages, &descriptions, &error),
             qPrintable(error));
    QCOMPARE(outages.size(), size_t(1));
    QCOMPARE(outages[0].begin, at("2025-03-04 10:10:00"));
    QCOMPARE(outages[0].end, at("2025-03-04 10:40:00"));
    QCOMPARE(descriptions, QStringList(QStringLiteral("a")));
    QVERIFY(WeekHourMap::read(db.connection(), true, QString(), from, to, &outages, &descriptions, &error));
    QCOMPARE(descriptions, (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    QCOMPARE(outages[0].end, at("2025-03-03 00:00:30"));
}

// Rows written by other means may hold any text: the same rows are left out
// on either engine, and the rest of the host's outages are still shown.
void tst_WeekHourMap::readLeavesOutTimesNotStored()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QString log = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,1,'10.0.0.1','a')");
    db.exec(log, {QStringLiteral("2025-03-04 10:10:00"), QStringLiteral("2025-03-04 10:40:00")});
    db.exec(log, {QStringLiteral("2025-03-05 10:10"), QStringLiteral("2025-03-05 10:40:00")});
    db.exec(log, {QStringLiteral("2025-03-06 10:10:00"), QStringLiteral("вчера")});
    std::vector<WeekHourMap::Outage> outages;
    QStringList descriptions;
    QString error;
    for (const bool allHosts : {false, true}) {
        QVERIFY2(WeekHourMap::read(db.connection(), allHosts, QStringLiteral("a"), at("2025-03-01 00:00:00"),
                                   at("2025-04-01 00:00:00"), &outages, &descriptions, &error),
                 qPrintable(error));
        QCOMPARE(outages.size(), size_t(1));
        QCOMPARE(outages[0].begin, at("2025-03-04 10:10:00"));
        QCOMPARE(descriptions, QStringList(QStringLiteral("a")));
    }
}

QTEST_GUILESS_MAIN(tst_WeekHourMap)
#include "tst_weekhourmap.moc"
