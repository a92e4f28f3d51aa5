// The rule over several vantage points' outages of one address, and its text.
#include "ExtraSettings.h"
#include "VantageRule.h"

#include <QTest>

class tst_VantageRule : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void threshold_data();
    void threshold();
    void judge_data();
    void judge();
};

void tst_VantageRule::text_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("read");  // empty: refused

    QTest::newRow("all") << QStringLiteral("all") << QStringLiteral("all");
    QTest::newRow("ANY, blanks around") << QStringLiteral(" ANY ") << QStringLiteral("any");
    QTest::newRow("a number") << QStringLiteral("2") << QStringLiteral("2");
    QTest::newRow("the largest number") << QStringLiteral("1000") << QStringLiteral("1000");
    QTest::newRow("zero") << QStringLiteral("0") << QString();
    QTest::newRow("beyond the largest") << QStringLiteral("1001") << QString();
    QTest::newRow("signed") << QStringLiteral("+2") << QString();
    QTest::newRow("negative") << QStringLiteral("-1") << QString();
    QTest::newRow("fraction") << QStringLiteral("1.5") << QString();
    QTest::newRow("another word") << QStringLiteral("most") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_VantageRule::text()
{
    QFETCH(QString, typed);
    QFETCH(QString, read);
    const std::optional<VantageRule> rule = VantageRule::fromText(typed);
    QCOMPARE(rule ? rule->text() : QString(), read);
    // What is stored reads back the same; anything else stored reads as all.
    ExtraSettings settings;
    settings.set(QLatin1String(VantageRule::SettingName), typed);
    QCOMPARE(VantageRule::fromSettings(settings).text(), read.isEmpty() ? QStringLiteral("all") : read);
}

void tst_VantageRule::threshold_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("live");
    QTest::addColumn<int>("threshold");

    QTest::newRow("all of three") << QStringLiteral("all") << 3 << 3;
    QTest::newRow("all of one") << QStringLiteral("all") << 1 << 1;
    QTest::newRow("all of none: never down") << QStringLiteral("all") << 0 << 0;
    QTest::newRow("any of three") << QStringLiteral("any") << 3 << 1;
    QTest::newRow("any of none") << QStringLiteral("any") << 0 << 0;
    QTest::newRow("2 of three") << QStringLiteral("2") << 3 << 2;
    QTest::newRow("2 of two") << QStringLiteral("2") << 2 << 2;
    QTest::newRow("3 of two: never down") << QStringLiteral("3") << 2 << 0;
}

void tst_VantageRule::threshold()
{
    QFETCH(QString, rule);
    QFETCH(int, live);
    QFETCH(int, threshold);
    QCOMPARE(VantageRule::fromText(rule)->threshold(live), threshold);
}

// Intervals as "A:10-20" (closed) or "A:10-" (open), separated by blanks;
// the verdict as "down@since [A,B]" or "up [A]", then " end@T" when an open
// row stopped holding.
static QList<VantageRule::Interval> intervalsOf(const QString &text)
{
    QList<VantageRule::Interval> list;
    for (const QString &item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString vantage = item.section(QLatin1Char(':'), 0, 0);
        const QString span = item.section(QLatin1Char(':'), 1);
        const QString end = span.section(QLatin1Char('-'), 1);
        list << VantageRule::Interval{vantage, span.section(QLatin1Char('-'), 0, 0).toLongLong(),
                                      end.isEmpty() ? VantageRule::Open : end.toLongLong()};
    }
    return list;
}

static QString verdictText(const VantageRule::Verdict &v)
{
    QString text = v.down ? QStringLiteral("down@%1").arg(v.since) : QStringLiteral("up");
    text += QStringLiteral(" [%1]").arg(v.vantagesDown.join(QLatin1Char(',')));
    if (v.rowEnd)
        text += QStringLiteral(" end@%1").arg(*v.rowEnd);
    return text;
}

void tst_VantageRule::judge_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("live");
    QTest::addColumn<QString>("intervals");
    QTest::addColumn<qint64>("openRow");  // -1: none
    QTest::addColumn<QString>("verdict");

    // now is 100 throughout.
    QTest::newRow("all: both down, since the later begin") << "all" << 2 << "A:10- B:15-" << -1LL << "down@15 [A,B]";
    QTest::newRow("all: begins in the other order") << "all" << 2 << "B:15- A:10-" << -1LL << "down@15 [A,B]";
    QTest::newRow("all: the same begin") << "all" << 2 << "A:10- B:10-" << -1LL << "down@10 [A,B]";
    QTest::newRow("all: one of two down is up") << "all" << 2 << "A:10-" << -1LL << "up [A]";
    QTest::newRow("all: a live vantage with no outage keeps it up") << "all" << 3 << "A:10- B:12-" << -1LL
                                                                   << "up [A,B]";
    QTest::newRow("any: one is enough") << "any" << 2 << "A:10-" << -1LL << "down@10 [A]";
    QTest::newRow("any: the earliest begin") << "any" << 3 << "B:30- A:10- C:20-" << -1LL << "down@10 [A,B,C]";
    QTest::newRow("2 of three: the second begin") << "2" << 3 << "C:40- A:10- B:20-" << -1LL << "down@20 [A,B,C]";
    QTest::newRow("2 of three: one alone is up") << "2" << 3 << "A:10-" << -1LL << "up [A]";
    QTest::newRow("3 with two live: never down") << "3" << 2 << "A:10- B:10-" << -1LL << "up [A,B]";
    QTest::newRow("one vantage, all: its own view") << "all" << 1 << "A:10-" << -1LL << "down@10 [A]";
    QTest::newRow("one vantage, all: its outage over") << "all" << 1 << "A:10-20" << -1LL << "up []";
    QTest::newRow("no live vantage: never down") << "all" << 0 << "A:10-" << -1LL << "up [A]";
    // The count reached 2 at 10 (A with C) and never fell below since.
    QTest::newRow("2: the stretch began with an outage now over") << "2" << 3 << "C:5-30 A:10- B:20-" << -1LL
                                                                 << "down@10 [A,B]";
    QTest::newRow("all: a break before the present stretch") << "all" << 2 << "A:10- B:12-18 B:25-" << -1LL
                                                            << "down@25 [A,B]";
    QTest::newRow("any: one ends as another begins, no break") << "any" << 2 << "A:10-20 B:20-" << -1LL
                                                              << "down@10 [B]";
    QTest::newRow("all: a vantage's overlapping rows count once") << "all" << 2 << "A:10-30 A:20-" << -1LL << "up [A]";
    QTest::newRow("all: a vantage's touching rows are one outage") << "all" << 2 << "A:10-20 A:20- B:15-" << -1LL
                                                                  << "down@15 [A,B]";
    QTest::newRow("any: a begin ahead of now counts as now") << "any" << 2 << "A:150-" << -1LL << "down@100 [A]";
    QTest::newRow("any: an end before its begin lasted nothing") << "any" << 2 << "A:20-10" << -1LL << "up []";

    QTest::newRow("row: still held") << "all" << 2 << "A:10- B:15-" << 15LL << "down@15 [A,B]";
    QTest::newRow("row: ends where the count first drops") << "all" << 2 << "A:10-30 B:15-40" << 15LL
                                                           << "up [] end@30";
    QTest::newRow("row: an end that leaves enough is no end") << "2" << 3 << "A:10-30 B:15-50 C:20-40" << 20LL
                                                              << "up [] end@40";
    QTest::newRow("row: ends before its begin do not count") << "any" << 2 << "A:10-12 B:30-40" << 30LL
                                                             << "up [] end@40";
    QTest::newRow("row: nothing tells the end, so now") << "all" << 2 << "" << 15LL << "up [] end@100";
    QTest::newRow("row: a break, then down again") << "all" << 2 << "A:10- B:15-20 B:25-" << 15LL
                                                   << "down@25 [A,B] end@20";
    QTest::newRow("row: K beyond the live vantages ends it") << "3" << 2 << "A:10- B:10-" << 10LL
                                                             << "up [A,B] end@100";
}

void tst_VantageRule::judge()
{
    QFETCH(QString, rule);
    QFETCH(int, live);
    QFETCH(QString, intervals);
    QFETCH(qint64, openRow);
    QFETCH(QString, verdict);
    const int threshold = VantageRule::fromText(rule)->threshold(live);
    const VantageRule::Verdict v = VantageRule::judge(intervalsOf(intervals), threshold, 100,
                                                      openRow < 0 ? std::nullopt : std::optional<qint64>(openRow));
    QCOMPARE(verdictText(v), verdict);
}

QTEST_GUILESS_MAIN(tst_VantageRule)
#include "tst_vantagerule.moc"
