// What a pass's desktop notification says: summary by count, one line a
// host, at most ten hosts and a count of the rest.
#include "NotificationText.h"

#include <QTest>

using namespace monitor;

namespace {

QList<NotifiedHost> hosts(int n)
{
    QList<NotifiedHost> list;
    for (int i = 1; i <= n; ++i)
        list.append({QStringLiteral("Узел %1").arg(i), QStringLiteral("127.0.0.%1").arg(i)});
    return list;
}

QString lines(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QStringLiteral("Узел %1 (127.0.0.%1)").arg(i);
    return out.join(QLatin1Char('\n'));
}

} // namespace

class tst_NotificationText : public QObject
{
    Q_OBJECT

private slots:
    void outage_data();
    void outage();
    void restoredLikewise();
    void descriptionsKeepToOneLine();
    void markupEscaped();
    void hostsBehind_data();
    void hostsBehind();
    void flappingSaysSo();
};

void tst_NotificationText::outage_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("body");
    QTest::newRow("none: nothing") << 0 << QString() << QString();
    QTest::newRow("one host") << 1 << QStringLiteral("Нет соединения") << lines(1, 1);
    QTest::newRow("two hosts") << 2 << QStringLiteral("Нет соединения: 2 адр.") << lines(1, 2);
    QTest::newRow("ten: every one listed") << 10 << QStringLiteral("Нет соединения: 10 адр.") << lines(1, 10);
    QTest::newRow("eleven: ten and one more") << 11 << QStringLiteral("Нет соединения: 11 адр.")
                                              << lines(1, 10) + QStringLiteral("\nи ещё 1");
    QTest::newRow("500") << 500 << QStringLiteral("Нет соединения: 500 адр.")
                         << lines(1, 10) + QStringLiteral("\nи ещё 490");
}

void tst_NotificationText::outage()
{
    QFETCH(int, count);
    QFETCH(QString, summary);
    QFETCH(QString, body);
    const NotificationText text = NotificationTexts::outage(hosts(count));
    QCOMPARE(text.summary, summary);
    QCOMPARE(text.body, body);
}

void tst_NotificationText::restoredLikewise()
{
    QCOMPARE(NotificationTexts::restored(hosts(1)).summary, QStringLiteral("Соединение восстановлено"));
    QCOMPARE(NotificationTexts::restored(hosts(3)).summary, QStringLiteral("Соединение восстановлено: 3 адр."));
    QCOMPARE(NotificationTexts::restored(hosts(12)).body, lines(1, 10) + QStringLiteral("\nи ещё 2"));
}

void tst_NotificationText::descriptionsKeepToOneLine()
{
    const NotificationText text = NotificationTexts::outage(
        {{QStringLiteral("Стойка 4\r\nряд 2\nполка\r1"), QStringLiteral("10.0.0.1")}, {QString(), QStringLiteral("10.0.0.2")}});
    QCOMPARE(text.body, QStringLiteral("Стойка 4 ряд 2 полка 1 (10.0.0.1)\n10.0.0.2"));
}

void tst_NotificationText::markupEscaped()
{
    QCOMPARE(NotificationTexts::escapedForMarkup(QStringLiteral("<b>A&B</b> \"x\"")),
             QStringLiteral("&lt;b&gt;A&amp;B&lt;/b&gt; \"x\""));
}

void tst_NotificationText::hostsBehind_data()
{
    QTest::addColumn<int>("behind");
    QTest::addColumn<QString>("line");
    const QString router = QStringLiteral("Маршрутизатор (10.0.0.1)");
    QTest::newRow("none: the line as always") << 0 << router;
    QTest::newRow("1") << 1 << router + QStringLiteral(" и ещё 1 адрес за ним");
    QTest::newRow("3") << 3 << router + QStringLiteral(" и ещё 3 адреса за ним");
    QTest::newRow("11: not the form of 1") << 11 << router + QStringLiteral(" и ещё 11 адресов за ним");
    QTest::newRow("22") << 22 << router + QStringLiteral(" и ещё 22 адреса за ним");
    QTest::newRow("30") << 30 << router + QStringLiteral(" и ещё 30 адресов за ним");
    QTest::newRow("112") << 112 << router + QStringLiteral(" и ещё 112 адресов за ним");
}

void tst_NotificationText::hostsBehind()
{
    QFETCH(int, behind);
    QFETCH(QString, line);
    const NotificationText text =
        NotificationTexts::outage({{QStringLiteral("Маршрутизатор"), QStringLiteral("10.0.0.1"), -1, behind}});
    // The summary of one outage stays what it always was.
    QCOMPARE(text.summary, QStringLiteral("Нет соединения"));
    QCOMPARE(text.body, line);
}

void tst_NotificationText::flappingSaysSo()
{
    const NotificationText flap = NotificationTexts::flapping(hosts(1));
    QCOMPARE(flap.summary, QStringLiteral("Связь неустойчива"));
    QVERIFY(flap.body.startsWith(lines(1, 1) + QLatin1Char('\n')));
    QCOMPARE(NotificationTexts::settled(hosts(2)).summary, QStringLiteral("Связь устойчива: 2 адр."));
    QCOMPARE(NotificationTexts::flapping({}).summary, QString());
}

QTEST_GUILESS_MAIN(tst_NotificationText)
#include "tst_notificationtext.moc"
