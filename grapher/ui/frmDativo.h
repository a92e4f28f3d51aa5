#pragma once

#include <QDate>
#include <QDialog>

class DatePicker;

namespace grapher {

// The modal calendar that fills a date box of the main window. Picking a day
// reports it and hides the window; closing it without a pick reports nothing.
class frmDativo final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmDativo)

public:
    explicit frmDativo(QWidget *parent = nullptr);

    DatePicker *calendar() const { return m_ctlDativo; }

signals:
    void datePicked(const QDate &date);

private:
    DatePicker *m_ctlDativo;
};

} // namespace grapher
