#pragma once

#include "AdminDialog.h"
#include "OptionsRecord.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace admin {

// The monitor's settings. Filled once at start-up (frmMain::Do_Options); its
// buttons only hide it, so it shows what was last typed or saved.
class frmOpt final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmOpt)

public:
    frmOpt(Prompts &prompts, QWidget *mainWindow);

    void showRecord(const OptionsRecord &record);

    void cmdSndErr_Click();
    void cmdSndRest_Click();
    void cmdSave_Click();

private:
    void chooseSound(QLineEdit *box);

    QLineEdit *txtRefresh = nullptr;
    QCheckBox *chView = nullptr;
    QLineEdit *txtSndErr = nullptr;
    QLineEdit *txtSndRest = nullptr;
    QPushButton *cmdSndErr = nullptr;
    QPushButton *cmdSndRest = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdBack = nullptr;
};

} // namespace admin
