#pragma once

#include <functional>

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

    // How long round trips and loss are kept: read and written on a
    // database thread of the dialog's own, apart from the options row.
    QSpinBox *rawDaysBox() const { return spnRawDays; }
    QSpinBox *hourlyYearsBox() const { return spnHourlyYears; }
    // Blocks until the retention settings' jobs are done (tests).
    void waitForRetention();

private:
    void chooseSound(QLineEdit *box);
    void readRetention();
    void saveRetention();

    QLineEdit *txtRefresh = nullptr;
    QCheckBox *chView = nullptr;
    QLineEdit *txtSndErr = nullptr;
    QLineEdit *txtSndRest = nullptr;
    QPushButton *cmdSndErr = nullptr;
    QPushButton *cmdSndRest = nullptr;
    QPushButton *cmdSave = nullptr;
    QPushButton *cmdBack = nullptr;
    QSpinBox *spnRawDays = nullptr;
    QSpinBox *spnHourlyYears = nullptr;
    std::function<bool(int)> m_retentionPending;  // waits for the latest retention job
    int m_rawDaysRead = -1;
    int m_hourlyYearsRead = -1;
    QCheckBox *chFlapping = nullptr;
    QSpinBox *spFlapHigh = nullptr;
    QSpinBox *spFlapLow = nullptr;
    QSpinBox *spConfirm = nullptr;
    bool m_alertsLoaded = false;  // saved only once read: never over unseen values
};

} // namespace admin
