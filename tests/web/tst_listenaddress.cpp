// --listen HOST:PORT: which texts are taken and what they mean.
#include "ListenAddress.h"

#include <QTest>

using web::ListenAddress;

class tst_ListenAddress : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
};

void tst_ListenAddress::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("url");

    QTest::newRow("default") << QString::fromLatin1(ListenAddress::Default) << true << "http://127.0.0.1:9797/";
    QTest::newRow("every address") << ":8080" << true << "http://0.0.0.0:8080/";
    QTest::newRow("localhost") << "localhost:1" << true << "http://127.0.0.1:1/";
    QTest::newRow("IPv6 in brackets") << "[::1]:9797" << true << "http://[::1]:9797/";
    QTest::newRow("IPv6 without brackets") << "::1:9797" << false << "";
    QTest::newRow("no port") << "127.0.0.1" << false << "";
    QTest::newRow("port 0") << "127.0.0.1:0" << false << "";
    QTest::newRow("port too large") << "127.0.0.1:65536" << false << "";
    QTest::newRow("not a port") << "127.0.0.1:http" << false << "";
    QTest::newRow("a host name") << "status.example.org:9797" << false << "";
}

void tst_ListenAddress::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, url);
    ListenAddress a;
    QString error;
    QCOMPARE(ListenAddress::parse(text, &a, &error), ok);
    if (ok)
        QCOMPARE(a.url(QStringLiteral("http")), url);
    else
        QVERIFY(error.contains(text));
}

QTEST_GUILESS_MAIN(tst_ListenAddress)
#include "tst_listenaddress.moc"
