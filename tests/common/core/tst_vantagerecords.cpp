// Vantage points as a real server keeps them: heartbeats judged by the
// server's clock, each vantage's own outages written once however often
// they are replayed, the rule, and the log writer's inputs and outcome.
#include "Database.h"
#include "DateTimeText.h"
#include "TempDatabase.h"
#include "VantageRecords.h"

#include <QTest>

class tst_VantageRecords : public QObject
{
    Q_OBJECT

private slots:
    void fileRefusesVantages();
    void ruleStored_data();
    void ruleStored();
    void heartbeatsJudgedByTheServersClock();
    void ownOutagesWrittenOnce();
    void passesMapped();
    void writerReadsWhatMatters();
    void writerAppliesOnceAndInOneTransaction();
    void writerJudgesWhatClosedUnseen();
};

namespace {

// A moment of the test, as seconds since 1970: 10:00 local on a day without
// a clock change, plus minutes.
qint64 at(int minutes)
{
    return QDateTime(QDate(2026, 12, 10), QTime(10, 0)).addSecs(minutes * 60).toSecsSinceEpoch();
}

QDateTime moment(int minutes)
{
    return QDateTime::fromSecsSinceEpoch(at(minutes));
}

QString local(int minutes)
{
    return DateTimeText::fromDateTime(moment(minutes));
}

} // namespace

#define SERVER_DATABASE(db)                                                                                            \
    SKIP_WITHOUT_SERVER(TempDatabase::Backend::Server);                                                                \
    TempDatabase db(TempDatabase::Backend::Server);                                                                    \
    QVERIFY2(db.isValid(), qPrintable(db.error()))

// The file has the tables (one schema for both) but no vantages: every
// function says so, naming the file, and writes nothing.
void tst_VantageRecords::fileRefusesVantages()
{
    TempDatabase db(TempDatabase::Backend::File);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from sqlite_master where name like 'vantage%'")).toInt(), 6);
    QString error;
    QList<VantageState> vantages;
    QVERIFY(!VantageRecords::listVantages(db.connection(), &vantages, &error));
    QVERIFY2(error.contains(QStringLiteral("только с сервером PostgreSQL")) && error.contains(db.path()),
             qPrintable(error));
    error.clear();
    QVERIFY(!VantageRecords::beginOutage(db.connection(), QStringLiteral("A"), QStringLiteral("10.0.0.1"), moment(0),
                                         &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from vantage_outages")).toInt(), 0);
}

void tst_VantageRecords::ruleStored_data()
{
    addBackendColumn();
    addBackendRows();
}

void tst_VantageRecords::ruleStored()
{
    QFETCH(TempDatabase::Backend, backend);
    SKIP_WITHOUT_SERVER(backend);
    TempDatabase db(backend);
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    VantageRule rule = VantageRule::any();
    QString error;
    QVERIFY2(VantageRecords::readRule(db.connection(), &rule, &error), qPrintable(error));
    QCOMPARE(rule, VantageRule::all());
    QVERIFY2(VantageRecords::writeRule(db.connection(), VantageRule::atLeast(2), &error), qPrintable(error));
    QVERIFY(VantageRecords::readRule(db.connection(), &rule, &error));
    QCOMPARE(rule, VantageRule::atLeast(2));
    QCOMPARE(db.scalar(QStringLiteral("select value from settings where name='vantage.rule'")).toString(),
             QStringLiteral("2"));
    // Typed in by hand and wrong: the default, never a host judged by nonsense.
    db.exec(QStringLiteral("update settings set value='most' where name='vantage.rule'"));
    QVERIFY(VantageRecords::readRule(db.connection(), &rule, &error));
    QCOMPARE(rule, VantageRule::all());
}

void tst_VantageRecords::heartbeatsJudgedByTheServersClock()
{
    SERVER_DATABASE(db);
    const QSqlDatabase c = db.connection();
    QString error;
    db.exec(QStringLiteral("select set_config('application_name','vantage a',false)"));
    QVERIFY2(VantageRecords::registerVantage(c, QStringLiteral("north"), 10, QStringLiteral("vantage a"), &error),
             qPrintable(error));
    QVERIFY2(VantageRecords::registerVantage(c, QStringLiteral("south"), 60, QStringLiteral("vantage b"), &error),
             qPrintable(error));
    QVERIFY2(VantageRecords::registerVantage(c, QStringLiteral("east"), 5, QStringLiteral("vantage c"), &error),
             qPrintable(error));
    // This session writes the log: the listing says which vantage that is.
    QVERIFY(db.scalar(QStringLiteral("select pg_try_advisory_lock(?)"), {VantageRecords::WriterLockKey}).toBool());
    // south passed 100 s ago (within three of its 60 s intervals), east 31 s
    // ago (beyond 30 s): the server's clock says so whatever the sites' say.
    db.exec(QStringLiteral("update vantages set last_pass=now()-interval '100 seconds' where name='south'"));
    db.exec(QStringLiteral("update vantages set last_pass=now()-interval '31 seconds' where name='east'"));

    QList<VantageState> list;
    QVERIFY2(VantageRecords::listVantages(c, &list, &error), qPrintable(error));
    QCOMPARE(list.size(), 3);
    QCOMPARE(list.at(0).name, QStringLiteral("east"));
    QCOMPARE(list.at(1).name, QStringLiteral("north"));
    QVERIFY(!list.at(0).isLive());
    QVERIFY(list.at(1).isLive());
    QVERIFY(list.at(2).isLive());
    QVERIFY(list.at(2).ageSeconds >= 100 && list.at(2).ageSeconds < 110);
    QVERIFY(!list.at(0).writer && list.at(1).writer && !list.at(2).writer);
    QCOMPARE(list.at(1).pid, QCoreApplication::applicationPid());
    QVERIFY(qAbs(list.at(1).lastPass - QDateTime::currentSecsSinceEpoch()) < 60);

    // A heartbeat brings east back and keeps when it started.
    const qint64 started = list.at(0).started;
    db.exec(QStringLiteral("update vantages set started=started-interval '1 hour' where name='east'"));
    QVERIFY2(VantageRecords::heartbeat(c, QStringLiteral("east"), 5, QStringLiteral("vantage c"), &error),
             qPrintable(error));
    QVERIFY(VantageRecords::listVantages(c, &list, &error));
    QVERIFY(list.at(0).isLive());
    QCOMPARE(list.at(0).started, started - 3600);
    // ... and a heartbeat of a removed row makes it again.
    db.exec(QStringLiteral("delete from vantages where name='east'"));
    QVERIFY(VantageRecords::heartbeat(c, QStringLiteral("east"), 5, QStringLiteral("vantage c"), &error));
    QCOMPARE(db.scalar(QStringLiteral("select session from vantages where name='east'")).toString(),
             QStringLiteral("vantage c"));
}

void tst_VantageRecords::ownOutagesWrittenOnce()
{
    SERVER_DATABASE(db);
    const QSqlDatabase c = db.connection();
    const QString a = QStringLiteral("north");
    const QString ip = QStringLiteral("10.0.0.1");
    QString error;
    QVERIFY2(VantageRecords::beginOutage(c, a, ip, moment(0), &error), qPrintable(error));
    QVERIFY(VantageRecords::beginOutage(c, a, ip, moment(0), &error));  // replayed
    QVERIFY(VantageRecords::beginOutage(c, a, ip, moment(1), &error));  // a second open one is no row
    QVERIFY(VantageRecords::beginOutage(c, QStringLiteral("south"), ip, moment(2), &error));
    QList<VantageRecords::OwnOutage> open;
    QVERIFY2(VantageRecords::openOutages(c, a, &open, &error), qPrintable(error));
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.at(0).ip, ip);
    QCOMPARE(open.at(0).begin, moment(0));
    // Stored in UTC, so sites in other time zones compare.
    QCOMPARE(db.scalar(QStringLiteral("select time_begin from vantage_outages where vantage='north'")).toString(),
             moment(0).toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));

    QVERIFY2(VantageRecords::endOutage(c, a, ip, moment(0), moment(5), &error), qPrintable(error));
    QVERIFY(VantageRecords::beginOutage(c, a, ip, moment(7), &error));
    // The first outage's end replayed after the next began: the next stays open.
    QVERIFY(VantageRecords::endOutage(c, a, ip, moment(0), moment(6), &error));
    QVERIFY(VantageRecords::beginOutage(c, a, ip, moment(0), &error));
    QCOMPARE(db.rows(QStringLiteral("select time_begin,coalesce(time_end,'open') from vantage_outages "
                                    "where vantage='north' order by time_begin")),
             QStringList({VantageRecords::utcText(at(0)) + QLatin1Char('|') + VantageRecords::utcText(at(5)),
                          VantageRecords::utcText(at(7)) + QStringLiteral("|open")}));
    // An end whose begin was lost closes what is open, never before its begin.
    QVERIFY(VantageRecords::endOutage(c, a, ip, QDateTime(), moment(3), &error));
    QCOMPARE(db.scalar(QStringLiteral("select time_end from vantage_outages where vantage='north' and time_begin=?"),
                       {VantageRecords::utcText(at(7))})
                 .toString(),
             VantageRecords::utcText(at(7)));
    QVERIFY(VantageRecords::openOutages(c, a, &open, &error));
    QVERIFY(open.isEmpty());
}

void tst_VantageRecords::passesMapped()
{
    SERVER_DATABASE(db);
    const QSqlDatabase c = db.connection();
    QString error;
    for (qint64 pass = 1; pass <= 5; ++pass)
        QVERIFY2(VantageRecords::recordPass(c, pass, QStringLiteral("north"), &error), qPrintable(error));
    QVERIFY(VantageRecords::recordPass(c, 3, QStringLiteral("north"), &error));  // replayed
    QVERIFY2(VantageRecords::forgetPasses(c, 1, 3, &error), qPrintable(error));
    QCOMPARE(db.rows(QStringLiteral("select pass,vantage from vantage_passes order by pass")),
             QStringList({QStringLiteral("4|north"), QStringLiteral("5|north")}));
}

void tst_VantageRecords::writerReadsWhatMatters()
{
    SERVER_DATABASE(db);
    const QSqlDatabase c = db.connection();
    QString error;
    db.exec(QStringLiteral("delete from addrs"));
    for (int i = 1; i <= 3; ++i)
        db.exec(QStringLiteral("insert into addrs values (?,?,100)"),
                {QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("host %1").arg(i)});
    QVERIFY(VantageRecords::registerVantage(c, QStringLiteral("north"), 10, QStringLiteral("n"), &error));
    QVERIFY(VantageRecords::registerVantage(c, QStringLiteral("south"), 10, QStringLiteral("s"), &error));
    QVERIFY(VantageRecords::writeRule(c, VantageRule::any(), &error));
    const QString n = QStringLiteral("north"), s = QStringLiteral("south");
    const QString ip1 = QStringLiteral("10.0.0.1"), ip2 = QStringLiteral("10.0.0.2"), ip3 = QStringLiteral("10.0.0.3");
    // 10.0.0.1: open on north since 20; south's outage 10-25 chains into it,
    // one long before (0-5) does not matter.
    QVERIFY(VantageRecords::beginOutage(c, n, ip1, moment(0), &error));
    QVERIFY(VantageRecords::endOutage(c, n, ip1, moment(0), moment(5), &error));
    QVERIFY(VantageRecords::beginOutage(c, s, ip1, moment(10), &error));
    QVERIFY(VantageRecords::endOutage(c, s, ip1, moment(10), moment(25), &error));
    QVERIFY(VantageRecords::beginOutage(c, n, ip1, moment(20), &error));
    // 10.0.0.2: the log has it open since 30; north's outage ended at 40.
    db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,?,?)"),
            {local(30), ip2, QStringLiteral("host 2")});
    QVERIFY(VantageRecords::beginOutage(c, n, ip2, moment(28), &error));
    QVERIFY(VantageRecords::endOutage(c, n, ip2, moment(28), moment(40), &error));
    // 10.0.0.3: nothing open anywhere, so its history is not read.
    QVERIFY(VantageRecords::beginOutage(c, n, ip3, moment(50), &error));
    QVERIFY(VantageRecords::endOutage(c, n, ip3, moment(50), moment(55), &error));
    // 10.9.9.9 is not in the book.
    QVERIFY(VantageRecords::beginOutage(c, n, QStringLiteral("10.9.9.9"), moment(0), &error));
    // An earlier pass judged every outage closed so far.
    db.exec(QStringLiteral("delete from vantage_fresh"));

    VantageRecords::WriterInputs in;
    QVERIFY2(VantageRecords::readWriterInputs(c, &in, &error), qPrintable(error));
    QCOMPARE(in.book.size(), 3);
    QCOMPARE(in.vantages.size(), 2);
    QCOMPARE(in.rule, VantageRule::any());
    QCOMPARE(in.openLogRows.size(), 1);
    QCOMPARE(in.openLogRows.at(0).ip, ip2);
    QCOMPARE(in.openLogRows.at(0).begin, at(30));
    auto spans = [&](const QString &ip) {
        QStringList text;
        for (const VantageRule::Interval &i : in.intervals.value(ip))
            text << QStringLiteral("%1:%2-%3")
                        .arg(i.vantage)
                        .arg((i.begin - at(0)) / 60)
                        .arg(i.end == VantageRule::Open ? QString() : QString::number((i.end - at(0)) / 60));
        text.sort();
        return text.join(QLatin1Char(' '));
    };
    QCOMPARE(spans(ip1), QStringLiteral("north:20- south:10-25"));
    QCOMPARE(spans(ip2), QStringLiteral("north:28-40"));
    QCOMPARE(spans(ip3), QString());
    QVERIFY(!in.intervals.contains(QStringLiteral("10.9.9.9")));

    // And the decision over them: 10.0.0.1 down since 10 under any, 10.0.0.2
    // closed at 40.
    const VantageWriter::Decision d =
        VantageWriter::decide(in.book, in.intervals, in.vantages, in.rule, in.openLogRows, at(60));
    QCOMPARE(d.opens.size(), 1);
    QCOMPARE(d.opens.at(0).begin, at(10));
    QCOMPARE(d.closes.size(), 1);
    QCOMPARE(d.closes.at(0).end, at(40));
}

void tst_VantageRecords::writerAppliesOnceAndInOneTransaction()
{
    SERVER_DATABASE(db);
    const QSqlDatabase c = db.connection();
    QString error;
    const QString ip1 = QStringLiteral("10.0.0.1"), ip2 = QStringLiteral("10.0.0.2"), ip3 = QStringLiteral("10.0.0.3");
    db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,?,?)"),
            {local(0), ip2, QStringLiteral("two")});
    // 10.0.0.3 was down 0-5 by the log already.
    db.exec(QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,1,?,?)"),
            {local(0), local(5), ip3, QStringLiteral("three")});

    VantageWriter::Decision d;
    d.closes << VantageWriter::Close{ip2, at(0), at(8)};
    d.opens << VantageWriter::Open{ip1, QStringLiteral("one"), at(3), {QStringLiteral("north")}};
    // The rule's begin lies inside 10.0.0.3's closed row: it starts at its end.
    d.opens << VantageWriter::Open{ip3, QStringLiteral("three"), at(2), {QStringLiteral("north")}};

    // A failure halfway leaves the log as it was: the close is undone.
    QVERIFY(db.refuse(QStringLiteral("insert"), QStringLiteral("logs"), QStringLiteral("no room")));
    VantageWriter::Decision applied;
    QVERIFY(!VantageRecords::applyDecision(c, d, {}, &applied, &error));
    QVERIFY2(error.contains(QStringLiteral("no room")), qPrintable(error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where foe=0")).toInt(), 1);
    QVERIFY(db.allow(QStringLiteral("insert"), QStringLiteral("logs")));

    QVERIFY2(VantageRecords::applyDecision(c, d, {}, &applied, &error), qPrintable(error));
    QCOMPARE(applied.closes.size(), 1);
    QCOMPARE(applied.opens.size(), 2);
    QCOMPARE(applied.opens.at(1).begin, at(5));
    const QStringList log = {local(0) + QStringLiteral("|") + local(8) + QStringLiteral("|1|10.0.0.2|two"),
                             local(0) + QStringLiteral("|") + local(5) + QStringLiteral("|1|10.0.0.3|three"),
                             local(3) + QStringLiteral("|<null>|0|10.0.0.1|one"),
                             local(5) + QStringLiteral("|<null>|0|10.0.0.3|three")};
    const QString all = QStringLiteral("select time_begin,time_end,foe,ip,\"desc\" from logs order by id");
    QCOMPARE(db.rows(all), log);

    // The same decision again (the writer's answer was lost): nothing changes.
    QVERIFY2(VantageRecords::applyDecision(c, d, {}, &applied, &error), qPrintable(error));
    QVERIFY(applied.isEmpty());
    QCOMPARE(db.rows(all), log);
    // The same begin again once 10.0.0.1's row closed: never a second row of
    // that begin; the next starts where the closed one ended.
    VantageWriter::Decision close;
    close.closes << VantageWriter::Close{ip1, at(3), at(4)};
    QVERIFY(VantageRecords::applyDecision(c, close, {}, &applied, &error));
    VantageWriter::Decision again;
    again.opens << VantageWriter::Open{ip1, QStringLiteral("one"), at(3), {}};
    QVERIFY(VantageRecords::applyDecision(c, again, {}, &applied, &error));
    QCOMPARE(applied.opens.size(), 1);
    QCOMPARE(applied.opens.at(0).begin, at(4));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs where ip=?"), {ip1}).toInt(), 2);
}

// An outage that began and ended between two of the writer's passes (or
// came whole with a replay) is judged once: recorded closed, never over a
// row the log has, and only the marks the writer read are taken away.
void tst_VantageRecords::writerJudgesWhatClosedUnseen()
{
    SERVER_DATABASE(db);
    const QSqlDatabase c = db.connection();
    QString error;
    db.exec(QStringLiteral("delete from addrs"));
    for (int i = 1; i <= 2; ++i)
        db.exec(QStringLiteral("insert into addrs values (?,?,100)"),
                {QStringLiteral("10.0.0.%1").arg(i), QStringLiteral("host %1").arg(i)});
    const QString n = QStringLiteral("north");
    const QString ip1 = QStringLiteral("10.0.0.1"), ip2 = QStringLiteral("10.0.0.2");
    QVERIFY(VantageRecords::registerVantage(c, n, 10, QStringLiteral("n"), &error));
    QVERIFY(VantageRecords::writeRule(c, VantageRule::any(), &error));
    QVERIFY(VantageRecords::beginOutage(c, n, ip1, moment(10), &error));
    QVERIFY(VantageRecords::endOutage(c, n, ip1, moment(10), moment(20), &error));
    // A repeated end (a replay) marks nothing again.
    QVERIFY(VantageRecords::endOutage(c, n, ip1, moment(10), moment(20), &error));

    VantageRecords::WriterInputs in;
    QVERIFY2(VantageRecords::readWriterInputs(c, &in, &error), qPrintable(error));
    QCOMPARE(in.freshSeqs.size(), 1);
    QCOMPARE(in.freshSince.value(ip1), at(10));
    QCOMPARE(in.intervals.value(ip1).size(), 1);
    VantageWriter::Decision d =
        VantageWriter::decide(in.book, in.intervals, in.vantages, in.rule, in.openLogRows, at(60), in.freshSince);
    QCOMPARE(d.records.size(), 1);
    QCOMPARE(d.records.at(0).vantages, QStringList{n});

    // Another end comes after the read: its mark outlives this pass.
    QVERIFY(VantageRecords::beginOutage(c, n, ip2, moment(0), &error));
    QVERIFY(VantageRecords::endOutage(c, n, ip2, QDateTime(), moment(5), &error));
    VantageWriter::Decision applied;
    QVERIFY2(VantageRecords::applyDecision(c, d, in.freshSeqs, &applied, &error), qPrintable(error));
    QCOMPARE(applied.records.size(), 1);
    const QString all = QStringLiteral("select time_begin,time_end,foe,ip,\"desc\" from logs order by id");
    QCOMPARE(db.rows(all), QStringList{local(10) + QStringLiteral("|") + local(20) + QStringLiteral("|1|10.0.0.1|host 1")});
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from vantage_fresh")).toInt(), 1);

    // The next pass judges only the later one.
    QVERIFY2(VantageRecords::readWriterInputs(c, &in, &error), qPrintable(error));
    QCOMPARE(in.freshSince.keys(), QStringList{ip2});
    d = VantageWriter::decide(in.book, in.intervals, in.vantages, in.rule, in.openLogRows, at(60), in.freshSince);
    QCOMPARE(d.records.size(), 1);
    QVERIFY2(VantageRecords::applyDecision(c, d, in.freshSeqs, &applied, &error), qPrintable(error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from vantage_fresh")).toInt(), 0);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 2);

    // A record never lies over a row the log has: the first again, one
    // overlapping it, or one after an open row's begin. Touching is no overlap.
    db.exec(QStringLiteral("insert into logs (time_begin,ip,\"desc\") values (?,?,?)"),
            {local(30), ip2, QStringLiteral("host 2")});
    VantageWriter::Decision late;
    late.records << VantageWriter::Record{ip1, QStringLiteral("host 1"), at(10), at(20), {n}}
                 << VantageWriter::Record{ip1, QStringLiteral("host 1"), at(15), at(25), {n}}
                 << VantageWriter::Record{ip2, QStringLiteral("host 2"), at(40), at(50), {n}}
                 << VantageWriter::Record{ip1, QStringLiteral("host 1"), at(20), at(22), {n}}
                 << VantageWriter::Record{ip2, QStringLiteral("host 2"), at(10), at(20), {n}};
    QVERIFY2(VantageRecords::applyDecision(c, late, {}, &applied, &error), qPrintable(error));
    QCOMPARE(applied.records.size(), 2);
    QCOMPARE(applied.records.at(0).begin, at(20));
    QCOMPARE(applied.records.at(1).ip, ip2);
    QCOMPARE(applied.records.at(1).begin, at(10));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 5);

    // A stale vantage's history waits for it to be live again (one back
    // from a long cut replays before its first heartbeat); a removed
    // vantage's marks go unjudged.
    const QString s = QStringLiteral("south");
    QVERIFY(VantageRecords::registerVantage(c, s, 10, QStringLiteral("s"), &error));
    db.exec(QStringLiteral("update vantages set last_pass=now()-interval '5 minutes' where name='south'"));
    QVERIFY(VantageRecords::beginOutage(c, s, ip1, moment(70), &error));
    QVERIFY(VantageRecords::endOutage(c, s, ip1, moment(70), moment(75), &error));
    QVERIFY(VantageRecords::readWriterInputs(c, &in, &error));
    QVERIFY(in.freshSeqs.isEmpty());
    QVERIFY(VantageRecords::heartbeat(c, s, 10, QStringLiteral("s"), &error));
    QVERIFY(VantageRecords::readWriterInputs(c, &in, &error));
    QCOMPARE(in.freshSeqs.size(), 1);
    QCOMPARE(in.freshSince.value(ip1), at(70));
    QVERIFY(VantageRecords::beginOutage(c, QStringLiteral("gone"), ip1, moment(80), &error));
    QVERIFY(VantageRecords::endOutage(c, QStringLiteral("gone"), ip1, moment(80), moment(85), &error));
    QVERIFY(VantageRecords::readWriterInputs(c, &in, &error));
    QCOMPARE(in.freshSeqs.size(), 2);
    d = VantageWriter::decide(in.book, in.intervals, in.vantages, in.rule, in.openLogRows, at(90), in.freshSince);
    QCOMPARE(d.records.size(), 1);
    QCOMPARE(d.records.at(0).begin, at(70));
    QVERIFY(VantageRecords::applyDecision(c, d, in.freshSeqs, &applied, &error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from vantage_fresh")).toInt(), 0);
}

QTEST_GUILESS_MAIN(tst_VantageRecords)
#include "tst_vantagerecords.moc"
