// The log writer's decision over the book, the vantages' liveness, the rule
// and the open rows of the log.
#include "VantageWriter.h"

#include <QTest>

class tst_VantageWriter : public QObject
{
    Q_OBJECT

private slots:
    void decide_data();
    void decide();
};

// Vantages as "A" (live, 10 s interval), "B:31" (31 s since its last pass)
// or "B:100/60" (100 s since, a 60 s interval); intervals as
// "ip=A:10-20"/"ip=A:10-"; open rows as "ip@begin"; the book is
// 10.0.0.1 … 10.0.0.3 unless the row says otherwise; outages closed since
// the last judgement as "ip>earliest begin". The decision reads
// "close ip@end", "open ip@begin[A,B]" and "record ip@begin-end[A,B]" in
// that order.
static QList<VantageState> vantagesOf(const QString &text)
{
    QList<VantageState> list;
    for (const QString &item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        VantageState v;
        v.name = item.section(QLatin1Char(':'), 0, 0);
        const QString age = item.section(QLatin1Char(':'), 1);
        v.ageSeconds = age.section(QLatin1Char('/'), 0, 0).toLongLong();
        v.intervalSeconds = age.contains(QLatin1Char('/')) ? age.section(QLatin1Char('/'), 1).toInt() : 10;
        list << v;
    }
    return list;
}

static QHash<QString, QList<VantageRule::Interval>> intervalsOf(const QString &text)
{
    QHash<QString, QList<VantageRule::Interval>> byIp;
    for (const QString &item : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString ip = item.section(QLatin1Char('='), 0, 0);
        const QString rest = item.section(QLatin1Char('='), 1);
        const QString span = rest.section(QLatin1Char(':'), 1);
        const QString end = span.section(QLatin1Char('-'), 1);
        byIp[ip] << VantageRule::Interval{rest.section(QLatin1Char(':'), 0, 0),
                                          span.section(QLatin1Char('-'), 0, 0).toLongLong(),
                                          end.isEmpty() ? VantageRule::Open : end.toLongLong()};
    }
    return byIp;
}

void tst_VantageWriter::decide_data()
{
    QTest::addColumn<QString>("book");
    QTest::addColumn<QString>("vantages");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("intervals");
    QTest::addColumn<QString>("openRows");
    QTest::addColumn<QString>("decision");
    QTest::addColumn<QString>("fresh");

    const QString book = QStringLiteral("10.0.0.1 10.0.0.2 10.0.0.3");
    // now is 100 throughout.
    QTest::newRow("all: both down opens one row") << book << "A B" << "all" << "10.0.0.1=A:10- 10.0.0.1=B:20-" << ""
                                                  << "open 10.0.0.1@20[A,B]" << "";
    QTest::newRow("all: one of two down writes nothing") << book << "A B" << "all" << "10.0.0.1=A:10-" << "" << "" << "";
    QTest::newRow("any: one of two down opens") << book << "A B" << "any" << "10.0.0.2=B:30-" << ""
                                                << "open 10.0.0.2@30[B]" << "";
    QTest::newRow("a row already open is not opened again")
        << book << "A B" << "all" << "10.0.0.1=A:10- 10.0.0.1=B:20-" << "10.0.0.1@20" << "" << "";
    QTest::newRow("closes where the rule stopped holding")
        << book << "A B" << "all" << "10.0.0.1=A:10-60 10.0.0.1=B:20-" << "10.0.0.1@20" << "close 10.0.0.1@60" << "";
    QTest::newRow("a replayed break closes the row and opens the next")
        << book << "A B" << "all" << "10.0.0.1=A:10- 10.0.0.1=B:20-40 10.0.0.1=B:50-" << "10.0.0.1@20"
        << "close 10.0.0.1@40 open 10.0.0.1@50[A,B]" << "";
    // B went quiet 31 s ago: only A is live, and all of one is A's view.
    QTest::newRow("stale: all is the live vantages' view")
        << book << "A B:31" << "all" << "10.0.0.1=A:10-" << "" << "open 10.0.0.1@10[A]" << "";
    QTest::newRow("stale: its outage does not make a host down")
        << book << "A B:31" << "any" << "10.0.0.1=B:10-" << "" << "" << "";
    QTest::newRow("stale: nor keeps a row open")
        << book << "A B:31" << "any" << "10.0.0.1=B:10-" << "10.0.0.1@10" << "close 10.0.0.1@100" << "";
    QTest::newRow("stale after 30 s only: 30 s is still live")
        << book << "A B:30" << "all" << "10.0.0.1=A:10-" << "" << "" << "";
    QTest::newRow("stale after three intervals when longer: 100 s of 60 s is live")
        << book << "A B:100/60" << "all" << "10.0.0.1=A:10-" << "" << "" << "";
    QTest::newRow("stale after three intervals: 181 s of 60 s is stale")
        << book << "A B:181/60" << "all" << "10.0.0.1=A:10-" << "" << "open 10.0.0.1@10[A]" << "";
    QTest::newRow("K beyond the live vantages closes what is open")
        << book << "A B C:40" << "3" << "10.0.0.1=A:10- 10.0.0.1=B:10- 10.0.0.1=C:10-" << "10.0.0.1@10"
        << "close 10.0.0.1@100" << "";
    QTest::newRow("an address that left the book keeps its row")
        << book << "A" << "any" << "10.9.9.9=A:10-20" << "10.9.9.9@10" << "" << "";
    QTest::newRow("an open row nobody saw closes now") << book << "A B" << "all" << "" << "10.0.0.3@50"
                                                       << "close 10.0.0.3@100" << "";
    QTest::newRow("an address twice in the book is judged once")
        << "10.0.0.1 10.0.0.1" << "A" << "all" << "10.0.0.1=A:10-" << "" << "open 10.0.0.1@10[A]" << "";
    QTest::newRow("several addresses, in the book's order")
        << "10.0.0.3 10.0.0.1" << "A B" << "any" << "10.0.0.1=A:10- 10.0.0.3=B:5-" << ""
        << "open 10.0.0.3@5[B] open 10.0.0.1@10[A]" << "";

    // Histories learned late: outages closed before the writer saw them open.
    QTest::newRow("fresh: an outage over before the writer looked is recorded")
        << book << "A B" << "any" << "10.0.0.1=A:10-20" << "" << "record 10.0.0.1@10-20[A]" << "10.0.0.1>10";
    QTest::newRow("fresh: a replayed outage completes the rule with one still open")
        << book << "A B" << "all" << "10.0.0.1=A:10- 10.0.0.1=B:30-50" << "" << "record 10.0.0.1@30-50[A,B]"
        << "10.0.0.1>30";
    QTest::newRow("fresh: nothing closed since the last judgement, nothing recorded")
        << book << "A B" << "all" << "10.0.0.1=A:10- 10.0.0.1=B:30-50" << "" << "" << "";
    QTest::newRow("fresh: only what ended after the earliest fresh begin")
        << book << "A" << "any" << "10.0.0.1=A:10-20 10.0.0.1=A:30-40" << "" << "record 10.0.0.1@30-40[A]"
        << "10.0.0.1>30";
    QTest::newRow("fresh: a stretch within the open row is the row's")
        << book << "A B" << "all" << "10.0.0.1=A:10-60 10.0.0.1=B:20-" << "10.0.0.1@20" << "close 10.0.0.1@60"
        << "10.0.0.1>10";
    QTest::newRow("fresh: a stretch after the row that closes is recorded")
        << book << "A B" << "all" << "10.0.0.1=A:10-60 10.0.0.1=B:20- 10.0.0.1=A:70-80" << "10.0.0.1@20"
        << "close 10.0.0.1@60 record 10.0.0.1@70-80[A,B]" << "10.0.0.1>70";
    QTest::newRow("fresh: a stretch before an open row is recorded, the row stays")
        << book << "A" << "any" << "10.0.0.1=A:10-20 10.0.0.1=A:30-" << "10.0.0.1@30" << "record 10.0.0.1@10-20[A]"
        << "10.0.0.1>10";
    QTest::newRow("fresh: a stale vantage's history is not judged")
        << book << "A B:31" << "any" << "10.0.0.1=B:10-20" << "" << "" << "10.0.0.1>10";
    QTest::newRow("fresh: and records and opens together")
        << book << "A" << "any" << "10.0.0.1=A:10-20 10.0.0.1=A:30-" << "" << "open 10.0.0.1@30[A] record 10.0.0.1@10-20[A]"
        << "10.0.0.1>10";
}

void tst_VantageWriter::decide()
{
    QFETCH(QString, book);
    QFETCH(QString, vantages);
    QFETCH(QString, rule);
    QFETCH(QString, intervals);
    QFETCH(QString, openRows);
    QFETCH(QString, decision);
    QFETCH(QString, fresh);

    QHash<QString, qint64> freshSince;
    for (const QString &item : fresh.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        freshSince.insert(item.section(QLatin1Char('>'), 0, 0), item.section(QLatin1Char('>'), 1).toLongLong());
    QList<VantageWriter::Host> hosts;
    for (const QString &ip : book.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        hosts << VantageWriter::Host{ip, QStringLiteral("host ") + ip};
    QList<VantageWriter::OpenRow> rows;
    for (const QString &row : openRows.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        rows << VantageWriter::OpenRow{row.section(QLatin1Char('@'), 0, 0),
                                       row.section(QLatin1Char('@'), 1).toLongLong()};

    const VantageWriter::Decision d = VantageWriter::decide(hosts, intervalsOf(intervals), vantagesOf(vantages),
                                                            *VantageRule::fromText(rule), rows, 100, freshSince);
    QStringList text;
    for (const VantageWriter::Close &c : d.closes)
        text << QStringLiteral("close %1@%2").arg(c.ip).arg(c.end);
    for (const VantageWriter::Open &o : d.opens) {
        text << QStringLiteral("open %1@%2[%3]").arg(o.ip).arg(o.begin).arg(o.vantages.join(QLatin1Char(',')));
        QCOMPARE(o.description, QStringLiteral("host ") + o.ip);
    }
    for (const VantageWriter::Record &r : d.records) {
        text << QStringLiteral("record %1@%2-%3[%4]").arg(r.ip).arg(r.begin).arg(r.end).arg(r.vantages.join(QLatin1Char(',')));
        QCOMPARE(r.description, QStringLiteral("host ") + r.ip);
    }
    QCOMPARE(text.join(QLatin1Char(' ')), decision);
}

QTEST_GUILESS_MAIN(tst_VantageWriter)
#include "tst_vantagewriter.moc"
