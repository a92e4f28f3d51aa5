#include "Form1.h"

#include "Clock.h"
#include "Database.h"
#include "DatabaseThread.h"
#include "FormatGrid.h"
#include "Prompts.h"
#include "PassNotifier.h"
#include "PollingEngine.h"
#include "ProgramIcon.h"
#include "RefreshInterval.h"
#include "Regional.h"
#include "RunningCaption.h"
#include "ServerSession.h"
#include "Twips.h"
#include "SingleInstance.h"
#include "SoundPlayer.h"
#include "OptionsStore.h"
#include "Statements.h"
#include "TickSource.h"
#include "WriteQueue.h"
#include "TransparencySlider.h"
#include "TrayIcon.h"
#include "WidestValues.h"
#include "frmOtchet.h"
#include "mouse_scroll.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace monitor {

const char *const Form1::FormatString = QT_TRANSLATE_NOOP(
    "monitor::Form1", "|Описание                                        |Время         |Ip-адрес              |Вр.ож.   ");

namespace {

// Database problems stand out from outage (red) and restoration (green) lines.
const QColor DatabaseErrorColor(0x80, 0x00, 0x80);
// So do the monitor's own notices (a file opened, a setting not usable).
const QColor NoticeColor(0x00, 0x00, 0x80);

void toStderr(const QString &text)
{
    std::fprintf(stderr, "orvant: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

Form1::Form1(Prompts &prompts, const Form1Services &services, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowCloseButtonHint)
    , m_prompts(prompts)
    , m_services(services)
{
    Q_ASSERT(services.engine && services.clock && services.ticks && services.tray && services.sound);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orvant"));
    setWindowIcon(programIcon());
    buildControls();
    buildMenus();

    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(1000);
    connect(m_timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);

    // A non-modal message box tells nobody when it goes: look again.
    m_pendingRetry = new QTimer(this);
    m_pendingRetry->setInterval(250);
    connect(m_pendingRetry, &QTimer::timeout, this, &Form1::applyPendingState);

    PollingEngine *engine = m_services.engine;
    connect(engine, &PollingEngine::countdownChanged, this,
            [this](int secondsLeft) { m_cmdT2L->setText(QString::number(secondsLeft)); });
    connect(engine, &PollingEngine::passStarted, this, &Form1::onPassStarted);
    connect(engine, &PollingEngine::outageBegan, this, &Form1::onOutageBegan);
    connect(engine, &PollingEngine::outageEnded, this, &Form1::onOutageEnded);
    connect(engine, &PollingEngine::passFinished, this, &Form1::onPassFinished);
    // The engine writes its failures to stderr itself; the window shows them.
    connect(engine, &PollingEngine::databaseError, this, &Form1::showDatabaseError);
    connect(engine, &PollingEngine::probeUnavailable, this, &Form1::onProbeUnavailable);
    connect(engine, &PollingEngine::notice, this, [this](const QString &text) {
        // The engine has written it to stderr already.
        addEventLine(text, NoticeColor);
    });
    connect(engine->writeQueue(), &WriteQueue::waiting, this, [this](int count, const QString &why) {
        if (m_session && !m_session->usable()) {
            showNotice(tr("Нет связи с сервером базы данных %1 (%2): записи о сбоях (%3) ждут и будут сделаны, "
                          "когда связь восстановится.")
                           .arg(m_services.database.describe(), why)
                           .arg(count));
            return;
        }
        showNotice(tr("База данных занята другой программой (%1): записи о сбоях (%2) ждут и будут сделаны, "
                      "как только она освободится.")
                       .arg(why)
                       .arg(count));
    });
    connect(engine->writeQueue(), &WriteQueue::resumed, this, [this](int written) {
        showNotice(tr("Отложенные записи о сбоях сделаны (%1).").arg(written));
    });
    engine->setDatabaseOpener([this] { return reopenDatabase(); });

    // A click on a notification opens the window as the tray's "Открыть" does.
    if (m_services.notifier)
        connect(m_services.notifier, &PassNotifier::openRequested, this, &Form1::mnuOpen_Click);

    m_services.tray->setContextMenu(m_myPopup);
    connect(m_services.tray, &TrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            mnuOpen_Click();
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

    m_ll = new QLabel(client);
    m_ll->setObjectName(QStringLiteral("ll"));
    place(m_ll, 105, 2460, 960, 255);

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
        const int left = qMax(m_ll->geometry().right() + 4, right + 1 - needed);
        m_label2->setGeometry(left, m_label2->y(), right + 1 - left, m_label2->height());
    }

    m_cmdT2L = new QPushButton(client);
    m_cmdT2L->setObjectName(QStringLiteral("cmdT2L"));
    m_cmdT2L->setToolTip(tr("Нажать для принудительной проверки"));
    place(m_cmdT2L, 4515, 2460, 1275, 300);
    connect(m_cmdT2L, &QPushButton::clicked, this, &Form1::cmdT2L_Click);

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
    add(mnuDo, QStringLiteral("mnuTray"), tr("Свернуть в трей"), &Form1::mnuTray_Click);
    add(mnuDo, QStringLiteral("mnuAdmin"), tr("Администрирование"), &Form1::mnuAdmin_Click);
    separator(mnuDo, QStringLiteral("it1"));
    add(mnuDo, QStringLiteral("mnuExit"), tr("Выход"), &Form1::mnuExit_Click);

    m_myPopup = new QMenu(this);
    m_myPopup->setObjectName(QStringLiteral("MyPopup"));
    QAction *open = add(m_myPopup, QStringLiteral("mnuOpen"), tr("Открыть"), &Form1::mnuOpen_Click);
    add(m_myPopup, QStringLiteral("mnuOtch_"), tr("Отсутствие соединения"), &Form1::mnuOtch_Click);
    separator(m_myPopup, QStringLiteral("it2"));
    add(m_myPopup, QStringLiteral("mnuQuit"), tr("Выход"), &Form1::mnuQuit_Click);
    // The default item is drawn bold.
    m_myPopup->setDefaultAction(open);
    QFont bold = open->font();
    bold.setBold(true);
    open->setFont(bold);

    QMenu *itm6 = menuBar()->addMenu(tr("Сведения"));
    itm6->setObjectName(QStringLiteral("itm6"));
    add(itm6, QStringLiteral("mnuOtch"), tr("Отсутствие соединения"), &Form1::mnuOtch_Click);
    separator(itm6, QStringLiteral("it3"));
    add(itm6, QStringLiteral("mnuAbout"), tr("О программе"), &Form1::mnuAbout_Click);
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

    // Before anything else touches the database: one monitor per user.
    m_instance = std::make_unique<SingleInstance>(QStringLiteral("orvant"), m_services.lockDirectory);
    m_instance->tryAcquire();
    if (m_instance->state() == ExclusiveLock::State::HeldByOther) {
        QGuiApplication::restoreOverrideCursor();
        ask(nullptr, QMessageBox::NoIcon, QStringLiteral("Orvant"), tr("Программа уже запущена!"),
            QMessageBox::Ok);
        return false;
    }
    // And one monitor per database, whoever runs it and by whatever path
    // (or from whichever machine, on a server).
    if (isServer()) {
        connectServerSession();
        if (!openServer()) {
            QGuiApplication::restoreOverrideCursor();
            return false;
        }
    } else if (!takeDatabaseLock(true)) {
        QGuiApplication::restoreOverrideCursor();
        return false;
    }
    m_loaded = true;
    if (m_instance->state() == ExclusiveLock::State::Failed) {
        // Not a reason to stop watching: the database's own lock still
        // keeps a second monitor away from the file.
        const QString text = tr("Не удалось создать файл блокировки %1 (%2): проверка второго экземпляра "
                                "программы невозможна. Проверьте, что каталог доступен для записи и на диске "
                                "есть место.")
                                 .arg(m_instance->lockFilePath(), m_instance->errorText());
        showNotice(text);
        m_prompts.notify(nullptr, QMessageBox::Warning, QStringLiteral("Orvant"), text);
    }

    if (!isServer() && openDatabase(true))
        readSettings();
    m_services.engine->setRefreshSecs(m_refreshSecs);

    m_widestAddress = QString::fromLatin1(WidestValues::AddressIPv4);
    fitEventListColumns();

    runFirstPass();
    if (m_unloaded) {
        QGuiApplication::restoreOverrideCursor();
        return true;
    }

    mnuOtch_Click();
    HookWheel(this);
    QGuiApplication::restoreOverrideCursor();
    return true;
}

// False only when another monitor uses the file: this one must not run.
bool Form1::takeDatabaseLock(bool atStart)
{
    if (m_databaseInstance && m_databaseInstance->state() == ExclusiveLock::State::Held)
        return true;
    QString why;
    m_databaseInstance = SingleInstance::forDatabase(m_services.databasePath, m_services.databaseLockDirectory, &why);
    if (!m_databaseInstance)
        return true;  // no file yet: nobody can be using it, and opening says why
    m_databaseInstance->tryAcquire();
    switch (m_databaseInstance->state()) {
    case ExclusiveLock::State::Held:
    case ExclusiveLock::State::Unlocked:
        return true;
    case ExclusiveLock::State::Failed: {
        const QString text = tr("Не удалось создать файл блокировки базы данных %1 (%2): второй монитор на "
                                "этой базе данных не будет обнаружен. Проверьте права на каталог %3.")
                                 .arg(m_databaseInstance->lockFilePath(), m_databaseInstance->errorText(),
                                      QFileInfo(m_databaseInstance->lockFilePath()).absolutePath());
        showNotice(text);
        if (atStart)
            m_prompts.notify(nullptr, QMessageBox::Warning, QStringLiteral("Orvant"), text);
        return true;
    }
    case ExclusiveLock::State::HeldByOther:
        break;
    }
    QString text = tr("Программа уже запущена!");
    const QString user = m_databaseInstance->holderUser();
    if (!user.isEmpty()) {
        text += QLatin1String("\n\n")
                + tr("Базу данных %1 уже использует монитор пользователя %2 (процесс %3).")
                      .arg(QFileInfo(m_services.databasePath).absoluteFilePath(), user)
                      .arg(m_databaseInstance->holderPid());
    }
    m_databaseInstance.reset();
    if (atStart) {
        toStderr(text);
        m_prompts.ask(nullptr, QMessageBox::NoIcon, QStringLiteral("Orvant"), text, QMessageBox::Ok);
    } else if (m_lastOpenError != text) {
        m_lastOpenError = text;
        showNotice(text);
    }
    return false;
}

bool Form1::openDatabase(bool atStart)
{
    QString error;
    QString warning;
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    if (Database::open(m_services.databasePath, options, &error, QLatin1String(QSqlDatabase::defaultConnection),
                       &warning)) {
        m_lastOpenError.clear();
        if (!warning.isEmpty())
            showNotice(warning);
        takeBackKeptWrites();
        return true;
    }
    reportUnopened(error, atStart);
    return false;
}

void Form1::reportUnopened(const QString &error, bool atStart)
{
    if (!atStart && error == m_lastOpenError)
        return;
    m_lastOpenError = error;
    toStderr(error);
    if (atStart) {
        // Nothing can be watched without the database, yet the window stays
        // up and the database is tried again, so the operator can mend it.
        QGuiApplication::restoreOverrideCursor(); // not busy while the operator reads
        ask(nullptr, QMessageBox::Critical, QStringLiteral("Orvant"),
            tr("Не удалось открыть базу данных, наблюдение невозможно.\n\n%1").arg(error), QMessageBox::Ok);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    showDatabaseError(tr("Открытие базы данных"), error);
}

void Form1::takeBackKeptWrites()
{
    // Writes a previous run could not make (another program held the file,
    // or the server was away, when it ended) go first, in their order.
    QString keptError;
    if (!m_services.engine->writeQueue()->load(pendingWritesPath(), &keptError))
        showNotice(tr("Не удалось прочитать отложенные записи %1: %2").arg(pendingWritesPath(), keptError));
    m_services.engine->writeQueue()->retry();
}

void Form1::connectServerSession()
{
    Database::Options options;
    options.busyTimeoutMs = WriteBusyTimeoutMs;
    m_session = new ServerSession(m_services.database, options, QLatin1String(QSqlDatabase::defaultConnection), this);
    m_services.engine->setConnectionWatch(m_session);
    const QString name = m_services.database.describe();
    connect(m_session, &ServerSession::connectionLost, this, [this, name](const QString &why) {
        m_lastOpenError.clear();
        showNotice(tr("Потеряна связь с сервером базы данных %1 (%2). Проверка адресов продолжается; записи о "
                      "сбоях ждут и будут сделаны, когда связь восстановится.")
                       .arg(name, why.trimmed()));
    });
    connect(m_session, &ServerSession::reconnectFailed, this,
            [this](const QString &error) { reportUnopened(error, false); });
    connect(m_session, &ServerSession::heldByOther, this, [this, name](const QString &holder) {
        const QString text = tr("Базу данных %1 занял другой монитор (%2), пока связь с сервером была потеряна. "
                                "Этот монитор продолжает проверку, но ничего не записывает, пока тот работает; "
                                "закройте один из них.")
                                 .arg(name, holder);
        if (text == m_lastOpenError)
            return;
        m_lastOpenError = text;
        showNotice(text);
    });
    connect(m_session, &ServerSession::reconnected, this, [this, name] {
        m_lastOpenError.clear();
        if (!m_session->warning().isEmpty())
            showNotice(m_session->warning());
        if (!m_settingsRead) {
            // The server could not be reached at start-up: the settings are
            // read now.
            showNotice(tr("База данных открыта: %1").arg(name));
            readSettings();
            m_services.engine->setRefreshSecs(m_refreshSecs);
        } else {
            showNotice(tr("Связь с сервером базы данных %1 восстановлена.").arg(name));
        }
        takeBackKeptWrites();
    });
}

bool Form1::openServer()
{
    QString text;
    switch (m_session->openAtStart(&text)) {
    case ServerSession::OpenResult::Opened:
        if (!m_session->warning().isEmpty())
            showNotice(m_session->warning());
        readSettings();
        takeBackKeptWrites();
        return true;
    case ServerSession::OpenResult::HeldByOther: {
        const QString refusal = tr("Программа уже запущена!") + QLatin1String("\n\n")
                                + tr("Базу данных %1 уже использует другой монитор: %2.")
                                      .arg(m_services.database.describe(), text);
        toStderr(refusal);
        ask(nullptr, QMessageBox::NoIcon, QStringLiteral("Orvant"), refusal, QMessageBox::Ok);
        return false;
    }
    case ServerSession::OpenResult::Failed:
        break;
    }
    // As for a missing file; the server is tried again at every tick.
    reportUnopened(text, true);
    return true;
}

// At a pass, while the database is not open: the file may have appeared or
// been mended since.
bool Form1::reopenDatabase()
{
    // The server is tried at every tick, never inside a pass: a pass
    // without it probes the last book read.
    if (isServer())
        return false;
    if (m_unloaded || !takeDatabaseLock(false) || !openDatabase(false))
        return false;
    showNotice(tr("База данных открыта: %1").arg(QFileInfo(m_services.databasePath).absoluteFilePath()));
    // The settings could not be read at start-up: they are read now.
    readSettings();
    m_services.engine->setRefreshSecs(m_refreshSecs);
    return true;
}

QString Form1::pendingWritesPath() const
{
    if (isServer()) {
        // Beside the programs, named after the server's database, so that
        // two installations' monitors (or a later switch to another
        // server) never take back each other's writes.
        const DatabaseConfig &c = m_services.database;
        QString name = QStringLiteral("%1@%2_%3").arg(c.name(), c.host()).arg(c.port());
        for (QChar &ch : name) {
            if (!ch.isLetterOrNumber() && ch != QLatin1Char('@') && ch != QLatin1Char('.') && ch != QLatin1Char('-')
                && ch != QLatin1Char('_'))
                ch = QLatin1Char('_');
        }
        return QDir(m_services.programDirectory).filePath(name + QStringLiteral(".orvant-pending"));
    }
    return QFileInfo(m_services.databasePath).absoluteFilePath() + QStringLiteral(".orvant-pending");
}

void Form1::keepPendingWrites()
{
    WriteQueue *queue = m_services.engine->writeQueue();
    if (queue->isEmpty())
        return;
    queue->flushFor(FinalFlushMs);
    if (queue->isEmpty())
        return;
    QString error;
    if (queue->save(pendingWritesPath(), &error)) {
        toStderr(QStringLiteral("%1 outage writes could not be made (the database is busy); kept in %2 for the next start")
                     .arg(queue->size())
                     .arg(pendingWritesPath()));
    } else {
        toStderr(QStringLiteral("%1 outage writes are lost: the database is busy and %2 cannot be written: %3")
                     .arg(queue->size())
                     .arg(pendingWritesPath(), error));
    }
}

void Form1::showNotice(const QString &text)
{
    toStderr(text);
    addEventLine(text, NoticeColor);
}

void Form1::addEventLine(const QString &text, const QColor &color)
{
    m_fg->setRedraw(false);
    const QString time = Regional::timeWithSeconds(m_services.clock->now().time());
    const int row = m_fg->addItem(FormatGrid::line({QString(), text, time, QString(), QString()}), 0);
    for (int col = 1; col <= 4; ++col) {
        m_fg->setTextColor(row, col, color);
        // The column cuts a long text; the whole of it is one pointer away.
        m_fg->setCellToolTip(row, col, text);
    }
    m_fg->truncateItems(MaxEventLines);
    m_fg->setRedraw(true);
}

void Form1::reportOwnDatabaseError(const QString &what, const QString &errorText)
{
    toStderr(QStringLiteral("database error: %1: %2").arg(what, errorText));
    showDatabaseError(what, errorText);
}

void Form1::readSettings()
{
    OptionsRecord record;
    QStringList problems;
    QString error;
    if (!OptionsStore::read(&record, &problems, &error)) {
        reportOwnDatabaseError(tr("Чтение настроек"), error);
        return;
    }
    // The monitor runs on the defaults, and says which ones.
    for (const QString &problem : problems)
        showNotice(tr("Настройки: %1; используется значение по умолчанию.").arg(problem));
    m_refreshSecs = RefreshInterval::seconds(record.refreshTime);
    m_sndErr = record.sndErr;
    m_sndRest = record.sndRest;
    m_showOnErr = record.view != 0;
    m_settingsRead = true;
}

void Form1::runFirstPass()
{
    PollingEngine *engine = m_services.engine;
    engine->setLastCheck(m_services.clock->now());
    m_timer2->start();

    QEventLoop wait;
    bool finished = false;
    const auto onFinished = connect(engine, &PollingEngine::passFinished, &wait, [&] {
        finished = true;
        wait.quit();
    });
    const auto onUnloaded = connect(this, &Form1::unloaded, &wait, &QEventLoop::quit);
    engine->CheckAll();
    // The pass runs on the event loop; the splash stays up until it is over.
    if (!finished && engine->isRunning() && !m_unloaded)
        wait.exec();
    disconnect(onFinished);
    disconnect(onUnloaded);
    engine->setLastCheck(m_services.clock->now());
}

frmOtchet *Form1::loadReport()
{
    if (!m_report) {
        m_report = new frmOtchet(m_services.clock, this);
        m_report->setWindowIcon(windowIcon());
        connect(m_report, &frmOtchet::databaseError, this, &Form1::reportOwnDatabaseError);
        connect(m_report, &frmOtchet::menuRequested, this, [this](QMenu *menu, const QString &ip) {
            if (!ip.isEmpty())
                addMuteActions(menu, ip);
            addMuteActions(menu, QString());
        });
        // Without the server it is filled once the server is back.
        if (!m_session || m_session->usable())
            m_report->Label1_Click();
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
    if (m_fg->valueWidth(ip) > m_fg->valueWidth(m_widestAddress)) {
        m_widestAddress = FormatGrid::cellText(ip);
        fitEventListColumns();
    }
    m_fg->setRedraw(false);
    const QString time = Regional::timeWithSeconds(m_services.clock->now().time());
    const int row = m_fg->addItem(FormatGrid::line({QString(), desc, time, ip, pto}), 0);
    const QColor textColor = colorFromRgbValue(color);
    for (int col = 1; col <= 4; ++col) {
        m_fg->setCellAlignment(row, col, col == 1 ? (Qt::AlignLeft | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignTop));
        m_fg->setTextColor(row, col, textColor);
    }
    m_fg->truncateItems(MaxEventLines);
    m_fg->setRedraw(true);
    changeStateForPass(WindowState::InTray);
}

void Form1::showDatabaseError(const QString &what, const QString &errorText)
{
    // Shown as an event line, without the tray move of an outage line.
    addEventLine(tr("Ошибка базы данных: %1: %2").arg(what, errorText), DatabaseErrorColor);
}

void Form1::onOutageBegan(const QString &ip, const QString &desc, int timeoutMs)
{
    // Noted first: the tray the line puts the window into shows the change.
    const bool atOnce = m_alerts.ringsAtOnce(ip, true);
    m_alerts.noteChange(ip, desc, true, atOnce, m_services.engine->effectTime());
    PrintStat(ip, desc, QString::number(timeoutMs), Red);
    ++m_passLines;
    if (!atOnce)
        return;  // decided at the pass's end
    m_passBegan.append({desc, ip});
    m_services.sound->play(m_sndErr);
    if (m_showOnErr)
        changeStateForPass(WindowState::Shown);
}

void Form1::onOutageEnded(const QString &ip, const QString &desc, int timeoutMs)
{
    // Noted first: the tray the line puts the window into shows the change.
    const bool atOnce = m_alerts.ringsAtOnce(ip, false);
    m_alerts.noteChange(ip, desc, false, atOnce, m_services.engine->effectTime());
    PrintStat(ip, desc, QString::number(timeoutMs), Green);
    ++m_passLines;
    if (!atOnce)
        return;
    m_passEnded.append({desc, ip});
    m_services.sound->play(m_sndRest);
}

void Form1::onPassStarted()
{
    setCursor(Qt::WaitCursor);
    m_cmdT2L->setEnabled(false);
    // A pass that was stopped never finished: what it had found is not news
    // for the next one.
    m_passBegan.clear();
    m_passEnded.clear();
    alertsPassStarted();
}

void Form1::onPassFinished()
{
    m_ll->setText(m_services.engine->countsText());
    m_cmdT2L->setEnabled(true);
    alertsPassFinished();
    const QList<NotifiedHost> began = std::exchange(m_passBegan, {});
    const QList<NotifiedHost> ended = std::exchange(m_passEnded, {});
    if (m_services.notifier && !m_unloaded && (!began.isEmpty() || !ended.isEmpty()))
        m_services.notifier->passEnded(began, ended);
    // Loading the report window is its first refresh. Without the server it
    // keeps the rows it last read.
    if (!m_unloaded && !(m_session && !m_session->usable())) {
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
        mnuTray_Click();
    else
        mnuOpen_Click();
}

void Form1::Timer2_Timer()
{
    // A server that went away is tried again once a tick, before the kept
    // writes are (in the engine's tick).
    if (m_session && !m_unloaded)
        m_session->tick();
    m_services.engine->tick();
    setWindowTitle(RunningCaption::text(Regional::timeWithSeconds(m_services.clock->now().time()),
                                        m_services.ticks->milliseconds()));
}

void Form1::cmdT2L_Click()
{
    m_services.engine->CheckAll();
}

void Form1::mnuTray_Click()
{
    if (!m_services.tray->isAvailable()) {
        // Without a notification area a hidden window could never be
        // reached again: minimise it instead.
        showMinimized();
        return;
    }
    m_trayDown = m_alerts.downCount();
    m_services.tray->showIcon(trayIcon(), trayToolTip());
    hide();
}

void Form1::mnuOpen_Click()
{
    m_services.tray->hideIcon();
    showNormal();
    raise();
    activateWindow();
}

void Form1::mnuOtch_Click()
{
    frmOtchet *report = loadReport();
    report->show();
    report->raise();
}

void Form1::mnuAdmin_Click()
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
    toStderr(QStringLiteral("cannot start %1: %2").arg(path, why));
    ask(this, QMessageBox::Warning, QStringLiteral("Orvant"),
                          tr("Не удалось запустить программу администрирования\n%1\n(%2)").arg(path, why),
                          QMessageBox::Ok);
}

void Form1::mnuAbout_Click()
{
    ask(this, QMessageBox::NoIcon, QStringLiteral("Orvant"),
                          tr("Программа: ORVANT\nВерсия: 2.0.1\nДата создания: 14.09.2004г."),
                          QMessageBox::Ok);
}

void Form1::mnuExit_Click()
{
    close();
}

void Form1::mnuQuit_Click()
{
    mnuOpen_Click();
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
    // Quitting ends the watch in the middle of a pass: no outage may be
    // written after this point without the alert that belongs to it.
    m_services.engine->stop();
    // Within a second whatever holds the file: kept writes are tried a
    // little longer, and the rest waits for the next start in a file.
    keepPendingWrites();
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
