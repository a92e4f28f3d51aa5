// The reading of a real database (the file, and the server in the _server
// variant): what it reads, that it reads the changes on, that its figures
// are admin's availability report's for the same period, round trips from
// the last pass seen on, and a database of an earlier version without the
// newer tables.
#include "AvailabilityReport.h"
#include "StatusBoard.h"
#include "StatusReader.h"
#include "TempDatabase.h"

#include <QTest>

using namespace web;

namespace {

QString stored(const QDateTime &t)
{
    return DateTimeText::fromDateTime(t);
}

} // namespace

class tst_StatusReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readsTheBookTheMarksAndTheOutages();
    void figuresAreThoseOfTheAvailabilityReport();
    void readsChangesAtTheNextReading();
    void roundTripsFromTheLastPassOn();
    void olderDatabaseWithoutTheNewerTables();
    void vantagesDownOfTheLiveVantagesOnly();

private:
    QDateTime m_now;
};

void tst_StatusReader::init()
{
    if (TempDatabase::defaultBackend() == TempDatabase::Backend::Server && TempDatabase::serverMissing())
        QSKIP("no test PostgreSQL server: run under ctest (fixture pg_server)");
    // Whole seconds, as stored.
    m_now = QDateTime::currentDateTime();
    m_now.setTime(QTime(m_now.time().hour(), m_now.time().minute(), m_now.time().second()));
}

void tst_StatusReader::readsTheBookTheMarksAndTheOutages()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from addrs")));
    QVERIFY(db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                                   "('192.0.2.2','switch',300),('192.0.2.1','router',500),('192.0.2.1','again',900)")));
    QVERIFY(db.exec(QStringLiteral("update options set refresh_time=5")));
    QVERIFY(db.exec(QStringLiteral("insert into addr_parents (ip_addr,parent_ip) values ('192.0.2.2','192.0.2.1')")));
    QVERIFY(db.exec(QStringLiteral("insert into alert_mutes (ip_addr,until) values ('',null)")));
    QVERIFY(db.exec(QStringLiteral("insert into maintenance_windows (ip_addr,weekdays,time_from,time_to) "
                                   "values ('192.0.2.2',127,'01:00','02:00')")));
    QVERIFY(db.exec(QStringLiteral("insert into watched (time_begin,time_end,how_ended) values (?,?,2),(?,?,0)"),
                    {stored(m_now.addDays(-400)), stored(m_now.addDays(-390)), stored(m_now.addDays(-2)),
                     stored(m_now.addSecs(-3))}));
    // One outage closed long before the days kept, one closed inside them,
    // one open, and a row whose begin is no date-time.
    QVERIFY(db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                                   "(?,?,1,'192.0.2.1','router'),(?,?,1,'192.0.2.1','router'),"
                                   "(?,null,0,'192.0.2.2','switch'),('yesterday',null,0,'192.0.2.1','router')"),
                    {stored(m_now.addDays(-395)), stored(m_now.addDays(-395).addSecs(60)), stored(m_now.addDays(-1)),
                     stored(m_now.addDays(-1).addSecs(90)), stored(m_now.addSecs(-600))}));

    StatusReader reader;
    QString error;
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    const StatusData &d = reader.data();
    QCOMPARE(d.addresses.size(), size_t(2));
    QCOMPARE(d.addresses[0].ip, QStringLiteral("192.0.2.1"));
    QCOMPARE(d.addresses[0].description, QStringLiteral("router"));
    QCOMPARE(d.addresses[0].timeoutMs, 500);
    QCOMPARE(d.refreshMinutes, 5);
    QCOMPARE(d.parents.value(QStringLiteral("192.0.2.2")), QStringLiteral("192.0.2.1"));
    QCOMPARE(d.mutes.size(), 1);
    QVERIFY(!d.mutes[0].until.isValid());
    QCOMPARE(d.windows.size(), 1);
    QCOMPARE(d.watched.size(), size_t(1));
    QVERIFY(d.newest.has_value());
    QCOMPARE(d.newest->howEnded, 0);
    const auto routerOutages = d.outages.value(QStringLiteral("192.0.2.1"));
    QCOMPARE(routerOutages.size(), size_t(1));
    QCOMPARE(*routerOutages[0].end - routerOutages[0].begin, qint64(90));
    QCOMPARE(d.openSince.size(), 1);
    QVERIFY(d.openSince.contains(QStringLiteral("192.0.2.2")));
    // The totals count the whole log, the old outage too.
    QCOMPARE(d.totals.value(QStringLiteral("192.0.2.1")).outages, qint64(3));
    QCOMPARE(d.totals.value(QStringLiteral("192.0.2.1")).closedSeconds, qint64(150));
    QCOMPARE(d.totals.value(QStringLiteral("192.0.2.2")).closedSeconds, qint64(0));
}

void tst_StatusReader::figuresAreThoseOfTheAvailabilityReport()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    // Listed by value, as the report lists them: .2 before .10, IPv4 first.
    QVERIFY(db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values ('192.0.2.9','far',500),"
                                   "('fd00::1','six',500),('10.0.0.10','ten',500),('10.0.0.2','two',500)")));
    // Watched with gaps, outages across the gaps, over midnights, open.
    QVERIFY(db.exec(QStringLiteral("insert into watched (time_begin,time_end,how_ended) values (?,?,2),(?,?,1),(?,?,0)"),
                    {stored(m_now.addDays(-40)), stored(m_now.addDays(-20)), stored(m_now.addDays(-19)),
                     stored(m_now.addDays(-3)), stored(m_now.addDays(-2)), stored(m_now.addSecs(-2))}));
    QVERIFY(db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values "
                                   "(?,?,1,'192.0.2.9','far'),(?,?,1,'192.0.2.9','far'),(?,?,1,'127.0.0.1','x'),"
                                   "(?,null,0,'127.0.0.1','x')"),
                    {stored(m_now.addDays(-35)), stored(m_now.addDays(-19).addSecs(-7200)),
                     stored(m_now.addDays(-3).addSecs(-100)), stored(m_now.addDays(-2).addSecs(300)),
                     stored(m_now.addDays(-6)), stored(m_now.addDays(-5)), stored(m_now.addSecs(-4000))}));
    StatusReader reader;
    QString error;
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    const StatusBoard b = StatusBoard::build(reader.data(), m_now);
    const Seconds now = DateTimeText::toSeconds(m_now.date(), m_now.time());
    for (int w = 0; w < 5; ++w) {
        const admin::AvailabilityPeriod p = StatusBoard::windowPeriod(w, now, m_now.date());
        const auto report = admin::AvailabilityReport::compute(db.connection(), p, now, &error);
        QVERIFY2(report, qPrintable(error));
        QCOMPARE(report->size(), b.hosts.size());
        QCOMPARE(b.hosts.front().address, QStringLiteral("10.0.0.2"));
        QCOMPARE(b.hosts.back().address, QStringLiteral("fd00::1"));
        for (size_t i = 0; i < b.hosts.size(); ++i) {
            const Availability::Figures &mine = b.hosts[i].windows[w];
            const Availability::Figures &theirs = (*report)[i].figures;
            QCOMPARE(b.hosts[i].address, (*report)[i].address);
            QCOMPARE(mine.watched, theirs.watched);
            QCOMPARE(mine.down, theirs.down);
            QCOMPARE(mine.outages, theirs.outages);
            QCOMPARE(mine.availabilityMilliPercent(), theirs.availabilityMilliPercent());
        }
    }
}

void tst_StatusReader::readsChangesAtTheNextReading()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    StatusReader reader;
    QString error;
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    QVERIFY(reader.data().openSince.isEmpty());
    QVERIFY(db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,'127.0.0.1','x')"),
                    {stored(m_now.addSecs(-60))}));
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    QCOMPARE(reader.data().openSince.size(), 1);
    QCOMPARE(reader.data().outages.value(QStringLiteral("127.0.0.1")).size(), size_t(1));
    QVERIFY(!reader.data().outages.value(QStringLiteral("127.0.0.1"))[0].end);
    // Closed: the year's outages are read again at once, not a minute later.
    QVERIFY(db.exec(QStringLiteral("update logs set time_end=?,foe=1"), {stored(m_now.addSecs(-10))}));
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    QVERIFY(reader.data().openSince.isEmpty());
    const auto rows = reader.data().outages.value(QStringLiteral("127.0.0.1"));
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(*rows[0].end - rows[0].begin, qint64(50));
    // The log cleared: nothing is left of it.
    QVERIFY(db.exec(QStringLiteral("delete from logs")));
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    QVERIFY(reader.data().outages.isEmpty());
}

void tst_StatusReader::roundTripsFromTheLastPassOn()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QDateTime hour(m_now.date(), QTime(m_now.time().hour(), 0));
    QVERIFY(db.exec(QStringLiteral("insert into latency_hosts (id,ip,descript) values (1,'127.0.0.1','x'),(2,'192.0.2.1','r')")));
    QVERIFY(db.exec(QStringLiteral("insert into latency_days (id,day,done) values (1,?,0)"),
                    {hour.date().toString(Qt::ISODate)}));
    QVERIFY(db.exec(QStringLiteral("insert into latency_hours (id,hour,day,done) values (1,?,1,1),(2,?,1,0)"),
                    {stored(hour.addSecs(-3600)), stored(hour)}));
    QVERIFY(db.exec(QStringLiteral("insert into latency_hourly (hour,host,passes,sent,lost,rtt_min_us,rtt_median_us,"
                                   "rtt_p90_us,rtt_max_us) values (1,1,60,60,0,100,200,300,400)")));
    // Two passes already there when the server starts.
    QVERIFY(db.exec(QStringLiteral("insert into latency_passes (id,at,hour) values (1,?,2),(2,?,2)"),
                    {stored(m_now.addSecs(-20)), stored(m_now.addSecs(-10))}));
    QVERIFY(db.exec(QStringLiteral("insert into latency_samples (pass,host,sent,lost,rtt_us) values "
                                   "(1,1,1,0,1000),(1,2,4,4,null),(2,1,2,1,3000),(2,2,4,4,null)")));
    StatusReader reader;
    QString error;
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    HostLatency local = reader.data().latency.value(QStringLiteral("127.0.0.1"));
    QCOMPARE(local.lastRttUs, std::optional<qint64>(3000));
    QCOMPARE(local.requests, qint64(0));  // counted from the start on
    qint64 sent = 0, lost = 0;
    for (const LatencyMinute &m : local.minutes) {
        sent += m.sent;
        lost += m.lost;
    }
    QCOMPARE(sent, qint64(3));
    QCOMPARE(lost, qint64(1));
    QCOMPARE(local.hours.size(), size_t(1));
    QCOMPARE(*local.hours[0].medianUs, qint64(200));
    QVERIFY(!reader.data().latency.value(QStringLiteral("192.0.2.1")).lastRttUs);

    QVERIFY(db.exec(QStringLiteral("insert into latency_passes (id,at,hour) values (3,?,2)"), {stored(m_now)}));
    QVERIFY(db.exec(QStringLiteral("insert into latency_samples (pass,host,sent,lost,rtt_us) values "
                                   "(3,1,1,0,500),(3,2,2,1,7000)")));
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    local = reader.data().latency.value(QStringLiteral("127.0.0.1"));
    const HostLatency router = reader.data().latency.value(QStringLiteral("192.0.2.1"));
    QCOMPARE(local.lastRttUs, std::optional<qint64>(500));
    QCOMPARE(local.requests, qint64(1));
    QCOMPARE(local.replies, qint64(1));
    QCOMPARE(router.lastRttUs, std::optional<qint64>(7000));
    QCOMPARE(router.requests, qint64(2));
    QCOMPARE(router.replies, qint64(1));
}

void tst_StatusReader::olderDatabaseWithoutTheNewerTables()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    for (const char *table : {"watched", "latency_samples", "latency_hourly", "alert_mutes", "maintenance_windows",
                              "addr_parents"})
        QVERIFY(db.exec(QStringLiteral("drop table %1").arg(QLatin1String(table))));
    QVERIFY(db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,'127.0.0.1','x')"),
                    {stored(m_now.addSecs(-60))}));
    StatusReader reader;
    QString error;
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    const StatusBoard b = StatusBoard::build(reader.data(), m_now);
    QCOMPARE(b.hosts.size(), size_t(1));
    // Never watched: no availability, and no state but "unwatched".
    QCOMPARE(b.hosts[0].state, HostState::Unwatched);
    QVERIFY(b.hosts[0].downSince.has_value());
    QVERIFY(!b.hosts[0].windows[2].availabilityMilliPercent());
    QVERIFY(!b.lastPass);
}

// A server with vantage points: per host, the live vantages whose own
// outage is open; a stale vantage's counts for nothing. The file (and a
// server without vantages) says nothing of them.
void tst_StatusReader::vantagesDownOfTheLiveVantagesOnly()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from addrs")));
    QVERIFY(db.exec(QStringLiteral("insert into addrs (ip_addr,descript,ping_timeout) values "
                                   "('192.0.2.1','router',500),('192.0.2.2','switch',500)")));
    StatusReader reader;
    QString error;
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    QVERIFY(!reader.data().hasVantages);
    if (!db.isServer())
        return;
    QVERIFY(db.exec(QStringLiteral(
        "insert into vantages (name,last_pass,interval_s,host,pid,started,session) values "
        "('north',now(),10,'n',1,now(),'sn'),('south',now(),10,'s',2,now(),'ss'),"
        "('west',now()-interval '5 minutes',10,'w',3,now()-interval '1 hour','sw')")));
    QVERIFY(db.exec(QStringLiteral("insert into vantage_outages (vantage,ip,time_begin,time_end) values "
                                   "('south','192.0.2.1','2026-01-01 10:00:00',null),"
                                   "('north','192.0.2.1','2026-01-01 10:00:05',null),"
                                   "('west','192.0.2.2','2026-01-01 10:00:00',null),"
                                   "('north','192.0.2.2','2026-01-01 09:00:00','2026-01-01 09:01:00')")));
    QVERIFY2(reader.refresh(db.connection(), m_now, &error), qPrintable(error));
    const StatusData &d = reader.data();
    QVERIFY(d.hasVantages);
    QCOMPARE(d.vantagesDown.value(QStringLiteral("192.0.2.1")),
             (QStringList{QStringLiteral("north"), QStringLiteral("south")}));
    QVERIFY(!d.vantagesDown.contains(QStringLiteral("192.0.2.2")));
    const StatusBoard board = StatusBoard::build(d, m_now);
    QCOMPARE(board.hosts.size(), size_t(2));
    QCOMPARE(board.hosts[1].vantagesDown.value_or(QStringList{QStringLiteral("none")}), QStringList());
}

QTEST_GUILESS_MAIN(tst_StatusReader)
#include "tst_statusreader.moc"
