#pragma once

#include <QCalendarWidget>
#include <QDate>

// A month calendar with a settable and readable date and a signal when the
// operator picks a day. Setting the date from code emits no datePicked, so a
// text box that feeds the calendar and listens to it cannot start a loop.
class DatePicker final : public QCalendarWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatePicker)
    Q_PROPERTY(QDate Value READ value WRITE setValue)

public:
    explicit DatePicker(QWidget *parent = nullptr);

    QDate value() const { return selectedDate(); }
    // Changes the shown date without raising datePicked.
    void setValue(const QDate &date);

signals:
    // The operator chose a day: a click, or Enter or a double click on it.
    // Browsing with the arrow keys picks nothing.
    void datePicked(const QDate &date);

private:
    bool m_settingFromCode = false;
};
