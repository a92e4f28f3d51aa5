// Samples, their hourly and daily consolidation and their retention, against
// rows worked out by hand; consolidation interrupted (a failing step, a
// The cases spell rows and statements as plain literals.
#undef QT_NO_CAST_FROM_ASCII
// process killed with SIGKILL) neither loses nor doubles an hour.
#include "DateTimeText.h"
#include "LatencyReader.h"
#include "LatencyRecorder.h"
#include "LatencyStats.h"
#include "TempDatabase.h"

#include <QSqlDatabase>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace monitor;

namespace {

using Rtts = QList<qint64>;  // -1: that pass went unanswered

QDateTime at(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute));
}

LatencySample sample(const QString &ip, qint64 rtt, int sent = 1)
{
    LatencySample s;
    s.ip = ip;
    s.desc = QStringLiteral("узел ") + ip;
    s.sent = rtt < 0 ? 4 : sent;
    s.lost = rtt < 0 ? 4 : sent - 1;
    if (rtt >= 0)
        s.rttUs = rtt;
    s.timeoutMs = 500;
    return s;
}

int consolidateAll(LatencyRecorder &r)
{
    int steps = 0;
    QString error;
    for (;;) {
        const LatencyRecorder::Step step = r.consolidateStep(&error);
        if (step == LatencyRecorder::Step::Failed) {
            qWarning("%s", qPrintable(error));
            return -1;
        }
        if (step == LatencyRecorder::Step::Idle)
            return steps;
        if (++steps > 10000)
            return -1;
    }
}

QString hourlyRows(TempDatabase &db)
{
    return db
        .rows(QStringLiteral("select t.hour,h.ip,r.passes,r.sent,r.lost,r.rtt_min_us,r.rtt_median_us,r.rtt_p90_us,"
                             "r.rtt_max_us from latency_hourly r join latency_hours t on t.id=r.hour "
                             "join latency_hosts h on h.id=r.host order by t.id,h.ip"))
        .join(QLatin1Char('\n'));
}

} // namespace

class tst_LatencyRecorder : public QObject
{
    Q_OBJECT

private slots:
    void percentile_data();
    void percentile();
    void hourFromSamples_data();
    void hourFromSamples();
    void dayFromRawSamplesAcrossHours();
    void onePassOneTransactionRolledBackWhole();
    void failedStepLeavesNothingHalfDone();
    void killedConsolidationResumesExactly();
    void clockSetBackMakesASecondHour();
    void restartInTheSameHourGoesOnFillingIt();
    void retentionKeepsWhatIsNotConsolidated();
    void removedAddressKeepsItsHistory();
    void seriesChoosesRowsByPeriod();

private:
    // The tables come with every new database (and an upgraded one).
    void makeTables(TempDatabase &db) { QVERIFY(db.connection().tables().contains(QStringLiteral("latency_samples"))); }
};

void tst_LatencyRecorder::percentile_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("percent");
    QTest::addColumn<qint64>("expected");  // values are 1..count
    QTest::newRow("one value, every percentile") << 1 << 90 << qint64(1);
    QTest::newRow("median of two is the lower") << 2 << 50 << qint64(1);
    QTest::newRow("median of three") << 3 << 50 << qint64(2);
    QTest::newRow("p90 of 10 is the 9th") << 10 << 90 << qint64(9);
    QTest::newRow("p90 of 11 rounds the rank up") << 11 << 90 << qint64(10);
    QTest::newRow("p90 of 20 is the 18th") << 20 << 90 << qint64(18);
    QTest::newRow("p90 of 21 is the 19th") << 21 << 90 << qint64(19);
    QTest::newRow("p90 of 60 passes") << 60 << 90 << qint64(54);
    QTest::newRow("p100 is the maximum") << 7 << 100 << qint64(7);
    QTest::newRow("p0 is the minimum") << 7 << 0 << qint64(1);
}

void tst_LatencyRecorder::percentile()
{
    QFETCH(int, count);
    QFETCH(int, percent);
    QFETCH(qint64, expected);
    std::vector<qint64> v;
    for (int i = 1; i <= count; ++i)
        v.push_back(i);
    QCOMPARE(LatencyStats::percentile(v, percent), expected);
}

void tst_LatencyRecorder::hourFromSamples_data()
{
    QTest::addColumn<Rtts>("rtts");   // one pass a minute from 10:00
    QTest::addColumn<int>("sentEach"); // attempts of an answered pass
    QTest::addColumn<QString>("row"); // passes|sent|lost|min|median|p90|max
    QTest::newRow("ten answered at the first attempt")
        << Rtts{500, 100, 1000, 900, 200, 800, 300, 700, 400, 600} << 1 << "10|10|0|100|500|900|1000";
    QTest::newRow("answered at the third attempt") << Rtts{250, 150} << 3 << "2|6|4|150|150|250|250";
    QTest::newRow("silent passes count four lost each, no round trip")
        << Rtts{-1, 100, -1, 300} << 1 << "4|10|8|100|100|300|300";
    QTest::newRow("nothing answered: round trips empty") << Rtts{-1, -1} << 1 << "2|8|8|<null>|<null>|<null>|<null>";
    QTest::newRow("zero is a round trip, not none") << Rtts{0, 0, 5} << 1 << "3|3|0|0|0|5|5";
    QTest::newRow("above the timeout is kept as answered without one")
        << Rtts{400, 900000, 200} << 1 << "3|3|0|200|200|400|400";
    QTest::newRow("eleven: p90 takes the 10th") << Rtts{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << 1
                                                << "11|11|0|1|6|10|11";
}

void tst_LatencyRecorder::hourFromSamples()
{
    QFETCH(Rtts, rtts);
    QFETCH(int, sentEach);
    QFETCH(QString, row);
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    QString error;
    for (int i = 0; i < rtts.size(); ++i)
        QVERIFY2(r.recordPass(at(2, 10, i), {sample("10.0.0.1", rtts[i], sentEach)}, &error), qPrintable(error));
    QCOMPARE(consolidateAll(r), 0);  // the hour is still the newest: not closed
    QVERIFY(r.recordPass(at(2, 11, 0), {sample("10.0.0.1", 1)}, &error));
    QVERIFY(consolidateAll(r) > 0);
    QCOMPARE(hourlyRows(db), QStringLiteral("2026-03-02 10:00:00|10.0.0.1|") + row);
}

void tst_LatencyRecorder::dayFromRawSamplesAcrossHours()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    QString error;
    // 1..30 µs over three hours of one day; the day's median and p90 come
    // from all thirty, not from the hours' own.
    for (int i = 0; i < 30; ++i)
        QVERIFY(r.recordPass(at(2, 8 + i / 10, i % 10), {sample("a", (i * 7) % 30 + 1), sample("b", -1)}, &error));
    QVERIFY(r.recordPass(at(3, 0, 0), {sample("a", 1)}, &error));
    QVERIFY(consolidateAll(r) > 0);
    QCOMPARE(db.rows("select d.day,h.ip,r.passes,r.sent,r.lost,r.rtt_min_us,r.rtt_median_us,r.rtt_p90_us,r.rtt_max_us "
                     "from latency_daily r join latency_days d on d.id=r.day join latency_hosts h on h.id=r.host "
                     "order by h.ip"),
             QStringList({"2026-03-02|a|30|30|0|1|15|27|30", "2026-03-02|b|30|120|120|<null>|<null>|<null>|<null>"}));
    QCOMPARE(db.scalar("select count(*) from latency_hourly").toInt(), 6);
    QCOMPARE(db.scalar("select sum(passes) from latency_hourly").toInt(), 60);
}

void tst_LatencyRecorder::onePassOneTransactionRolledBackWhole()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    QString error;
    QVERIFY(r.recordPass(at(2, 10, 0), {sample("a", 10), sample("b", 20)}, &error));
    QVERIFY(db.refuse("insert", "latency_samples", "disk full"));
    QVERIFY(!r.recordPass(at(2, 10, 1), {sample("a", 10), sample("c", 20)}, &error));
    QVERIFY(error.contains("disk full"));
    // Neither the pass nor the new host c stayed behind.
    QCOMPARE(db.scalar("select count(*) from latency_passes").toInt(), 1);
    QCOMPARE(db.scalar("select count(*) from latency_hosts").toInt(), 2);
    QVERIFY(db.allow("insert", "latency_samples"));
    QVERIFY2(r.recordPass(at(2, 10, 2), {sample("a", 10), sample("c", 20)}, &error), qPrintable(error));
    QCOMPARE(db.scalar("select count(*) from latency_samples").toInt(), 4);
    QCOMPARE(db.scalar("select count(*) from latency_hours").toInt(), 1);
}

void tst_LatencyRecorder::failedStepLeavesNothingHalfDone()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    r.setStepSamples(6);  // two hosts of three passes a step
    QString error;
    for (int m = 0; m < 3; ++m) {
        std::vector<LatencySample> pass;
        for (int h = 0; h < 5; ++h)
            pass.push_back(sample(QStringLiteral("h%1").arg(h), 100 * (h + 1) + m));
        QVERIFY(r.recordPass(at(2, 10, m), pass, &error));
    }
    QVERIFY(r.recordPass(at(2, 11, 0), {sample("h0", 1)}, &error));
    QCOMPARE(r.consolidateStep(&error), LatencyRecorder::Step::Worked);
    QCOMPARE(db.scalar("select count(*) from latency_hourly").toInt(), 2);
    // The next step's second row fails: its first row goes with it.
    if (db.isServer()) {
        QVERIFY(db.exec("create function no_h3() returns trigger language plpgsql as "
                        "$$ begin if new.host=4 then raise exception 'no h3'; end if; return new; end $$"));
        QVERIFY(db.exec("create trigger no_h3 before insert on latency_hourly for each row execute function no_h3()"));
    } else {
        QVERIFY(db.exec("create trigger no_h3 before insert on latency_hourly when new.host=4 "
                        "begin select raise(abort,'no h3'); end"));
    }
    QCOMPARE(r.consolidateStep(&error), LatencyRecorder::Step::Failed);
    QCOMPARE(db.scalar("select count(*) from latency_hourly").toInt(), 2);
    QCOMPARE(db.scalar("select done_host from latency_hours where hour='2026-03-02 10:00:00'").toInt(), 2);
    QVERIFY(db.exec(db.isServer() ? "drop trigger no_h3 on latency_hourly" : "drop trigger no_h3"));
    LatencyRecorder again(db.connection());
    again.setStepSamples(6);
    QVERIFY(consolidateAll(again) > 0);
    QCOMPARE(db.rows("select host,passes,rtt_min_us,rtt_max_us from latency_hourly order by host"),
             QStringList({"1|3|100|102", "2|3|200|202", "3|3|300|302", "4|3|400|402", "5|3|500|502"}));
}

void tst_LatencyRecorder::killedConsolidationResumesExactly()
{
    FILE_ONLY("a child process with a connection of its own to the file");
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    QString error;
    {
        LatencyRecorder r(db.connection());
        for (int m = 0; m < 60; ++m) {
            std::vector<LatencySample> pass;
            for (int h = 0; h < 200; ++h)
                pass.push_back(sample(QStringLiteral("10.0.%1.%2").arg(h / 100).arg(h % 100), h * 10 + m % 7));
            QVERIFY(r.recordPass(at(2, 10, m), pass, &error));
        }
        QVERIFY(r.recordPass(at(2, 11, 0), {sample("10.0.0.0", 1)}, &error));
    }
    const QString path = db.path();
    // Kill a consolidating child at a different moment each round.
    for (int round = 0; round < 6; ++round) {
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            {
                QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "child");
                c.setDatabaseName(path);
                c.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
                if (c.open()) {
                    LatencyRecorder r(c);
                    r.setStepSamples(60 * 3);
                    QString e;
                    while (r.consolidateStep(&e) == LatencyRecorder::Step::Worked) {
                    }
                }
            }
            _exit(0);
        }
        QTest::qSleep(3 + round * 7);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    LatencyRecorder r(db.connection());
    r.setStepSamples(60 * 3);
    QVERIFY(consolidateAll(r) >= 0);
    QCOMPARE(db.scalar("select count(*) from latency_hourly where hour=1").toInt(), 200);
    QCOMPARE(db.scalar("select sum(passes) from latency_hourly where hour=1").toInt(), 200 * 60);
    // Host 10.0.1.23 (h = 123): round trips 1230 + m % 7 for m = 0..59, so
    // 0..3 nine times each, 4..6 eight times: rank 30 is 3, rank 54 is 6.
    QCOMPARE(db.rows("select r.passes,r.rtt_min_us,r.rtt_median_us,r.rtt_p90_us,r.rtt_max_us from latency_hourly r "
                     "join latency_hosts h on h.id=r.host where h.ip='10.0.1.23'"),
             QStringList("60|1230|1233|1236|1236"));
}

void tst_LatencyRecorder::clockSetBackMakesASecondHour()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    QString error;
    QVERIFY(r.recordPass(at(2, 10, 30), {sample("a", 10)}, &error));
    QVERIFY(r.recordPass(at(2, 11, 5), {sample("a", 20)}, &error));
    QVERIFY(consolidateAll(r) > 0);  // 10:00 is done
    // Set back to 10:40: a new 10:00 row, the consolidated one untouched.
    QVERIFY(r.recordPass(at(2, 10, 40), {sample("a", 30)}, &error));
    QVERIFY(r.recordPass(at(2, 10, 41), {sample("a", 40)}, &error));
    QVERIFY(r.recordPass(at(2, 11, 10), {sample("a", 50)}, &error));
    QVERIFY(consolidateAll(r) > 0);
    QCOMPARE(hourlyRows(db).split('\n'),
             QStringList({"2026-03-02 10:00:00|a|1|1|0|10|10|10|10", "2026-03-02 11:00:00|a|1|1|0|20|20|20|20",
                          "2026-03-02 10:00:00|a|2|2|0|30|30|40|40"}));
    QCOMPARE(db.scalar("select count(*) from latency_samples").toInt(), 5);
}

void tst_LatencyRecorder::restartInTheSameHourGoesOnFillingIt()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    QString error;
    {
        LatencyRecorder r(db.connection());
        QVERIFY(r.recordPass(at(2, 10, 0), {sample("a", 10)}, &error));
    }
    LatencyRecorder r(db.connection());
    QVERIFY(r.recordPass(at(2, 10, 1), {sample("a", 30)}, &error));
    QVERIFY(r.recordPass(at(2, 11, 0), {sample("a", 30)}, &error));
    QVERIFY(consolidateAll(r) > 0);
    QCOMPARE(hourlyRows(db), QStringLiteral("2026-03-02 10:00:00|a|2|2|0|10|10|30|30"));
}

void tst_LatencyRecorder::retentionKeepsWhatIsNotConsolidated()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    r.setStepSamples(4);
    QString error;
    for (int d = 1; d <= 4; ++d)
        for (int m = 0; m < 3; ++m)
            QVERIFY(r.recordPass(at(d, 12, m), {sample("a", d * 10 + m), sample("b", -1)}, &error));
    const LatencyRecorder::Retention keep{1, 1};
    const QDateTime now = at(4, 13, 0);
    // Nothing consolidated yet: nothing may go.
    QCOMPARE(r.retentionStep(now, keep, &error), LatencyRecorder::Step::Idle);
    QVERIFY(consolidateAll(r) > 0);
    int steps = 0;
    while (r.retentionStep(now, keep, &error) == LatencyRecorder::Step::Worked)
        QVERIFY(++steps < 100);
    QVERIFY(error.isEmpty());
    // Days 1 to 3 are older than a day before 4 March 13:00 and
    // consolidated; day 4 is not old enough (and still the newest).
    QCOMPARE(db.scalar("select min(at) from latency_passes").toString(), QStringLiteral("2026-03-04 12:00:00"));
    QCOMPARE(db.scalar("select count(*) from latency_samples").toInt(), 6);
    QCOMPARE(db.scalar("select count(*) from latency_daily").toInt(), 6);
    // Hourly rows older than a year go; daily rows stay for ever.
    QVERIFY(r.retentionStep(at(4, 13, 0).addYears(1).addDays(3), keep, &error) != LatencyRecorder::Step::Failed);
    while (r.retentionStep(at(4, 13, 0).addYears(1).addDays(3), keep, &error) == LatencyRecorder::Step::Worked)
        QVERIFY(++steps < 200);
    QCOMPARE(db.scalar("select count(*) from latency_hourly").toInt(), 0);
    QCOMPARE(db.scalar("select count(*) from latency_daily").toInt(), 6);
}

void tst_LatencyRecorder::removedAddressKeepsItsHistory()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    QString error;
    QVERIFY(r.recordPass(at(2, 10, 0), {sample("a", 10), sample("b", 20)}, &error));
    // b left the book; a was renamed.
    LatencySample renamed = sample("a", 11);
    renamed.desc = QStringLiteral("новое имя");
    QVERIFY(r.recordPass(at(2, 10, 1), {renamed}, &error));
    QCOMPARE(db.rows("select ip,descript from latency_hosts order by ip"),
             QStringList({"a|новое имя", "b|узел b"}));
    QCOMPARE(db.scalar("select count(*) from latency_samples").toInt(), 3);
}

void tst_LatencyRecorder::seriesChoosesRowsByPeriod()
{
    TempDatabase db;
    QVERIFY(db.isValid());
    makeTables(db);
    LatencyRecorder r(db.connection());
    QString error;
    for (int h = 0; h < 5; ++h)
        for (int m = 0; m < 60; m += 10)
            QVERIFY(r.recordPass(at(2, 10 + h, m), {sample("a", h * 100 + m)}, &error));
    QVERIFY(consolidateAll(r) > 0);  // 10..13 consolidated, 14:00 not
    std::vector<LatencyReader::Point> points;
    QVERIFY(LatencyReader::series(db.connection(), 1, at(2, 0, 0), at(3, 0, 0), LatencyReader::Tier::Raw, &points,
                                  &error));
    QCOMPARE(points.size(), size_t(30));
    QVERIFY(LatencyReader::series(db.connection(), 1, at(2, 0, 0), at(3, 0, 0), LatencyReader::Tier::Hourly, &points,
                                  &error));
    QCOMPARE(points.size(), size_t(5));  // four hourly rows and the open hour from the raw samples
    QCOMPARE(points.back().start, DateTimeText::toSeconds(QDate(2026, 3, 2), QTime(14, 0)));
    QCOMPARE(points.back().summary.passes, 6);
    QCOMPARE(*points.back().summary.medianUs, 420);
    // A period with nothing measured is empty, not an error.
    QVERIFY(LatencyReader::series(db.connection(), 1, at(20, 0, 0), at(21, 0, 0), LatencyReader::Tier::Raw, &points,
                                  &error));
    QVERIFY(points.empty());
}

QTEST_GUILESS_MAIN(tst_LatencyRecorder)
#include "tst_latencyrecorder.moc"
