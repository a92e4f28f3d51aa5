// The breakdown text of a computation and the file it is saved to.
#include "BreakdownText.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace grapher;

Q_DECLARE_METATYPE(QList<int>)

class tst_BreakdownText : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void fileBytes_data();
    void fileBytes();
    void saveReplacesAndReportsFailure();
};

void tst_BreakdownText::lines_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("expected");

    // Russian regional time with seconds is HH:mm:ss on this platform.
    QTest::newRow("worked example, Russian")
        << QStringLiteral("ru_RU") << QStringLiteral("08:00:00") << 30 << QList<int>{2, 1, 0, 1, 0}
        << QStringLiteral("08:00:00-08:30:00: 2\r\n08:30:00-09:00:00: 1\r\n09:00:00-09:30:00: 0\r\n"
                          "09:30:00-10:00:00: 1\r\n10:00:00-10:30:00: 0\r\n");
    QTest::newRow("worked example, US English")
        << QStringLiteral("en_US") << QStringLiteral("08:00:00") << 30 << QList<int>{2, 1, 0, 1, 0}
        << QStringLiteral("8:00:00 AM-8:30:00 AM: 2\r\n8:30:00 AM-9:00:00 AM: 1\r\n9:00:00 AM-9:30:00 AM: 0\r\n"
                          "9:30:00 AM-10:00:00 AM: 1\r\n10:00:00 AM-10:30:00 AM: 0\r\n");
    QTest::newRow("German, hourly, first line")
        << QStringLiteral("de_DE") << QStringLiteral("08:00:00") << 60 << QList<int>{3}
        << QStringLiteral("08:00:00-09:00:00: 3\r\n");
    QTest::newRow("08:00 to 08:00 gives one line")
        << QStringLiteral("ru_RU") << QStringLiteral("08:00:00") << 60 << QList<int>{0}
        << QStringLiteral("08:00:00-09:00:00: 0\r\n");
    QTest::newRow("the last interval ends at midnight")
        << QStringLiteral("ru_RU") << QStringLiteral("23:00:00") << 30 << QList<int>{4, 12}
        << QStringLiteral("23:00:00-23:30:00: 4\r\n23:30:00-00:00:00: 12\r\n");
}

void tst_BreakdownText::lines()
{
    QFETCH(QString, locale);
    QFETCH(QString, start);
    QFETCH(int, interval);
    QFETCH(QList<int>, counts);
    QFETCH(QString, expected);
    QCOMPARE(BreakdownText::compose(start, interval, counts, QLocale(locale)), expected);
}

void tst_BreakdownText::fileBytes_data()
{
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<QByteArray>("expected");
    const QString legend = QStringLiteral("Этот компьютер [01.12.2026 08:00:00 - 06.12.2026 18:00:00]");
    QTest::newRow("UTF-8")
        << QByteArray("UTF-8")
        << QByteArray("\xd0\xad\xd1\x82\xd0\xbe\xd1\x82 \xd0\xba\xd0\xbe\xd0\xbc\xd0\xbf\xd1\x8c\xd1\x8e\xd1\x82\xd0\xb5"
                      "\xd1\x80 [01.12.2026 08:00:00 - 06.12.2026 18:00:00]\r\n"
                      "8:00:00-9:00:00: 3\r\n\xd0\xbf\xd1\x80\xd0\xb0\xd0\xb2\xd0\xba\xd0\xb0\r\n");
    // A single-byte Cyrillic code page, where the system has one.
    if (QStringEncoder("windows-1251").isValid())
        QTest::newRow("windows-1251")
            << QByteArray("windows-1251")
            << QByteArray("\xdd\xf2\xee\xf2 \xea\xee\xec\xef\xfc\xfe\xf2\xe5\xf0 [01.12.2026 08:00:00 - 06.12.2026 18:00:00]\r\n"
                          "8:00:00-9:00:00: 3\r\n\xef\xf0\xe0\xe2\xea\xe0\r\n");
    QTest::newRow("unknown name falls back to UTF-8") << QByteArray("no-such-code-page")
                                                      << QByteArray();
}

void tst_BreakdownText::fileBytes()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, expected);
    const QString legend = QStringLiteral("Этот компьютер [01.12.2026 08:00:00 - 06.12.2026 18:00:00]");
    // The box's text as the operator left it: an edited line, Unix line ends.
    const QString text = QStringLiteral("8:00:00-9:00:00: 3\nправка\n");
    const QByteArray bytes = BreakdownText::fileBytes(legend, text, encoding);
    if (expected.isEmpty())
        QCOMPARE(bytes, BreakdownText::fileBytes(legend, text, "UTF-8"));
    else
        QCOMPARE(bytes, expected);
}

void tst_BreakdownText::saveReplacesAndReportsFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("breakdown.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4096, 'x'));
    old.close();

    QString error;
    QVERIFY2(BreakdownText::save(path, QStringLiteral("L"), QStringLiteral("a\r\nb\r\n"), &error, "UTF-8"),
             qPrintable(error));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("L\r\na\r\nb\r\n"));

    QVERIFY(!BreakdownText::save(dir.filePath(QStringLiteral("missing/x.txt")), QStringLiteral("L"), QString(), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(tst_BreakdownText)
#include "tst_breakdowntext.moc"
