// The JSON written straight into bytes, read back by QJsonDocument: every
// string escaped (quotes, backslashes, control characters, Cyrillic), unknown
// figures null, numbers in thousandths, and the outages of a period as the
// listing under admin's figures selects them.
#include "StatusJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace web;

namespace {

const QDate Today(2025, 3, 5);
const Seconds Noon = DateTimeText::toSeconds(Today, QTime(12, 0));

StatusBoard board()
{
    StatusBoard b;
    b.now = Noon;
    b.today = Today;
    b.watching = true;
    HostBoard h;
    h.address = QStringLiteral("fd00::1");
    h.description = QStringLiteral("a \"quoted\" \\ back\nslash \x01 Ж");
    h.state = HostState::Down;
    h.downSince = Noon - 90;
    h.lastRttUs = 1234;
    h.lossShareHour = 1.0 / 3.0;
    h.windows[0].watched = 86400;
    h.windows[0].down = 90;
    h.days.assign(StatusBoard::BarDays, DayCell{86400, 0});
    h.days.back() = {43200, 90};
    ChartPoint p;
    p.start = Noon - Noon % 3600;
    p.rttMs = 0.5;
    h.chart = {p};
    HostBoard quiet;
    quiet.address = QStringLiteral("192.0.2.1");
    quiet.parent = QStringLiteral("fd00::1");
    b.hosts = {h, quiet};
    b.outages.insert(h.address, {{Noon - 2 * 86400, Noon - 2 * 86400 + 60},   // two days ago
                                 {Noon - 86400 - 43200 - 30, Noon - 86400 - 43200 + 30},  // over midnight
                                 {Noon - 90, std::nullopt}});
    return b;
}

QJsonDocument parsed(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument d = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("%s at %d in %s", qPrintable(error.errorString()), error.offset, json.constData());
    return d;
}

} // namespace

class tst_StatusJson : public QObject
{
    Q_OBJECT

private slots:
    void hostsReadBack();
    void pageReadsBack();
    void outagesOfAPeriod_data();
    void outagesOfAPeriod();
};

void tst_StatusJson::hostsReadBack()
{
    const QJsonArray hosts = parsed(StatusJson::hosts(board())).array();
    QCOMPARE(hosts.size(), 2);
    const QJsonObject h = hosts[0].toObject();
    QCOMPARE(h.value(QLatin1String("description")).toString(), board().hosts[0].description);
    QCOMPARE(h.value(QLatin1String("state")).toString(), QStringLiteral("down"));
    QVERIFY(h.value(QLatin1String("down_since")).toString().startsWith(QLatin1String("2025-03-05T11:58:30")));
    QCOMPARE(h.value(QLatin1String("last_rtt_ms")).toDouble(), 1.234);
    QCOMPARE(h.value(QLatin1String("loss_pct_1h")).toDouble(), 33.333);
    const QJsonObject a = h.value(QLatin1String("availability_pct")).toObject();
    QCOMPARE(a.value(QLatin1String("24h")).toDouble(), 99.895);
    QVERIFY(a.value(QLatin1String("7d")).isNull());
    QVERIFY(h.value(QLatin1String("parent")).isNull());
    const QJsonObject q = hosts[1].toObject();
    QVERIFY(q.value(QLatin1String("down_since")).isNull());
    QVERIFY(q.value(QLatin1String("last_rtt_ms")).isNull());
    QVERIFY(q.value(QLatin1String("loss_pct_1h")).isNull());
    QCOMPARE(q.value(QLatin1String("parent")).toString(), QStringLiteral("fd00::1"));
    QCOMPARE(q.value(QLatin1String("muted")), QJsonValue(false));
}

void tst_StatusJson::pageReadsBack()
{
    const QJsonObject page = parsed(StatusJson::page(board(), false)).object();
    QCOMPARE(page.value(QLatin1String("database")), QJsonValue(false));
    const QJsonArray days = page.value(QLatin1String("days")).toArray();
    QCOMPARE(days.size(), StatusBoard::BarDays);
    QCOMPARE(days.last().toString(), QStringLiteral("2025-03-05"));
    QCOMPARE(days.first().toString(), QStringLiteral("2024-12-06"));
    QVERIFY(page.value(QLatin1String("last_pass")).isNull());
    const QJsonObject h = page.value(QLatin1String("hosts")).toArray()[0].toObject();
    QCOMPARE(h.value(QLatin1String("description")).toString(), board().hosts[0].description);
    QCOMPARE(h.value(QLatin1String("days_down_s")).toArray().last().toInt(), 90);
    QCOMPARE(h.value(QLatin1String("days_watched_s")).toArray().last().toInt(), 43200);
    QCOMPARE(h.value(QLatin1String("chart_rtt_ms")).toArray(), QJsonArray{0.5});
    QCOMPARE(h.value(QLatin1String("chart_loss_pct")).toArray(), QJsonArray{QJsonValue()});
    QCOMPARE(page.value(QLatin1String("chart_hours")).toArray().size(), 1);
}

void tst_StatusJson::outagesOfAPeriod_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QList<qint64>>("durations");

    QTest::newRow("today: the open one") << Today << Today << QList<qint64>{90};
    QTest::newRow("yesterday: over midnight") << Today.addDays(-1) << Today.addDays(-1) << QList<qint64>{60};
    QTest::newRow("the day before") << Today.addDays(-2) << Today.addDays(-2) << QList<qint64>{60, 60};
    QTest::newRow("three days") << Today.addDays(-2) << Today << QList<qint64>{60, 60, 90};
    QTest::newRow("before any") << Today.addDays(-9) << Today.addDays(-3) << QList<qint64>{};
}

void tst_StatusJson::outagesOfAPeriod()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QList<qint64>, durations);
    const QJsonArray rows = parsed(StatusJson::outages(board(), QStringLiteral("fd00::1"), from, to)).array();
    QList<qint64> got;
    for (const QJsonValue &r : rows)
        got << r.toObject().value(QLatin1String("duration_s")).toInteger();
    QCOMPARE(got, durations);
    if (!rows.isEmpty() && durations.last() == 90)
        QVERIFY(rows.last().toObject().value(QLatin1String("end")).isNull());
}

QTEST_GUILESS_MAIN(tst_StatusJson)
#include "tst_statusjson.moc"
