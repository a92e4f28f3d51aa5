// The address book and the log clearing, each operation straight on a real
// database file: what each finds, changes and leaves alone.
#include "AddressBook.h"
#include "OutageLog.h"
#include "TempDatabase.h"

#include <QTest>

using namespace admin;

namespace {

const QStringList Seeded = {QStringLiteral("127.0.0.1|Шлюз|500"), QStringLiteral("127.0.0.2|<null>|300")};

QStringList book(TempDatabase &db)
{
    return db.rows(QStringLiteral("select ip_addr, descript, ping_timeout from addrs order by 1"));
}

} // namespace

class tst_AddressBook : public QObject
{
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
    void listOrdersByAddressText();
    void failedStatementIsReported();
    void deleteBefore_data();
    void deleteBefore();
};

void tst_AddressBook::operations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("descript");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("found");     // exists, load: a row; update: a row changed
    QTest::addColumn<QStringList>("after");

    const QString one = QStringLiteral("127.0.0.1"), none = QStringLiteral("127.0.0.9");
    QTest::newRow("exists") << QStringLiteral("exists") << one << QString() << 0 << true << Seeded;
    QTest::newRow("exists: absent") << QStringLiteral("exists") << none << QString() << 0 << false << Seeded;
    QTest::newRow("exists: no prefix match") << QStringLiteral("exists") << QStringLiteral("127.0.0.") << QString() << 0 << false
                                             << Seeded;
    QTest::newRow("load") << QStringLiteral("load") << one << QStringLiteral("Шлюз") << 500 << true << Seeded;
    QTest::newRow("load: absent") << QStringLiteral("load") << none << QString() << 0 << false << Seeded;
    QTest::newRow("add") << QStringLiteral("add") << QStringLiteral("10.0.0.1") << QStringLiteral("Сервер") << 1000 << true
                         << (QStringList{QStringLiteral("10.0.0.1|Сервер|1000")} + Seeded);
    QTest::newRow("add: quotes kept as typed")
        << QStringLiteral("add") << QStringLiteral("10.0.0.1") << QStringLiteral("O'Brien \"1\"; --") << 1 << true
        << (QStringList{QStringLiteral("10.0.0.1|O'Brien \"1\"; --|1")} + Seeded);
    QTest::newRow("update") << QStringLiteral("update") << one << QStringLiteral("Маршрутизатор") << 250 << true
                            << QStringList{QStringLiteral("127.0.0.1|Маршрутизатор|250"), Seeded.at(1)};
    QTest::newRow("update: absent") << QStringLiteral("update") << none << QStringLiteral("x") << 1 << false << Seeded;
    QTest::newRow("remove") << QStringLiteral("remove") << one << QString() << 0 << true << QStringList{Seeded.at(1)};
    QTest::newRow("remove: absent") << QStringLiteral("remove") << none << QString() << 0 << true << Seeded;
}

void tst_AddressBook::operations()
{
    QFETCH(QString, operation);
    QFETCH(QString, ip);
    QFETCH(QString, descript);
    QFETCH(int, timeout);
    QFETCH(bool, found);
    QFETCH(QStringList, after);

    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from addrs"))); // the template's own row
    QVERIFY(db.exec(QStringLiteral("insert into addrs values ('127.0.0.1', 'Шлюз', 500), ('127.0.0.2', null, 300)")));
    QString error;
    bool wasFound = !found;
    if (operation == QLatin1String("exists")) {
        QVERIFY(AddressBook::exists(ip, &wasFound, &error));
        QCOMPARE(wasFound, found);
    } else if (operation == QLatin1String("load")) {
        AddressRecord record{QStringLiteral("untouched"), QVariant(), QVariant()};
        QVERIFY(AddressBook::load(ip, &record, &wasFound, &error));
        QCOMPARE(wasFound, found);
        if (found) {
            QCOMPARE(record.ip, ip);
            QCOMPARE(record.descript.toString(), descript);
            QCOMPARE(record.pingTimeout.toInt(), timeout);
        } else {
            QCOMPARE(record.ip, QStringLiteral("untouched"));
        }
    } else if (operation == QLatin1String("add")) {
        QVERIFY(AddressBook::add(ip, descript, timeout, &error));
    } else if (operation == QLatin1String("update")) {
        int changed = -1;
        QVERIFY(AddressBook::update(ip, descript, timeout, &changed, &error));
        QCOMPARE(changed, found ? 1 : 0);
    } else if (operation == QLatin1String("remove")) {
        QVERIFY(AddressBook::remove(ip, &error));
    }
    QCOMPARE(error, QString());
    QCOMPARE(book(db), after);
}

void tst_AddressBook::listOrdersByAddressText()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from addrs")));
    QVERIFY(db.exec(QStringLiteral("insert into addrs values ('127.0.0.2', 'b', 2), ('127.0.0.10', null, 10)")));
    QList<AddressRecord> records{{QStringLiteral("stale"), {}, {}}};
    QString error;
    QVERIFY(AddressBook::list(&records, &error));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).ip, QStringLiteral("127.0.0.10")); // as text, not as a number
    QVERIFY(records.at(0).descript.isNull());                 // NULL stays told apart from ''
    QCOMPARE(records.at(0).pingTimeout.toInt(), 10);
    QCOMPARE(records.at(1).ip, QStringLiteral("127.0.0.2"));
}

void tst_AddressBook::failedStatementIsReported()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("drop table addrs")));
    QVERIFY(db.exec(QStringLiteral("drop table logs")));
    QList<AddressRecord> records;
    bool found = false;
    int deleted = -1;
    QString error;
    QVERIFY(!AddressBook::list(&records, &error));
    QVERIFY(error.contains(QStringLiteral("addrs")));
    error.clear();
    QVERIFY(!AddressBook::exists(QStringLiteral("127.0.0.1"), &found, &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!AddressBook::add(QStringLiteral("127.0.0.1"), QString(), 1, &error));
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(!OutageLog::deleteBefore(QDate(2025, 1, 1), &deleted, &error));
    QVERIFY(!error.isEmpty());
}

void tst_AddressBook::deleteBefore_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("deleted");
    QTest::addColumn<QStringList>("kept"); // ids

    QTest::newRow("before every outage") << QDate(2025, 3, 1) << 0 << QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    // The last second of the day before goes; midnight of the day stays.
    QTest::newRow("midnight is kept") << QDate(2025, 3, 10) << 1 << QStringList{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    QTest::newRow("open outages go too") << QDate(2025, 3, 11) << 3 << QStringList{QStringLiteral("4")};
    QTest::newRow("after every outage") << QDate(2026, 1, 1) << 4 << QStringList();
}

void tst_AddressBook::deleteBefore()
{
    QFETCH(QDate, day);
    QFETCH(int, deleted);
    QFETCH(QStringList, kept);

    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    QVERIFY(db.exec(QStringLiteral("delete from logs")));
    QVERIFY(db.exec(QStringLiteral(
        "insert into logs (time_begin, time_end, foe, ip, \"desc\") values "
        "('2025-03-09 23:59:59', '2025-03-10 00:00:05', 1, '127.0.0.1', 'a'),"
        "('2025-03-10 00:00:00', '2025-03-10 00:01:00', 1, '127.0.0.1', 'a'),"
        "('2025-03-10 12:00:00', null, 0, '127.0.0.2', 'b'),"
        "('2025-03-11 00:00:00', null, 0, '127.0.0.3', 'b')")));
    int count = -1;
    QString error;
    QVERIFY(OutageLog::deleteBefore(day, &count, &error));
    QCOMPARE(error, QString());
    QCOMPARE(count, deleted);
    QCOMPARE(db.rows(QStringLiteral("select id from logs order by id")), kept);
}

QTEST_GUILESS_MAIN(tst_AddressBook)
#include "tst_addressbook.moc"
