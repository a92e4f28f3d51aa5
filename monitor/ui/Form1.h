#pragma once

#include "EventListModel.h"
#include "Form1Services.h"
#include "PassReport.h"
#include "frmOtchet.h"
#include "frmBoard.h"
#include "BoardModel.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>


class FormatGrid;
class Prompts;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSessionManager;
class QTimer;

namespace monitor {

class EventListColours;
class MonitorSession;

// The monitor's main window: event list, countdown, counts, tray icon,
// alerts and menus over the monitor's session, which does the watching.
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
    static constexpr int MaxEventLines = EventListModel::DefaultCap;

    Form1(Prompts &prompts, MonitorSession &session, const Form1Services &services, QWidget *parent = nullptr);
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
    // The same for a change of a pass: red for an outage, green for a return.
    void addOutageLine(const OutageChange &change);
    // A pass now, as the countdown button starts one.
    void CheckAll();
    static QColor colorFromRgbValue(quint32 rgb);

    // Settings read at load.
    int refreshSecs() const;
    QString sndErr() const;
    QString sndRest() const;
    bool showOnErr() const;

    FormatGrid *fg() const { return m_fg; }
    EventListModel *eventList() const { return m_events; }
    // The counts of the last pass ("errors : restorations").
    QLabel *ll() const { return m_counts; }
    QLabel *label2() const { return m_label2; }
    QPushButton *cmdT2L() const { return m_cmdT2L; }
    QTimer *timer2() const { return m_timer2; }
    QWidget *ctlTranspSliderH1() const { return m_slider; }
    QMenu *myPopup() const { return m_myPopup; }
    QAction *action(const QString &name) const;
    // The report window, null until first needed.
    frmOtchet *report() const { return m_report; }

    // Alerts (Form1Alerts.cpp); what keeps outages quiet is the session's.
    // The tray's picture and tip: while any outage is open, both show it.
    QIcon trayIcon() const;
    QString trayToolTip() const;
    // The mute choices for ip ('' for all) into menu.
    void addMuteActions(QMenu *menu, const QString &ip);

    // Asks "Действительно хотите выйти ?"; true when the operator said Yes.
    bool confirmQuit();
    // A question or message box of the monitor is open. Passes go on
    // meanwhile, but the window's state changes wait until it closes.
    bool boxOpen() const;

public slots:
    // "Свернуть в трей" (mnuTray): hidden, the icon in the notification area.
    void moveToTray();
    // "Открыть" (mnuOpen), a click on the tray icon or a notification.
    void openWindow();
    // "Отсутствие соединения" (mnuOtch): the report window.
    void showReport();
    // "Все узлы" (mnuBoard, and mnuBoard_ of the tray menu): the board.
    void showBoard();
    // "Администрирование" (mnuAdmin): starts admin beside the monitor.
    void startAdmin();
    // "О программе" (mnuAbout).
    void showAbout();
    void mnuExit_Click();
    // "Выход" of the tray menu (mnuQuit): the window comes up to ask.
    void quitFromTray();
    // The countdown button: a pass now.
    void checkNowClicked();
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
    void addEventLine(EventListModel::Kind kind, const QString &text);
    frmOtchet *loadReport();
    void unload();
    void onSessionCommit(QSessionManager &manager);
    void showDatabaseError(const QString &what, const QString &errorText);

    enum class WindowState { Unchanged, InTray, Shown };
    QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    // The change a pass asks for: at once, or once no box is open.
    void changeStateForPass(WindowState state);
    void applyPendingState();

    void onChangeDecided(const OutageChange &change);
    // The outage's (or the return's) sound, unless this pass played it.
    void soundOnce(bool outage);
    void onPassStarted();
    void onPassEnded(const PassReport &report);
    void onProbeUnavailable(const QString &message);
    void fitEventListColumns();

    // Alerts (Form1Alerts.cpp).
    // What the pass decided at its end: the reasons on the quiet lines, the
    // alarms given then, the pass's one notification, flapping news.
    void alarmsOfPass(const PassReport &report);
    void showMutes();
    void onEventListMenu(const QPoint &pos);
    void refreshTrayIcon();

    Prompts &m_prompts;
    MonitorSession &m_session;
    Form1Services m_services;

    FormatGrid *m_fg = nullptr;
    EventListModel *m_events = nullptr;
    EventListColours *m_eventColours = nullptr;
    QString m_widestAddress; // the widest address the event list has had to show
    QLabel *m_counts = nullptr;
    QLabel *m_label2 = nullptr;
    QPushButton *m_cmdT2L = nullptr;
    QWidget *m_slider = nullptr;
    QTimer *m_timer2 = nullptr;
    QMenu *m_myPopup = nullptr;
    QPointer<frmOtchet> m_report;
    // The board's rows live as long as the window, so the last hour is
    // there whenever the board opens; its window is made on first use.
    BoardModel *m_boardModel = nullptr;
    QPointer<frmBoard> m_board;

    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_quitConfirmed = false;
    bool m_placedAfterShow = false;
    int m_boxesOpen = 0;
    WindowState m_pendingState = WindowState::Unchanged;
    QTimer *m_pendingRetry = nullptr;
    int m_passLines = 0;  // event lines the running pass has drawn
    // The sounds the running pass started: each kind sounds once a pass,
    // however many hosts went down (or came back) in it.
    bool m_passSoundedOutage = false;
    bool m_passSoundedReturn = false;
    int m_trayDown = 0;   // hosts down when the tray icon was last shown
};

} // namespace monitor
