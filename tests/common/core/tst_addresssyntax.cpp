// The one address rule of the suite: strict dotted quads and IPv6, the older
// IPv4 spellings told apart with what they would have meant, and everything
// else refused.
#include "AddressSyntax.h"

#include <QTest>

using AddressSyntax::Kind;

class tst_AddressSyntax : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void tst_AddressSyntax::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("canonical"); // for legacy spellings: what inet_aton reads

    const int none = int(Kind::None), v4 = int(Kind::IPv4), v6 = int(Kind::IPv6), legacy = int(Kind::LegacyIPv4);
    QTest::newRow("dotted quad") << QStringLiteral("10.0.0.1") << v4 << QStringLiteral("10.0.0.1");
    QTest::newRow("zeros") << QStringLiteral("0.0.0.0") << v4 << QStringLiteral("0.0.0.0");
    QTest::newRow("largest parts") << QStringLiteral("255.255.255.255") << v4 << QStringLiteral("255.255.255.255");
    QTest::newRow("three-digit parts") << QStringLiteral("192.168.100.200") << v4 << QStringLiteral("192.168.100.200");

    QTest::newRow("octal part") << QStringLiteral("010.0.0.1") << legacy << QStringLiteral("8.0.0.1");
    QTest::newRow("zero-padded last part") << QStringLiteral("10.0.0.01") << legacy << QStringLiteral("10.0.0.1");
    QTest::newRow("three parts") << QStringLiteral("1.2.3") << legacy << QStringLiteral("1.2.0.3");
    QTest::newRow("two parts") << QStringLiteral("10.1") << legacy << QStringLiteral("10.0.0.1");
    QTest::newRow("one number") << QStringLiteral("167772161") << legacy << QStringLiteral("10.0.0.1");
    QTest::newRow("hexadecimal") << QStringLiteral("0x0a000001") << legacy << QStringLiteral("10.0.0.1");
    QTest::newRow("hexadecimal part") << QStringLiteral("0xa.0.0.1") << legacy << QStringLiteral("10.0.0.1");
    QTest::newRow("trailing dot") << QStringLiteral("10.0.0.1.") << none << QString();

    QTest::newRow("part above 255") << QStringLiteral("10.0.0.256") << none << QString();
    QTest::newRow("five parts") << QStringLiteral("1.2.3.4.5") << none << QString();
    QTest::newRow("four-digit part") << QStringLiteral("1.2.3.1000") << none << QString();
    QTest::newRow("empty part") << QStringLiteral("10..0.1") << none << QString();
    QTest::newRow("sign") << QStringLiteral("+10.0.0.1") << none << QString();
    QTest::newRow("leading blank") << QStringLiteral(" 10.0.0.1") << none << QString();
    QTest::newRow("trailing words") << QStringLiteral("10.0.0.1 router") << none << QString();
    QTest::newRow("embedded NUL") << QStringLiteral("10.0.0.1").append(QChar(0)).append(u'x') << none << QString();
    QTest::newRow("Arabic-Indic digits") << QStringLiteral("١٠.0.0.1") << none << QString();
    QTest::newRow("host name") << QStringLiteral("router.local") << none << QString();
    QTest::newRow("empty") << QString() << none << QString();
    QTest::newRow("4000 digits") << QString(4000, u'1') << none << QString();

    QTest::newRow("IPv6 loop-back") << QStringLiteral("::1") << v6 << QStringLiteral("::1");
    QTest::newRow("IPv6 written long, upper case") << QStringLiteral("FD00:0:0:0:0:0:0:A") << v6 << QStringLiteral("fd00::a");
    QTest::newRow("IPv6 with a zone") << QStringLiteral("fe80::1%eth0") << v6 << QStringLiteral("fe80::1%eth0");
    QTest::newRow("IPv6 with a numbered zone") << QStringLiteral("fe80::1%2") << v6 << QStringLiteral("fe80::1%2");
    QTest::newRow("mapped IPv4") << QStringLiteral("::ffff:10.0.0.1") << v6 << QStringLiteral("::ffff:10.0.0.1");
    QTest::newRow("mapped IPv4 with a leading zero") << QStringLiteral("::ffff:010.0.0.1") << none << QString();
    QTest::newRow("mapped IPv4 with three parts") << QStringLiteral("::ffff:10.0.1") << none << QString();
    QTest::newRow("empty zone") << QStringLiteral("fe80::1%") << none << QString();
    QTest::newRow("two zones") << QStringLiteral("fe80::1%a%b") << none << QString();
    QTest::newRow("zone with a slash") << QStringLiteral("fe80::1%a/b") << none << QString();
    QTest::newRow("brackets") << QStringLiteral("[::1]") << none << QString();
    QTest::newRow("two gaps") << QStringLiteral("1::2::3") << none << QString();
    QTest::newRow("nine groups") << QStringLiteral("1:2:3:4:5:6:7:8:9") << none << QString();
    QTest::newRow("IPv6, trailing blank") << QStringLiteral("::1 ") << none << QString();
}

void tst_AddressSyntax::parse()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, canonical);
    const AddressSyntax::Parsed parsed = AddressSyntax::parse(text);
    QCOMPARE(int(parsed.kind), kind);
    QCOMPARE(AddressSyntax::canonical(parsed), canonical);
    QCOMPARE(AddressSyntax::isAddress(text), kind == int(Kind::IPv4) || kind == int(Kind::IPv6));
}

QTEST_GUILESS_MAIN(tst_AddressSyntax)
#include "tst_addresssyntax.moc"
