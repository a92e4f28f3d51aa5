#pragma once

#include "AlertRecords.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;
class QTimeEdit;

class DatabaseThread;

namespace admin {

// Who is muted until when, and the weekly maintenance windows: list, add,
// lift or remove. Reached from the settings dialog; every statement runs on
// the admin's database thread.
class frmQuiet final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmQuiet)

public:
    // `database`: the admin's database thread, which outlives the dialog.
    frmQuiet(DatabaseThread &database, QWidget *parent = nullptr);

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
    void run(std::function<QString(const QSqlDatabase &)> job);
    QString chosenHost() const;

    DatabaseThread &m_database;
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
