#pragma once

#include "DatePicker.h"

#include <QTableView>
#include <QTest>

// Picks a day the way an operator does from the keyboard: move the
// calendar's selection to it, then press Enter on the day grid.
inline void pickDate(DatePicker *calendar, const QDate &date)
{
    calendar->setSelectedDate(date);
    QWidget *grid = calendar->findChild<QTableView *>();
    QTest::keyClick(grid ? grid : static_cast<QWidget *>(calendar), Qt::Key_Return);
}
