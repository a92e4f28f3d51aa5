#include "DatePicker.h"

DatePicker::DatePicker(QWidget *parent)
    : QCalendarWidget(parent)
{
    setGridVisible(true);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // A pick is a click on a day, or Enter / a double click on one. Moving
    // through the month with the arrow keys only browses: a picker dialog
    // that closed on the first arrow key would be unusable from the keyboard.
    connect(this, &QCalendarWidget::clicked, this, [this](QDate date) {
        if (!m_settingFromCode)
            emit datePicked(date);
    });
    connect(this, &QCalendarWidget::activated, this, [this](QDate date) {
        if (!m_settingFromCode)
            emit datePicked(date);
    });
}

void DatePicker::setValue(const QDate &date)
{
    if (!date.isValid())
        return;
    m_settingFromCode = true;
    setSelectedDate(date);
    setCurrentPage(date.year(), date.month());
    m_settingFromCode = false;
}
