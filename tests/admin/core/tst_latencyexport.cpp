// orvant-export --latency's file: each pass counted once across the tiers
// (days, hours, raw passes), the columns' forms, filters, an old database.
#undef QT_NO_CAST_FROM_ASCII  // the cases spell rows as plain literals
#include "LatencyExport.h"
#include "LatencyRecorder.h"
#include "TempDatabase.h"

#include <QBuffer>
#include <QTest>

using admin::LatencyExport;
using monitor::LatencyRecorder;
using monitor::LatencySample;

namespace {

LatencySample sample(const QString &ip, const QString &desc, qint64 rtt)
{
    LatencySample s;
    s.ip = ip;
    s.desc = desc;
    s.sent = rtt < 0 ? 4 : 2;
    s.lost = rtt < 0 ? 4 : 1;
    if (rtt >= 0)
        s.rttUs = rtt;
    return s;
}

QStringList exported(const LatencyExport::Filter &filter)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    if (LatencyExport::toDevice(&out, filter, &error) != LatencyExport::Result::Written)
        return {QStringLiteral("failed: ") + error};
    QStringList lines = QString::fromUtf8(out.data()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

} // namespace

class tst_LatencyExport : public QObject
{
    Q_OBJECT

private slots:
    void milliseconds_data();
    void milliseconds();
    void tiersMeetWithoutOverlap();
    void oldDatabaseGivesTheHeaderOnly();
};

void tst_LatencyExport::milliseconds_data()
{
    QTest::addColumn<qint64>("us");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("zero") << qint64(0) << QByteArray("0.000");
    QTest::newRow("one microsecond") << qint64(1) << QByteArray("0.001");
    QTest::newRow("just under a millisecond") << qint64(999) << QByteArray("0.999");
    QTest::newRow("a second and a bit") << qint64(1000050) << QByteArray("1000.050");
}

void tst_LatencyExport::milliseconds()
{
    QFETCH(qint64, us);
    QFETCH(QByteArray, text);
    QCOMPARE(LatencyExport::milliseconds(us), text);
}

void tst_LatencyExport::tiersMeetWithoutOverlap()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    QString error;
    LatencyRecorder r(db.connection());
    // Day 1: two passes at 10:00 and 10:30. Day 2: 09:00, 09:30, 10:00.
    // Day 3: 12:00 (still being filled).
    const auto pass = [&](int day, int hour, int minute, qint64 rtt) {
        return r.recordPass(QDateTime(QDate(2026, 3, day), QTime(hour, minute)),
                            {sample("10.0.0.1", "сервер, \"главный\"", rtt), sample("10.0.0.2", "шлюз", -1)}, &error);
    };
    QVERIFY(pass(1, 10, 0, 1500));
    QVERIFY(pass(1, 10, 30, 2500));
    QVERIFY(pass(2, 9, 0, 1000));
    QVERIFY(pass(2, 9, 30, 3000));
    QVERIFY(pass(2, 10, 0, 700));
    QVERIFY(pass(3, 12, 0, 42));
    while (r.consolidateStep(&error) == LatencyRecorder::Step::Worked) {
    }
    // Raw samples older than 3 March 10:00 go: day 1 wholly, day 2's 09:00 hour.
    const LatencyRecorder::Retention keep{1, 5};
    while (r.retentionStep(QDateTime(QDate(2026, 3, 3), QTime(10, 0)), keep, &error) == LatencyRecorder::Step::Worked) {
    }
    QVERIFY(error.isEmpty());
    QVERIFY(db.exec("delete from latency_hourly where hour in (select id from latency_hours where hour like '2026-03-01%')"));

    const QString header = QString::fromUtf8(LatencyExport::headerLine()).trimmed();
    QCOMPARE(exported({}),
             QStringList({header,
                          "2026-03-01T00:00:00,10.0.0.1,\"сервер, \"\"главный\"\"\",2,4,2,1.500,1.500,2.500,2.500",
                          "2026-03-01T00:00:00,10.0.0.2,шлюз,2,8,8,,,,",
                          "2026-03-02T09:00:00,10.0.0.1,\"сервер, \"\"главный\"\"\",2,4,2,1.000,1.000,3.000,3.000",
                          "2026-03-02T09:00:00,10.0.0.2,шлюз,2,8,8,,,,",
                          "2026-03-02T10:00:00,10.0.0.1,\"сервер, \"\"главный\"\"\",1,2,1,0.700,0.700,0.700,0.700",
                          "2026-03-02T10:00:00,10.0.0.2,шлюз,1,4,4,,,,",
                          "2026-03-03T12:00:00,10.0.0.1,\"сервер, \"\"главный\"\"\",1,2,1,0.042,0.042,0.042,0.042",
                          "2026-03-03T12:00:00,10.0.0.2,шлюз,1,4,4,,,,"}));
    LatencyExport::Filter one;
    one.hostSet = true;
    one.host = "шлюз";
    one.from = QDate(2026, 3, 2);
    one.to = QDate(2026, 3, 2);
    QCOMPARE(exported(one), QStringList({header, "2026-03-02T09:00:00,10.0.0.2,шлюз,2,8,8,,,,",
                                         "2026-03-02T10:00:00,10.0.0.2,шлюз,1,4,4,,,,"}));
    // A period with nothing measured is the header alone.
    LatencyExport::Filter empty;
    empty.from = QDate(2027, 1, 1);
    QCOMPARE(exported(empty), QStringList(header));
}

void tst_LatencyExport::oldDatabaseGivesTheHeaderOnly()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    // As a reader finds a database of an earlier version it may not upgrade.
    for (const char *table : {"latency_samples", "latency_hourly", "latency_daily", "latency_passes",
                              "latency_hours", "latency_days", "latency_hosts"})
        QVERIFY(db.exec(QStringLiteral("drop table ") + QLatin1String(table)));
    QCOMPARE(exported({}), QStringList(QString::fromUtf8(LatencyExport::headerLine()).trimmed()));
}

QTEST_GUILESS_MAIN(tst_LatencyExport)
#include "tst_latencyexport.moc"
