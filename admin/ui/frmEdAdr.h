#pragma once

#include "AdminDialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace admin {

// Changes the description and the reply timeout of an address.
class frmEdAdr final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmEdAdr)

public:
    // Reads the address list once: a dialog that is only hidden keeps it.
    frmEdAdr(Prompts &prompts, QWidget *mainWindow);

    void Form_Load();
    void cmbAddr_Click();
    void Command1_Click();
    bool changed() const { return m_changed; }

private:
    QComboBox *cmbAddr = nullptr;
    QLineEdit *txtDesc = nullptr;
    QLineEdit *txtPTO = nullptr;
    QComboBox *cmbParent = nullptr;
    QString m_storedParent; // the loaded address's parent as read
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    // Set by any change of the two boxes, typed or not; cleared once an
    // address was loaded and once a save went through.
    bool m_changed = false;
};

} // namespace admin
