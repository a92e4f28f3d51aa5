// Mutes, maintenance windows, marks and the alert settings as the database
// keeps them, on the file and (where the fixture runs) on the server.
#include "AlertRecords.h"
#include "ExtraSettings.h"
#include "TempDatabase.h"

#include <QTest>

class tst_AlertRecords : public QObject
{
    Q_OBJECT

private slots:
    void settingsRead_data();
    void settingsRead();
    void mutesAndWindowsRoundTrip();
    void markWrittenOnce();
};

void tst_AlertRecords::settingsRead_data()
{
    QTest::addColumn<QStringList>("stored");  // name=value
    QTest::addColumn<QString>("read");        // flapping/high/low/confirm

    QTest::newRow("none: the defaults") << QStringList() << QStringLiteral("0/30/20/1");
    QTest::newRow("all set") << QStringList{QStringLiteral("alerts.flapping=1"), QStringLiteral("alerts.flap_high_percent=50"),
                                            QStringLiteral("alerts.flap_low_percent=10"),
                                            QStringLiteral("alerts.confirm_passes=3")}
                             << QStringLiteral("1/50/10/3");
    QTest::newRow("confirmation 0 or text: the default")
        << QStringList{QStringLiteral("alerts.confirm_passes=0"), QStringLiteral("alerts.flapping=да")}
        << QStringLiteral("0/30/20/1");
    QTest::newRow("low above high: taken as high")
        << QStringList{QStringLiteral("alerts.flap_high_percent=25"), QStringLiteral("alerts.flap_low_percent=40")}
        << QStringLiteral("0/25/25/1");
}

void tst_AlertRecords::settingsRead()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, read);
    ExtraSettings extra;
    for (const QString &pair : stored)
        extra.set(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    const AlertRecords::Settings s = AlertRecords::settingsFrom(extra);
    QCOMPARE(QStringLiteral("%1/%2/%3/%4").arg(int(s.flapping)).arg(s.flapHighPercent).arg(s.flapLowPercent).arg(s.confirmPasses),
             read);
    // What admin writes reads back the same.
    const AlertRecords::Settings again = AlertRecords::settingsFrom(ExtraSettings(AlertRecords::settingsValues(s)));
    QCOMPARE(again.confirmPasses, s.confirmPasses);
    QCOMPARE(again.flapLowPercent, s.flapLowPercent);
}

void tst_AlertRecords::mutesAndWindowsRoundTrip()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QSqlDatabase connection = db.connection();
    QString error;
    const QDateTime until(QDate(2026, 12, 9), QTime(23, 45));
    QVERIFY2(AlertRecords::writeMute(connection, {QStringLiteral("10.0.0.1"), until}, &error), qPrintable(error));
    QVERIFY2(AlertRecords::writeMute(connection, {QString(), QDateTime()}, &error), qPrintable(error));
    // A second mute of the same host replaces the first.
    QVERIFY2(AlertRecords::writeMute(connection, {QStringLiteral("10.0.0.1"), until.addSecs(60)}, &error), qPrintable(error));
    QList<AlertRecords::Mute> mutes;
    QVERIFY2(AlertRecords::readMutes(connection, &mutes, &error), qPrintable(error));
    QCOMPARE(mutes.size(), 2);
    QCOMPARE(mutes.at(0).ip, QString());
    QVERIFY(!mutes.at(0).until.isValid());  // until lifted
    QCOMPARE(mutes.at(1).until, until.addSecs(60));
    QVERIFY(AlertRecords::liftMute(connection, QString(), &error));
    QVERIFY(AlertRecords::readMutes(connection, &mutes, &error));
    QCOMPARE(mutes.size(), 1);

    const AlertRecords::MaintenanceWindow sunday{0, QStringLiteral("10.0.0.1"), 1 << 6, QTime(22, 0), QTime(2, 0)};
    QVERIFY2(AlertRecords::addWindow(connection, sunday, &error), qPrintable(error));
    QList<AlertRecords::MaintenanceWindow> windows;
    QVERIFY2(AlertRecords::readWindows(connection, &windows, &error), qPrintable(error));
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.at(0).from, QTime(22, 0));
    QCOMPARE(windows.at(0).to, QTime(2, 0));
    QCOMPARE(windows.at(0).weekdays, 1 << 6);
    QVERIFY(AlertRecords::removeWindow(connection, windows.at(0).id, &error));
    QVERIFY(AlertRecords::readWindows(connection, &windows, &error));
    QVERIFY(windows.isEmpty());
}

void tst_AlertRecords::markWrittenOnce()
{
    TempDatabase db;
    QVERIFY2(db.isValid(), qPrintable(db.error()));
    const QSqlDatabase connection = db.connection();
    const QDateTime begin(QDate(2026, 12, 9), QTime(22, 10, 5));
    QString error;
    QVERIFY2(AlertRecords::writeMarks(connection, {{QStringLiteral("10.0.0.2"), begin, QStringLiteral("behind"),
                                                     QStringLiteral("Маршрутизатор")}},
                                      &error),
             qPrintable(error));
    // Written again (a pass repeated after a lost answer): the first stays.
    QVERIFY2(AlertRecords::writeMarks(connection, {{QStringLiteral("10.0.0.2"), begin, QStringLiteral("muted"), QString()}},
                                      &error),
             qPrintable(error));
    AlertRecords::Mark mark;
    QVERIFY2(AlertRecords::readMark(connection, QStringLiteral("10.0.0.2"), QStringLiteral("2026-12-09 22:10:05"), &mark,
                                    &error),
             qPrintable(error));
    QCOMPARE(mark.reason, QStringLiteral("behind"));
    QCOMPARE(AlertRecords::reasonText(mark.reason, mark.detail), QStringLiteral("за недоступным Маршрутизатор"));
}

QTEST_GUILESS_MAIN(tst_AlertRecords)
#include "tst_alertrecords.moc"
