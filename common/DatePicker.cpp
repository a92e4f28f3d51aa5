#include "DatePicker.h"

DatePicker::DatePicker(QWidget *parent)
    : QCalendarWidget(parent)
{
    setGridVisible(true);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    connect(this, &QCalendarWidget::selectionChanged, this, [this] {
        if (!m_settingFromCode)
            emit datePicked(selectedDate());
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
