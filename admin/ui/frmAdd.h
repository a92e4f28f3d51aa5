#pragma once

#include "AdminDialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace admin {

// Adds an address to the address book.
class frmAdd final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAdd)

public:
    frmAdd(Prompts &prompts, QWidget *mainWindow);

    void cmdAdd_Click();
    // The parent choice: "нет", then the book's addresses in numeric order.
    void loadParents();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *txtIP = nullptr;
    QLineEdit *txtDesc = nullptr;
    QLineEdit *txtPTO = nullptr;
    QComboBox *cmbParent = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdBack = nullptr;
};

} // namespace admin
