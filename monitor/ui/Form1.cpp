#include "Form1.h"

#include "Clock.h"
#include "EventListModel.h"
#include "MonitorSession.h"
#include "FormatGrid.h"
#include "PassNotifier.h"
#include "PollingEngine.h"
#include "Prompts.h"
#include "ProgramIcon.h"
#include "Regional.h"
#include "RunningCaption.h"
#include "Twips.h"
#include "SoundPlayer.h"
#include "TickSource.h"
#include "TransparencySlider.h"
#include "TrayIcon.h"
#include "WidestValues.h"
#include "frmOtchet.h"
#include "BoardFeed.h"
#include "OutagePathTracer.h"
#include "mouse_scroll.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QIdentityProxyModel>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace monitor {

const char *const Form1::FormatString = QT_TRANSLATE_NOOP(
    "monitor::Form1", "|Описание                                        |Время         |Ip-адрес              |Вр.ож.   ");

namespace {

void toStderr(const QString &text)
{
    std::fprintf(stderr, "orvant: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

// The event list's colours follow from each line's kind.
class EventListColours final : public QIdentityProxyModel
{
public:
    EventListColours(EventListModel *model, QObject *parent)
        : QIdentityProxyModel(parent)
    {
        setSourceModel(model);
    }

    static QColor colourOf(EventListModel::Kind kind)
    {
        switch (kind) {
        case EventListModel::Kind::OutageBegan: return Form1::colorFromRgbValue(Form1::Red);
        case EventListModel::Kind::OutageEnded: return Form1::colorFromRgbValue(Form1::Green);
        // Database problems stand out from outage and restoration lines.
        case EventListModel::Kind::DatabaseError: return QColor(0x80, 0x00, 0x80);
        // So do the monitor's own notices (a file opened, a setting not usable).
        case EventListModel::Kind::Notice: return QColor(0x00, 0x00, 0x80);
        }
        return {};
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole && index.column() != EventListModel::HiddenColumn) {
            const QVariant kind = QIdentityProxyModel::data(index, EventListModel::KindRole);
            if (kind.isValid())
                return QBrush(colourOf(EventListModel::Kind(kind.toInt())));
        }
        return QIdentityProxyModel::data(index, role);
    }
};


Form1::Form1(Prompts &prompts, MonitorSession &session, const Form1Services &services, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowCloseButtonHint)
    , m_prompts(prompts)
    , m_session(session)
    , m_services(services)
{
    Q_ASSERT(services.clock && services.ticks && services.tray && services.sound);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvant"));
    setWindowIcon(programIcon());
    buildControls();
    buildMenus();

    // The window's own second: its caption. The passes have the session's.
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(1000);
    connect(m_timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);

    // A non-modal message box tells nobody when it goes: look again.
    m_pendingRetry = new QTimer(this);
    m_pendingRetry->setInterval(250);
    connect(m_pendingRetry, &QTimer::timeout, this, &Form1::applyPendingState);

    m_boardModel = new BoardModel(this);
    new BoardFeed(&m_session, services.paths, m_boardModel, m_boardModel);

    PollingEngine *engine = m_session.engine();
    connect(engine, &PollingEngine::countdownChanged, this,
            [this](int secondsLeft) { m_cmdT2L->setText(QString::number(secondsLeft)); });
    connect(engine, &PollingEngine::passStarted, this, &Form1::onPassStarted);
    connect(engine, &PollingEngine::changeDecided, this, &Form1::onChangeDecided);
    connect(engine, &PollingEngine::passEnded, this, &Form1::onPassEnded);
    connect(engine, &PollingEngine::probeUnavailable, this, &Form1::onProbeUnavailable);
    connect(&m_session, &MonitorSession::alertsReloaded, this, &Form1::showMutes);
    connect(&m_session, &MonitorSession::databaseError, this, &Form1::showDatabaseError);
    connect(&m_session, &MonitorSession::notice, this,
            [this](const QString &text) { addEventLine(EventListModel::Kind::Notice, text); });
    // Who is down was read afresh.
    connect(m_session.hostState(), &HostState::reread, this, [this] {
        if (m_report)
            m_report->Label1_Click();
    });
    // Start-up's boxes: the session goes on once the operator has read them.
    connect(&m_session, &MonitorSession::refused, this, [this](const QString &text) {
        QGuiApplication::restoreOverrideCursor();
        ask(nullptr, QMessageBox::NoIcon, QStringLiteral("Orvant"), text, QMessageBox::Ok);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    });
    connect(&m_session, &MonitorSession::warning, this, [this](const QString &text) {
        m_prompts.notify(nullptr, QMessageBox::Warning, QStringLiteral("Orvant"), text);
    });
    connect(&m_session, &MonitorSession::unopenedAtStart, this, [this](const QString &error) {
        // Nothing can be watched without the database, yet the window stays
        // up and the database is tried again, so the operator can mend it.
        QGuiApplication::restoreOverrideCursor(); // not busy while the operator reads
        ask(nullptr, QMessageBox::Critical, QStringLiteral("Orvant"),
            tr("Не удалось открыть базу данных, наблюдение невозможно.\n\n%1").arg(error), QMessageBox::Ok);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    });

    // A click on a notification opens the window as the tray's "Открыть" does.
    if (m_services.notifier)
        connect(m_services.notifier, &PassNotifier::openRequested, this, &Form1::openWindow);

    m_services.tray->setContextMenu(m_myPopup);
    connect(m_services.tray, &TrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            openWindow();
    });

    if (auto *guiApp = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(guiApp, &QGuiApplication::commitDataRequest, this, &Form1::onSessionCommit);
}

Form1::~Form1()
{
    if (!m_unloaded && m_loaded)
        unload();
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Twips::toPixelsX(5955, this), Twips::toPixelsY(2850, this));
    setCentralWidget(client);
    // Fixed single border: the window is exactly its design size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto place = [this](QWidget *w, int left, int top, int width, int height) {
        w->setGeometry(Twips::toPixelsX(left, this), Twips::toPixelsY(top, this),
                       Twips::toPixelsX(width, this), Twips::toPixelsY(height, this));
    };

    m_fg = new FormatGrid(client);
    m_fg->setObjectName(QStringLiteral("fg"));
    m_fg->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_fg, &QWidget::customContextMenuRequested, this, &Form1::onEventListMenu);
    place(m_fg, 105, 0, 5790, 2355);
    m_events = new EventListModel(this);
    m_eventColours = new EventListColours(m_events, this);
    m_fg->setSourceModel(m_eventColours);

    m_counts = new QLabel(client);
    m_counts->setObjectName(QStringLiteral("ll"));
    place(m_counts, 105, 2460, 960, 255);

    m_label2 = new QLabel(tr("Время до след. проверки(сек):"), client);
    m_label2->setObjectName(QStringLiteral("Label2"));
    place(m_label2, 1995, 2460, 2430, 330);
    m_label2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // The design width was measured in a narrow 8-point font; in a wider
    // desktop font the text grows to the left, towards the counts, so that
    // it stays whole beside the button it explains.
    const int needed = m_label2->fontMetrics().horizontalAdvance(m_label2->text()) + 4;
    if (needed > m_label2->width()) {
        const int right = m_label2->geometry().right();
        const int left = qMax(m_counts->geometry().right() + 4, right + 1 - needed);
        m_label2->setGeometry(left, m_label2->y(), right + 1 - left, m_label2->height());
    }

    m_cmdT2L = new QPushButton(client);
    m_cmdT2L->setObjectName(QStringLiteral("cmdT2L"));
    m_cmdT2L->setToolTip(tr("Нажать для принудительной проверки"));
    place(m_cmdT2L, 4515, 2460, 1275, 300);
    connect(m_cmdT2L, &QPushButton::clicked, this, &Form1::checkNowClicked);

    m_slider = createTransparencySlider(client, QStringLiteral("ctlTranspSliderH1"));
    m_slider->setGeometry(0, client->height() - m_slider->height(), client->width(), m_slider->height());
}

void Form1::buildMenus()
{
    auto add = [this](QMenu *menu, const QString &name, const QString &text, void (Form1::*slot)()) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto separator = [](QMenu *menu, const QString &name) { menu->addSeparator()->setObjectName(name); };

    QMenu *mnuDo = menuBar()->addMenu(tr("Действие"));
    mnuDo->setObjectName(QStringLiteral("mnuDo"));
    add(mnuDo, QStringLiteral("mnuTray"), tr("Свернуть в трей"), &Form1::moveToTray);
    add(mnuDo, QStringLiteral("mnuAdmin"), tr("Администрирование"), &Form1::startAdmin);
    separator(mnuDo, QStringLiteral("it1"));
    add(mnuDo, QStringLiteral("mnuExit"), tr("Выход"), &Form1::mnuExit_Click);

    m_myPopup = new QMenu(this);
    m_myPopup->setObjectName(QStringLiteral("MyPopup"));
    QAction *open = add(m_myPopup, QStringLiteral("mnuOpen"), tr("Открыть"), &Form1::openWindow);
    add(m_myPopup, QStringLiteral("mnuOtch_"), tr("Отсутствие соединения"), &Form1::showReport);
    add(m_myPopup, QStringLiteral("mnuBoard_"), tr("Все узлы"), &Form1::showBoard);
    separator(m_myPopup, QStringLiteral("it2"));
    add(m_myPopup, QStringLiteral("mnuQuit"), tr("Выход"), &Form1::quitFromTray);
    // The default item is drawn bold.
    m_myPopup->setDefaultAction(open);
    QFont bold = open->font();
    bold.setBold(true);
    open->setFont(bold);

    QMenu *itm6 = menuBar()->addMenu(tr("Сведения"));
    itm6->setObjectName(QStringLiteral("itm6"));
    add(itm6, QStringLiteral("mnuOtch"), tr("Отсутствие соединения"), &Form1::showReport);
    add(itm6, QStringLiteral("mnuBoard"), tr("Все узлы"), &Form1::showBoard);
    separator(itm6, QStringLiteral("it3"));
    add(itm6, QStringLiteral("mnuAbout"), tr("О программе"), &Form1::showAbout);
}

int Form1::refreshSecs() const
{
    return m_session.refreshSecs();
}

QString Form1::sndErr() const
{
    return m_session.sndErr();
}

QString Form1::sndRest() const
{
    return m_session.sndRest();
}

bool Form1::showOnErr() const
{
    return m_session.showOnErr();
}

QAction *Form1::action(const QString &name) const
{
    return findChild<QAction *>(name);
}

QColor Form1::colorFromRgbValue(quint32 rgb)
{
    return QColor(int(rgb & 0xff), int((rgb >> 8) & 0xff), int((rgb >> 16) & 0xff));
}

void Form1::placeBottomRight()
{
    QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    if (!isVisible())
        layout()->activate(); // the fixed size is known only once the layout ran
    const QSize outer = isVisible() ? frameGeometry().size() : size();
    // 1000 twips above the bottom edge leave room for a bottom panel.
    move(area.x() + area.width() - outer.width(),
         area.y() + area.height() - outer.height() - Twips::toPixelsY(1000, this));
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_placedAfterShow) {
        m_placedAfterShow = true;
        // The frame's size is only known once the window manager framed it.
        QTimer::singleShot(200, this, &Form1::placeBottomRight);
    }
}

bool Form1::load()
{
    placeBottomRight();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_session.start() == MonitorSession::StartResult::AlreadyRunning) {
        QGuiApplication::restoreOverrideCursor();
        return false;
    }
    m_loaded = true;

    m_widestAddress = QString::fromLatin1(WidestValues::AddressIPv4);
    fitEventListColumns();

    m_timer2->start();
    m_session.runFirstPass();
    if (m_unloaded) {
        QGuiApplication::restoreOverrideCursor();
        return true;
    }

    showReport();
    HookWheel(this);
    QGuiApplication::restoreOverrideCursor();
    return true;
}

void Form1::addEventLine(EventListModel::Kind kind, const QString &text)
{
    m_events->addTextLine(kind, Regional::timeWithSeconds(m_services.clock->now().time()), text);
}

void Form1::showBoard()
{
    if (!m_board) {
        m_board = new frmBoard(m_boardModel, this);
        m_board->setAttribute(Qt::WA_DeleteOnClose);
        m_board->setWindowIcon(windowIcon());
    }
    m_board->show();
    m_board->raise();
    m_board->activateWindow();
}

frmOtchet *Form1::loadReport()
{
    if (!m_report) {
        m_report = new frmOtchet(m_services.clock, this);
        m_report->setWindowIcon(windowIcon());
        connect(m_report, &frmOtchet::menuRequested, this, [this](QMenu *menu, const QString &ip) {
            if (!ip.isEmpty())
                addMuteActions(menu, ip);
            addMuteActions(menu, QString());
        });
        m_report->follow(m_session.hostState());
        if (OutagePathTracer *paths = m_services.paths) {
            m_report->setPathLookup([paths](const QString &ip) {
                const auto p = paths->paths().constFind(ip);
                if (p == paths->paths().constEnd() || p->hops.isEmpty())
                    return QString();
                return tr("Путь в начале отказа:") + QLatin1Char('\n') + OutagePaths::text(p->hops);
            });
        }
        m_report->Label1_Click();
        showMutes();
    }
    return m_report;
}

void Form1::fitEventListColumns()
{
    m_fg->setFormatString(tr(FormatString),
                          {QString(), QString(), WidestValues::time(), m_widestAddress,
                           QString::fromLatin1(WidestValues::Timeout)});
    m_fg->setColumnWidth(0, 0);
}

void Form1::PrintStat(const QString &ip, const QString &desc, const QString &pto, quint32 color)
{
    // The list is too narrow for the longest IPv6 form beside a readable
    // description: the address column grows the first time a longer address
    // is listed, and the description gives way only then.
    // It widens no further than the longest IPv6 form: a longer text (a
    // mistyped book row of thousands of characters) is cut in its cell, and
    // its tooltip holds it whole, so the descriptions stay readable.
    if (m_fg->valueWidth(ip) > m_fg->valueWidth(m_widestAddress)) {
        const QString cap = QString::fromLatin1(WidestValues::Address);
        const QString widest = m_fg->valueWidth(ip) > m_fg->valueWidth(cap) ? cap : FormatGrid::cellText(ip);
        if (m_fg->valueWidth(widest) > m_fg->valueWidth(m_widestAddress)) {
            m_widestAddress = widest;
            fitEventListColumns();
        }
    }
    m_events->addHostLine(color == Green ? EventListModel::Kind::OutageEnded : EventListModel::Kind::OutageBegan,
                          Regional::timeWithSeconds(m_services.clock->now().time()), desc, ip, pto);
    changeStateForPass(WindowState::InTray);
}

void Form1::showDatabaseError(const QString &what, const QString &errorText)
{
    // Shown as an event line, without the tray move of an outage line.
    addEventLine(EventListModel::Kind::DatabaseError, tr("Ошибка базы данных: %1: %2").arg(what, errorText));
}

void Form1::addOutageLine(const OutageChange &change)
{
    PrintStat(change.ip, change.desc, QString::number(change.timeoutMs),
              change.kind == OutageChange::Began ? Red : Green);
}

void Form1::CheckAll()
{
    m_session.checkNow();
}

// Each change is on the list the moment it is decided; with the defaults
// its alarm comes with it, otherwise at the pass's end.
void Form1::onChangeDecided(const OutageChange &change)
{
    addOutageLine(change);
    ++m_passLines;
    if (change.alarm != OutageChange::Alarm::RingsNow)
        return;
    if (change.kind == OutageChange::Began) {
        soundOnce(true);
        if (m_session.showOnErr())
            changeStateForPass(WindowState::Shown);
    } else {
        soundOnce(false);
    }
}

void Form1::soundOnce(bool outage)
{
    bool &sounded = outage ? m_passSoundedOutage : m_passSoundedReturn;
    if (sounded)
        return;
    sounded = true;
    m_services.sound->play(outage ? m_session.sndErr() : m_session.sndRest());
}

void Form1::onPassStarted()
{
    setCursor(Qt::WaitCursor);
    m_cmdT2L->setEnabled(false);
    m_passLines = 0;
    m_passSoundedOutage = false;
    m_passSoundedReturn = false;
}

void Form1::onPassEnded(const PassReport &report)
{
    if (m_unloaded)
        return;
    m_counts->setText(QStringLiteral("%1 : %2").arg(report.errCount).arg(report.restCount));
    m_cmdT2L->setEnabled(true);
    alarmsOfPass(report);
    showMutes();
    refreshTrayIcon();
    // Loading the report window is its first refresh. It lists the open
    // outages as the session knows them, writes still waiting included.
    if (!m_unloaded) {
        if (m_report)
            m_report->Label1_Click();
        else
            loadReport();
    }
    unsetCursor();
}

void Form1::onProbeUnavailable(const QString &message)
{
    // The engine has written it to stderr already.
    m_prompts.notify(this, QMessageBox::Warning, QStringLiteral("Orvant"), message);
}

QMessageBox::StandardButton Form1::ask(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                       const QString &text, QMessageBox::StandardButtons buttons,
                                       QMessageBox::StandardButton defaultButton)
{
    ++m_boxesOpen;
    const QMessageBox::StandardButton answer =
        m_prompts.ask(parent, icon, title, text, buttons, defaultButton);
    --m_boxesOpen;
    applyPendingState();
    return answer;
}

bool Form1::boxOpen() const
{
    if (m_boxesOpen > 0 || QApplication::activeModalWidget())
        return true;
    const QList<QMessageBox *> boxes = findChildren<QMessageBox *>(Qt::FindDirectChildrenOnly);
    return std::any_of(boxes.cbegin(), boxes.cend(), [](const QMessageBox *box) { return box->isVisible(); });
}

void Form1::changeStateForPass(WindowState state)
{
    // Hiding the window under an open box would take the box's owner away
    // (or leave the box floating alone), and showing it would cover the box:
    // the latest wish waits for the box to close.
    if (boxOpen()) {
        m_pendingState = state;
        m_pendingRetry->start();
        return;
    }
    m_pendingState = state;
    applyPendingState();
}

void Form1::applyPendingState()
{
    if (m_pendingState == WindowState::Unchanged || m_unloaded) {
        m_pendingRetry->stop();
        return;
    }
    if (boxOpen())
        return;
    const WindowState state = m_pendingState;
    m_pendingState = WindowState::Unchanged;
    m_pendingRetry->stop();
    if (state == WindowState::InTray)
        moveToTray();
    else
        openWindow();
}

void Form1::Timer2_Timer()
{
    setWindowTitle(RunningCaption::text(Regional::timeWithSeconds(m_services.clock->now().time()),
                                        m_services.ticks->milliseconds()));
}

void Form1::checkNowClicked()
{
    CheckAll();
}

void Form1::moveToTray()
{
    if (!m_services.tray->isAvailable()) {
        // Without a notification area a hidden window could never be
        // reached again: minimise it instead.
        showMinimized();
        return;
    }
    m_trayDown = m_session.hostState()->downCount();
    m_services.tray->showIcon(trayIcon(), trayToolTip());
    hide();
}

void Form1::openWindow()
{
    m_services.tray->hideIcon();
    showNormal();
    raise();
    activateWindow();
}

void Form1::showReport()
{
    frmOtchet *report = loadReport();
    report->show();
    report->raise();
}

void Form1::startAdmin()
{
    const QString path = QDir(m_services.programDirectory).filePath(QStringLiteral("admin"));
    QProcess process;
    process.setProgram(path);
    process.setWorkingDirectory(m_services.programDirectory);
    if (process.startDetached())
        return;
    QString why = process.errorString();
    if (!QFileInfo::exists(path))
        why = tr("файл не найден");
    else if (!QFileInfo(path).isExecutable())
        why = tr("файл не является исполняемым");
    toStderr(tr("Не удалось запустить %1: %2").arg(path, why));
    ask(this, QMessageBox::Warning, QStringLiteral("Orvant"),
                          tr("Не удалось запустить программу администрирования\n%1\n(%2)").arg(path, why),
                          QMessageBox::Ok);
}

void Form1::showAbout()
{
    ask(this, QMessageBox::NoIcon, QStringLiteral("Orvant"),
                          tr("Программа: ORVANT\nВерсия: 2.0.1\nДата создания: 14.09.2004г."),
                          QMessageBox::Ok);
}

void Form1::mnuExit_Click()
{
    close();
}

void Form1::quitFromTray()
{
    openWindow();
    close();
}

bool Form1::confirmQuit()
{
    return ask(isVisible() ? this : nullptr, QMessageBox::Question,
                                 tr("Завершение работы", "window title"), tr("Действительно хотите выйти ?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
        == QMessageBox::Yes;
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (!m_quitConfirmed && !confirmQuit()) {
        event->ignore();
        return;
    }
    m_quitConfirmed = true;
    event->accept();
    unload();
}

void Form1::onSessionCommit(QSessionManager &manager)
{
    if (m_unloaded || m_quitConfirmed)
        return;
    // Without leave to interact the session ends the monitor anyway; every
    // outage is already in the database.
    if (!manager.allowsInteraction())
        return;
    const bool yes = confirmQuit();
    manager.release();
    if (!yes) {
        manager.cancel();
        return;
    }
    m_quitConfirmed = true;
}

void Form1::quitWithoutAsking()
{
    m_quitConfirmed = true;
    if (m_unloaded)
        return;
    unload();
    hide();
}

void Form1::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    UnhookWheel(this);
    m_session.stop();
    m_timer2->stop();
    if (m_report) {
        m_report->close();
        delete m_report;
    }
    m_services.tray->hideIcon();
    // The notifications of a watch that ended would tell of outages nobody
    // follows any more.
    if (m_services.notifier)
        m_services.notifier->withdrawAll();
    emit unloaded();
}

} // namespace monitor
