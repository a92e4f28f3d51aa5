// /metrics as text: one HELP and TYPE per family, label values escaped,
// unknown values left out instead of written as something, base units.
// (promtool and a real Prometheus read it in tst_web_e2e.) Also the hosts' JSON
// with vantage points.
#include "MetricsText.h"
#include "StatusJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QTest>

using namespace web;

class tst_MetricsText : public QObject
{
    Q_OBJECT

private slots:
    void labelValues_data();
    void labelValues();
    void hostsInBaseUnits();
    void vantagesDownOnlyWithVantages();
};

void tst_MetricsText::labelValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << "router" << QByteArray("router");
    QTest::newRow("quote") << "the \"big\" one" << QByteArray("the \\\"big\\\" one");
    QTest::newRow("backslash") << "a\\b" << QByteArray("a\\\\b");
    QTest::newRow("line feed") << "two\nlines" << QByteArray("two\\nlines");
    QTest::newRow("cyrillic") << "Маршрутизатор" << QByteArray("Маршрутизатор");
}

void tst_MetricsText::labelValues()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, written);
    QCOMPARE(MetricsText::labelValue(value), written);
}

void tst_MetricsText::hostsInBaseUnits()
{
    StatusBoard b;
    b.watching = true;
    b.lastPass = DateTimeText::toSeconds(QDate(2025, 3, 5), QTime(12, 0));
    HostBoard up;
    up.address = QStringLiteral("192.0.2.1");
    up.description = QStringLiteral("router \"A\"");
    up.lastRttUs = 1500;
    up.echoRequests = 10;
    up.echoReplies = 9;
    up.outagesTotal = 2;
    up.downtimeTotal = 120;
    up.windows[0].watched = 86400;
    up.windows[0].down = 864;
    HostBoard down;
    down.address = QStringLiteral("192.0.2.2");
    down.parent = QStringLiteral("192.0.2.1");
    down.downSince = *b.lastPass - 60;
    b.hosts = {up, down};

    const QByteArray text = MetricsText::hosts(b) + MetricsText::server(false);
    const QList<QByteArray> lines = text.split('\n');
    QVERIFY(text.endsWith('\n'));
    auto has = [&](const char *line) { return lines.contains(QByteArray(line)); };
    QVERIFY(has("orvant_host_up{address=\"192.0.2.1\",description=\"router \\\"A\\\"\"} 1"));
    QVERIFY(has("orvant_host_up{address=\"192.0.2.2\",description=\"\"} 0"));
    QVERIFY(has("orvant_last_rtt_seconds{address=\"192.0.2.1\",description=\"router \\\"A\\\"\"} 0.0015"));
    QVERIFY(has("orvant_echo_replies_total{address=\"192.0.2.1\",description=\"router \\\"A\\\"\"} 9"));
    QVERIFY(has("orvant_downtime_seconds_total{address=\"192.0.2.1\",description=\"router \\\"A\\\"\"} 120"));
    QVERIFY(has("orvant_availability_ratio{address=\"192.0.2.1\",description=\"router \\\"A\\\"\",window=\"1d\"} 0.99"));
    QVERIFY(has("orvant_host_info{address=\"192.0.2.2\",description=\"\",parent=\"192.0.2.1\"} 1"));
    QVERIFY(has("orvant_monitor_watching 1"));
    QVERIFY(has("orvant_web_database_up 0"));
    QVERIFY(has(QByteArray("orvant_last_pass_timestamp_seconds "
                           + QByteArray::number(QDateTime(QDate(2025, 3, 5), QTime(12, 0)).toSecsSinceEpoch()))
                    .constData()));
    // Unknown: no sample at all (no round trip, no watched time).
    QCOMPARE(text.count("orvant_last_rtt_seconds{"), 1);
    QCOMPARE(text.count("orvant_availability_ratio{"), 1);
    // Every family once, declared before its samples.
    QCOMPARE(text.count("# TYPE orvant_host_up gauge\n"), 1);
    QCOMPARE(text.count("# TYPE orvant_echo_requests_total counter\n"), 1);
    QVERIFY(text.indexOf("# TYPE orvant_host_info") < text.indexOf("orvant_host_info{"));
    for (const QByteArray &line : lines)
        QVERIFY2(line.isEmpty() || line.startsWith("# ") || line.startsWith("orvant_"), line.constData());
}

// The JSON and the metrics of a database with vantage points name, per
// host, those that find it silent; without vantages neither says a word.
void tst_MetricsText::vantagesDownOnlyWithVantages()
{
    StatusBoard b;
    b.watching = true;
    HostBoard seen;
    seen.address = QStringLiteral("192.0.2.1");
    HostBoard other;
    other.address = QStringLiteral("192.0.2.2");
    b.hosts = {seen, other};
    QVERIFY(!MetricsText::hosts(b).contains("vantages"));
    QVERIFY(!StatusJson::hosts(b).contains("vantages"));

    b.hosts[0].vantagesDown = QStringList{QStringLiteral("north"), QStringLiteral("Юг")};
    b.hosts[1].vantagesDown = QStringList{};
    const QList<QByteArray> lines = MetricsText::hosts(b).split('\n');
    QVERIFY(lines.contains("orvant_host_vantages_down{address=\"192.0.2.1\",description=\"\"} 2"));
    QVERIFY(lines.contains("orvant_host_vantages_down{address=\"192.0.2.2\",description=\"\"} 0"));
    const QJsonArray hosts = QJsonDocument::fromJson(StatusJson::hosts(b)).array();
    QCOMPARE(hosts[0].toObject().value(QLatin1String("vantages_down")).toArray(),
             QJsonArray({QStringLiteral("north"), QStringLiteral("Юг")}));
    QCOMPARE(hosts[1].toObject().value(QLatin1String("vantages_down")).toArray(), QJsonArray());
}

QTEST_GUILESS_MAIN(tst_MetricsText)
#include "tst_metricstext.moc"
