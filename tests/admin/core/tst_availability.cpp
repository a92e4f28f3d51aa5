// Availability over watched time: the figures against hand-computed rows,
// and the report read from a real database and written as CSV and HTML.
#include "Availability.h"
#include "AvailabilityReport.h"
#include "Database.h"
#include "Statements.h"
#include "TempDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QTest>

#include <map>

using namespace admin;
using Availability::Seconds;

namespace {

// Minutes from a Monday midnight, so the rows read as clock times.
const Seconds Base = *DateTimeText::toSeconds(u"2025-03-03 00:00:00");
Seconds at(int minutes)
{
    return Base + Seconds(minutes) * 60;
}

std::vector<Availability::Span> spans(const QList<int> &minutes)
{
    std::vector<Availability::Span> out;
    for (int i = 0; i + 1 < minutes.size(); i += 2)
        out.push_back({at(minutes[i]), at(minutes[i + 1])});
    return out;
}

// Pairs of begin and end minutes; an end of Open leaves the outage open.
constexpr int Open = std::numeric_limits<int>::min();
std::vector<Availability::Outage> outagesOf(const QList<int> &minutes)
{
    std::vector<Availability::Outage> out;
    for (int i = 0; i + 1 < minutes.size(); i += 2)
        out.push_back({at(minutes[i]), minutes[i + 1] == Open ? std::nullopt : std::optional<Seconds>(at(minutes[i + 1]))});
    return out;
}

QString stored(int minutes)
{
    return DateTimeText::fromDateAndTime(DateTimeText::dateOf(at(minutes)), DateTimeText::timeOf(at(minutes)));
}

} // namespace

class tst_Availability : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void daylightSavingDayCountsTheClocksJump();
    void percent_data();
    void percent();
    void periods_data();
    void periods();
    void reportFromDatabase();
    void reportSettingMaintenanceAside();
    void reportLeavesOutAHostsTimeWithoutRoute();
    void joinedOutages_data();
    void joinedOutages();
    void reportAgreesWithTheFiguresOfEachAddressRows();
    void reportWalksTheAddressIndexUnsorted();
    void hostsByAddressValueAndReportInTheRowOrderGiven();
};

void tst_Availability::figures_data()
{
    QTest::addColumn<QList<int>>("watched");   // minutes, begin/end pairs
    QTest::addColumn<QList<int>>("outages");   // minutes, begin/end pairs
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("now");
    QTest::addColumn<qint64>("watchedS");
    QTest::addColumn<qint64>("downS");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("longestS");
    QTest::addColumn<qint64>("milliPct");  // -1: no data
    QTest::addColumn<qint64>("unwatchedS");
    QTest::addColumn<qint64>("mtbfS");     // -1: none

    const int Day = 1440;
    const int Later = 10 * Day;
    QTest::newRow("watched all day, no outage")
        << QList<int>{0, Day} << QList<int>{} << 0 << Day << Later << 86400LL << 0LL << 0 << 0LL << 100000LL << 0LL
        << -1LL;
    QTest::newRow("outage crossing the period's start counts from it")
        << QList<int>{-Day, Day} << QList<int>{-60, 30} << 0 << Day << Later << 86400LL << 1800LL << 1 << 1800LL
        << 97916LL << 0LL << 84600LL;
    QTest::newRow("outage crossing the period's end counts to it")
        << QList<int>{0, 2 * Day} << QList<int>{Day - 30, Day + 60} << 0 << Day << Later << 86400LL << 1800LL << 1
        << 1800LL << 97916LL << 0LL << 84600LL;
    QTest::newRow("open outage counts to the period's end")
        << QList<int>{0, 2 * Day} << QList<int>{Day - 60, Open} << 0 << Day << Later << 86400LL << 3600LL << 1
        << 3600LL << 95833LL << 0LL << 82800LL;
    QTest::newRow("open outage of a period not over counts to now")
        << QList<int>{0, 720} << QList<int>{600, Open} << 0 << Day << 720 << 43200LL << 7200LL << 1 << 7200LL
        << 83333LL << 0LL << 36000LL;
    // Stopped from 10:00 to 15:00 while the host was down; the first pass
    // after the restart found it answering at 16:40.
    QTest::newRow("outage open across a monitor stop counts only watched time")
        << QList<int>{0, 600, 900, Day} << QList<int>{500, 1000} << 0 << Day << Later << 68400LL << 12000LL << 1
        << 12000LL << 82456LL << 18000LL << 56400LL;
    // No network on this machine from 01:40 to 02:10, inside the outage.
    QTest::newRow("unwatched time inside an outage is not downtime")
        << QList<int>{0, 100, 130, Day} << QList<int>{90, 140} << 0 << Day << Later << 84600LL << 1200LL << 1
        << 1200LL << 98581LL << 1800LL << 83400LL;
    QTest::newRow("overlapping watched rows count once")
        << QList<int>{0, 800, 600, Day} << QList<int>{} << 0 << Day << Later << 86400LL << 0LL << 0 << 0LL
        << 100000LL << 0LL << -1LL;
    QTest::newRow("no watched time: no data, no division")
        << QList<int>{} << QList<int>{100, 200} << 0 << Day << Later << 0LL << 0LL << 1 << 0LL << -1LL << 86400LL
        << -1LL;
    QTest::newRow("watched only outside the period")
        << QList<int>{-Day, -1} << QList<int>{} << 0 << Day << Later << 0LL << 0LL << 0 << 0LL << -1LL << 86400LL
        << -1LL;
    QTest::newRow("period not begun yet")
        << QList<int>{0, Day} << QList<int>{} << 0 << Day << -5 << 0LL << 0LL << 0 << 0LL << -1LL << 0LL << -1LL;
    QTest::newRow("outage wholly before the period is left out")
        << QList<int>{-Day, Day} << QList<int>{-200, -100} << 0 << Day << Later << 86400LL << 0LL << 0 << 0LL
        << 100000LL << 0LL << -1LL;
    QTest::newRow("outage beginning at the period's end is left out")
        << QList<int>{0, 2 * Day} << QList<int>{Day, Day + 5} << 0 << Day << Later << 86400LL << 0LL << 0 << 0LL
        << 100000LL << 0LL << -1LL;
    QTest::newRow("zero-length outage counts, lasts nothing")
        << QList<int>{0, Day} << QList<int>{100, 100} << 0 << Day << Later << 86400LL << 0LL << 1 << 0LL
        << 100000LL << 0LL << 86400LL;
    QTest::newRow("a second monitor's overlapping row counts its time once")
        << QList<int>{0, Day} << QList<int>{100, 200, 150, 250} << 0 << Day << Later << 86400LL << 9000LL << 2
        << 6000LL << 89583LL << 0LL << 38700LL;
}

void tst_Availability::figures()
{
    QFETCH(QList<int>, watched);
    QFETCH(QList<int>, outages);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, now);
    const auto w = Availability::normalised(spans(watched), at(from), at(to));
    const Availability::Figures f = Availability::figures(w, outagesOf(outages), at(from), at(to), at(now));
    QTEST(f.watched, "watchedS");
    QTEST(f.down, "downS");
    QTEST(f.outages, "count");
    QTEST(f.longest, "longestS");
    QTEST(f.availabilityMilliPercent().value_or(-1), "milliPct");
    QTEST(f.unwatched, "unwatchedS");
    QTEST(f.mtbf().value_or(-1), "mtbfS");
    QCOMPARE(f.watched + f.unwatched, f.periodSeconds);
    QCOMPARE(f.hasData(), f.watched > 0);
    if (f.outages > 0 && f.hasData())
        QCOMPARE(*f.meanDown(), f.down / f.outages);
}

// Stored times have no zone: on the day the clocks go forward an outage from
// 01:30 to 03:30 by the wall clock counts two hours, as the outage export's
// duration does, though one hour passed. The watched time is read the same way.
void tst_Availability::daylightSavingDayCountsTheClocksJump()
{
    const Seconds from = *DateTimeText::toSeconds(u"2025-03-30 00:00:00");
    const Seconds to = *DateTimeText::toSeconds(u"2025-03-31 00:00:00");
    const auto w = Availability::normalised({{from, to}}, from, to);
    const Availability::Figures f = Availability::figures(
        w, {{*DateTimeText::toSeconds(u"2025-03-30 01:30:00"), *DateTimeText::toSeconds(u"2025-03-30 03:30:00")}},
        from, to, to + 1);
    QCOMPARE(f.watched, 86400);
    QCOMPARE(f.down, 7200);
}

void tst_Availability::percent_data()
{
    QTest::addColumn<qint64>("watched");
    QTest::addColumn<qint64>("down");
    QTest::addColumn<QString>("field");
    QTest::newRow("all up") << 1000LL << 0LL << QStringLiteral("100.000");
    QTest::newRow("all down") << 1000LL << 1000LL << QStringLiteral("0.000");
    QTest::newRow("one second in a year rounds down") << 31536000LL << 1LL << QStringLiteral("99.999");
    QTest::newRow("leading zeros of the thousandths") << 100000LL << 99950LL << QStringLiteral("0.050");
    QTest::newRow("no watched time") << 0LL << 0LL << QString();
}

void tst_Availability::percent()
{
    QFETCH(qint64, watched);
    QFETCH(qint64, down);
    Availability::Figures f;
    f.watched = watched;
    f.down = down;
    QTEST(Availability::percentField(f), "field");
    if (!watched)
        QCOMPARE(Availability::percentText(f), QStringLiteral("нет данных"));
}

Q_DECLARE_METATYPE(AvailabilityReport::PeriodKind)

void tst_Availability::periods_data()
{
    using K = AvailabilityReport::PeriodKind;
    QTest::addColumn<AvailabilityReport::PeriodKind>("kind");
    QTest::addColumn<QDate>("chosen");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("begin");
    QTest::addColumn<QString>("end");
    const QDate none;
    // "Now" is 2025-03-10 15:20:00.
    QTest::newRow("last 24 hours") << K::Last24Hours << none << none << none << "2025-03-09 15:20:00"
                                   << "2025-03-10 15:20:00";
    QTest::newRow("last 7 days") << K::Last7Days << none << none << none << "2025-03-03 15:20:00"
                                 << "2025-03-10 15:20:00";
    QTest::newRow("last 30 days over February") << K::Last30Days << none << none << none << "2025-02-08 15:20:00"
                                                << "2025-03-10 15:20:00";
    QTest::newRow("calendar month, December into the new year")
        << K::Month << QDate(2024, 12, 17) << none << none << "2024-12-01 00:00:00" << "2025-01-01 00:00:00";
    QTest::newRow("leap February") << K::Month << QDate(2024, 2, 29) << none << none << "2024-02-01 00:00:00"
                                   << "2024-03-01 00:00:00";
    QTest::newRow("calendar year") << K::Year << QDate(2024, 6, 1) << none << none << "2024-01-01 00:00:00"
                                   << "2025-01-01 00:00:00";
    QTest::newRow("days, both included") << K::Days << none << QDate(2025, 3, 1) << QDate(2025, 3, 2)
                                         << "2025-03-01 00:00:00" << "2025-03-03 00:00:00";
    QTest::newRow("days given backwards") << K::Days << none << QDate(2025, 3, 2) << QDate(2025, 3, 1)
                                          << "2025-03-01 00:00:00" << "2025-03-03 00:00:00";
}

void tst_Availability::periods()
{
    QFETCH(AvailabilityReport::PeriodKind, kind);
    QFETCH(QDate, chosen);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    const AvailabilityPeriod p =
        AvailabilityReport::period(kind, *DateTimeText::toSeconds(u"2025-03-10 15:20:00"), chosen, from, to);
    QTEST(DateTimeText::fromDateAndTime(DateTimeText::dateOf(p.from), DateTimeText::timeOf(p.from)), "begin");
    QTEST(DateTimeText::fromDateAndTime(DateTimeText::dateOf(p.to), DateTimeText::timeOf(p.to)), "end");
}

namespace {

// Two hosts of the book watched on Monday but for 10:00-15:00; planned work
// for every host from 00:00 to 01:00 and for 10.0.0.1 also from 08:00 to
// 10:00, while it was down.
void fillReportDatabase(TempDatabase &db)
{
    db.exec(QStringLiteral("delete from addrs"));
    const QString addr = QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,500)");
    db.exec(addr, {QStringLiteral("10.0.0.1"), QStringLiteral("Маршрутизатор, \"главный\"")});
    db.exec(addr, {QStringLiteral("10.0.0.2"), QStringLiteral("Сервер")});
    db.exec(addr, {QStringLiteral("10.0.0.1"), QStringLiteral("again")});  // listed twice: one row
    const QString watched = QStringLiteral("insert into watched (time_begin,time_end,how_ended) values (?,?,1)");
    db.exec(watched, {stored(0), stored(600)});
    db.exec(watched, {stored(900), stored(1440)});
    const QString log = QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    db.exec(log, {stored(500), stored(1000), 1, QStringLiteral("10.0.0.1"), QStringLiteral("x")});
    db.exec(log, {stored(-300), stored(-200), 1, QStringLiteral("10.0.0.1"), QStringLiteral("x")});  // before
    db.exec(log, {stored(1400), QVariant(), 0, QStringLiteral("10.0.0.2"), QStringLiteral("y")});    // open
    db.exec(log, {stored(100), stored(200), 1, QStringLiteral("10.9.9.9"), QStringLiteral("gone")}); // not in the book
    const QString window = QStringLiteral("insert into maintenance_windows (ip_addr,weekdays,time_from,time_to) "
                                          "values (?,?,?,?)");
    db.exec(window, {QStringLiteral(""), 1, QStringLiteral("00:00"), QStringLiteral("01:00")});
    db.exec(window, {QStringLiteral("10.0.0.1"), 1, QStringLiteral("08:00"), QStringLiteral("10:00")});
    db.exec(window, {QStringLiteral("10.0.0.2"), 2, QStringLiteral("00:00"), QStringLiteral("00:00")}); // Tuesday
}

} // namespace

void tst_Availability::reportFromDatabase()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    fillReportDatabase(db);

    // The windows are time like any other unless asked otherwise.
    QString error;
    const auto hosts =
        AvailabilityReport::compute(db.connection(), {at(0), at(1440)}, at(5000), &error);
    QVERIFY2(hosts, qPrintable(error));
    QCOMPARE(hosts->size(), size_t(2));
    QByteArray csv = AvailabilityReport::csvHeader();
    for (const HostAvailability &h : *hosts)
        csv += AvailabilityReport::csvLine(h);
    QCOMPARE(csv, QByteArray("address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,"
                             "mtbf_s,unwatched_s\r\n"
                             "10.0.0.1,\"Маршрутизатор, \"\"главный\"\"\",68400,12000,82.456,1,12000,12000,56400,18000\r\n"
                             "10.0.0.2,Сервер,68400,2400,96.491,1,2400,2400,66000,18000\r\n"));

    const auto list = AvailabilityReport::outagesOf(db.connection(), QStringLiteral("10.0.0.1"), {at(0), at(1440)}, &error);
    QVERIFY2(list, qPrintable(error));
    QCOMPARE(list->size(), size_t(1));
    QCOMPARE(list->front().begin, at(500));

    const QString html = AvailabilityReport::html(*hosts, QStringLiteral("03.03.2025 – 04.03.2025"));
    QVERIFY(html.contains(QStringLiteral("82,456 %")) || html.contains(QStringLiteral("82.456 %")));
    QVERIFY(html.contains(QStringLiteral("Маршрутизатор, &quot;главный&quot;")));
    QVERIFY(!html.contains(QStringLiteral("Плановые работы")));
}

void tst_Availability::reportSettingMaintenanceAside()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    fillReportDatabase(db);
    QString error;
    using M = AvailabilityReport::Maintenance;
    const auto hosts = AvailabilityReport::compute(db.connection(), {at(0), at(1440)}, at(5000), &error, M::SetAside);
    QVERIFY2(hosts, qPrintable(error));
    QByteArray csv = AvailabilityReport::csvHeader(M::SetAside);
    for (const HostAvailability &h : *hosts)
        csv += AvailabilityReport::csvLine(h, M::SetAside);
    // 10.0.0.1: its down time from 08:20 to 10:00 was its own planned work,
    // the hour after midnight everyone's; 10.0.0.2 only had that hour.
    QCOMPARE(csv, QByteArray("address,description,watched_s,down_s,availability_pct,outages,longest_s,mean_down_s,"
                             "mtbf_s,unwatched_s,maintenance_s\r\n"
                             "10.0.0.1,\"Маршрутизатор, \"\"главный\"\"\",57600,6000,89.583,1,6000,6000,51600,18000,10800\r\n"
                             "10.0.0.2,Сервер,64800,2400,96.296,1,2400,2400,62400,18000,3600\r\n"));
    const QString html = AvailabilityReport::html(*hosts, QStringLiteral("03.03.2025 – 04.03.2025"), M::SetAside);
    QVERIFY(html.contains(QStringLiteral("<th>Плановые работы</th>")));
    QVERIFY(html.contains(QStringLiteral("ни доступностью, ни сбоем")));

    // Without the windows' table (a file older than them) the choice fails
    // with the database's word, and the default report does not.
    db.exec(QStringLiteral("drop table maintenance_windows"));
    QVERIFY(!AvailabilityReport::compute(db.connection(), {at(0), at(1440)}, at(5000), &error, M::SetAside));
    QVERIFY2(error.contains(QStringLiteral("maintenance_windows")), qPrintable(error));
    QVERIFY(AvailabilityReport::compute(db.connection(), {at(0), at(1440)}, at(5000), &error));
}

// The monitor had its network but no route to one host: that host alone is
// unwatched meanwhile, the others keep their figures.
void tst_Availability::reportLeavesOutAHostsTimeWithoutRoute()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    fillReportDatabase(db);
    db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('10.0.0.3','Без маршрута',500)"));
    const QString unrouted = QStringLiteral("insert into unrouted (ip,time_begin,time_end) values (?,?,?)");
    // 10.0.0.2: five hours inside watched time, and 08:20-11:40, whose end
    // lies in the unwatched 10:00-15:00 anyway.
    db.exec(unrouted, {QStringLiteral("10.0.0.2"), stored(1000), stored(1300)});
    db.exec(unrouted, {QStringLiteral("10.0.0.2"), stored(500), stored(700)});
    // 10.0.0.3: never a route while watched.
    db.exec(unrouted, {QStringLiteral("10.0.0.3"), stored(-60), stored(1500)});
    QString error;
    const auto hosts = AvailabilityReport::compute(db.connection(), {at(0), at(1440)}, at(5000), &error);
    QVERIFY2(hosts, qPrintable(error));
    QByteArray csv;
    for (const HostAvailability &h : *hosts)
        csv += AvailabilityReport::csvLine(h);
    QCOMPARE(csv, QByteArray("10.0.0.1,\"Маршрутизатор, \"\"главный\"\"\",68400,12000,82.456,1,12000,12000,56400,18000\r\n"
                             "10.0.0.2,Сервер,44400,2400,94.594,1,2400,2400,42000,42000\r\n"
                             "10.0.0.3,Без маршрута,0,,,,,,,86400\r\n"));
}

void tst_Availability::joinedOutages_data()
{
    QTest::addColumn<QString>("joined");
    QTest::addColumn<QList<int>>("outages");  // minutes, begin/end pairs

    QTest::newRow("nothing") << QString() << QList<int>{};
    QTest::newRow("one open") << stored(60) << QList<int>{60, Open};
    QTest::newRow("closed, then open")
        << stored(60) + u',' + stored(90) + u';' + stored(120) << QList<int>{60, 90, 120, Open};
    // Written by other means: read open, as the listing under the figures reads it.
    QTest::newRow("end that is no date-time") << stored(60) + QStringLiteral(",вчера") << QList<int>{60, Open};
    QTest::newRow("begin that is no date-time is left out")
        << QStringLiteral("3 марта,") + stored(90) + u';' + stored(120) + u',' + stored(150)
        << QList<int>{120, 150};
    QTest::newRow("begin without seconds is left out") << QStringLiteral("2025-03-03 10:00") << QList<int>{};
}

void tst_Availability::joinedOutages()
{
    QFETCH(QString, joined);
    QFETCH(QList<int>, outages);
    std::vector<Availability::Outage> read;
    AvailabilityReport::appendOutages(joined, &read);
    const std::vector<Availability::Outage> expected = outagesOf(outages);
    QCOMPARE(read.size(), expected.size());
    for (size_t i = 0; i < read.size(); ++i) {
        QCOMPARE(read[i].begin, expected[i].begin);
        QCOMPARE(read[i].end, expected[i].end);
    }
}

// The statement only narrows the rows and groups them by address: every
// address's figures must be those of all its rows handed to figures() as
// they are, whatever lies around the period's edges.
void tst_Availability::reportAgreesWithTheFiguresOfEachAddressRows()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(QStringLiteral("delete from addrs"));
    const QStringList book{QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"),
                           QStringLiteral("10.0.0.4")};
    for (const QString &ip : book)
        db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values (?,?,500)"), {ip, ip});
    const QString watched = QStringLiteral("insert into watched (time_begin,time_end,how_ended) values (?,?,1)");
    db.exec(watched, {stored(-100), stored(300)});
    db.exec(watched, {stored(320), stored(2000)});

    const int Day = 1440;
    struct Row
    {
        int begin;
        int end;  // Open: still open; Missing: closed without an end
        QString ip;
    };
    constexpr int Missing = std::numeric_limits<int>::max();
    const QList<Row> rows{
        {-300, -200, QStringLiteral("10.0.0.1")},   // wholly before
        {-50, 10, QStringLiteral("10.0.0.1")},      // across the start
        {0, 0, QStringLiteral("10.0.0.2")},         // lasting nothing, at the start
        {-30, 0, QStringLiteral("10.0.0.2")},       // ending at the start
        {100, 400, QStringLiteral("10.0.0.1")},     // across the unwatched stretch
        {200, 250, QStringLiteral("10.0.0.3")},
        {240, 260, QStringLiteral("10.0.0.3")},     // a second monitor's overlapping row
        {500, 520, QStringLiteral("10.9.9.9")},     // not in the book
        {Day - 10, Day + 10, QStringLiteral("10.0.0.2")},  // across the end
        {Day, Day + 5, QStringLiteral("10.0.0.1")}, // beginning at the end
        {-500, Open, QStringLiteral("10.0.0.3")},   // open since before
        {700, Missing, QStringLiteral("10.0.0.2")},  // cannot be placed: left out
    };
    std::map<QString, std::vector<Availability::Outage>> byAddress;
    for (const Row &r : rows) {
        const bool open = r.end == Open;
        db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,'x')"),
                {stored(r.begin), open || r.end == Missing ? QVariant() : QVariant(stored(r.end)), open ? 0 : 1, r.ip});
        if (r.end != Missing)
            byAddress[r.ip].push_back({at(r.begin), open ? std::nullopt : std::optional<Seconds>(at(r.end))});
    }

    QString error;
    const AvailabilityPeriod period{at(0), at(Day)};
    const auto hosts = AvailabilityReport::compute(db.connection(), period, at(3 * Day), &error);
    QVERIFY2(hosts, qPrintable(error));
    QCOMPARE(hosts->size(), size_t(book.size()));
    const auto spans = Availability::normalised({{at(-100), at(300)}, {at(320), at(2000)}}, period.from, period.to);
    QStringList sorted = book;
    sorted.sort();
    for (size_t i = 0; i < hosts->size(); ++i) {
        const HostAvailability &h = hosts->at(i);
        QCOMPARE(h.address, sorted.at(qsizetype(i)));
        const HostAvailability expected{h.address, h.address,
                                        Availability::figures(spans, byAddress[h.address], period.from, period.to,
                                                              at(3 * Day))};
        QCOMPARE(AvailabilityReport::csvLine(h), AvailabilityReport::csvLine(expected));
    }
    // The rows that touch the period were all there to compare.
    QCOMPARE(hosts->at(0).figures.outages, 2);
    QCOMPARE(hosts->at(1).figures.outages, 2);
    QCOMPARE(hosts->at(2).figures.outages, 3);
    QCOMPARE(hosts->at(3).figures.outages, 0);
}

// A year of ten thousand hosts is read in one pass over an index that holds
// every column the statement needs, already in the address order the
// grouping wants: no table lookups and no sort of millions of rows.
void tst_Availability::reportWalksTheAddressIndexUnsorted()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    if (db.isServer())
        QSKIP("the server plans by its statistics of the rows; the file's plan is fixed by its indexes");
    QSqlQuery q(db.connection());
    QVERIFY(q.prepare(QStringLiteral("explain query plan ")
                      + QString::fromUtf8(Statements::SelectOutagesTouchingByAddress.sqlite)));
    q.addBindValue(stored(1440));
    q.addBindValue(stored(0));
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    QStringList plan;
    while (q.next())
        plan << q.value(3).toString();
    const QString text = plan.join(QLatin1Char('\n'));
    QVERIFY2(text.contains(QStringLiteral("COVERING INDEX logs_by_address")), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("TEMP B-TREE")), qPrintable(text));
}

// Ranked as text, 10.10.0.10 came before 10.10.0.2 and fd00::11 after
// fd00::a; the printed report ignored the order chosen on screen.
void tst_Availability::hostsByAddressValueAndReportInTheRowOrderGiven()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from addrs")));
    for (const char *ip : {"fd00::11", "10.10.0.10", "router", "fd00::a", "10.10.0.2", "9.0.0.1", "::1"})
        QVERIFY(db.exec(QStringLiteral("insert into addrs values (?,?,500)"),
                        {QLatin1String(ip), QStringLiteral("host ") + QLatin1String(ip)}));
    QString error;
    const auto hosts = AvailabilityReport::compute(db.connection(), {at(0), at(1440)}, at(5000), &error);
    QVERIFY2(hosts, qPrintable(error));
    QStringList order;
    for (const HostAvailability &h : *hosts)
        order << h.address;
    QCOMPARE(order, (QStringList{QStringLiteral("9.0.0.1"), QStringLiteral("10.10.0.2"), QStringLiteral("10.10.0.10"),
                                 QStringLiteral("::1"), QStringLiteral("fd00::a"), QStringLiteral("fd00::11"),
                                 QStringLiteral("router")}));
    for (const HostAvailability &h : *hosts)
        QCOMPARE(h.description, QStringLiteral("host ") + h.address);

    const auto rowsOf = [](const QString &html) {
        QStringList rows;
        QRegularExpression cell(QStringLiteral("<tr><td>([^<]*)</td>"));
        for (auto it = cell.globalMatch(html); it.hasNext();)
            rows << it.next().captured(1);
        return rows;
    };
    const QString period = QStringLiteral("03.03.2025 – 04.03.2025");
    QCOMPARE(rowsOf(AvailabilityReport::html(*hosts, period)), order);
    // The window's order, say worst first: the report follows it.
    QCOMPARE(rowsOf(AvailabilityReport::html(*hosts, period, AvailabilityReport::Maintenance::Counted, {5, 0, 2, 99})),
             (QStringList{QStringLiteral("fd00::11"), QStringLiteral("9.0.0.1"), QStringLiteral("10.10.0.10")}));
}

QTEST_GUILESS_MAIN(tst_Availability)
#include "tst_availability.moc"
