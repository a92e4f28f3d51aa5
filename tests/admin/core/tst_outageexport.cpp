// The outage log as CSV: the file's exact form, the filters, and that a
// failed or cancelled export leaves no file behind.
#include "OutageExport.h"
#include "TempDatabase.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using admin::OutageExport;

namespace {

const QString Insert =
    QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class tst_OutageExport : public QObject
{
    Q_OBJECT

private slots:
    void field_data();
    void field();
    void rowsAsWritten();
    void filters_data();
    void filters();
    void cancelledLeavesNoFileAndKeepsOld();
    void failuresLeaveNoFile();
    void marksOnlyWhenAskedFor();
};

void tst_OutageExport::field_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << QStringLiteral("Сервер") << QByteArray("Сервер");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("comma") << QStringLiteral("a,b") << QByteArray("\"a,b\"");
    QTest::newRow("quotes doubled") << QStringLiteral("say \"hi\"") << QByteArray("\"say \"\"hi\"\"\"");
    QTest::newRow("line feed") << QStringLiteral("a\nb") << QByteArray("\"a\nb\"");
    QTest::newRow("carriage return") << QStringLiteral("a\rb") << QByteArray("\"a\rb\"");
    QTest::newRow("apostrophe and semicolon stay bare") << QStringLiteral("O'Brien; x") << QByteArray("O'Brien; x");
    // A spreadsheet would run these: an apostrophe inside quotes shows them as text.
    QTest::newRow("formula") << QStringLiteral("=HYPERLINK(\"x\")") << QByteArray("\"'=HYPERLINK(\"\"x\"\")\"");
    QTest::newRow("plus") << QStringLiteral("+7 495") << QByteArray("\"'+7 495\"");
    QTest::newRow("minus") << QStringLiteral("-2+3") << QByteArray("\"'-2+3\"");
    QTest::newRow("at") << QStringLiteral("@SUM(1)") << QByteArray("\"'@SUM(1)\"");
    QTest::newRow("leading tab") << QStringLiteral("\t=1") << QByteArray("\"'\t=1\"");
    QTest::newRow("leading carriage return") << QStringLiteral("\r=1") << QByteArray("\"'\r=1\"");
    QTest::newRow("apostrophes before a formula get one more")
        << QStringLiteral("''=1") << QByteArray("\"'''=1\"");
    QTest::newRow("formula characters further in stay bare") << QStringLiteral("a=b-c") << QByteArray("a=b-c");
    QTest::newRow("leading apostrophe alone stays bare") << QStringLiteral("'quoted'") << QByteArray("'quoted'");
}

void tst_OutageExport::field()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QCOMPARE(OutageExport::field(text), written);
}

void tst_OutageExport::rowsAsWritten()
{
    TempDatabase db;
    db.exec(Insert, {QStringLiteral("2025-03-01 10:00:00"), QStringLiteral("2025-03-01 12:05:30"), 1,
                     QStringLiteral("10.0.0.1"), QStringLiteral("Шлюз, \"главный\"\nэтаж 2")});
    // Open: whatever time_end holds, no end and no duration.
    db.exec(Insert, {QStringLiteral("2025-03-02 08:00:00"), QVariant(), 0, QStringLiteral("10.0.0.2"), QString()});
    db.exec(Insert, {QStringLiteral("2025-02-28 23:59:59"), QStringLiteral("2025-03-01 00:00:01"), 1,
                     QStringLiteral("10.0.0.3"), QStringLiteral("c")});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    qint64 rows = -1;
    QCOMPARE(OutageExport::toDevice(&out, {}, {}, &error, &rows), OutageExport::Result::Written);
    QCOMPARE(rows, 3);
    // Oldest first; CR LF ends; the line break inside the quotes stays as stored.
    QCOMPARE(out.data(), QByteArray("id,begin,end,duration_s,description,address\r\n"
                                    "3,2025-02-28T23:59:59,2025-03-01T00:00:01,2,c,10.0.0.3\r\n"
                                    "1,2025-03-01T10:00:00,2025-03-01T12:05:30,7530,"
                                    "\"Шлюз, \"\"главный\"\"\nэтаж 2\",10.0.0.1\r\n"
                                    "2,2025-03-02T08:00:00,,,,10.0.0.2\r\n"));
    QCOMPARE(OutageExport::count({}, &error), 3);
}

void tst_OutageExport::filters_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("host"); // "-": no host filter
    QTest::addColumn<QList<int>>("ids");
    const QDate d1(2025, 5, 1), d2(2025, 5, 2), d3(2025, 5, 3);
    QTest::newRow("everything") << QDate() << QDate() << QStringLiteral("-") << QList<int>{1, 2, 3, 4};
    QTest::newRow("from: that whole day on") << d2 << QDate() << QStringLiteral("-") << QList<int>{2, 3, 4};
    QTest::newRow("to: up to its last second") << QDate() << d2 << QStringLiteral("-") << QList<int>{1, 2, 3};
    QTest::newRow("one day") << d2 << d2 << QStringLiteral("-") << QList<int>{2, 3};
    QTest::newRow("a day without outages") << d3 << d3 << QStringLiteral("-") << QList<int>{};
    QTest::newRow("host") << QDate() << QDate() << QStringLiteral("A, \"x\"") << QList<int>{1, 3};
    QTest::newRow("host and day") << d2 << d2 << QStringLiteral("A, \"x\"") << QList<int>{3};
    QTest::newRow("empty description is a host too") << QDate() << QDate() << QString() << QList<int>{4};
    QTest::newRow("host is matched whole") << d1 << QDate() << QStringLiteral("A") << QList<int>{};
}

void tst_OutageExport::filters()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, host);
    QFETCH(QList<int>, ids);
    TempDatabase db;
    db.exec(Insert, {QStringLiteral("2025-05-01 23:59:59"), QStringLiteral("2025-05-02 00:10:00"), 1,
                     QStringLiteral("1.1.1.1"), QStringLiteral("A, \"x\"")});
    db.exec(Insert, {QStringLiteral("2025-05-02 00:00:00"), QVariant(), 0, QStringLiteral("2.2.2.2"), QStringLiteral("B")});
    db.exec(Insert, {QStringLiteral("2025-05-02 23:59:59"), QVariant(), 0, QStringLiteral("1.1.1.1"),
                     QStringLiteral("A, \"x\"")});
    db.exec(Insert, {QStringLiteral("2025-05-04 00:00:00"), QVariant(), 0, QStringLiteral("3.3.3.3"), QString()});
    OutageExport::Filter filter{from, to, host != QLatin1String("-"), host};
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QString error;
    QCOMPARE(OutageExport::toDevice(&out, filter, {}, &error), OutageExport::Result::Written);
    QList<int> got;
    const QList<QByteArray> lines = out.data().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines.at(i).isEmpty())
            got << lines.at(i).left(lines.at(i).indexOf(',')).toInt();
    }
    QCOMPARE(got, ids);
    QCOMPARE(OutageExport::count(filter, &error), ids.size());
}

void tst_OutageExport::cancelledLeavesNoFileAndKeepsOld()
{
    TempDatabase db;
    db.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n where i<3500) "
                           "insert into logs (time_begin,foe,ip) select '2025-01-01 00:00:00',0,'10.0.'||(i/250)||'.'||(i%250) from n"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    QString error;
    QList<qint64> seen;
    const auto cancelAtSecond = [&](qint64 rows) {
        seen << rows;
        return seen.size() < 2;
    };
    QCOMPARE(OutageExport::toFile(path, {}, cancelAtSecond, &error), OutageExport::Result::Cancelled);
    QCOMPARE(seen, (QList<qint64>{1000, 2000}));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // An older export of that name stays as it was.
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    seen.clear();
    QCOMPARE(OutageExport::toFile(path, {}, cancelAtSecond, &error), OutageExport::Result::Cancelled);
    QCOMPARE(readAll(path), QByteArray("old"));

    // Not cancelled: the whole file, and the last report counts every row.
    seen.clear();
    QCOMPARE(OutageExport::toFile(path, {}, [&](qint64 rows) { seen << rows; return true; }, &error),
             OutageExport::Result::Written);
    QCOMPARE(seen, (QList<qint64>{1000, 2000, 3000, 3500}));
    QCOMPARE(readAll(path).count('\n'), 3501);
}

void tst_OutageExport::failuresLeaveNoFile()
{
    TempDatabase db;
    QTemporaryDir dir;
    QString error;
    const QString inMissingDir = dir.filePath(QStringLiteral("no/such/dir/log.csv"));
    QCOMPARE(OutageExport::toFile(inMissingDir, {}, {}, &error), OutageExport::Result::Failed);
    QVERIFY(error.contains(inMissingDir));
    QVERIFY(!QFile::exists(inMissingDir));

    // The log cannot be read: a message with the database's text, no file.
    db.exec(QStringLiteral("drop table logs"));
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    error.clear();
    QCOMPARE(OutageExport::toFile(path, {}, {}, &error), OutageExport::Result::Failed);
    QVERIFY2(error.contains(QStringLiteral("logs")), qPrintable(error));
    QVERIFY(!QFile::exists(path));
    QCOMPARE(OutageExport::count({}, &error), -1);
}

// Unasked, the file is as it always was, however many outages are marked;
// asked, each row says why its outage rang no alarm, the mark found by the
// outage's address and begin.
void tst_OutageExport::marksOnlyWhenAskedFor()
{
    TempDatabase db;
    db.exec(Insert, {QStringLiteral("2025-05-01 10:00:00"), QStringLiteral("2025-05-01 10:05:00"), 1,
                     QStringLiteral("10.0.0.5"), QStringLiteral("Камера")});
    db.exec(Insert, {QStringLiteral("2025-05-01 11:00:00"), QVariant(), 0, QStringLiteral("10.0.0.5"),
                     QStringLiteral("Камера")});
    db.exec(Insert, {QStringLiteral("2025-05-01 11:00:00"), QVariant(), 0, QStringLiteral("10.0.0.6"),
                     QStringLiteral("Склад")});
    const QString mark =
        QStringLiteral("insert into outage_marks (ip_addr,time_begin,reason,detail) values (?,?,?,?)");
    db.exec(mark, {QStringLiteral("10.0.0.5"), QStringLiteral("2025-05-01 11:00:00"), QStringLiteral("behind"),
                   QStringLiteral("Шлюз, 2 этаж")});
    db.exec(mark, {QStringLiteral("10.0.0.6"), QStringLiteral("2025-05-01 11:00:00"), QStringLiteral("muted"),
                   QVariant()});
    const auto exported = [](const OutageExport::Filter &filter) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        if (OutageExport::toDevice(&out, filter, {}, &error) != OutageExport::Result::Written)
            return error.toUtf8();
        return out.data();
    };
    QCOMPARE(exported({}), QByteArray("id,begin,end,duration_s,description,address\r\n"
                                      "1,2025-05-01T10:00:00,2025-05-01T10:05:00,300,Камера,10.0.0.5\r\n"
                                      "2,2025-05-01T11:00:00,,,Камера,10.0.0.5\r\n"
                                      "3,2025-05-01T11:00:00,,,Склад,10.0.0.6\r\n"));
    OutageExport::Filter marked;
    marked.marks = true;
    QCOMPARE(exported(marked),
             QByteArray("id,begin,end,duration_s,description,address,quiet_reason,quiet_detail\r\n"
                        "1,2025-05-01T10:00:00,2025-05-01T10:05:00,300,Камера,10.0.0.5,,\r\n"
                        "2,2025-05-01T11:00:00,,,Камера,10.0.0.5,behind,\"Шлюз, 2 этаж\"\r\n"
                        "3,2025-05-01T11:00:00,,,Склад,10.0.0.6,muted,\r\n"));
    // The filters select as they do without the marks.
    marked.hostSet = true;
    marked.host = QStringLiteral("Склад");
    marked.from = QDate(2025, 5, 1);
    marked.to = QDate(2025, 5, 1);
    QCOMPARE(exported(marked), QByteArray("id,begin,end,duration_s,description,address,quiet_reason,quiet_detail\r\n"
                                          "3,2025-05-01T11:00:00,,,Склад,10.0.0.6,muted,\r\n"));
    QString error;
    QCOMPARE(OutageExport::count(marked, &error), 1);
}

QTEST_GUILESS_MAIN(tst_OutageExport)
#include "tst_outageexport.moc"
