// Operator-facing dates and times in the system's regional forms.
#include "Regional.h"

#include <QTest>

class tst_Regional : public QObject
{
    Q_OBJECT

private slots:
    void timeHasSecondsAndNoZone_data();
    void timeHasSecondsAndNoZone();
    void generalDateTimeDropsMidnight();
};

void tst_Regional::timeHasSecondsAndNoZone_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ru_RU") << QStringLiteral("ru_RU") << QStringLiteral("13:05:09");
    QTest::newRow("de_DE") << QStringLiteral("de_DE") << QStringLiteral("13:05:09");
    QTest::newRow("en_US") << QStringLiteral("en_US") << QStringLiteral("1:05:09 PM");
}

void tst_Regional::timeHasSecondsAndNoZone()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(Regional::timeWithSeconds(QTime(13, 5, 9), QLocale(locale)), expected);
}

void tst_Regional::generalDateTimeDropsMidnight()
{
    const QLocale ru(QStringLiteral("ru_RU"));
    QCOMPARE(Regional::generalDateTime(QDateTime(QDate(2004, 9, 14), QTime(13, 5, 9)), ru),
             QStringLiteral("14.09.2004 13:05:09"));
    QCOMPARE(Regional::generalDateTime(QDateTime(QDate(2004, 9, 14), QTime(0, 0)), ru), QStringLiteral("14.09.2004"));
    QCOMPARE(Regional::generalDateTime(QDateTime(QDate(2004, 9, 14), QTime(0, 0, 1)), ru),
             QStringLiteral("14.09.2004 00:00:01"));
    QCOMPARE(Regional::generalDateTime(QDateTime(), ru), QString());
}

QTEST_GUILESS_MAIN(tst_Regional)
#include "tst_regional.moc"
