// Planned work set aside from availability: the windows spread over a
// period (checked minute by minute against the monitor's own reading of a
// window), the windows of one host against those of all, and the figures
// of hosts whose outages and watched time meet the windows.
#include "AlertRecords.h"
#include "MaintenanceTime.h"

#include <QTest>

using namespace admin;
using Availability::Seconds;
using Availability::Span;

namespace {

Seconds when(const QString &stored)
{
    return *DateTimeText::toSeconds(stored);
}

QString text(Seconds s)
{
    return DateTimeText::fromDateAndTime(DateTimeText::dateOf(s), DateTimeText::timeOf(s));
}

// "ip days HH:MM HH:MM", days as digits 1 (Monday) … 7 (Sunday); "-" for
// every host.
QList<AlertRecords::MaintenanceWindow> windowsOf(const QStringList &lines)
{
    QList<AlertRecords::MaintenanceWindow> out;
    for (const QString &line : lines) {
        const QStringList f = line.split(QLatin1Char(' '));
        AlertRecords::MaintenanceWindow w;
        w.ip = f.at(0) == QLatin1String("-") ? QString() : f.at(0);
        for (QChar d : f.at(1))
            if (d != QLatin1Char('0'))
                w.weekdays |= 1 << (d.digitValue() - 1);
        w.from = QTime::fromString(f.at(2), QStringLiteral("HH:mm"));
        w.to = QTime::fromString(f.at(3), QStringLiteral("HH:mm"));
        out.append(w);
    }
    return out;
}

QStringList texts(const std::vector<Span> &spans)
{
    QStringList out;
    for (const Span &s : spans)
        out << text(s.begin) + QStringLiteral(" – ") + text(s.end);
    return out;
}

// Minutes from Monday 2025-03-03 00:00, as in the availability tests.
const Seconds Monday = *DateTimeText::toSeconds(u"2025-03-03 00:00:00");
Seconds at(int minutes)
{
    return Monday + Seconds(minutes) * 60;
}

std::vector<Span> spans(const QList<int> &minutes)
{
    std::vector<Span> out;
    for (int i = 0; i + 1 < minutes.size(); i += 2)
        out.push_back({at(minutes[i]), at(minutes[i + 1])});
    return out;
}

constexpr int Open = std::numeric_limits<int>::min();
std::vector<Availability::Outage> outagesOf(const QList<int> &minutes)
{
    std::vector<Availability::Outage> out;
    for (int i = 0; i + 1 < minutes.size(); i += 2)
        out.push_back(
            {at(minutes[i]), minutes[i + 1] == Open ? std::nullopt : std::optional<Seconds>(at(minutes[i + 1]))});
    return out;
}

} // namespace

class tst_MaintenanceTime : public QObject
{
    Q_OBJECT

private slots:
    void windowSpans_data();
    void windowSpans();
    void ownWindowsAndWindowsForEveryHost();
    void figuresSettingAside_data();
    void figuresSettingAside();
};

void tst_MaintenanceTime::windowSpans_data()
{
    QTest::addColumn<QStringList>("windows");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("spans");
    // 2025-03-03 is a Monday.
    QTest::newRow("one evening")
        << QStringList{QStringLiteral("- 1 20:00 21:30")} << "2025-03-03 00:00:00" << "2025-03-10 00:00:00"
        << QStringList{QStringLiteral("2025-03-03 20:00:00 – 2025-03-03 21:30:00")};
    QTest::newRow("past midnight into the next day")
        << QStringList{QStringLiteral("- 1 22:00 02:00")} << "2025-03-03 00:00:00" << "2025-03-10 00:00:00"
        << QStringList{QStringLiteral("2025-03-03 22:00:00 – 2025-03-04 02:00:00")};
    QTest::newRow("Sunday's night holds the period's first morning")
        << QStringList{QStringLiteral("- 7 23:00 01:00")} << "2025-03-03 00:00:00" << "2025-03-04 00:00:00"
        << QStringList{QStringLiteral("2025-03-03 00:00:00 – 2025-03-03 01:00:00")};
    QTest::newRow("the period's end cuts the night")
        << QStringList{QStringLiteral("- 1 22:00 02:00")} << "2025-03-03 00:00:00" << "2025-03-04 00:00:00"
        << QStringList{QStringLiteral("2025-03-03 22:00:00 – 2025-03-04 00:00:00")};
    QTest::newRow("period inside a window")
        << QStringList{QStringLiteral("- 1 10:00 14:00")} << "2025-03-03 12:00:00" << "2025-03-03 13:00:00"
        << QStringList{QStringLiteral("2025-03-03 12:00:00 – 2025-03-03 13:00:00")};
    QTest::newRow("ending at midnight as the period begins")
        << QStringList{QStringLiteral("- 1 22:00 00:00")} << "2025-03-04 00:00:00" << "2025-03-05 00:00:00"
        << QStringList{};
    QTest::newRow("equal times hold the whole start day")
        << QStringList{QStringLiteral("- 2 08:00 08:00")} << "2025-03-03 00:00:00" << "2025-03-10 00:00:00"
        << QStringList{QStringLiteral("2025-03-04 00:00:00 – 2025-03-05 00:00:00")};
    QTest::newRow("nights of consecutive days stay apart")
        << QStringList{QStringLiteral("- 12 23:00 01:00")} << "2025-03-03 00:00:00" << "2025-03-10 00:00:00"
        << QStringList{QStringLiteral("2025-03-03 23:00:00 – 2025-03-04 01:00:00"),
                       QStringLiteral("2025-03-04 23:00:00 – 2025-03-05 01:00:00")};
    QTest::newRow("overlapping and touching windows merge")
        << QStringList{QStringLiteral("- 3 10:00 12:00"), QStringLiteral("- 3 11:00 13:00"),
                       QStringLiteral("- 3 13:00 13:30")}
        << "2025-03-03 00:00:00" << "2025-03-10 00:00:00"
        << QStringList{QStringLiteral("2025-03-05 10:00:00 – 2025-03-05 13:30:00")};
    QTest::newRow("whole days every day: the whole period")
        << QStringList{QStringLiteral("- 1234567 00:00 00:00")} << "2025-03-03 06:00:00" << "2025-03-12 18:00:00"
        << QStringList{QStringLiteral("2025-03-03 06:00:00 – 2025-03-12 18:00:00")};
    QTest::newRow("a week later again, over a month's end")
        << QStringList{QStringLiteral("- 5 09:00 09:15")} << "2025-02-25 00:00:00" << "2025-03-10 00:00:00"
        << QStringList{QStringLiteral("2025-02-28 09:00:00 – 2025-02-28 09:15:00"),
                       QStringLiteral("2025-03-07 09:00:00 – 2025-03-07 09:15:00")};
    QTest::newRow("no weekday: never") << QStringList{QStringLiteral("- 0 10:00 12:00")} << "2025-03-03 00:00:00"
                                       << "2025-03-10 00:00:00" << QStringList{};
    QTest::newRow("empty period") << QStringList{QStringLiteral("- 1234567 00:00 00:00")} << "2025-03-03 00:00:00"
                                  << "2025-03-03 00:00:00" << QStringList{};
}

void tst_MaintenanceTime::windowSpans()
{
    QFETCH(QStringList, windows);
    QFETCH(QString, from);
    QFETCH(QString, to);
    const QList<AlertRecords::MaintenanceWindow> w = windowsOf(windows);
    const std::vector<Span> got = Availability::windowSpans(w, when(from), when(to));
    QTEST(texts(got), "spans");
    // Every minute of the period is set aside exactly when the monitor,
    // reading the same windows, holds its alarms for planned work.
    for (Seconds s = when(from); s < when(to); s += 60) {
        // In UTC: a local clock's gap would move the moment asked about.
        const QDateTime moment(DateTimeText::dateOf(s), DateTimeText::timeOf(s), Qt::UTC);
        bool monitor = false;
        for (const AlertRecords::MaintenanceWindow &one : w)
            monitor = monitor || AlertRecords::inWindow(one, moment);
        bool setAside = false;
        for (const Span &span : got)
            setAside = setAside || (span.begin <= s && s < span.end);
        QVERIFY2(monitor == setAside, qPrintable(text(s)));
    }
}

void tst_MaintenanceTime::ownWindowsAndWindowsForEveryHost()
{
    const Seconds from = when(QStringLiteral("2025-03-03 00:00:00"));
    const Seconds to = when(QStringLiteral("2025-03-04 00:00:00"));
    const Availability::MaintenancePlan plan(
        windowsOf({QStringLiteral("- 1 02:00 03:00"), QStringLiteral("10.0.0.1 1 02:30 04:00"),
                   QStringLiteral("10.0.0.1 1 12:00 12:30"), QStringLiteral("10.0.0.2 2 02:00 03:00")}),
        from, to);
    QCOMPARE(texts(plan.spansOf(QStringLiteral("10.0.0.1"))),
             (QStringList{QStringLiteral("2025-03-03 02:00:00 – 2025-03-03 04:00:00"),
                          QStringLiteral("2025-03-03 12:00:00 – 2025-03-03 12:30:00")}));
    // Its own window falls on Tuesday, outside the period.
    QCOMPARE(texts(plan.spansOf(QStringLiteral("10.0.0.2"))),
             (QStringList{QStringLiteral("2025-03-03 02:00:00 – 2025-03-03 03:00:00")}));
    QCOMPARE(texts(plan.spansOf(QStringLiteral("10.0.0.3"))),
             (QStringList{QStringLiteral("2025-03-03 02:00:00 – 2025-03-03 03:00:00")}));

    // Without windows for every host only the host with its own has any.
    const Availability::MaintenancePlan own(windowsOf({QStringLiteral("10.0.0.1 1 12:00 12:30")}), from, to);
    QCOMPARE(own.spansOf(QStringLiteral("10.0.0.1")).size(), size_t(1));
    QVERIFY(own.spansOf(QStringLiteral("10.0.0.9")).empty());
    QVERIFY(own.spansOf(QString()).empty());
}

void tst_MaintenanceTime::figuresSettingAside_data()
{
    QTest::addColumn<QList<int>>("watched");
    QTest::addColumn<QList<int>>("maintenance");
    QTest::addColumn<QList<int>>("outages");
    QTest::addColumn<int>("now");
    QTest::addColumn<qint64>("watchedS");
    QTest::addColumn<qint64>("downS");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("maintenanceS");
    QTest::addColumn<qint64>("unwatchedS");
    QTest::addColumn<qint64>("milliPct");  // -1: no data

    // The period is Monday; minutes from its midnight.
    const int Day = 1440;
    const int Later = 10 * Day;
    QTest::newRow("no windows: the figures as ever")
        << QList<int>{0, Day} << QList<int>{} << QList<int>{180, 300} << Later << 86400LL << 7200LL << 1 << 0LL
        << 0LL << 91666LL;
    QTest::newRow("window over part of an outage: the rest is down")
        << QList<int>{0, Day} << QList<int>{120, 240} << QList<int>{180, 300} << Later << 79200LL << 3600LL << 1
        << 7200LL << 0LL << 95454LL;
    QTest::newRow("outage wholly inside a window is not counted")
        << QList<int>{0, Day} << QList<int>{120, 240} << QList<int>{130, 200} << Later << 79200LL << 0LL << 0
        << 7200LL << 0LL << 100000LL;
    QTest::newRow("outage over two windows counts the time between")
        << QList<int>{0, Day} << QList<int>{120, 240, 300, 360} << QList<int>{200, 330} << Later << 75600LL
        << 3600LL << 1 << 10800LL << 0LL << 95238LL;
    QTest::newRow("zero-length outage inside a window is not counted")
        << QList<int>{0, Day} << QList<int>{120, 240} << QList<int>{150, 150} << Later << 79200LL << 0LL << 0
        << 7200LL << 0LL << 100000LL;
    QTest::newRow("open outage begun in a window counts from its end")
        << QList<int>{0, Day} << QList<int>{120, 240} << QList<int>{200, Open} << Later << 79200LL << 72000LL << 1
        << 7200LL << 0LL << 9090LL;
    // Unwatched from 01:40 to 05:00; the window from 01:00 to 06:00.
    QTest::newRow("unwatched time inside a window stays unwatched")
        << QList<int>{0, 100, 300, Day} << QList<int>{60, 360} << QList<int>{} << Later << 68400LL << 0LL << 0
        << 6000LL << 12000LL << 100000LL;
    QTest::newRow("windows at both edges of the period")
        << QList<int>{0, Day} << QList<int>{0, 120, Day - 120, Day} << QList<int>{-60, 60, Day - 60, Open} << Later
        << 72000LL << 0LL << 0 << 14400LL << 0LL << 100000LL;
    QTest::newRow("period not over: the window counts up to now")
        << QList<int>{0, 720} << QList<int>{600, 900} << QList<int>{} << 720 << 36000LL << 0LL << 0 << 7200LL
        << 0LL << 100000LL;
    QTest::newRow("the whole period planned work: no data")
        << QList<int>{0, Day} << QList<int>{0, Day} << QList<int>{100, 200} << Later << 0LL << 0LL << 0 << 86400LL
        << 0LL << -1LL;
}

void tst_MaintenanceTime::figuresSettingAside()
{
    QFETCH(QList<int>, watched);
    QFETCH(QList<int>, maintenance);
    QFETCH(QList<int>, outages);
    QFETCH(int, now);
    const int Day = 1440;
    const auto w = Availability::normalised(spans(watched), at(0), at(Day));
    const auto m = Availability::normalised(spans(maintenance), at(0), at(Day));
    const Availability::Figures f =
        Availability::figuresSettingAside(w, m, outagesOf(outages), at(0), at(Day), at(now));
    QTEST(f.watched, "watchedS");
    QTEST(f.down, "downS");
    QTEST(f.outages, "count");
    QTEST(f.maintenance, "maintenanceS");
    QTEST(f.unwatched, "unwatchedS");
    QTEST(f.availabilityMilliPercent().value_or(-1), "milliPct");
    QCOMPARE(f.watched + f.maintenance + f.unwatched, f.periodSeconds);
    if (maintenance.isEmpty()) {
        const Availability::Figures plain = Availability::figures(w, outagesOf(outages), at(0), at(Day), at(now));
        QCOMPARE(f.down, plain.down);
        QCOMPARE(f.outages, plain.outages);
        QCOMPARE(f.longest, plain.longest);
        QCOMPARE(f.unwatched, plain.unwatched);
    }
}

QTEST_GUILESS_MAIN(tst_MaintenanceTime)
#include "tst_maintenancetime.moc"
