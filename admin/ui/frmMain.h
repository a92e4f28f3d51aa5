#pragma once

#include "DatabaseConfig.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class FormatGrid;
class QLabel;
class QLineEdit;
class QTimer;
class QProgressDialog;
class QThread;
class QToolButton;
class QStackedLayout;
class QStandardItemModel;

class Prompts;

namespace admin {

class AdminStore;
class AddressFilterModel;
class AddressListModel;
class AddressLatencyColumns;
class OutageLogModel;
class ProgramLauncher;
class frmAdd;
class frmClearLog;
class frmVantages;
class frmAvailability;
class frmDel;
class frmEdAdr;
class frmAlerts;
class frmOpt;

// The admin's main window: the menus and the grid txtLog, which lists the
// outage log (the menu's "statistics") or the address book. It lives as
// long as the program; the dialogs are modal over it.
class frmMain final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    static constexpr char LogHeadings[] = QT_TRANSLATE_NOOP(
        "admin::frmMain",
        "№     |Время обрыва         |Время восстанов.  |Описание                                         |Ip-адрес              ");
    // The same with the column of the reasons alarms stayed silent.
    static constexpr char LogHeadingsWithMarks[] = QT_TRANSLATE_NOOP(
        "admin::frmMain",
        "№     |Время обрыва         |Время восстанов.  |Описание                                         |Ip-адрес              "
        "|Причина тишины        ");
    // The duration's column, after the others when it is asked for.
    static constexpr char DurationHeading[] = QT_TRANSLATE_NOOP("admin::frmMain", "|Длительность    ");
    static constexpr char AddressHeadings[] = QT_TRANSLATE_NOOP(
        "admin::frmMain", "|Описание                                         |Ip-адрес              |Таймаут (мс)");
    // The same with the column of parents, once any address has one.
    static constexpr char AddressHeadingsWithParent[] = QT_TRANSLATE_NOOP(
        "admin::frmMain",
        "|Описание                                         |Ip-адрес              |Таймаут (мс)|За адресом            ");

    // programDirectory: where the database file and the monitor lie.
    frmMain(Prompts &prompts, ProgramLauncher &launcher, const QString &programDirectory,
            QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up after the single-instance test: database, settings, the
    // outage listing, the wheel hook. Stops at a failing step (reported to
    // the operator) and returns false; the window stays open.
    bool Form_Load();
    // Shut-down: unhook the wheel, close the database, end the program.
    void Form_Unload();
    // Fills the settings dialog from the database (creating it hidden).
    bool Do_Options();

    bool mnuStat_Click();
    bool mnuAddrs_Click();
    void mnuOtchet_Click();
    void mnuOrvant_Click();
    void mnuAdd_Click();
    void mnuEditAddr_Click();
    void mnuDel_Click();
    void mnuOptions_Click();
    void mnuAlerts_Click();
    // The board's round-trip thresholds per address (the address listing's
    // context menu, mnuThresholds).
    void showThresholds();
    void mnuClearLog_Click();
    // The vantage points and their rule (a server database only).
    void mnuVantages_Click();
    // The whole log to a CSV file the operator names; a progress dialog
    // with a cancel button while it runs. False when it failed or was cancelled.
    bool mnuExport_Click();
    // Each host's availability over a period (a window of its own).
    void mnuAvailability_Click();
    // The round trips and loss of the hosts: the grapher's chart of them.
    void mnuLatency_Click();
    frmAvailability *availabilityWindow() const;
    void mnuExit_Click();
    // Addresses from CSV, checked and shown line by line before anything is written.
    void mnuImportAddrs_Click();
    // The address book as CSV, in the form the import reads.
    bool mnuExportAddrs_Click();

    FormatGrid *txtLog() const { return m_txtLog; }
    OutageLogModel *logModel() const { return m_log; }
    // The database file; empty when the database is on a server.
    QString databasePath() const;
    DatabaseConfig databaseConfig() const { return m_config; }
    // The log's figures under the grid; shown while the log is listed.
    QLabel *logSummary() const { return m_logSummary; }
    // The address listing's filter box (address or description, as typed).
    QLineEdit *addressFilter() const { return m_addressFilter; }
    AddressListModel *addressModel() const { return m_addresses; }
    AddressFilterModel *addressFilterModel() const { return m_addressFilterModel; }
    // The export's progress dialog while an export runs, else null.
    QProgressDialog *exportProgress() const { return m_exportProgress; }
    // Everything the admin reads and writes; the UI thread runs no statement.
    AdminStore &store() const { return *m_store; }
    // The outage log's filter box (shown while the log is listed).
    QLineEdit *logFilter() const { return m_filter; }
    // The log listing's context menu item that adds the column of reasons
    // alarms stayed silent (and their columns to the log's export).
    QAction *showMarksAction() const { return m_showMarks; }
    // The same for each closed outage's duration.
    QAction *showDurationAction() const { return m_showDuration; }
    // How often a listed log is checked for new and closed outages.
    static constexpr int FollowIntervalMs = 2000;
    void setFollowInterval(int ms);

signals:
    // An export wrote another batch of rows (and the dialog was updated).
    void exportProgressed(qint64 rows);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    template <class Dialog> void showDialog(QPointer<Dialog> &dialog);
    void reportFailure(const QString &what, const QString &error);
    void showLogSummary(bool shown);
    // quiet: a failure is left to the next action to tell (the count that
    // follows the listing by itself).
    void countLog(bool quiet = false);
    void sortLog(int column);
    void showMarks(bool shown);
    void showDuration(bool shown);
    void applyLogHeadings(const QString &largestKey);
    void logContextMenu(const QPoint &globalPos);
    void followLog();

    Prompts &m_prompts;
    ProgramLauncher &m_launcher;
    QString m_programDirectory;
    DatabaseConfig m_config;
    FormatGrid *m_txtLog = nullptr;
    OutageLogModel *m_log = nullptr;
    AddressListModel *m_addresses = nullptr;
    AddressFilterModel *m_addressFilterModel = nullptr;
    QLineEdit *m_addressFilter = nullptr;
    AddressLatencyColumns *m_latencyColumns = nullptr;  // after the address listing's own columns
    QPointer<frmAdd> m_frmAdd;
    QPointer<frmEdAdr> m_frmEdAdr;
    QPointer<frmDel> m_frmDel;
    QPointer<frmOpt> m_frmOpt;
    QPointer<frmAlerts> m_frmAlerts;
    QPointer<frmClearLog> m_frmClearLog;
    QPointer<frmVantages> m_frmVantages;
    QToolButton *m_vantagesButton = nullptr;
    QPointer<frmAvailability> m_frmAvailability;
    QLabel *m_logSummary = nullptr;
    QProgressDialog *m_exportProgress = nullptr;
    std::unique_ptr<AdminStore> m_store;
    QLineEdit *m_filter = nullptr;
    QAction *m_showMarks = nullptr;
    QAction *m_showDuration = nullptr;
    QToolButton *m_alertsButton = nullptr;
    QStackedLayout *m_filters = nullptr;  // the listing's filter box
    QString m_largestKey;          // the log's largest key, as last counted
    QTimer *m_filterDelay = nullptr; // a filter is applied once typing pauses
    QTimer *m_follow = nullptr;
    qint64 m_anchorId = 0;         // the row kept at the top while rows move
    int m_countGeneration = 0;     // only the latest count is shown
    bool m_hooked = false;
    bool m_unloaded = false;
};

} // namespace admin
