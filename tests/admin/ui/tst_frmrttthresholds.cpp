// The round-trip thresholds dialog over the admin's store on a real
// database: every address of the book with its pair (the defaults where
// none is stored), only the changed rows written, the defaults removing the
// row, and what is refused before anything is written.
#include "AdminStore.h"
#include "TempDatabase.h"
#include "frmRttThresholds.h"

#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace admin;
using namespace Qt::Literals::StringLiterals;

class tst_frmRttThresholds : public QObject
{
    Q_OBJECT

private slots:
    void listsEditsAndWritesOnlyChanges();
    void refusesWhatCannotBeAThreshold_data();
    void refusesWhatCannotBeAThreshold();
};

void tst_frmRttThresholds::listsEditsAndWritesOnlyChanges()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    db.exec(u"delete from addrs"_s);
    for (const auto &[ip, desc] : {std::pair{u"192.0.2.1"_s, u"Шлюз"_s}, std::pair{u"192.0.2.2"_s, u"Склад"_s},
                                   std::pair{u"192.0.2.3"_s, u"Касса"_s}})
        db.exec(u"insert into addrs (ip_addr,descript,ping_timeout) values (?,?,500)"_s, {ip, desc});
    db.exec(u"insert into rtt_thresholds (ip_addr,warn_ms,bad_ms) values ('192.0.2.2',50,80)"_s);
    AdminStore store;
    const auto opened = store.open(db.config());
    QVERIFY(opened.waitFor(10000) && opened.value().outcome.ok);

    frmRttThresholds dialog(store);
    QSignalSpy refreshed(&dialog, &frmRttThresholds::refreshed);
    QVERIFY(refreshed.wait(10000));
    QTableWidget *t = dialog.table();
    QCOMPARE(t->rowCount(), 3);
    auto row = [t](int r) {
        return QStringList{t->item(r, 0)->text(), t->item(r, 1)->text(), t->item(r, 2)->text(), t->item(r, 3)->text()}
            .join(u'|');
    };
    QCOMPARE(row(0), u"192.0.2.1|Шлюз|200|500"_s);
    QCOMPARE(row(1), u"192.0.2.2|Склад|50|80"_s);
    // Addresses and descriptions are the book's: not edited here.
    QVERIFY(!(t->item(0, 0)->flags() & Qt::ItemIsEditable));

    t->item(0, 2)->setText(u"100"_s);
    t->item(0, 3)->setText(u" 300 "_s);
    t->item(1, 2)->setText(u"200"_s);
    t->item(1, 3)->setText(u"500"_s);  // back to the defaults: its row goes
    QSignalSpy saved(&dialog, &frmRttThresholds::saved);
    QVERIFY(dialog.save());
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.first().first().toString(), QString());
    QCOMPARE(db.rows(u"select ip_addr,warn_ms,bad_ms from rtt_thresholds order by ip_addr"_s),
             QStringList{u"192.0.2.1|100|300"_s});
    QVERIFY(refreshed.wait(10000));
    QCOMPARE(row(0), u"192.0.2.1|Шлюз|100|300"_s);
}

void tst_frmRttThresholds::refusesWhatCannotBeAThreshold_data()
{
    QTest::addColumn<QString>("warn");
    QTest::addColumn<QString>("bad");
    QTest::newRow("no number") << u"быстро"_s << u"500"_s;
    QTest::newRow("zero") << u"0"_s << u"500"_s;
    QTest::newRow("very slow below slow") << u"300"_s << u"200"_s;
    QTest::newRow("beyond a minute") << u"200"_s << u"60001"_s;
}

void tst_frmRttThresholds::refusesWhatCannotBeAThreshold()
{
    QFETCH(QString, warn);
    QFETCH(QString, bad);
    QCOMPARE(frmRttThresholds::check(warn, bad).has_value(), false);
    QVERIFY(frmRttThresholds::check(u"1"_s, u"1"_s).has_value());
    QVERIFY(frmRttThresholds::check(u"200"_s, u"60000"_s).has_value());
}

QTEST_MAIN(tst_frmRttThresholds)
#include "tst_frmrttthresholds.moc"
