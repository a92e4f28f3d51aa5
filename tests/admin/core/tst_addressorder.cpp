#include "AddressOrder.h"

#include <QTest>

using namespace admin;

class tst_AddressOrder final : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
};

void tst_AddressOrder::compare_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("last byte as a number") << QStringLiteral("127.0.0.2") << QStringLiteral("127.0.0.10") << -1;
    QTest::newRow("an earlier byte decides") << QStringLiteral("10.0.0.9") << QStringLiteral("10.0.1.0") << -1;
    QTest::newRow("longer address, smaller number") << QStringLiteral("10.0.0.200") << QStringLiteral("9.255.255.255") << 1;
    QTest::newRow("equal") << QStringLiteral("192.168.0.1") << QStringLiteral("192.168.0.1") << 0;
    QTest::newRow("a prefix comes first") << QStringLiteral("10.0.0.1") << QStringLiteral("10.0.0.10") << -1;
    QTest::newRow("leading zeros: the number, then the text") << QStringLiteral("10.0.0.01") << QStringLiteral("10.0.0.1") << -1;
    QTest::newRow("IPv6 groups") << QStringLiteral("fd00::2") << QStringLiteral("fd00::10") << -1;
    QTest::newRow("letters ignore case") << QStringLiteral("FD00::a") << QStringLiteral("fd00::b") << -1;
    QTest::newRow("host names") << QStringLiteral("host9") << QStringLiteral("host10") << -1;
    QTest::newRow("a run of 30 digits") << QString(30, QLatin1Char('9')) << QString(QStringLiteral("1")) + QString(30, QLatin1Char('0')) << -1;
    QTest::newRow("empty first") << QStringLiteral("") << QStringLiteral("1") << -1;
}

void tst_AddressOrder::compare()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const auto signOf = [](int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); };
    QCOMPARE(signOf(AddressOrder::compare(a, b)), sign);
    QCOMPARE(signOf(AddressOrder::compare(b, a)), -sign);
}

QTEST_MAIN(tst_AddressOrder)
#include "tst_addressorder.moc"
