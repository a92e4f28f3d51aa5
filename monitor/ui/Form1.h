#pragma once

#include "AlertGate.h"
#include "Form1Services.h"
#include "NotificationText.h"
#include "frmOtchet.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <memory>

class FormatGrid;
class Prompts;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSessionManager;
class QTimer;
class SingleInstance;
class DatabaseThread;

namespace monitor {

class ServerSession;

// The monitor's main window: event list, countdown, counts, tray icon,
// alerts and menus around the polling engine.
//
// Its two visible states are shown and in the tray (hidden, icon in the
// notification area). Every event line puts it into the tray; the start of an
// outage brings it straight back when the settings say so.
class Form1 final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)

public:
    static constexpr quint32 Red = 255;      // 0x0000FF as the settings' RGB value: red
    static constexpr quint32 Green = 32768;  // 0x008000: green
    static const char *const FormatString;
    // The event list keeps this many of its newest lines; the database
    // keeps the history.
    static constexpr int MaxEventLines = 10'000;
    // The monitor's writes wait this long for another program's lock before
    // they are kept for a later tick.
    static constexpr int WriteBusyTimeoutMs = 50;
    // At the program's end, kept writes are tried for this long; what is
    // left waits in a file beside the database for the next start.
    static constexpr int FinalFlushMs = 600;

    Form1(Prompts &prompts, const Form1Services &services, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up: single instance, database, settings, event list, first pass
    // (waited for with the event loop running), report window, wheel hook.
    // False when another instance runs: the operator was told and the
    // program ends.
    bool load();
    // True once the window was unloaded (quit confirmed, or a signal).
    bool isUnloaded() const { return m_unloaded; }

    // Adds an event line on top of the list in `color` (a 32-bit RGB value
    // with red in the low byte) and puts the window into the tray.
    void PrintStat(const QString &ip, const QString &desc, const QString &pto, quint32 color);
    static QColor colorFromRgbValue(quint32 rgb);

    // Settings read at load.
    int refreshSecs() const { return m_refreshSecs; }
    QString sndErr() const { return m_sndErr; }
    QString sndRest() const { return m_sndRest; }
    bool showOnErr() const { return m_showOnErr; }

    FormatGrid *fg() const { return m_fg; }
    QLabel *ll() const { return m_ll; }
    QLabel *label2() const { return m_label2; }
    QPushButton *cmdT2L() const { return m_cmdT2L; }
    QTimer *timer2() const { return m_timer2; }
    QWidget *ctlTranspSliderH1() const { return m_slider; }
    QMenu *myPopup() const { return m_myPopup; }
    QAction *action(const QString &name) const;
    // The report window, null until first needed.
    frmOtchet *report() const { return m_report; }

    // What keeps outages quiet, and the alarms held (Form1Alerts.cpp).
    AlertGate &alerts() { return m_alerts; }
    // The tray's picture and tip: while any outage is open, both show it.
    QIcon trayIcon() const;
    QString trayToolTip() const;
    // Mutes ip ('' for all) until a moment (invalid: until lifted), or lifts it.
    void muteHost(const QString &ip, const QDateTime &until);
    void unmuteHost(const QString &ip);
    // The mute choices for ip ('' for all) into menu.
    void addMuteActions(QMenu *menu, const QString &ip);

    // Asks "Действительно хотите выйти ?"; true when the operator said Yes.
    bool confirmQuit();
    // A question or message box of the monitor is open. Passes go on
    // meanwhile, but the window's state changes wait until it closes.
    bool boxOpen() const;

public slots:
    void mnuTray_Click();
    void mnuOpen_Click();
    void mnuOtch_Click();
    void mnuAdmin_Click();
    void mnuAbout_Click();
    void mnuExit_Click();
    void mnuQuit_Click();
    void cmdT2L_Click();
    void Timer2_Timer();
    // Ends without asking (SIGTERM, SIGINT).
    void quitWithoutAsking();

signals:
    // The window was unloaded; the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void placeBottomRight();
    bool takeDatabaseLock(bool atStart);
    bool openDatabase(bool atStart);
    bool reopenDatabase();
    // The database (file or server) could not be opened. At start-up the
    // operator is told in a box; later attempts, made at every pass or
    // tick, say it in the event list only when the reason changes.
    void reportUnopened(const QString &error, bool atStart);
    bool isServer() const { return m_services.database.isServer(); }
    // The server's side of start-up: false only when another monitor owns
    // the database (the operator was told).
    bool openServer();
    void connectServerSession();
    // Once the database is open: the writes a previous run kept go first.
    void takeBackKeptWrites();
    void readSettings();
    QString pendingWritesPath() const;
    void keepPendingWrites();
    // A line of the event list that is neither an outage nor a restoration,
    // also written to stderr.
    void showNotice(const QString &text);
    void addEventLine(const QString &text, const QColor &color);
    void runFirstPass();
    frmOtchet *loadReport();
    void unload();
    void onSessionCommit(QSessionManager &manager);
    void showDatabaseError(const QString &what, const QString &errorText);
    // A failure of the window's own statements: stderr and the window.
    void reportOwnDatabaseError(const QString &what, const QString &errorText);

    enum class WindowState { Unchanged, InTray, Shown };
    QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // The change a pass asks for: at once, or once no box is open.
    void changeStateForPass(WindowState state);
    void applyPendingState();

    void onOutageBegan(const QString &ip, const QString &desc, int timeoutMs);
    void onOutageEnded(const QString &ip, const QString &desc, int timeoutMs);
    void onPassStarted();
    void onPassFinished();
    void onProbeUnavailable(const QString &message);
    void fitEventListColumns();

    // Alerts (Form1Alerts.cpp).
    void alertsPassStarted();
    void alertsPassFinished();
    void reloadAlerts();
    void markQuietLines(const QList<AlertGate::Held> &held);
    void onEventListMenu(const QPoint &pos);
    void refreshTrayIcon();
    // Runs job on the alerts' database thread, with a connection of its own
    // to the database the window opened, then done(result) here.
    void onDatabase(std::function<QString(const QSqlDatabase &)> job, std::function<void(const QString &)> done = {});

    Prompts &m_prompts;
    Form1Services m_services;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<SingleInstance> m_databaseInstance;
    ServerSession *m_session = nullptr;  // with a database server only
    bool m_settingsRead = false;
    QString m_lastOpenError;  // told once until it changes

    FormatGrid *m_fg = nullptr;
    QString m_widestAddress; // the widest address the event list has had to show
    QLabel *m_ll = nullptr;
    QLabel *m_label2 = nullptr;
    QPushButton *m_cmdT2L = nullptr;
    QWidget *m_slider = nullptr;
    QTimer *m_timer2 = nullptr;
    QMenu *m_myPopup = nullptr;
    QPointer<frmOtchet> m_report;

    int m_refreshSecs = 60;
    QString m_sndErr;
    QString m_sndRest;
    bool m_showOnErr = true;

    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_quitConfirmed = false;
    bool m_placedAfterShow = false;
    // What the running pass changed, for its one notification at its end.
    QList<NotifiedHost> m_passBegan;
    QList<NotifiedHost> m_passEnded;
    int m_boxesOpen = 0;
    WindowState m_pendingState = WindowState::Unchanged;
    QTimer *m_pendingRetry = nullptr;
    AlertGate m_alerts;
    std::unique_ptr<DatabaseThread> m_alertDb;
    int m_passLines = 0;  // event lines the running pass has drawn
    QString m_alertsError;
    int m_trayDown = 0;  // hosts down when the tray icon was last shown  // the last failure to read them, said once
};

} // namespace monitor
