// The board's figures from hand-made readings: states and the monitor's gap
// rule, the days of the bar split at midnight, the windows, the marks, the
// totals, the loss of the last hour and the hourly chart.
#include "StatusBoard.h"

#include <QTest>

using namespace web;

namespace {

// Wednesday noon; times in the tests are minutes from it.
const QDateTime Now(QDate(2025, 3, 5), QTime(12, 0));
const Seconds NowS = DateTimeText::toSeconds(Now.date(), Now.time());
Seconds at(qint64 minutes)
{
    return NowS + minutes * 60;
}

// One host watched for the last 100 days without a break, the monitor's
// last pass a few seconds ago.
StatusData watchedData()
{
    StatusData d;
    d.addresses = {{QStringLiteral("192.0.2.1"), QStringLiteral("router"), 500}};
    d.refreshMinutes = 1;
    d.watched = {{at(-100 * 24 * 60), NowS - 5}};
    d.newest = StatusData::Stretch{NowS - 5, 0};
    d.keptFrom = DateTimeText::toSeconds(Now.date().addDays(-364), QTime(0, 0));
    return d;
}

} // namespace

class tst_StatusBoard : public QObject
{
    Q_OBJECT

private slots:
    void state_data();
    void state();
    void daysSplitAtMidnightAndEndToday();
    void unwatchedDaysAndTheRollingDay();
    void marksHoldForTheirHostOrAll();
    void totalsCountAnOpenOutageToTheLastPass();
    void lossOfTheLastHourAndTheChart();
};

void tst_StatusBoard::state_data()
{
    QTest::addColumn<int>("refreshMinutes");
    QTest::addColumn<qint64>("lastPassAgoS");
    QTest::addColumn<int>("howEnded");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("inWindow");
    QTest::addColumn<QString>("expected");

    QTest::newRow("up") << 1 << qint64(5) << 0 << false << false << "up";
    QTest::newRow("down") << 1 << qint64(5) << 0 << true << false << "down";
    QTest::newRow("maintenance before down") << 1 << qint64(5) << 0 << true << true << "maintenance";
    QTest::newRow("monitor stopped") << 1 << qint64(5) << 1 << true << false << "unwatched";
    QTest::newRow("no network on its machine") << 1 << qint64(5) << 3 << false << false << "unwatched";
    // Two intervals, four 500 ms attempts (2 s), the tick, 5 s of slack.
    QTest::newRow("silent within the gap") << 1 << qint64(128) << 0 << false << false << "up";
    QTest::newRow("silent past the gap") << 1 << qint64(129) << 0 << true << false << "unwatched";
    // A zero interval polls every second.
    QTest::newRow("zero interval within") << 0 << qint64(10) << 0 << false << false << "up";
    QTest::newRow("zero interval past") << 0 << qint64(11) << 0 << false << false << "unwatched";
}

void tst_StatusBoard::state()
{
    QFETCH(int, refreshMinutes);
    QFETCH(qint64, lastPassAgoS);
    QFETCH(int, howEnded);
    QFETCH(bool, open);
    QFETCH(bool, inWindow);
    QFETCH(QString, expected);

    StatusData d = watchedData();
    d.refreshMinutes = refreshMinutes;
    d.newest = StatusData::Stretch{NowS - lastPassAgoS, howEnded};
    if (open) {
        d.openSince.insert(QStringLiteral("192.0.2.1"), at(-30));
        d.outages[QStringLiteral("192.0.2.1")] = {{at(-30), std::nullopt}};
    }
    if (inWindow)
        d.windows.append({1, QString(), AlertRecords::AllWeekdays, QTime(11, 0), QTime(13, 0)});
    const StatusBoard b = StatusBoard::build(d, Now);
    QCOMPARE(b.hosts.size(), size_t(1));
    QCOMPARE(QString::fromLatin1(StatusBoard::stateName(b.hosts[0].state)), expected);
    QCOMPARE(b.hosts[0].downSince.has_value(), open);
    QCOMPARE(b.hosts[0].maintenance, inWindow);
}

void tst_StatusBoard::daysSplitAtMidnightAndEndToday()
{
    StatusData d = watchedData();
    // From 23:00 yesterday to 01:00 today, and one of 10 minutes 89 days ago.
    const Seconds midnight = DateTimeText::toSeconds(Now.date(), QTime(0, 0));
    const Seconds old = DateTimeText::toSeconds(Now.date().addDays(-89), QTime(8, 0));
    d.outages[QStringLiteral("192.0.2.1")] = {{old, old + 600}, {midnight - 3600, midnight + 3600}};
    const StatusBoard b = StatusBoard::build(d, Now);
    const HostBoard &h = b.hosts[0];
    QCOMPARE(int(h.days.size()), StatusBoard::BarDays);
    QCOMPARE(h.days.back().down, qint64(3600));
    // Today is watched up to the last pass, not to midnight.
    QCOMPARE(h.days.back().watched, qint64(12 * 3600 - 5));
    QCOMPARE(h.days[88].down, qint64(3600));
    QCOMPARE(h.days[88].watched, qint64(24 * 3600));
    QCOMPARE(h.days.front().down, qint64(600));
    for (int i = 1; i < 88; ++i)
        QCOMPARE(h.days[i].down, qint64(0));
    // The 24 hours hold both of today's and yesterday's hours; 7 days the same.
    QCOMPARE(h.windows[0].down, qint64(7200));
    QCOMPARE(h.windows[1].down, qint64(7200));
    QCOMPARE(h.windows[1].outages, 1);
    // 90 days reach back to the old one.
    QCOMPARE(h.windows[3].down, qint64(7800));
    QCOMPARE(h.windows[3].outages, 2);
}

void tst_StatusBoard::unwatchedDaysAndTheRollingDay()
{
    StatusData d = watchedData();
    // Watched only since 06:00 yesterday: the day before is unwatched, the
    // 24 hours are watched for 24 hours less the 5 s since the last pass…
    d.watched = {{DateTimeText::toSeconds(Now.date().addDays(-1), QTime(6, 0)), NowS - 5}};
    const StatusBoard b = StatusBoard::build(d, Now);
    const HostBoard &h = b.hosts[0];
    QCOMPARE(h.days[87].watched, qint64(0));
    QCOMPARE(h.days[88].watched, qint64(18 * 3600));
    QCOMPARE(h.windows[0].watched, qint64(24 * 3600 - 5));
    // … while the 7 days count from midnight six days ago.
    QCOMPARE(h.windows[1].periodSeconds, qint64(6 * 24 * 3600 + 12 * 3600));
    QCOMPARE(h.windows[1].unwatched, h.windows[1].periodSeconds - h.windows[1].watched);
    QVERIFY(h.windows[1].availabilityMilliPercent().has_value());
    QCOMPARE(*h.windows[1].availabilityMilliPercent(), qint64(100000));
}

void tst_StatusBoard::marksHoldForTheirHostOrAll()
{
    StatusData d = watchedData();
    d.addresses.push_back({QStringLiteral("192.0.2.2"), QStringLiteral("behind"), 500});
    d.addresses.push_back({QStringLiteral("192.0.2.3"), QStringLiteral("other"), 500});
    d.parents.insert(QStringLiteral("192.0.2.2"), QStringLiteral("192.0.2.1"));
    d.mutes = {{QStringLiteral("192.0.2.1"), Now.addSecs(60)},  // holds
               {QStringLiteral("192.0.2.2"), Now.addSecs(-60)},  // over
               {QStringLiteral("192.0.2.3"), QDateTime()}};     // until lifted
    // Tuesday 22:00 to 02:00 holds Wednesday morning, not noon.
    d.windows = {{1, QStringLiteral("192.0.2.1"), 1 << 1, QTime(22, 0), QTime(2, 0)},
                 {2, QStringLiteral("192.0.2.2"), 1 << 2, QTime(11, 30), QTime(12, 30)}};
    const StatusBoard b = StatusBoard::build(d, Now);
    QCOMPARE(b.hosts.size(), size_t(3));
    QVERIFY(b.hosts[0].muted);
    QVERIFY(!b.hosts[1].muted);
    QVERIFY(b.hosts[2].muted);
    QVERIFY(!b.hosts[0].maintenance);
    QVERIFY(b.hosts[1].maintenance);
    QCOMPARE(b.hosts[1].parent, QStringLiteral("192.0.2.1"));
    QCOMPARE(b.hosts[0].parent, QString());
    QCOMPARE(b.byAddress.value(QStringLiteral("192.0.2.3")), 2);

    d.mutes = {{QString(), Now.addSecs(60)}};
    const StatusBoard all = StatusBoard::build(d, Now);
    for (const HostBoard &h : all.hosts)
        QVERIFY(h.muted);
}

void tst_StatusBoard::totalsCountAnOpenOutageToTheLastPass()
{
    StatusData d = watchedData();
    d.totals.insert(QStringLiteral("192.0.2.1"), {7, 1000});
    d.openSince.insert(QStringLiteral("192.0.2.1"), at(-10));
    // The monitor stopped 5 minutes ago: the open outage is not counted on.
    d.newest = StatusData::Stretch{at(-5), 1};
    const StatusBoard b = StatusBoard::build(d, Now);
    QCOMPARE(b.hosts[0].outagesTotal, qint64(7));
    QCOMPARE(b.hosts[0].downtimeTotal, qint64(1000 + 5 * 60));
    QVERIFY(!b.watching);
    QCOMPARE(*b.lastPass, at(-5));
}

void tst_StatusBoard::lossOfTheLastHourAndTheChart()
{
    StatusData d = watchedData();
    HostLatency &l = d.latency[QStringLiteral("192.0.2.1")];
    l.lastRttUs = 1500;
    const Seconds hour = NowS - NowS % 3600;  // 12:00
    // 11:59 and 12:00 are inside the last hour, 10:59 is not.
    l.minutes = {{hour - 3660, 10, 10, 0, 0}, {hour - 60, 4, 1, 3000, 3}, {hour, 2, 0, 2000, 2}};
    // 10:00 was consolidated: its median wins over its minutes.
    l.hours = {{hour - 7200, 40, 4, 2500}};
    const StatusBoard b = StatusBoard::build(d, Now);
    const HostBoard &h = b.hosts[0];
    QCOMPARE(*h.lastRttUs, qint64(1500));
    QCOMPARE(*h.lossShareHour, 1.0 / 6.0);
    QCOMPARE(int(h.chart.size()), StatusBoard::ChartHours);
    QCOMPARE(h.chart.back().start, hour);
    QCOMPARE(*h.chart.back().rttMs, 1.0);
    QCOMPARE(*h.chart.back().lossShare, 0.0);
    const ChartPoint &eleven = h.chart[StatusBoard::ChartHours - 2];
    QCOMPARE(*eleven.rttMs, 1.0);
    QCOMPARE(*eleven.lossShare, 0.25);
    const ChartPoint &ten = h.chart[StatusBoard::ChartHours - 3];
    QCOMPARE(*ten.rttMs, 2.5);
    QCOMPARE(*ten.lossShare, 0.1);
    QVERIFY(!h.chart.front().rttMs && !h.chart.front().lossShare);
}

QTEST_GUILESS_MAIN(tst_StatusBoard)
#include "tst_statusboard.moc"
