// Bringing addresses in from CSV and back out: the reader against hostile
// files, the classification of every line against the book, the refusals,
// the one-transaction write and the round trip through the export.
#include "AddressBook.h"
#include "AddressExport.h"
#include "AddressImport.h"
#include "AddressParents.h"
#include "AddressText.h"
#include "CsvReader.h"
#include "TempDatabase.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace admin;
using Kind = AddressImport::Kind;
using Reason = AddressImport::Reason;

namespace {

AddressImport::Book readBook(TempDatabase &db)
{
    AddressImport::Book book;
    QString error;
    if (!AddressImport::readBook(db.connection(), &book, &error))
        qWarning("%s", qPrintable(error));
    return book;
}

// "line:kind[:reason]" per line, for compact comparisons.
QStringList outline(const AddressImport::Plan &plan)
{
    static const char *const kinds[] = {"new", "changed", "unchanged", "refused"};
    static const char *const reasons[] = {"",          "unreadable", "header",  "fields",  "address", "timeout",
                                          "unknown",   "refused",    "removed", "cycle",   "duplicate",
                                          "legacy",    "samehost",   "noheader"};
    QStringList out;
    for (const AddressImport::Line &line : plan.lines) {
        QString text = QStringLiteral("%1:%2").arg(line.line).arg(QLatin1String(kinds[int(line.kind)]));
        if (line.kind == Kind::Refused)
            text += QLatin1Char(':') + QLatin1String(reasons[int(line.reason)]);
        out << text;
    }
    return out;
}

QStringList bookRows(TempDatabase &db)
{
    return db.rows(QStringLiteral("select a.ip_addr,a.descript,a.ping_timeout,coalesce(p.parent_ip,'') from addrs a "
                                  "left join addr_parents p on p.ip_addr=a.ip_addr order by 1"));
}

} // namespace

class tst_AddressImport : public QObject
{
    Q_OBJECT

private slots:
    void reader_data();
    void reader();
    void sortKeyOrder_data();
    void sortKeyOrder();
    void isAddress_data();
    void isAddress();
    void classification_data();
    void classification();
    void cutShortTextToldByItsLastLine_data();
    void cutShortTextToldByItsLastLine();
    void formulasExportedGuardedAndReadBackExactly();
    void decodeDropsTheByteOrderMark();
    void applyWritesInOneGoAndTheRoundTripChangesNothing();
    void replaceRemovesWhatTheFileDoesNotName();
    void failedWriteLeavesTheBookAsItWas();
    void parentsRefuseCyclesAndHandOnChildren();
    void removalEndsTheOpenOutageThenAndThere();
};

void tst_AddressImport::reader_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records"); // "line|field;field" ("!" + error for a bad record)

    QTest::newRow("LF") << QStringLiteral("a,b\nc,d\n") << QStringList{QStringLiteral("1|a;b"), QStringLiteral("2|c;d")};
    QTest::newRow("CR LF, no final line end")
        << QStringLiteral("a,b\r\nc,d") << QStringList{QStringLiteral("1|a;b"), QStringLiteral("2|c;d")};
    QTest::newRow("quoted comma, quote and line breaks, line counted")
        << QStringLiteral("\"x, \"\"y\"\"\",\"one\r\ntwo\nthree\"\nnext,1\n")
        << QStringList{QStringLiteral("1|x, \"y\";one\r\ntwo\nthree"), QStringLiteral("4|next;1")};
    QTest::newRow("empty lines kept as blank records")
        << QStringLiteral("a\n\n\r\nb\n") << QStringList{QStringLiteral("1|a"), QStringLiteral("2|"), QStringLiteral("3|"),
                                                         QStringLiteral("4|b")};
    QTest::newRow("empty fields") << QStringLiteral(",,\n") << QStringList{QStringLiteral("1|;;")};
    QTest::newRow("quote inside an unquoted field is a character")
        << QStringLiteral("ab\"c,d\n") << QStringList{QStringLiteral("1|ab\"c;d")};
    QTest::newRow("text after the closing quote")
        << QStringLiteral("\"a\"b,c\nd\n") << QStringList{QStringLiteral("1!a;c"), QStringLiteral("2|d")};
    QTest::newRow("the writer's guard dropped from a quoted field only")
        << QStringLiteral("\"'=1\",'=2,\"''-3\",\"'x\"\n")
        << QStringList{QStringLiteral("1|=1;'=2;'-3;'x")};
    QTest::newRow("quote open to the end")
        << QStringLiteral("a,\"b\nc,d\n") << QStringList{QStringLiteral("1!a;b\nc,d\n")};
}

void tst_AddressImport::reader()
{
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    CsvReader reader(text);
    CsvReader::Record record;
    QStringList got;
    while (reader.next(&record))
        got << QStringLiteral("%1%2%3").arg(record.line).arg(QChar(record.error.isEmpty() ? u'|' : u'!')).arg(record.fields.join(u';'));
    QCOMPARE(got, records);
}

void tst_AddressImport::sortKeyOrder_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("last byte numerically") << QStringLiteral("127.0.0.2") << QStringLiteral("127.0.0.10");
    QTest::newRow("first byte numerically") << QStringLiteral("9.1.1.1") << QStringLiteral("10.0.0.0");
    QTest::newRow("IPv4 before IPv6") << QStringLiteral("255.255.255.254") << QStringLiteral("::1");
    QTest::newRow("IPv6 groups numerically") << QStringLiteral("fd00::2") << QStringLiteral("fd00::10");
    QTest::newRow("IPv6 written short or long") << QStringLiteral("2001:db8::1") << QStringLiteral("2001:db8:0:0:0:0:0:2");
    QTest::newRow("no zone before a zone") << QStringLiteral("fe80::1") << QStringLiteral("fe80::1%eth0");
    QTest::newRow("mapped IPv4 among IPv4") << QStringLiteral("::ffff:10.0.0.1") << QStringLiteral("10.0.0.2");
    QTest::newRow("addresses before names") << QStringLiteral("ffff::1") << QStringLiteral("router");
}

void tst_AddressImport::sortKeyOrder()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    QVERIFY(AddressText::sortKey(before) < AddressText::sortKey(after));
}

void tst_AddressImport::isAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("address");
    QTest::newRow("IPv4") << QStringLiteral("192.168.1.10") << true;
    QTest::newRow("IPv4 short form, read as another host") << QStringLiteral("127.1") << false;
    QTest::newRow("octal part, read as another host") << QStringLiteral("010.0.0.1") << false;
    QTest::newRow("mapped IPv4") << QStringLiteral("::ffff:10.0.0.1") << true;
    QTest::newRow("IPv6") << QStringLiteral("2001:db8::10") << true;
    QTest::newRow("IPv6 with named zone") << QStringLiteral("fe80::1%eth0") << true;
    QTest::newRow("IPv6 with numbered zone") << QStringLiteral("fe80::1%2") << true;
    QTest::newRow("empty zone") << QStringLiteral("fe80::1%") << false;
    QTest::newRow("trailing words") << QStringLiteral("127.0.0.1 router") << false;
    QTest::newRow("octet too big") << QStringLiteral("10.0.0.256") << false;
    QTest::newRow("broadcast cannot be probed") << QStringLiteral("255.255.255.255") << false;
    QTest::newRow("host name") << QStringLiteral("router.local") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("4000 characters") << QString(4000, u'1') << false;
}

void tst_AddressImport::isAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, address);
    QCOMPARE(AddressText::isAddress(text), address);
}

void tst_AddressImport::classification_data()
{
    QTest::addColumn<QString>("book");   // lines of the same format, written first
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QStringList>("outline");

    const QString header = QStringLiteral("address,description,timeout_ms,parent\r\n");
    const QString book = header + QStringLiteral("10.0.0.1,Шлюз,500,\r\n10.0.0.2,Сервер,300,10.0.0.1\r\n");
    QTest::newRow("new, changed, unchanged")
        << book << header + QStringLiteral("10.0.0.1,Шлюз,500,\n10.0.0.2,Сервер,301,10.0.0.1\n10.0.0.3,,,\n") << false
        << QStringList{QStringLiteral("2:unchanged"), QStringLiteral("3:changed"), QStringLiteral("4:new")};
    QTest::newRow("without a header, address only")
        << book << QStringLiteral("10.0.0.1\n10.0.0.9\n") << false
        << QStringList{QStringLiteral("1:unchanged"), QStringLiteral("2:new")};
    QTest::newRow("columns in another order, parent column left out keeps the parent")
        << book << QStringLiteral("description,address\nСервер,10.0.0.2\n") << false << QStringList{QStringLiteral("2:unchanged")};
    QTest::newRow("empty parent cell clears the parent")
        << book << header + QStringLiteral("10.0.0.2,Сервер,300,\n") << false << QStringList{QStringLiteral("2:changed")};
    QTest::newRow("unknown column")
        << book << QStringLiteral("address,description,colour\n10.0.0.5,x,red\n") << false
        << QStringList{QStringLiteral("1:refused:header")};
    QTest::newRow("description column missing")
        << book << QStringLiteral("address,timeout_ms\n10.0.0.5,100\n") << false << QStringList{QStringLiteral("1:refused:header")};
    QTest::newRow("refusals, line numbers counted with the header and blank lines")
        << book
        << header
               + QStringLiteral("router,x,,\n\n10.0.0.5,x,0,\n10.0.0.6,x,60001,\n10.0.0.7,x,abc,\n10.0.0.8,x,,10.9.9.9\n"
                                "10.0.0.5,again,,\n10.0.0.9,x,,,extra\n10.0.0.10,x,60000,\n")
        << false
        << QStringList{QStringLiteral("2:refused:address"), QStringLiteral("4:refused:timeout"),
                       QStringLiteral("5:refused:timeout"), QStringLiteral("6:refused:timeout"),
                       QStringLiteral("7:refused:unknown"), QStringLiteral("8:refused:duplicate"),
                       QStringLiteral("9:refused:fields"), QStringLiteral("10:new")};
    QTest::newRow("a parent later in the file than its child")
        << book << header + QStringLiteral("10.0.1.2,child,,10.0.1.1\n10.0.1.1,parent,,\n") << false
        << QStringList{QStringLiteral("2:new"), QStringLiteral("3:new")};
    QTest::newRow("a cycle of three, and its child")
        << book
        << header + QStringLiteral("10.0.1.1,a,,10.0.1.3\n10.0.1.2,b,,10.0.1.1\n10.0.1.3,c,,10.0.1.2\n10.0.1.4,d,,10.0.1.3\n")
        << false
        << QStringList{QStringLiteral("2:refused:cycle"), QStringLiteral("3:refused:cycle"), QStringLiteral("4:refused:cycle"),
                       QStringLiteral("5:refused:refused")};
    QTest::newRow("own parent") << book << header + QStringLiteral("10.0.1.1,a,,10.0.1.1\n") << false
                                << QStringList{QStringLiteral("2:refused:cycle")};
    QTest::newRow("a cycle through the book") << book << header + QStringLiteral("10.0.0.1,Шлюз,500,10.0.0.2\n") << false
                                              << QStringList{QStringLiteral("2:refused:cycle")};
    QTest::newRow("parent on a refused line only")
        << book << header + QStringLiteral("10.0.1.1,a,99999,\n10.0.1.2,b,,10.0.1.1\n") << false
        << QStringList{QStringLiteral("2:refused:timeout"), QStringLiteral("3:refused:refused")};
    QTest::newRow("replace: parent only in the book is removed")
        << book << header + QStringLiteral("10.0.1.1,a,,10.0.0.1\n") << true
        << QStringList{QStringLiteral("2:refused:removed")};
    QTest::newRow("replace: kept parent removed is dropped")
        << book << QStringLiteral("address,description\n10.0.0.2,Сервер\n") << true << QStringList{QStringLiteral("2:changed")};
    QTest::newRow("older IPv4 spellings refused, each once")
        << book
        << header + QStringLiteral("010.0.0.1,octal,,\n10.1,short,,\n0x0a000001,hex,,\n10.0.0.01,padded,,\n10.0.0.3,ok,,\n")
        << false
        << QStringList{QStringLiteral("2:refused:legacy"), QStringLiteral("3:refused:legacy"),
                       QStringLiteral("4:refused:legacy"), QStringLiteral("5:refused:legacy"), QStringLiteral("6:new")};
    QTest::newRow("one host spelled twice in the file")
        << book
        << header + QStringLiteral("fd00::1,a,,\nFD00:0::1,b,,\n10.0.0.7,c,,\n::ffff:10.0.0.7,d,,\n")
        << false
        << QStringList{QStringLiteral("2:new"), QStringLiteral("3:refused:duplicate"), QStringLiteral("4:new"),
                       QStringLiteral("5:refused:duplicate")};
    QTest::newRow("a book host spelled otherwise")
        << book << header + QStringLiteral("::ffff:10.0.0.1,Шлюз,500,\n") << false
        << QStringList{QStringLiteral("2:refused:samehost")};
    QTest::newRow("replace: the other spelling replaces the book's")
        << book << header + QStringLiteral("::ffff:10.0.0.1,Шлюз,500,\n10.0.0.2,Сервер,300,\n") << true
        << QStringList{QStringLiteral("2:new"), QStringLiteral("3:changed")};
    QTest::newRow("another program's header: one refusal")
        << book << QStringLiteral("IP,Name,Timeout\n10.0.0.5,x,100\n10.0.0.6,y,100\n") << false
        << QStringList{QStringLiteral("1:refused:noheader")};
    QTest::newRow("no header, first line an older spelling: read as lines")
        << book << QStringLiteral("10.1,x\n10.0.0.5,y\n") << false
        << QStringList{QStringLiteral("1:refused:legacy"), QStringLiteral("2:new")};
    QTest::newRow("guarded fields read back as stored")
        << header + QStringLiteral("10.0.3.1,\"'=1+1\",,\r\n10.0.3.2,\"''-x\",,\r\n")
        << header + QStringLiteral("10.0.3.1,=1+1,,\n10.0.3.2,'-x,,\n") << false
        << QStringList{QStringLiteral("2:unchanged"), QStringLiteral("3:unchanged")};
    QTest::newRow("hostile fields")
        << book
        << QStringLiteral("\xfeff") + header
               + QStringLiteral("fe80::1%eth0,\"a, \"\"quoted\"\"\r\nmulti-line\",,\r\n"
                                "10.0.2.1,%1,,\r\n%2,x,,\r\n2001:db8::1,x,,fe80::1%eth0\r\n")
                     .arg(QString(10240, u'д'), QString(4000, u'9'))
        << false
        << QStringList{QStringLiteral("2:new"), QStringLiteral("4:new"), QStringLiteral("5:refused:address"),
                       QStringLiteral("6:new")};
}

void tst_AddressImport::classification()
{
    QFETCH(QString, book);
    QFETCH(QString, text);
    QFETCH(bool, replace);
    QFETCH(QStringList, outline);

    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from addrs")));
    AddressImport::Written written;
    QString error;
    QVERIFY2(AddressImport::apply(db.connection(), AddressImport::plan(book, {}, false), &written, &error), qPrintable(error));
    const QStringList before = bookRows(db);
    const AddressImport::Plan plan = AddressImport::plan(text, readBook(db), replace);
    QCOMPARE(::outline(plan), outline);
    // Planning never writes.
    QCOMPARE(bookRows(db), before);
    for (const AddressImport::Line &line : plan.lines) {
        if (line.kind == Kind::Refused)
            QVERIFY2(AddressImport::refusalText(line).startsWith(QStringLiteral("строка %1: ").arg(line.line)),
                     qPrintable(AddressImport::refusalText(line)));
    }
}

void tst_AddressImport::cutShortTextToldByItsLastLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line"); // 0: whole

    const QString lines = QStringLiteral("address,description\n10.0.0.1,a\n");
    QTest::newRow("whole, LF") << lines << 0;
    QTest::newRow("whole, CR LF") << QStringLiteral("10.0.0.1,a\r\n") << 0;
    QTest::newRow("whole, lone CR") << QStringLiteral("10.0.0.1,a\r") << 0;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("cut inside an address") << lines + QStringLiteral("10.100.195") << 3;
    QTest::newRow("cut after a blank line") << lines + QStringLiteral("\n10.0.0.2,b") << 4;
    QTest::newRow("cut inside a quoted line break") << lines + QStringLiteral("10.0.0.3,\"one\ntw") << 3;
}

void tst_AddressImport::cutShortTextToldByItsLastLine()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    for (const bool replace : {false, true}) {
        const AddressImport::Plan plan = AddressImport::plan(text, {}, replace);
        QCOMPARE(plan.unterminatedLine, line);
        const QString told = AddressImport::cutShortText(plan);
        QCOMPARE(told.isEmpty(), line == 0);
        if (line > 0)
            QVERIFY2(told.startsWith(QStringLiteral("строка %1 ").arg(line)), qPrintable(told));
    }
    if (line == 3 && text.endsWith(QLatin1String("10.100.195")))
        QVERIFY(AddressImport::cutShortText(AddressImport::plan(text, {}, true)).contains(QLatin1String("10.100.195")));
}

void tst_AddressImport::formulasExportedGuardedAndReadBackExactly()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QStringList descriptions{QStringLiteral("=1+1"),   QStringLiteral("+7 495 000"), QStringLiteral("-x"),
                                   QStringLiteral("@SUM(A1)"), QStringLiteral("\tcmd"),     QStringLiteral("\r=2"),
                                   QStringLiteral("'=3"),     QStringLiteral("''-4"),        QStringLiteral("'plain"),
                                   QStringLiteral("a=b")};
    for (int i = 0; i < descriptions.size(); ++i)
        QVERIFY(db.exec(QStringLiteral("insert into addrs values (?,?,500)"),
                        {QStringLiteral("10.0.4.%1").arg(i + 1), descriptions.at(i)}));
    QBuffer out;
    QVERIFY(out.open(QIODevice::WriteOnly));
    QString error;
    QVERIFY2(AddressExport::toDevice(db.connection(), &out, nullptr, &error), qPrintable(error));
    const QByteArray exported = out.data();
    QVERIFY2(exported.contains("10.0.4.1,\"'=1+1\",500,"), exported.constData());
    QVERIFY2(exported.contains("10.0.4.7,\"''=3\",500,"), exported.constData());
    QVERIFY2(exported.contains("10.0.4.9,'plain,500,"), exported.constData());
    // No cell of the file starts a formula.
    for (const QByteArray &line : exported.split('\n')) {
        for (const QByteArray &cell : line.split(','))
            QVERIFY2(cell.isEmpty() || !QByteArray("=+-@\t").contains(cell.at(0)), line.constData());
    }
    QString text;
    QVERIFY(AddressImport::decode(exported, &text, &error));
    const AddressImport::Plan back = AddressImport::plan(text, readBook(db), true);
    QCOMPARE(back.count(Kind::Unchanged), descriptions.size() + 1);
    QVERIFY(back.isNoOp());
}

void tst_AddressImport::decodeDropsTheByteOrderMark()
{
    QString text;
    QString error;
    QVERIFY(AddressImport::decode(QByteArray("\xef\xbb\xbf" "address,description\n"), &text, &error));
    QCOMPARE(text, QStringLiteral("address,description\n"));
    QVERIFY(!AddressImport::decode(QByteArray("10.0.0.1,\xff\xfe\n"), &text, &error));
    QVERIFY(!error.isEmpty());
}

void tst_AddressImport::applyWritesInOneGoAndTheRoundTripChangesNothing()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("update addrs set descript=null")));
    const QString text = QStringLiteral(
        "address,description,timeout_ms,parent\r\n"
        "10.0.0.10,\"Склад, ряд \"\"2\"\"\r\nвторой этаж\",250,10.0.0.2\r\n"
        "10.0.0.2,Коммутатор,,127.0.0.1\r\n"
        "fe80::1%eth0,Link,60000,\r\n");
    const AddressImport::Plan plan = AddressImport::plan(text, readBook(db), false);
    AddressImport::Written written;
    QString error;
    QVERIFY2(AddressImport::apply(db.connection(), plan, &written, &error), qPrintable(error));
    QCOMPARE(written.added, 3);
    QCOMPARE(bookRows(db), (QStringList{QStringLiteral("10.0.0.10|Склад, ряд \"2\"\r\nвторой этаж|250|10.0.0.2"),
                                        QStringLiteral("10.0.0.2|Коммутатор|500|127.0.0.1"),
                                        QStringLiteral("127.0.0.1|<null>|500|"),
                                        QStringLiteral("fe80::1%eth0|Link|60000|")}));

    // Out and in again: every line unchanged, nothing written.
    QBuffer out;
    QVERIFY(out.open(QIODevice::WriteOnly));
    int rows = 0;
    QVERIFY2(AddressExport::toDevice(db.connection(), &out, &rows, &error), qPrintable(error));
    QCOMPARE(rows, 4);
    const QByteArray exported = out.data();
    QVERIFY(exported.startsWith("address,description,timeout_ms,parent\r\n10.0.0.2,"));
    QString again;
    QVERIFY(AddressImport::decode(exported, &again, &error));
    const AddressImport::Plan back = AddressImport::plan(again, readBook(db), true);
    QCOMPARE(back.count(Kind::Unchanged), 4);
    QVERIFY(back.isNoOp());
    QVERIFY(back.removals.isEmpty());
}

void tst_AddressImport::replaceRemovesWhatTheFileDoesNotName()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("insert into addrs values ('10.0.0.1','a',1),('10.0.0.2','b',2)")));
    QVERIFY(db.exec(QStringLiteral("insert into addr_parents values ('10.0.0.2','10.0.0.1')")));
    const AddressImport::Plan plan =
        AddressImport::plan(QStringLiteral("10.0.0.2,b,2,\n10.0.0.3,c,3,10.0.0.2\n"), readBook(db), true);
    QCOMPARE(plan.removals, (QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("127.0.0.1")}));
    AddressImport::Written written;
    QString error;
    QVERIFY2(AddressImport::apply(db.connection(), plan, &written, &error), qPrintable(error));
    QCOMPARE(written.removed, 2);
    QCOMPARE(bookRows(db), (QStringList{QStringLiteral("10.0.0.2|b|2|"), QStringLiteral("10.0.0.3|c|3|10.0.0.2")}));
}

void tst_AddressImport::failedWriteLeavesTheBookAsItWas()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QStringList before = bookRows(db);
    QString lines;
    for (int i = 1; i <= 50; ++i)
        lines += QStringLiteral("10.1.0.%1,x,,\n").arg(i);
    const AddressImport::Plan plan = AddressImport::plan(lines, readBook(db), false);
    QCOMPARE(plan.count(Kind::New), 50);
    QVERIFY(db.refuse(QStringLiteral("insert"), QStringLiteral("addr_parents"), QStringLiteral("kaputt")));
    // Parents are written last: their failure must take the addresses back too.
    const AddressImport::Plan withParent =
        AddressImport::plan(lines + QStringLiteral("10.1.1.1,y,,10.1.0.1\n"), readBook(db), false);
    AddressImport::Written written;
    QString error;
    QVERIFY(!AddressImport::apply(db.connection(), withParent, &written, &error));
    QVERIFY2(error.contains(QStringLiteral("kaputt")), qPrintable(error));
    QCOMPARE(written.added, 0);
    QCOMPARE(bookRows(db), before);
}

void tst_AddressImport::parentsRefuseCyclesAndHandOnChildren()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("insert into addrs values ('10.0.0.1','r',1),('10.0.0.2','s',2),('10.0.0.3','h',3),"
                                   "('10.0.0.4','h',4)")));
    const QSqlDatabase c = db.connection();
    bool cycle = false;
    QString error;
    QVERIFY(AddressParents::setParent(c, QStringLiteral("10.0.0.2"), QStringLiteral("10.0.0.1"), &cycle, &error));
    QVERIFY(AddressParents::setParent(c, QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.2"), &cycle, &error));
    QVERIFY(AddressParents::setParent(c, QStringLiteral("10.0.0.4"), QStringLiteral("10.0.0.2"), &cycle, &error));
    QVERIFY(!AddressParents::setParent(c, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.3"), &cycle, &error));
    QVERIFY(cycle);
    QVERIFY(!AddressParents::setParent(c, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1"), &cycle, &error));
    QVERIFY(cycle);
    int children = 0;
    QVERIFY(AddressParents::countChildren(c, QStringLiteral("10.0.0.2"), &children, &error));
    QCOMPARE(children, 2);

    // Moved on to the removed address's own parent.
    QVERIFY(AddressParents::removeAddress(c, QStringLiteral("10.0.0.2"), AddressParents::Children::MoveToItsParent, &error));
    QCOMPARE(bookRows(db).mid(0, 3), (QStringList{QStringLiteral("10.0.0.1|r|1|"), QStringLiteral("10.0.0.3|h|3|10.0.0.1"),
                                                  QStringLiteral("10.0.0.4|h|4|10.0.0.1")}));
    // Left without a parent.
    QVERIFY(AddressParents::removeAddress(c, QStringLiteral("10.0.0.1"), AddressParents::Children::LeaveWithoutParent, &error));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addr_parents")).toInt(), 0);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addrs where ip_addr in ('10.0.0.1','10.0.0.2')")).toInt(), 0);
}

void tst_AddressImport::removalEndsTheOpenOutageThenAndThere()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QString insert =
        QStringLiteral("insert into logs (time_begin,time_end,foe,ip,\"desc\") values (?,?,?,?,?)");
    QVERIFY(db.exec(QStringLiteral("insert into addrs values ('10.0.0.1','a',500),('10.0.0.2','b',500),"
                                   "('10.0.0.3','c',500),('10.0.0.4','d',500)")));
    for (const char *ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"})
        QVERIFY(db.exec(insert, {QStringLiteral("2025-01-01 10:00:00"), QVariant(), 0, QLatin1String(ip), QString()}));
    QVERIFY(db.exec(insert, {QStringLiteral("2024-12-01 10:00:00"), QStringLiteral("2024-12-01 10:05:00"), 1,
                             QStringLiteral("10.0.0.1"), QString()}));
    const auto openOf = [&db](const char *ip) {
        return db.scalar(QStringLiteral("select count(*) from logs where ip=? and foe=0"), {QLatin1String(ip)}).toInt();
    };
    const auto endOf = [&db](const char *ip) {
        return db.scalar(QStringLiteral("select time_end from logs where ip=? and time_begin='2025-01-01 10:00:00'"),
                         {QLatin1String(ip)})
            .toString();
    };
    QString error;

    // A replacement that cannot be written leaves the outage open.
    const AddressImport::Plan plan =
        AddressImport::plan(QStringLiteral("10.0.0.3,c,500,\n10.0.0.4,d,500,\n"), readBook(db), true);
    QCOMPARE(plan.removals, (QStringList{QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"),
                                         QStringLiteral("127.0.0.1")}));
    QVERIFY(db.refuse(QStringLiteral("delete"), QStringLiteral("addrs"), QStringLiteral("kaputt")));
    AddressImport::Written written;
    QVERIFY(!AddressImport::apply(db.connection(), plan, &written, &error));
    QCOMPARE(openOf("10.0.0.1"), 1);
    QVERIFY(db.allow(QStringLiteral("delete"), QStringLiteral("addrs")));

    // The removed addresses' outages end at the removal; the others stay open.
    const QString before = AddressBook::removalMoment();
    QVERIFY2(AddressImport::apply(db.connection(), plan, &written, &error), qPrintable(error));
    const QString after = AddressBook::removalMoment();
    QCOMPARE(openOf("10.0.0.1") + openOf("10.0.0.2"), 0);
    QVERIFY2(endOf("10.0.0.1") >= before && endOf("10.0.0.1") <= after, qPrintable(endOf("10.0.0.1")));
    QCOMPARE(endOf("10.0.0.2"), endOf("10.0.0.1"));
    QCOMPARE(db.scalar(QStringLiteral("select time_end from logs where ip='10.0.0.1' and time_begin<'2025'")).toString(),
             QStringLiteral("2024-12-01 10:05:00"));
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from logs")).toInt(), 5);

    // admin's delete, with and without children to hand on, does the same.
    QCOMPARE(openOf("10.0.0.3"), 1);
    QVERIFY2(AddressParents::removeAddress(db.connection(), QStringLiteral("10.0.0.3"),
                                           AddressParents::Children::LeaveWithoutParent, &error),
             qPrintable(error));
    QCOMPARE(openOf("10.0.0.3"), 0);
    QVERIFY(endOf("10.0.0.3") >= before);
    QVERIFY2(AddressBook::remove(QStringLiteral("10.0.0.4"), &error, db.connectionName()), qPrintable(error));
    QCOMPARE(openOf("10.0.0.4"), 0);
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from addrs")).toInt(), 0);
}

QTEST_GUILESS_MAIN(tst_AddressImport)
#include "tst_addressimport.moc"
