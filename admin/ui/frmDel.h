#pragma once

#include "AdminDialog.h"

class QLineEdit;
class QPushButton;

namespace admin {

// Removes an address from the address book; its outage records stay.
class frmDel final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmDel)

public:
    frmDel(Prompts &prompts, QWidget *mainWindow);

    void cmdDel_Click();

private:
    QLineEdit *txtIP = nullptr;
    QPushButton *cmdDel = nullptr;
    QPushButton *cmdBack = nullptr;
};

} // namespace admin
