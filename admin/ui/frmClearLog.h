#pragma once

#include "AdminDialog.h"

class DatePicker;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace admin {

// Deletes the outage records that began before a chosen day. The day is
// typed or picked in a calendar that ">>" brings into view by widening the
// window.
class frmClearLog final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmClearLog)

public:
    frmClearLog(Prompts &prompts, QWidget *mainWindow);

    void Label2_Click();
    void cmdDel_Click();

    // Client widths with the calendar hidden and shown.
    int collapsedWidth() const { return m_collapsedWidth; }
    int expandedWidth() const { return m_expandedWidth; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void txtClearDate_Change();

    QLabel *Label2 = nullptr;
    QLineEdit *txtClearDate = nullptr;
    QPushButton *cmdDel = nullptr;
    QPushButton *cmdQuit = nullptr;
    DatePicker *ctrDativo1 = nullptr;
    int m_collapsedWidth = 0;
    int m_expandedWidth = 0;
};

} // namespace admin
