#pragma once

#include "AlertRecords.h"
#include "StoreReply.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;
class QTimeEdit;

namespace admin {

class AdminStore;

// Who is muted until when, and the weekly maintenance windows: list, add,
// lift or remove. Reached from the settings dialog; the admin's store reads
// and writes them.
class frmQuiet final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmQuiet)

public:
    // `store`: the admin's, which outlives the dialog.
    frmQuiet(AdminStore &store, QWidget *parent = nullptr);

    void refresh();
    QListWidget *mutesList() const { return m_mutes; }
    QListWidget *windowsList() const { return m_windows; }
    QComboBox *hostBox() const { return m_host; }
    QComboBox *durationBox() const { return m_duration; }

    void muteClicked();
    void unmuteClicked();
    void addWindowClicked();
    void removeWindowClicked();

signals:
    // Each refresh's end (tests wait for it).
    void refreshed();

private:
    // A change's answer: its failure is said, then the lists are read again.
    void changed(const StoreReply<QString> &reply);
    QString chosenHost() const;

    AdminStore &m_store;
    QComboBox *m_host;
    QComboBox *m_duration;
    QListWidget *m_mutes;
    QListWidget *m_windows;
    QCheckBox *m_days[7];
    QTimeEdit *m_from;
    QTimeEdit *m_to;
    QList<AlertRecords::Mute> m_muteRows;
    QList<AlertRecords::MaintenanceWindow> m_windowRows;
};

} // namespace admin
