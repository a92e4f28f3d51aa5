// Stored date-times: which texts are of the stored form, what they mean, and
// the forms made of them for the operator and for other programs.
#include "DateTimeText.h"

#include <QTest>

class tst_DateTimeText : public QObject
{
    Q_OBJECT

private slots:
    void storedForm_data();
    void storedForm();
    void secondsBetween_data();
    void secondsBetween();
    void driverValues();
    void builtFromDateAndTime();
    void generalTextDropsMidnight();
};

void tst_DateTimeText::storedForm_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");

    QTest::newRow("afternoon") << QStringLiteral("2024-09-14 13:05:09") << true << QDate(2024, 9, 14) << QTime(13, 5, 9);
    QTest::newRow("midnight") << QStringLiteral("2025-01-01 00:00:00") << true << QDate(2025, 1, 1) << QTime(0, 0);
    QTest::newRow("last second of a day") << QStringLiteral("2025-12-31 23:59:59") << true << QDate(2025, 12, 31)
                                          << QTime(23, 59, 59);
    QTest::newRow("leap day") << QStringLiteral("2024-02-29 12:00:00") << true << QDate(2024, 2, 29) << QTime(12, 0);
    QTest::newRow("year one") << QStringLiteral("0001-01-01 00:00:01") << true << QDate(1, 1, 1) << QTime(0, 0, 1);
    // Taken as stored: a time the clocks skip in spring is still that time.
    QTest::newRow("hour a clock change skips") << QStringLiteral("2025-03-30 02:30:00") << true << QDate(2025, 3, 30)
                                               << QTime(2, 30);

    const QDate no;
    const QTime none;
    QTest::newRow("not a leap year") << QStringLiteral("2025-02-29 12:00:00") << false << no << none;
    QTest::newRow("month 13") << QStringLiteral("2025-13-01 12:00:00") << false << no << none;
    QTest::newRow("hour 24") << QStringLiteral("2025-01-01 24:00:00") << false << no << none;
    QTest::newRow("minute 60") << QStringLiteral("2025-01-01 12:60:00") << false << no << none;
    QTest::newRow("second 60") << QStringLiteral("2025-01-01 12:00:60") << false << no << none;
    QTest::newRow("ISO separator") << QStringLiteral("2025-01-01T12:00:00") << false << no << none;
    QTest::newRow("no seconds") << QStringLiteral("2025-01-01 12:00") << false << no << none;
    QTest::newRow("trailing blank") << QStringLiteral("2025-01-01 12:00:00 ") << false << no << none;
    QTest::newRow("single-digit month") << QStringLiteral("2025-1-01 12:00:00") << false << no << none;
    QTest::newRow("sign in a field") << QStringLiteral("2025-01-+1 12:00:00") << false << no << none;
    // Digits of other scripts are digits to QChar but not to the database.
    QTest::newRow("Arabic-Indic digit") << QStringLiteral("2025-01-0\u0661 12:00:00") << false << no << none;
    QTest::newRow("regional form") << QStringLiteral("14.09.2024 13:05:09") << false << no << none;
    QTest::newRow("empty") << QString() << false << no << none;
}

void tst_DateTimeText::storedForm()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QDate, date);
    QFETCH(QTime, time);

    const std::optional<DateTimeText::Seconds> seconds = DateTimeText::toSeconds(text);
    QCOMPARE(seconds.has_value(), valid);
    QCOMPARE(DateTimeText::secondsOfValue(QVariant(text)).has_value(), valid);
    if (!valid) {
        QCOMPARE(DateTimeText::toIso8601(text), QString());
        return;
    }
    QCOMPARE(DateTimeText::dateOf(*seconds), date);
    QCOMPARE(DateTimeText::timeOf(*seconds), time);
    QCOMPARE(DateTimeText::secondOfDay(*seconds), time.msecsSinceStartOfDay() / 1000);
    QCOMPARE(DateTimeText::fromDateAndTime(date, time), text);
    QString iso = text;
    iso[10] = QLatin1Char('T');
    QCOMPARE(DateTimeText::toIso8601(text), iso);
}

void tst_DateTimeText::secondsBetween_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("seconds");

    QTest::newRow("same moment") << QStringLiteral("2025-01-01 12:00:00") << QStringLiteral("2025-01-01 12:00:00")
                                 << true << qint64(0);
    QTest::newRow("95 seconds") << QStringLiteral("2025-03-10 12:43:30") << QStringLiteral("2025-03-10 12:45:05")
                                << true << qint64(95);
    QTest::newRow("across midnight") << QStringLiteral("2025-01-01 23:59:30") << QStringLiteral("2025-01-02 00:00:10")
                                     << true << qint64(40);
    QTest::newRow("across a leap day") << QStringLiteral("2024-02-28 00:00:00") << QStringLiteral("2024-03-01 00:00:00")
                                       << true << qint64(2 * DateTimeText::SecondsPerDay);
    QTest::newRow("across a year end") << QStringLiteral("2025-12-31 00:00:00") << QStringLiteral("2026-01-01 00:00:00")
                                       << true << qint64(DateTimeText::SecondsPerDay);
    // Wall-clock text: a day with a clock change still counts 24 hours.
    QTest::newRow("over a clock change") << QStringLiteral("2025-03-30 00:00:00")
                                         << QStringLiteral("2025-03-31 00:00:00") << true
                                         << qint64(DateTimeText::SecondsPerDay);
    QTest::newRow("backwards") << QStringLiteral("2025-01-01 12:00:10") << QStringLiteral("2025-01-01 12:00:00")
                               << true << qint64(-10);
    QTest::newRow("end not stored form") << QStringLiteral("2025-01-01 12:00:00") << QString() << false << qint64(0);
    QTest::newRow("begin not stored form") << QStringLiteral("yesterday") << QStringLiteral("2025-01-01 12:00:00")
                                           << false << qint64(0);
}

void tst_DateTimeText::secondsBetween()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, valid);
    QFETCH(qint64, seconds);
    const std::optional<qint64> between = DateTimeText::secondsBetween(from, to);
    QCOMPARE(between.has_value(), valid);
    if (valid)
        QCOMPARE(*between, seconds);
}

void tst_DateTimeText::driverValues()
{
    // A driver that hands back a QDateTime gives the same number as the text.
    const QDateTime value(QDate(2024, 9, 14), QTime(13, 5, 9));
    QCOMPARE(DateTimeText::secondsOfValue(QVariant(value)), DateTimeText::toSeconds(u"2024-09-14 13:05:09"));
    QVERIFY(!DateTimeText::secondsOfValue(QVariant(QDateTime())).has_value());
    QVERIFY(!DateTimeText::secondsOfValue(QVariant()).has_value());
    QCOMPARE(DateTimeText::fromVariant(QVariant(QStringLiteral("2024-09-14 13:05:09"))), value);
    QCOMPARE(DateTimeText::fromDateTime(value), QStringLiteral("2024-09-14 13:05:09"));
}

void tst_DateTimeText::builtFromDateAndTime()
{
    // Before the day count's start the time of day still comes out right.
    const DateTimeText::Seconds early = DateTimeText::toSeconds(QDate::fromJulianDay(-2), QTime(6, 0));
    QVERIFY(early < 0);
    QCOMPARE(DateTimeText::dateOf(early), QDate::fromJulianDay(-2));
    QCOMPARE(DateTimeText::timeOf(early), QTime(6, 0));
    QCOMPARE(DateTimeText::fromDateAndTime(QDate(2025, 3, 9), QTime(0, 0)), QStringLiteral("2025-03-09 00:00:00"));
}

void tst_DateTimeText::generalTextDropsMidnight()
{
    const QLocale ru(QStringLiteral("ru_RU"));
    const DateTimeText::Seconds midnight = *DateTimeText::toSeconds(u"2004-09-14 00:00:00");
    QCOMPARE(DateTimeText::generalText(midnight, ru), QStringLiteral("14.09.2004"));
    QCOMPARE(DateTimeText::generalText(midnight + 1, ru), QStringLiteral("14.09.2004 00:00:01"));
    QCOMPARE(DateTimeText::generalText(midnight - 1, ru), QStringLiteral("13.09.2004 23:59:59"));
}

QTEST_GUILESS_MAIN(tst_DateTimeText)
#include "tst_datetimetext.moc"
