#pragma once

#include "AdminDialog.h"
#include "OptionsRecord.h"

class QCheckBox;
class QSpinBox;
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
    // The alert settings (another table): read on the database thread, so
    // the boxes fill a moment after the dialog opens.
    void loadAlertSettings();
    QSpinBox *confirmBox() const { return spConfirm; }
    QCheckBox *flappingBox() const { return chFlapping; }

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
    QCheckBox *chFlapping = nullptr;
    QSpinBox *spFlapHigh = nullptr;
    QSpinBox *spFlapLow = nullptr;
    QSpinBox *spConfirm = nullptr;
    bool m_alertsLoaded = false;  // saved only once read: never over unseen values
};

} // namespace admin
