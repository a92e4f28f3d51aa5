// Outage durations as the report window and admin's status bar write them.
#include "DurationText.h"

#include <QTest>

class tst_DurationText : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
};

void tst_DurationText::format_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("clock set back") << qint64(-30) << QStringLiteral("0 с");
    QTest::newRow("none") << qint64(0) << QStringLiteral("0 с");
    QTest::newRow("59 s") << qint64(59) << QStringLiteral("59 с");
    QTest::newRow("1 min") << qint64(60) << QStringLiteral("1 мин");
    QTest::newRow("59 min 59 s: minutes cut, not rounded") << qint64(3599) << QStringLiteral("59 мин");
    QTest::newRow("1 h") << qint64(3600) << QStringLiteral("1 ч 00 мин");
    QTest::newRow("2 h 05 min") << qint64(2 * 3600 + 5 * 60 + 59) << QStringLiteral("2 ч 05 мин");
    QTest::newRow("23 h 59 min") << qint64(86399) << QStringLiteral("23 ч 59 мин");
    QTest::newRow("1 day") << qint64(86400) << QStringLiteral("1 д 00 ч");
    QTest::newRow("3 d 04 h") << qint64(3 * 86400 + 4 * 3600 + 59 * 60) << QStringLiteral("3 д 04 ч");
    QTest::newRow("years") << qint64(800) * 86400 << QStringLiteral("800 д 00 ч");
}

void tst_DurationText::format()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(DurationText::format(seconds), text);
}

QTEST_GUILESS_MAIN(tst_DurationText)
#include "tst_durationtext.moc"
