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

    // Room a title bar takes besides its caption (icon, three buttons,
    // padding), generous for the themes a desktop may use.
    static constexpr int TitleBarExtrasTwips = 3000;

signals:
    void datePicked(const QDate &date);

protected:
    void changeEvent(QEvent *event) override;

private:
    // The calendar alone is narrower than "Начало периода" in a title bar:
    // the window widens to show its whole caption.
    void fitCaption();

    DatePicker *m_ctlDativo;
};

} // namespace grapher
