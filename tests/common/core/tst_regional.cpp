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
    void readDate_data();
    void readDate();
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

void tst_Regional::readDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    const QString ru = QStringLiteral("ru_RU"), en = QStringLiteral("en_US"), de = QStringLiteral("de_DE");
    QTest::newRow("calendar form") << ru << QStringLiteral("06.12.2026") << QDate(2026, 12, 6);
    QTest::newRow("calendar form, single digits") << ru << QStringLiteral("6.1.2026") << QDate(2026, 1, 6);
    QTest::newRow("blanks around") << ru << QStringLiteral("  06.12.2026 ") << QDate(2026, 12, 6);
    QTest::newRow("calendar form in any locale") << en << QStringLiteral("06.12.2026") << QDate(2026, 12, 6);
    QTest::newRow("ISO") << ru << QStringLiteral("2026-12-06") << QDate(2026, 12, 6);
    QTest::newRow("long form") << ru << QStringLiteral("воскресенье, 6 декабря 2026 г.") << QDate(2026, 12, 6);
    // A two-digit year of a short form means 1930 to 2029, not the 1900s.
    QTest::newRow("en short, this century") << en << QStringLiteral("2/1/25") << QDate(2025, 2, 1);
    QTest::newRow("en short, last year of the window") << en << QStringLiteral("12/31/29") << QDate(2029, 12, 31);
    QTest::newRow("en short, first year of the window") << en << QStringLiteral("1/1/30") << QDate(1930, 1, 1);
    QTest::newRow("de short") << de << QStringLiteral("01.02.25") << QDate(2025, 2, 1);
    QTest::newRow("no 31st of February") << ru << QStringLiteral("31.02.2026") << QDate();
    QTest::newRow("words") << ru << QStringLiteral("завтра") << QDate();
    QTest::newRow("empty") << ru << QString() << QDate();
    QTest::newRow("only blanks") << ru << QStringLiteral("   ") << QDate();
}

void tst_Regional::readDate()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(Regional::readDate(text, QLocale(locale)), date);
}

QTEST_GUILESS_MAIN(tst_Regional)
#include "tst_regional.moc"
