// The date picker reports only what the operator picks.
#include "DatePicker.h"
#include "DatePickerDriver.h"

#include <QSignalSpy>
#include <QTableView>
#include <QTest>

class tst_DatePicker : public QObject
{
    Q_OBJECT

private slots:
    void picksAreReportedBrowsingAndCodeAreNot();
};

void tst_DatePicker::picksAreReportedBrowsingAndCodeAreNot()
{
    DatePicker picker;
    picker.show();
    QSignalSpy picked(&picker, &DatePicker::datePicked);

    picker.setValue(QDate(2025, 2, 1));
    QCOMPARE(picker.value(), QDate(2025, 2, 1));
    QCOMPARE(picker.monthShown(), 2);
    QCOMPARE(picked.count(), 0);

    auto *grid = picker.findChild<QTableView *>();
    QVERIFY(grid);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(picker.value(), QDate(2025, 2, 2));
    QCOMPARE(picked.count(), 0);

    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).toDate(), QDate(2025, 2, 2));

    pickDate(&picker, QDate(2024, 12, 31));
    QCOMPARE(picked.count(), 2);
    QCOMPARE(picked.at(1).at(0).toDate(), QDate(2024, 12, 31));
}

QTEST_MAIN(tst_DatePicker)
#include "tst_datepicker.moc"
