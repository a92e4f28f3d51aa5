#pragma once

#include "AdminDialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace admin {

// The vantage points of a server database as the server judges them (name,
// last pass, live or stale, interval, machine, the log's writer) and the
// rule the log follows, which the operator may change here.
class frmVantages final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmVantages)

public:
    frmVantages(Prompts &prompts, QWidget *mainWindow);

    // Reads the vantages and the rule again. False when they could not be read.
    bool refresh();
    void cmdSave_Click();

private:
    QTreeWidget *lstVantages = nullptr;
    QLineEdit *txtRule = nullptr;
    QLabel *lblRule = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QPushButton *cmdQuit = nullptr;
};

} // namespace admin
