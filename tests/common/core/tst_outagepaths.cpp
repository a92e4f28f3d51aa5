// The paths traced at outages' begins and the board's round-trip thresholds
// as the database keeps them, on the file and (the _server variant) on the
// server: a retried write keeps the first, only open outages' paths are
// read back as open, rows by id, unanswered hops as nulls.
#include "OutagePaths.h"
#include "TempDatabase.h"

#include <QSqlQuery>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

OutagePaths::Path path(const QString &ip, const QString &begin, const QList<OutagePaths::Hop> &hops)
{
    return OutagePaths::Path{ip, begin, hops};
}

const QList<OutagePaths::Hop> ThroughRouter = {{1, u"192.0.2.1"_s, 412}, {2, QString(), std::nullopt}, {3, QString(), std::nullopt}};

} // namespace

class tst_OutagePaths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (TempDatabase::serverMissing())
            QSKIP("the tests' PostgreSQL server is not running");
    }
    void keptWithItsOutageAndReadBack();
    void thresholdsDefaultsAndChanges();
    void text();
};

void tst_OutagePaths::keptWithItsOutageAndReadBack()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(u"insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)"_s,
                    {u"2026-03-02 11:00:00"_s, u"2026-03-02 11:05:00"_s, 1, u"198.51.100.2"_s, u"server"_s}));
    QVERIFY(db.exec(u"insert into logs (time_begin,foe,ip,\"desc\") values (?,?,?,?)"_s,
                    {u"2026-03-02 12:00:00"_s, 0, u"198.51.100.2"_s, u"server"_s}));
    QString error;
    QVERIFY2(OutagePaths::write(db.connection(), path(u"198.51.100.2"_s, u"2026-03-02 11:00:00"_s, {{1, u"192.0.2.9"_s, 100}}),
                                &error),
             qPrintable(error));
    QVERIFY2(OutagePaths::write(db.connection(), path(u"198.51.100.2"_s, u"2026-03-02 12:00:00"_s, ThroughRouter), &error),
             qPrintable(error));
    // Written again (a retry): the first stays, nothing doubles.
    QVERIFY(OutagePaths::write(db.connection(),
                               path(u"198.51.100.2"_s, u"2026-03-02 12:00:00"_s, {{1, u"203.0.113.1"_s, 5}}), &error));

    QList<OutagePaths::Path> open;
    QVERIFY2(OutagePaths::readOpen(db.connection(), &open, &error), qPrintable(error));
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.first().begin, u"2026-03-02 12:00:00"_s);
    QCOMPARE(open.first().hops, ThroughRouter);

    QSqlQuery ids(db.connection());
    QVERIFY(ids.exec(u"select id from logs order by id"_s));
    QVector<qint64> all;
    while (ids.next())
        all << ids.value(0).toLongLong();
    all << 999'999;  // no such row
    QHash<qint64, QList<OutagePaths::Hop>> byId;
    QVERIFY2(OutagePaths::readByIds(db.connection(), all, &byId, &error), qPrintable(error));
    QCOMPARE(byId.size(), 2);
    QCOMPARE(byId.value(all.at(0)), (QList<OutagePaths::Hop>{{1, u"192.0.2.9"_s, 100}}));
    QCOMPARE(byId.value(all.at(1)), ThroughRouter);
}

void tst_OutagePaths::thresholdsDefaultsAndChanges()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QString error;
    QHash<QString, OutagePaths::Thresholds> read;
    QVERIFY2(OutagePaths::readThresholds(db.connection(), &read, &error), qPrintable(error));
    QVERIFY(read.isEmpty());
    QVERIFY(OutagePaths::writeThresholds(db.connection(), u"192.0.2.1"_s, {50, 80}, &error));
    QVERIFY(OutagePaths::writeThresholds(db.connection(), u"192.0.2.2"_s, {300, 900}, &error));
    QVERIFY(OutagePaths::writeThresholds(db.connection(), u"192.0.2.1"_s, {60, 90}, &error));
    QVERIFY(OutagePaths::readThresholds(db.connection(), &read, &error));
    QCOMPARE(read.size(), 2);
    QCOMPARE(read.value(u"192.0.2.1"_s), (OutagePaths::Thresholds{60, 90}));
    // Back to the defaults: the row goes.
    QVERIFY(OutagePaths::writeThresholds(db.connection(), u"192.0.2.2"_s, {}, &error));
    QVERIFY(OutagePaths::readThresholds(db.connection(), &read, &error));
    QCOMPARE(read.keys(), QList<QString>{u"192.0.2.1"_s});
}

void tst_OutagePaths::text()
{
    QLocale::setDefault(QLocale::c());
    QCOMPARE(OutagePaths::text(ThroughRouter), u"1  192.0.2.1  0.4 мс\n2  *\n3  *"_s);
    QCOMPARE(OutagePaths::text({}), QString());
}

QTEST_GUILESS_MAIN(tst_OutagePaths)
#include "tst_outagepaths.moc"
